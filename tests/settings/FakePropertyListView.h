#pragma once
// A fake of the host's property list for the settings editor's tests: every call becomes a
// transcript line, the values it hands back are the ones a test puts in, and it keeps the
// combo items with or without a reference of its own as the test asks.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/SysString.h"
#include "plugin/PropertyListInterfaces.h"
#include "tests/support/RecordingHost.h"

namespace Testing {

class CFakePropertyListView final : public Plugin::IPropertyListView {
public:
    // Whether the view takes its own reference to the combo items it is shown.
    bool KeepItems = true;
    // False: GetComboValue leaves the out value as the controller preset it.
    bool AnswerCombo = true;
    // False: GetPropertyText leaves the out string as the controller preset it.
    bool AnswerText = true;

    std::vector<std::string> Calls;
    std::map<std::int32_t, std::string> Texts;    // text properties, as the user has them
    std::map<std::int32_t, std::int32_t> Choices; // chosen numbers of choice properties
    std::map<std::int32_t, bool> Enabled;
    std::string Hint;
    std::vector<std::string> MessageBoxes;        // "text | caption"
    std::map<std::int32_t, std::vector<Plugin::IComboItem*>> KeptItems;  // with a reference
    std::vector<Plugin::IComboItem*> SeenItems;   // every item shown, kept or not
    std::vector<char16_t*> HandedOutStrings;      // system strings GetPropertyText returned
    // Told of every item as it is shown and of every string as it is handed out.
    std::function<void(Plugin::IComboItem*)> OnItemShown;
    std::function<void(char16_t*)> OnStringHandedOut;

    CFakePropertyListView() = default;
    CFakePropertyListView(const CFakePropertyListView&) = delete;
    CFakePropertyListView& operator=(const CFakePropertyListView&) = delete;
    ~CFakePropertyListView() { ReleaseItems(); }

    void ReleaseItems()
    {
        for (auto& [id, items] : KeptItems) {
            for (Plugin::IComboItem* item : items)
                item->Release();
        }
        KeptItems.clear();
    }

    // Calls made since the given count (to look at one operation of the controller).
    std::vector<std::string> CallsSince(std::size_t count) const
    {
        return std::vector<std::string>(Calls.begin() + static_cast<std::ptrdiff_t>(count), Calls.end());
    }

    void AddGroup(const char16_t* caption) override { Calls.push_back("AddGroup " + Utf8(caption)); }

    void AddTextProperty(std::int32_t id, bool flag, const char16_t* caption, const char16_t* value) override
    {
        Texts[id] = Utf8(value);
        Calls.push_back("AddTextProperty " + std::to_string(id) + Flag(flag) + Utf8(caption) + " = " + Utf8(value));
    }

    bool AddComboProperty(std::int32_t id, bool flag, const char16_t* caption,
                          Plugin::IEnumerator<Plugin::IComboItem*>* items, std::int32_t value) override
    {
        std::string choices;
        for (; items->IsValid(); items->MoveNext()) {
            Plugin::IComboItem* item = items->Current();
            SeenItems.push_back(item);
            if (OnItemShown)
                OnItemShown(item);
            char16_t* text = item->GetText();
            choices += (choices.empty() ? "" : ", ") + std::to_string(item->GetValue()) + " " + Utf8(text);
            Platform::SysFreeString(text);
            if (KeepItems) {
                item->AddRef();
                KeptItems[id].push_back(item);
            }
        }
        Choices[id] = value;
        Calls.push_back("AddComboProperty " + std::to_string(id) + Flag(flag) + Utf8(caption) + " [" + choices +
                        "] = " + std::to_string(value));
        return true;
    }

    void EnableProperty(std::int32_t id, bool enabled) override
    {
        Enabled[id] = enabled;
        Calls.push_back("EnableProperty " + std::to_string(id) + (enabled ? " 1" : " 0"));
    }

    void GetPropertyText(std::int32_t id, char16_t** text) override
    {
        Calls.push_back("GetPropertyText " + std::to_string(id));
        if (!AnswerText)
            return;
        *text = Platform::SysAllocString(Utf16(Texts[id]).c_str());
        HandedOutStrings.push_back(*text);
        if (OnStringHandedOut)
            OnStringHandedOut(*text);
    }

    void Unused6() override { Calls.push_back("Unused6"); }

    void GetComboValue(std::int32_t id, std::int32_t* value) override
    {
        Calls.push_back("GetComboValue " + std::to_string(id));
        if (AnswerCombo)
            *value = Choices[id];
    }

    void Unused8() override { Calls.push_back("Unused8"); }

    void ShowMessageBox(const char16_t* text, const char16_t* caption) override
    {
        MessageBoxes.push_back(Utf8(text) + " | " + Utf8(caption));
        Calls.push_back("ShowMessageBox " + MessageBoxes.back());
    }

    void CompleteList(bool complete) override { Calls.push_back(std::string("CompleteList") + (complete ? " 1" : " 0")); }

    void SetHintText(const char16_t* text) override
    {
        Hint = Utf8(text);
        Calls.push_back("SetHintText " + Hint);
    }

private:
    static std::string Flag(bool flag) { return flag ? " 1 " : " 0 "; }
};

}  // namespace Testing
