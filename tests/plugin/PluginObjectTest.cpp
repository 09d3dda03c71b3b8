#include <cstring>

#include <gtest/gtest.h>

#include "platform/SysString.h"
#include "platform/Utf16.h"
#include "plugin/CImportPluginImpl.h"
#include "plugin/HResultError.h"
#include "resources/StringTable.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TestFiles.h"

using namespace Testing;

namespace {

// The object's count, read through the interface: AddRef then Release tells nothing, so
// count by releasing extra references taken for the test.
TEST(PluginObject, StartsWithOneReferenceAndReleaseSaysWhenItDestroyed)
{
    Plugin::IGroundBasedMIP* plugin = CreatePlugin();
    ASSERT_NE(plugin, nullptr);
    plugin->AddRef();
    EXPECT_FALSE(plugin->Release());
    EXPECT_TRUE(plugin->Release());
}

TEST(PluginObject, GetInterfaceAddsAReferenceForKindsZeroToTwoOnly)
{
    Plugin::IGroundBasedMIP* plugin = CreatePlugin();
    for (int kind : {0, 1, 2}) {
        EXPECT_EQ(plugin->GetInterface(kind), static_cast<Plugin::IPlugin*>(plugin)) << kind;
    }
    for (int kind : {3, -1, 1000})
        EXPECT_EQ(plugin->GetInterface(kind), nullptr) << kind;
    // Three references were added: the fourth release destroys.
    EXPECT_FALSE(plugin->Release());
    EXPECT_FALSE(plugin->Release());
    EXPECT_FALSE(plugin->Release());
    EXPECT_TRUE(plugin->Release());
}

TEST(PluginObject, ControllerIsTheSameSubObjectAndTakesNoReference)
{
    Plugin::IGroundBasedMIP* plugin = CreatePlugin();
    Plugin::IPropertyListViewController* first = plugin->GetPropertyListViewController();
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(plugin->GetPropertyListViewController(), first);
    EXPECT_NE(static_cast<void*>(first), static_cast<void*>(plugin));
    EXPECT_TRUE(plugin->Release());
}

TEST(PluginObject, IdentifiesItselfWithFreshSystemStrings)
{
    Plugin::IGroundBasedMIP* plugin = CreatePlugin();
    char16_t* name = plugin->GetName();
    char16_t* typeName = plugin->GetFileTypeName();
    char16_t* filter = plugin->GetFileFilter();
    ASSERT_NE(name, nullptr);
    ASSERT_NE(typeName, nullptr);
    EXPECT_NE(name, typeName);
    EXPECT_EQ(Utf8(name), "М5 - Trimble 3300, М3");
    EXPECT_EQ(Platform::SysStringLen(name), 21u);
    EXPECT_EQ(name[0], u'\u041C');
    EXPECT_EQ(name[19], u'\u041C');
    Platform::SysFreeString(name);
    EXPECT_EQ(Utf8(typeName), "М5 - Trimble 3300, М3");
    EXPECT_EQ(Utf8(filter), "*.dat;*.txt");
    Platform::SysFreeString(typeName);
    Platform::SysFreeString(filter);
    EXPECT_EQ(plugin->GetKind(), 2);
    EXPECT_TRUE(plugin->Release());
}

TEST(PluginObject, IdentifierBytesInMemoryOrder)
{
    Plugin::IGroundBasedMIP* plugin = CreatePlugin();
    const Plugin::Guid id = Plugin::IdOf(*plugin);
    const unsigned char expected[16] = {0x92, 0x95, 0x10, 0xE2, 0xF7, 0x5E, 0xBD, 0x43,
                                        0x81, 0xD6, 0x08, 0xEA, 0x78, 0x1E, 0x0A, 0xB2};
    EXPECT_EQ(std::memcmp(&id, expected, 16), 0);
    plugin->Release();
}

TEST(PluginObject, SettingsAreLoadedAndSavedThroughTheHostStoreInKeyOrder)
{
    Plugin::IGroundBasedMIP* plugin = CreatePlugin();
    CFakeSettingsStore store;
    store.Values = {{"TakePointNameFromAddr", 2}, {"PointLen", 9}};
    plugin->LoadSettings(&store);
    plugin->SaveSettings(&store);
    const std::vector<std::string> expected = {
        "ReadInt TakePointNameFromAddr 0", "ReadInt PointStart 1", "ReadInt PointLen 14", "ReadInt CodeStart 15",
        "ReadInt CodeLen 13", "ReadInt Mode 0",
        // 2 is not 1: it loads as false and is saved as 0.
        "WriteInt TakePointNameFromAddr 0", "WriteInt PointStart 1", "WriteInt PointLen 9", "WriteInt CodeStart 15",
        "WriteInt CodeLen 13", "WriteInt Mode 0",
    };
    EXPECT_EQ(store.Log, expected);
    plugin->Release();
}

TEST(StringTable, HoldsTheTwentyThreeTextsAndNothingElse)
{
    EXPECT_EQ(Platform::WideToUtf8(Plugin::LoadMessageText(101)), "Не удается открыть файл");
    EXPECT_EQ(Platform::WideToUtf8(Plugin::LoadMessageText(111)),
              "Неверный  режим работы импорта. Смените его в настройках импорта.");
    EXPECT_EQ(Platform::WideToUtf8(Plugin::LoadMessageText(119)), "Имя цели  %s  совпадает с именем станции.");
    EXPECT_EQ(Platform::WideToUtf8(Plugin::LoadMessageText(123)), "Брать имя из поля Addr");
    for (int id = 101; id <= 123; ++id)
        EXPECT_FALSE(Plugin::LoadMessageText(id).empty()) << id;
    for (int id : {0, 100, 124, -1, 65536})
        EXPECT_TRUE(Plugin::LoadMessageText(id).empty()) << id;
}

TEST(HResultError, CodesFromTheLastSystemError)
{
    EXPECT_EQ(Plugin::HResultError::FromLastError(5).GetCode(), 0x80070005u);
    EXPECT_EQ(Plugin::HResultError::FromLastError(0x12345).GetCode(), 0x80072345u);
    EXPECT_EQ(Plugin::HResultError::FromLastError(0).GetCode(), 0u);
    EXPECT_EQ(Plugin::HResultError::FromLastError(-5).GetCode(), 0xFFFFFFFBu);
}

TEST(SystemStrings, AreLengthPrefixedAndFreedByEitherSide)
{
    char16_t* text = Platform::SysAllocString(u"abc");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(Platform::SysStringLen(text), 3u);
    std::uint32_t bytes = 0;
    std::memcpy(&bytes, reinterpret_cast<char*>(text) - 4, 4);
    EXPECT_EQ(bytes, 6u);
    EXPECT_EQ(text[3], u'\0');
    Platform::SysFreeString(text);
    Platform::SysFreeString(nullptr);
    EXPECT_EQ(Platform::SysAllocString(nullptr), nullptr);
}

}  // namespace
