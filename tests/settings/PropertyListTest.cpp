// The settings editor driven through a fake property list: the order in which the list is
// built, the life of the combo items, the enabling rule, number reading, the sample line,
// validation, the copy into the settings, and the system strings the view hands back.
#include <climits>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "plugin/CImportPluginImpl.h"
#include "settings/CComboItem.h"
#include "settings/CEnumeratorImpl.h"
#include "tests/settings/FakePropertyListView.h"

using namespace Testing;

// Whether an object or a system string has been freed cannot be asked of the object itself,
// so this program passes every free() through a watch list. Sanitizer builds keep their own
// allocator, which reports leaks and late uses by itself; there the watch is left out and
// only the sanitizer checks what is freed. The watch needs the GNU C library's own free
// (__libc_free); on Windows, where system strings are OLEAUT32's, it is left out too.
#if defined(__SANITIZE_ADDRESS__) || !defined(__GLIBC__)
#define M5_WATCH_FREES 0
#else
#define M5_WATCH_FREES 1
#endif

namespace {

constexpr int WatchCapacity = 256;
const void* WatchedBlocks[WatchCapacity];
bool FreedBlocks[WatchCapacity];
int WatchedCount = 0;

}  // namespace

#if M5_WATCH_FREES
extern "C" void __libc_free(void* block);
extern "C" void free(void* block) noexcept
{
    for (int i = 0; i < WatchedCount; ++i)
        FreedBlocks[i] = FreedBlocks[i] || WatchedBlocks[i] == block;
    __libc_free(block);
}
#endif

namespace {

void Watch(const void* block)
{
    ASSERT_LT(WatchedCount, WatchCapacity);
    WatchedBlocks[WatchedCount] = block;
    FreedBlocks[WatchedCount] = false;
    ++WatchedCount;
}

bool WasFreed(const void* block)
{
    for (int i = WatchedCount - 1; i >= 0; --i) {
        if (WatchedBlocks[i] == block)
            return FreedBlocks[i];
    }
    ADD_FAILURE() << "block not watched";
    return false;
}

// The whole allocation of an item (the most derived object).
const void* ItemBlock(Plugin::IComboItem* item)
{
    return dynamic_cast<const void*>(item);
}

// A system string's allocation starts at its 32-bit length prefix (platform/SysString.h).
const void* SystemStringBlock(const char16_t* text)
{
    return reinterpret_cast<const char*>(text) - sizeof(std::uint32_t);
}

void ExpectFreed(const void* block, bool freed = true)
{
    if (M5_WATCH_FREES) {
        EXPECT_EQ(WasFreed(block), freed);
    }
}

const std::string Fmt = "Формат:\nFor M5| Adr 00001| PI1   ";
const std::string FmtAddr = "Формат:\nFor M5| Adr PPPPP| PI1   ";
const std::string Incorrect = "НЕКОРРЕКТНЫЙ ФОРМАТ!!!";
const std::string NumberMessage = "Неверное числовое значение | Ошибка";
const std::string LayoutMessage = "Неверные настройки формата | Ошибка";

std::string Repeat(char letter, int count)
{
    return std::string(static_cast<std::size_t>(count), letter);
}

// The plug-in object with settings loaded from a store, and its editor opened on a fake view.
struct Editor {
    explicit Editor(const std::map<std::string, std::int32_t>& stored = {}, bool build = true)
    {
        CFakeSettingsStore store;
        store.Values = stored;
        Plugin.LoadSettings(&store);
        if (build)
            Controller.BuildPropertyList(&View);
    }
    // The user's edit of a text property, then the controller's notice of it.
    bool Type(std::int32_t id, const std::string& text)
    {
        View.Texts[id] = text;
        return Controller.OnPropertyChanged(id);
    }
    // Name source, then name start and length, code start and length as typed.
    void SetLayout(std::int32_t fromAddr, const char* const (&numbers)[4])
    {
        View.Choices[1] = fromAddr;
        for (std::int32_t i = 0; i < 4; ++i)
            View.Texts[2 + i] = numbers[i];
    }
    const Plugin::ImportSettings& Settings() const { return Plugin.Settings(); }

