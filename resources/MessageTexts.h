#pragma once
// The Russian texts the plug-in shows, written once: its string table (ids 101 to 123) and
// the fixed notice about a made-up station. The plug-in serves the table through
// LoadMessageText; the host reads the same data to recognise what the plug-in reports and
// to show it in the reader's language. Data only, so that either side may include it.

namespace Plugin {

struct MessageText {
    int Id;
    const wchar_t* Text;
};

// Ids 101 to 123 in order. 111 and 119 keep their two consecutive blanks; 119 carries one
// "%s" for the target's name.
inline constexpr MessageText StringTableTexts[] = {
    {101, L"Не удается открыть файл"},
    {102, L"Установки формата"},
    {103, L"Режим работы"},
    {104, L"Чтение имени"},
    {105, L"Начало"},
    {106, L"Длина"},
    {107, L"Чтение кода"},
    {108, L"Неверное числовое значение"},
    {109, L"Неверные настройки формата"},
    {110, L"Ошибка"},
    {111, L"Неверный  режим работы импорта. Смените его в настройках импорта."},
    {112, L"Импорт прекращен. Файл создан программным обеспечением ранних версий. Используйте другой формат."},
    {113, L"Импорт прекращен. Неверный формат файла."},
    {114, L"Возможно дублировано объявление станции. Для корректного чтения данных удалите код S и повторите импорт."},
    {115, L"Имя станции не задано."},
    {116, L"Не задано имя точки."},
    {117, L"Нарушен порядок работы, отсутствует объявление станции."},
    {118, L"Импорт прекращен. В файле присутствуют необрабатываемые команды. Используйте другой формат."},
    {119, L"Имя цели  %s  совпадает с именем станции."},
    {120, L"В процессе измерения высота инструмента не должна меняться."},
    {121, L"Да"},
    {122, L"Нет"},
    {123, L"Брать имя из поля Addr"},
};

// The warning that names a station made up for a set-up without one; "%1%" is the name.
inline constexpr const wchar_t* DefaultStationNotice =
    L"Не определена точка стояния.\nПо умолчанию создается станция с именем %1%.";

}  // namespace Plugin
