#pragma once
// The host's property list as text: it keeps the groups and properties the plug-in adds,
// their values as the user edits them, which are enabled, the sample line (hint) and writes
// each message box to a stream as "caption: text". Choices are kept as the plug-in's own
// items, with one reference each, released when the view goes.
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "plugin/PropertyListInterfaces.h"

namespace Host {

class CSettingsView final : public Plugin::IPropertyListView {
public:
    struct Property {
        std::int32_t Id = 0;
        std::string Caption;
        bool IsChoice = false;
        std::string Text;                         // a text property's value
        std::int32_t Choice = 0;                  // a choice property's chosen number
        std::vector<Plugin::IComboItem*> Items;   // a choice property's items, one reference each
        bool Enabled = true;
    };
    struct Group {
        std::string Caption;
        std::vector<Property> Properties;
    };

    explicit CSettingsView(std::ostream& messages) : Messages(messages) {}
    ~CSettingsView();
    CSettingsView(const CSettingsView&) = delete;
    CSettingsView& operator=(const CSettingsView&) = delete;

    // Plugin::IPropertyListView
    void AddGroup(const char16_t* caption) override;
    void AddTextProperty(std::int32_t id, bool flag, const char16_t* caption, const char16_t* value) override;
    bool AddComboProperty(std::int32_t id, bool flag, const char16_t* caption,
                          Plugin::IEnumerator<Plugin::IComboItem*>* items, std::int32_t value) override;
    void EnableProperty(std::int32_t id, bool enabled) override;
    void GetPropertyText(std::int32_t id, char16_t** text) override;
    void Unused6() override {}
    void GetComboValue(std::int32_t id, std::int32_t* value) override;
    void Unused8() override {}
    void ShowMessageBox(const char16_t* text, const char16_t* caption) override;
    void CompleteList(bool complete) override;
    void SetHintText(const char16_t* text) override;

    // The user's edits. SetText replaces a text property's value; SelectChoice picks the
    // item with that number and is false when the property has no such choice.
    bool SetText(std::int32_t id, const std::string& text);
    bool SelectChoice(std::int32_t id, std::int32_t value);

    const Property* Find(std::int32_t id) const;
    const std::vector<Group>& Groups() const noexcept { return GroupList; }
    const std::string& Hint() const noexcept { return HintText; }
    bool IsComplete() const noexcept { return Complete; }
    int MessageCount() const noexcept { return MessagesShown; }

    // The caption of a choice item, asked of the item itself.
    static std::string ItemCaption(Plugin::IComboItem& item);

private:
    Property* FindProperty(std::int32_t id);
    Property& AddProperty(std::int32_t id, const char16_t* caption);

    std::ostream& Messages;
    std::vector<Group> GroupList;
    std::string HintText;
    bool Complete = false;
    int MessagesShown = 0;
};

}  // namespace Host