    CImportPluginImpl Plugin;
    CFakePropertyListView View;
    Plugin::IPropertyListViewController& Controller = *Plugin.GetPropertyListViewController();
};

const std::vector<std::string> ReadLayoutCalls = {"GetComboValue 1", "GetPropertyText 2", "GetPropertyText 3",
                                                  "GetPropertyText 4", "GetPropertyText 5"};

std::vector<std::string> Concat(std::vector<std::string> first, const std::vector<std::string>& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

TEST(PropertyList, BuildsGroupsPropertiesEnablingAndSampleInOrder)
{
    Editor editor;
    const std::vector<std::string> expected = Concat(
        {"AddGroup Установки формата",
         "AddComboProperty 0 1 Режим работы [0 Стандартные заголовки (KN STAT, UN STAT, EL STAT, POLAR), "
         "1 Отдельные измерения] = 0",
         "AddGroup Чтение имени", "AddComboProperty 1 1 Брать имя из поля Addr [0 Нет, 1 Да] = 0",
         "AddTextProperty 2 1 Начало = 1", "AddTextProperty 3 1 Длина = 14", "GetComboValue 1", "EnableProperty 2 1",
         "EnableProperty 3 1", "AddGroup Чтение кода", "AddTextProperty 4 1 Начало = 15",
         "AddTextProperty 5 1 Длина = 13", "CompleteList 1"},
        Concat(ReadLayoutCalls, {"SetHintText " + Fmt + Repeat('P', 14) + Repeat('C', 13)}));
    EXPECT_EQ(editor.View.Calls, expected);

    // Stored values appear as they are, negative ones with their sign.
    Editor stored({{"TakePointNameFromAddr", 1}, {"PointStart", -7}, {"CodeLen", INT32_MIN}, {"Mode", 1}});
    const std::vector<std::string>& calls = stored.View.Calls;
    EXPECT_EQ(calls[1].substr(calls[1].size() - 5), "] = 1");
    EXPECT_EQ(calls[3], "AddComboProperty 1 1 Брать имя из поля Addr [0 Нет, 1 Да] = 1");
    EXPECT_EQ(calls[4], "AddTextProperty 2 1 Начало = -7");
    EXPECT_EQ(calls[7], "EnableProperty 2 0");
    EXPECT_EQ(calls[11], "AddTextProperty 5 1 Длина = -2147483648");
}

TEST(PropertyList, ComboItemsAreDestroyedRightAfterTheCallWhenTheViewTakesNoReference)
{
    WatchedCount = 0;
    Editor editor({}, false);
    editor.View.KeepItems = false;
    std::vector<const void*> blocks;
    editor.View.OnItemShown = [&](Plugin::IComboItem* item) {
        if (blocks.size() == 2) {
            // The mode's choices are gone before the name source's are shown.
            ExpectFreed(blocks[0]);
            ExpectFreed(blocks[1]);
        }
        blocks.push_back(ItemBlock(item));
        Watch(blocks.back());
    };
    editor.Controller.BuildPropertyList(&editor.View);
    ASSERT_EQ(blocks.size(), 4u);
    for (const void* block : blocks)
        ExpectFreed(block);
}

TEST(PropertyList, ComboItemsKeptByTheViewLiveUntilItReleasesThem)
{
    WatchedCount = 0;
    Editor editor({}, false);
    std::vector<const void*> blocks;
    editor.View.OnItemShown = [&](Plugin::IComboItem* item) {
        blocks.push_back(ItemBlock(item));
        Watch(blocks.back());
    };
    editor.Controller.BuildPropertyList(&editor.View);
    ASSERT_EQ(blocks.size(), 4u);
    for (const void* block : blocks)
        ExpectFreed(block, false);
    Plugin::IComboItem* yes = editor.View.KeptItems[1][1];
    EXPECT_EQ(yes->GetValue(), 1);
    // Each caption is a system string of its own: freeing one leaves the other intact.
    char16_t* first = yes->GetText();
    char16_t* second = yes->GetText();
    EXPECT_NE(first, second);
    Platform::SysFreeString(first);
    EXPECT_EQ(Utf8(second), "Да");
    Platform::SysFreeString(second);

    editor.View.ReleaseItems();
    for (const void* block : blocks)
        ExpectFreed(block);
}

TEST(PropertyList, ChoiceEnumeratorStaysPastTheEndAndResets)
{
    Plugin::Detail::CComboItem no(0, L"Нет");
    Plugin::Detail::CComboItem yes(1, L"Да");
    const std::vector<Plugin::IComboItem*> items = {&no, &yes};
    Plugin::CEnumeratorImpl<Plugin::IComboItem*> walk(items);
    walk.MoveNext();
    walk.MoveNext();
    walk.MoveNext();
    EXPECT_FALSE(walk.IsValid());
    EXPECT_EQ(walk.Current(), nullptr);
    walk.Reset();
    EXPECT_TRUE(walk.IsValid());
    EXPECT_EQ(walk.Current(), &no);
}

TEST(PropertyList, NameColumnsAreEditableOnlyWhileTheNameIsNotTakenFromTheAddress)
{
    Editor editor;
    for (std::int32_t fromAddr : {1, 0}) {
        editor.View.Choices[1] = fromAddr;
        const std::size_t mark = editor.View.Calls.size();
        EXPECT_TRUE(editor.Controller.OnPropertyChanged(1));
        const std::string enabled = fromAddr == 1 ? " 0" : " 1";
        const std::string hint = fromAddr == 1 ? FmtAddr + Repeat('*', 14) : Fmt + Repeat('P', 14);
        EXPECT_EQ(editor.View.CallsSince(mark),
                  Concat({"GetComboValue 1", "EnableProperty 2" + enabled, "EnableProperty 3" + enabled},
                         Concat(ReadLayoutCalls, {"SetHintText " + hint + Repeat('C', 13)})));
    }
    // The mode and ids outside the list need nothing; Dismiss does nothing.
    const std::size_t mark = editor.View.Calls.size();
    for (std::int32_t id : {0, 6, -1})
        EXPECT_TRUE(editor.Controller.OnPropertyChanged(id));
    editor.Controller.Dismiss();
    EXPECT_TRUE(editor.View.CallsSince(mark).empty());
}

TEST(PropertyList, ReadsWholeNumbersAndRefusesAnythingElseWithAMessage)
{
    const struct {
        const char* Text;
        bool Valid;
        std::int32_t Value;
    } cases[] = {
        {"1a", false, 0},  {"", false, 0},         {"3 ", false, 0},         {" 3", false, 0},
        {"+-5", false, 0}, {"-", false, 0},        {"2147483648", false, 0}, {"-2147483649", false, 0},
        {"１", false, 0},  {"-5", true, -5},       {"+5", true, 5},          {"-2147483648", true, INT32_MIN},
        {"007", true, 7},  {"2147483647", true, INT32_MAX},
    };
    for (std::int32_t id = 2; id <= 5; ++id) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::to_string(id) + " '" + c.Text + "'");
            Editor editor;
            const std::size_t mark = editor.View.Calls.size();
            EXPECT_EQ(editor.Type(id, c.Text), c.Valid);
            const std::vector<std::string> calls = editor.View.CallsSince(mark);
            ASSERT_FALSE(calls.empty());
            if (c.Valid) {
                EXPECT_TRUE(editor.View.MessageBoxes.empty());
                EXPECT_EQ(calls.back().rfind("SetHintText ", 0), 0u);
            } else {
                // The message, and the sample stays as it was.
                EXPECT_EQ(calls, std::vector<std::string>({"GetPropertyText " + std::to_string(id),
                                                           "ShowMessageBox " + NumberMessage}));
            }
            std::int32_t Plugin::ImportSettings::*const fields[] = {
                &Plugin::ImportSettings::PointStart, &Plugin::ImportSettings::PointLen,
                &Plugin::ImportSettings::CodeStart, &Plugin::ImportSettings::CodeLen};
            const std::int32_t before = editor.Settings().*fields[id - 2];
            editor.Controller.ApplyProperties();
            EXPECT_EQ(editor.Settings().*fields[id - 2], c.Valid ? c.Value : before);
        }
    }
}

