#pragma once
// The Russian texts the plug-in shows, written once: its string table (ids 101 to 123) and
// the fixed notice about a made-up station. The plug-in serves the table through
// LoadMessageText; the host reads the same data to recognise what the plug-in reports and
// to show it in the reader's language. Data, and the notice's one substitution, so that
// either side may include it.
#include <string>
#include <string_view>

namespace Plugin {

struct MessageText {
    int Id;
    const wchar_t* Text;
};

// Ids 101 to 123 in order, from the one list of the texts (which the Windows resource script
// includes too). 111 and 119 keep their two consecutive blanks; 119 carries one "%s" for the
// target's name.
#define M5_MESSAGE(id, text) {id, L"" text},
inline constexpr MessageText StringTableTexts[] = {
#include "resources/StringTable.inc"
};
#undef M5_MESSAGE

// The warning that names a station made up for a set-up without one; "%1%" is the name.
inline constexpr const wchar_t* DefaultStationNotice =
    L"Не определена точка стояния.\nПо умолчанию создается станция с именем %1%.";

// The notice for that name, as Boost.Format writes it: the name in place of "%1%", as it is.
// Written out here since each file of an import may make a default station, and a formatter
// with its stream costs more than the rest of a small file's set-up.
inline std::wstring FormatDefaultStationNotice(std::wstring_view name)
{
    constexpr std::wstring_view notice = DefaultStationNotice;
    constexpr std::wstring_view place = L"%1%";
    constexpr std::size_t at = notice.find(place);
    static_assert(at != std::wstring_view::npos, "the notice has a place for the name");
    std::wstring text;
    text.reserve(notice.size() - place.size() + name.size());
    text.append(notice.substr(0, at)).append(name).append(notice.substr(at + place.size()));
    return text;
}

}  // namespace Plugin
