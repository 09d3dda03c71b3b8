// The settings editor under a host that restores a refused edit, as a property list does:
// validation then judges exactly the layout that applying would store, so a layout the rule
// refuses never reaches the store, even when one of its numbers came from a damaged store.
#include <map>

#include <gtest/gtest.h>

#include "platform/SysString.h"
#include "plugin/PropertyListInterfaces.h"
#include "tests/support/RecordingHost.h"

using namespace Testing;

namespace {

// A property list holding what the user sees; a refused edit is put back as it was.
class CRestoringList final : public Plugin::IPropertyListView {
public:
    std::map<std::int32_t, std::u16string> Texts;
    std::map<std::int32_t, std::int32_t> Choices;
    int MessageBoxes = 0;

    void AddGroup(const char16_t*) override {}
    void AddTextProperty(std::int32_t id, bool, const char16_t*, const char16_t* value) override { Texts[id] = value; }
    bool AddComboProperty(std::int32_t id, bool, const char16_t*, Plugin::IEnumerator<Plugin::IComboItem*>*,
                          std::int32_t value) override
    {
        Choices[id] = value;
        return true;
    }
    void EnableProperty(std::int32_t, bool) override {}
    void GetPropertyText(std::int32_t id, char16_t** text) override
    {
        *text = Platform::SysAllocString(Texts[id].c_str());
    }
    void Unused6() override {}
    void GetComboValue(std::int32_t id, std::int32_t* value) override { *value = Choices[id]; }
    void Unused8() override {}
    void ShowMessageBox(const char16_t*, const char16_t*) override { ++MessageBoxes; }
    void CompleteList(bool) override {}
    void SetHintText(const char16_t*) override {}

    // The user types a text; the list keeps it only when the controller accepts it.
    bool Type(Plugin::IPropertyListViewController& controller, std::int32_t id, const std::u16string& text)
    {
        const std::u16string before = Texts[id];
        Texts[id] = text;
        if (controller.OnPropertyChanged(id))
            return true;
        Texts[id] = before;
        return false;
    }
};

struct EditCase {
    const char* What;
    std::map<std::string, std::int32_t> Stored;
    std::u16string CodeStart;  // typed, when not empty
    std::u16string CodeLen;    // typed: refused, so restored
};

// Found by the settings fuzzer: with the name from the address block, a refused code length
// read as -1 passes the rule (a negative length runs to the end), while applying keeps the
// length the list restored. Validation must see the restored length.
TEST(SettingsEditor, LayoutWithARestoredLengthIsValidatedAsApplyingWouldStoreIt)
{
    const EditCase cases[] = {
        {"length out of range in the store", {{"CodeLen", 2147483646}}, u"", u"\x05"},
        {"start moved past the stored length", {}, u"20", u"x"},
    };
    for (const EditCase& c : cases) {
        CFakeSettingsStore store;
        store.Values = c.Stored;
        Plugin::IGroundBasedMIP* plugin = CreatePlugin();
        plugin->LoadSettings(&store);
        Plugin::IPropertyListViewController& controller = *plugin->GetPropertyListViewController();
        CRestoringList list;
        controller.BuildPropertyList(&list);
        list.Choices[1] = 1;  // "Да": the name from the address block
        EXPECT_TRUE(controller.OnPropertyChanged(1)) << c.What;
        if (!c.CodeStart.empty()) {
            EXPECT_TRUE(list.Type(controller, 4, c.CodeStart)) << c.What;
        }
        EXPECT_FALSE(list.Type(controller, 5, c.CodeLen)) << c.What;
        const int boxes = list.MessageBoxes;
        EXPECT_FALSE(controller.ValidateProperties()) << c.What;
        EXPECT_EQ(list.MessageBoxes, boxes + 1) << c.What;
        // OK was refused: the host neither applies nor saves, and the record is as loaded.
        CFakeSettingsStore saved;
        plugin->SaveSettings(&saved);
        EXPECT_EQ(saved.Values["TakePointNameFromAddr"], 0) << c.What;
        EXPECT_EQ(saved.Values["CodeLen"], c.Stored.count("CodeLen") ? c.Stored.at("CodeLen") : 13) << c.What;
        EXPECT_TRUE(plugin->Release());
    }
}

}  // namespace