TEST(PropertyList, SampleMarksNameAndCodeColumnsOrSaysTheLayoutIsIncorrect)
{
    const struct {
        const char* What;
        std::int32_t FromAddr;
        const char* Numbers[4];
        std::string Hint;
    } cases[] = {
        {"defaults", 0, {"1", "14", "15", "13"}, Fmt + Repeat('P', 14) + Repeat('C', 13)},
        {"name from the address", 1, {"1", "14", "5", "10"}, FmtAddr + "****" + Repeat('C', 10) + Repeat('*', 13)},
        {"address name ignores name numbers", 1, {"x", "", "1", "27"}, FmtAddr + Repeat('C', 27)},
        {"address name, negative code length", 1, {"1", "14", "5", "-3"}, FmtAddr + Repeat('*', 27)},
        {"code first", 0, {"15", "13", "1", "14"}, Fmt + Repeat('C', 14) + Repeat('P', 13)},
        {"gaps", 0, {"3", "5", "10", "4"}, Fmt + "**PPPPP**CCCC" + Repeat('*', 14)},
        {"overlap", 0, {"1", "15", "15", "13"}, Fmt + Incorrect},
        {"code past column 27", 0, {"1", "14", "15", "14"}, Fmt + Incorrect},
        {"negative start", 0, {"-5", "14", "15", "13"}, Fmt + Incorrect},
        {"unreadable number counts as -1", 0, {"1", "1a", "15", "13"}, Fmt + Incorrect},
        {"address name, code before column 1", 1, {"1", "14", "0", "5"}, FmtAddr + Incorrect},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        Editor editor;
        editor.SetLayout(c.FromAddr, c.Numbers);
        editor.Controller.OnPropertyChanged(1);
        EXPECT_EQ(editor.View.Hint, c.Hint);
    }
}

TEST(PropertyList, ValidationRefusesInconsistentLayoutsWithAMessage)
{
    const struct {
        const char* What;
        std::int32_t FromAddr;
        const char* Numbers[4];
        bool Valid;
    } cases[] = {
        {"defaults", 0, {"1", "14", "15", "13"}, true},
        {"code first", 0, {"15", "13", "1", "14"}, true},
        {"overlap", 0, {"1", "15", "15", "13"}, false},
        {"negative start", 0, {"-5", "14", "15", "13"}, false},
        {"unreadable number", 0, {"1", "14", "15", "x"}, false},
        {"address name ignores name columns", 1, {"x", "-9", "1", "27"}, true},
        {"address name checks the code", 1, {"1", "14", "20", "9"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        Editor editor;
        editor.SetLayout(c.FromAddr, c.Numbers);
        editor.View.Choices[0] = 7;  // the mode is not examined
        const std::size_t mark = editor.View.Calls.size();
        EXPECT_EQ(editor.Controller.ValidateProperties(), c.Valid);
        EXPECT_EQ(editor.View.CallsSince(mark),
                  c.Valid ? ReadLayoutCalls : Concat(ReadLayoutCalls, {"ShowMessageBox " + LayoutMessage}));
        EXPECT_EQ(editor.Settings().PointStart, 1);  // validation stores nothing
    }
}

TEST(PropertyList, ApplyKeepsAFieldThatCannotBeReadAndStoresTheRestUnfitted)
{
    Editor editor({{"PointLen", 9}});
    editor.SetLayout(1, {"3", "x", "2", "30"});  // overlapping and too long: stored as typed
    editor.View.Choices[0] = 1;
    editor.Controller.ApplyProperties();
    const Plugin::ImportSettings& settings = editor.Settings();
    EXPECT_EQ(settings.PointStart, 3);
    EXPECT_EQ(settings.PointLen, 9);
    EXPECT_EQ(settings.CodeStart, 2);
    EXPECT_EQ(settings.CodeLen, 30);
    EXPECT_EQ(settings.Mode, 1);
    EXPECT_TRUE(settings.TakePointNameFromAddr);
    EXPECT_TRUE(editor.View.MessageBoxes.empty());
}

TEST(PropertyList, AViewThatDoesNotAnswerLeavesTheControllersPresets)
{
    // Stored: name from the address and mode 1, so an ignored preset would show.
    Editor editor({{"TakePointNameFromAddr", 1}, {"Mode", 1}});
    EXPECT_FALSE(editor.View.Enabled[2]);
    editor.View.AnswerCombo = false;
    editor.View.Texts[2] = "x";  // refused only when the name columns count
    // The enabling rule presets 0: the name columns become editable.
    EXPECT_TRUE(editor.Controller.OnPropertyChanged(1));
    EXPECT_TRUE(editor.View.Enabled[2] && editor.View.Enabled[3]);
    // The sample, validation and apply preset -1: not "Да", and the mode becomes -1.
    EXPECT_EQ(editor.View.Hint, Fmt + Incorrect);
    EXPECT_FALSE(editor.Controller.ValidateProperties());
    editor.Controller.ApplyProperties();
    EXPECT_EQ(editor.Settings().Mode, -1);
    EXPECT_FALSE(editor.Settings().TakePointNameFromAddr);

    // A view that hands back no text: the number counts as invalid.
    editor.View.AnswerText = false;
    EXPECT_FALSE(editor.Controller.OnPropertyChanged(3));
    EXPECT_EQ(editor.View.MessageBoxes.back(), NumberMessage);
}

TEST(PropertyList, FreesEverySystemStringTheViewHandsBack)
{
    WatchedCount = 0;
    Editor editor({}, false);
    editor.View.OnStringHandedOut = [](char16_t* text) { Watch(SystemStringBlock(text)); };
    editor.Controller.BuildPropertyList(&editor.View);
    for (const char* text : {"1a", "", "3 ", "2147483648", "-5", "+5", "7"})
        editor.Type(3, text);
    editor.Type(1, "");
    editor.Controller.ValidateProperties();
    editor.Controller.ApplyProperties();
    // Build, seven edits, the name-source change, validation and apply all read numbers.
    ASSERT_GE(editor.View.HandedOutStrings.size(), 30u);
    for (char16_t* text : editor.View.HandedOutStrings)
        ExpectFreed(SystemStringBlock(text));
}

}  // namespace
