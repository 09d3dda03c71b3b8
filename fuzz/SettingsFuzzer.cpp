// Drives the settings editor with arbitrary property texts and arbitrary orders of the
// controller's five operations, through a property-list view that checks what a host relies
// on: every system string the view hands out is freed by the controller before the call
// returns, combo items live as long as the view holds a reference, and a host that follows
// the dialog's path (a refused edit is restored; OK validates, and only when that passes
// applies and saves) never stores a layout that the settings' own rule refuses.
//
// Input: three bytes of stored settings (six keys, four bits each: an index into
// StoredValues, 0 for no stored value), then commands of one byte each, some with operands;
// see RunCommand.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "platform/SysString.h"
#include "platform/Utf16.h"
#include "plugin/HostInterfaces.h"
#include "plugin/PluginInterfaces.h"
#include "plugin/PropertyListInterfaces.h"
#include "settings/ImportSettings.h"

using Fuzz::Fail;
using Fuzz::Require;

namespace {

// System strings the view has handed out and the controller has not yet freed.
std::set<const char16_t*>& OutstandingStrings()
{
    static std::set<const char16_t*> strings;
    return strings;
}

}  // namespace

// Every SysFreeString of the program passes here (the fuzz target is linked with
// --wrap for it), so the view learns which of its strings came back.
extern "C" void __real__ZN8Platform13SysFreeStringEPDs(char16_t* text);
extern "C" void __wrap__ZN8Platform13SysFreeStringEPDs(char16_t* text)
{
    OutstandingStrings().erase(text);
    __real__ZN8Platform13SysFreeStringEPDs(text);
}

namespace {

constexpr std::int32_t Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t StoredValues[16] = {0, 0, 1, -1, 2, 5, 13, 14, 15, 27, 28, 100, Min, Max, Min + 1, Max - 1};
const char16_t* const Keys[6] = {u"TakePointNameFromAddr", u"PointStart", u"PointLen",
                                 u"CodeStart", u"CodeLen", u"Mode"};

// The input, read front to back; past its end every read gives 0.
class CInput {
public:
    CInput(const std::uint8_t* data, std::size_t size) : Data(data), Size(size) {}
    bool AtEnd() const { return Position >= Size; }
    std::uint8_t Byte() { return Position < Size ? Data[Position++] : 0; }
private:
    const std::uint8_t* Data;
    std::size_t Size;
    std::size_t Position = 0;
};

class CStore final : public Plugin::ISettingsReader, public Plugin::ISettingsWriter {
public:
    std::map<std::u16string, std::int32_t> Values;
    void Unused1() override { Fail("position 1 of the settings store called"); }
    std::int32_t ReadInt(const char16_t* key, std::int32_t defaultValue) override
    {
        const auto found = Values.find(key ? key : u"");
        return found == Values.end() ? defaultValue : found->second;
    }
    void WriteInt(const char16_t* key, std::int32_t value) override
    {
        Require(key != nullptr, "WriteInt without a key");
        Values[key] = value;
    }
    std::int32_t At(const char16_t* key) const
    {
        const auto found = Values.find(key);
        if (found == Values.end())
            Fail("SaveSettings left a key out");
        return found->second;
    }
};

std::u16string_view Text(const char16_t* text, const char* what)
{
    if (!text)
        Fail(std::string(what) + " with a null text");
    return std::u16string_view(text, Platform::Utf16Length(text));
}

// The host's property list as a user edits it.
class CView final : public Plugin::IPropertyListView {
public:
    std::map<std::int32_t, std::u16string> Texts;
    std::map<std::int32_t, std::int32_t> Choices;
    bool AnswerText = true;   // false: GetPropertyText leaves the preset
    bool AnswerCombo = true;  // false: GetComboValue leaves the preset
    bool KeepItems = false;   // the view takes references to the items it is shown
    bool Current = false;     // the view the controller was last given
    int MessageBoxes = 0;

    ~CView() { ReleaseItems(); }

    void ReleaseItems()
    {
        for (Plugin::IComboItem* item : Kept)
            item->Release();
        Kept.clear();
    }

    // An item kept from an earlier list must still answer.
    void TouchKeptItems()
    {
        for (Plugin::IComboItem* item : Kept) {
            char16_t* text = item->GetText();
            Require(text != nullptr && item->GetValue() >= 0, "a kept combo item no longer answers");
            Platform::SysFreeString(text);
        }
    }

    void AddGroup(const char16_t* caption) override
    {
        Called();
        Require(!Text(caption, "AddGroup").empty(), "a group without a caption");
    }
    void AddTextProperty(std::int32_t id, bool flag, const char16_t* caption, const char16_t* value) override
    {
        Called();
        Require(id >= 2 && id <= 5 && flag, "a text property other than 2 to 5, or without its flag");
        Text(caption, "AddTextProperty");
        Texts[id] = std::u16string(Text(value, "AddTextProperty"));
    }
    bool AddComboProperty(std::int32_t id, bool flag, const char16_t* caption,
                          Plugin::IEnumerator<Plugin::IComboItem*>* items, std::int32_t value) override;
    void EnableProperty(std::int32_t id, bool) override
    {
        Called();
        Require(id == 2 || id == 3, "EnableProperty for a property other than the name columns");
    }
    void GetPropertyText(std::int32_t id, char16_t** text) override
    {
        Called();
        Require(text != nullptr, "GetPropertyText without a place for the text");
        if (!AnswerText)
            return;
        const auto found = Texts.find(id);
        const std::u16string& typed = found == Texts.end() ? Empty : found->second;
        char16_t* handedOut = Platform::SysAllocStringLen(typed.data(), static_cast<std::uint32_t>(typed.size()));
        Require(handedOut != nullptr, "cannot allocate a system string");
        OutstandingStrings().insert(handedOut);
        *text = handedOut;
    }
    void GetComboValue(std::int32_t id, std::int32_t* value) override
    {
        Called();
        Require(value != nullptr, "GetComboValue without a place for the value");
        const auto found = Choices.find(id);
        if (AnswerCombo && found != Choices.end())
            *value = found->second;
    }
    void ShowMessageBox(const char16_t* text, const char16_t* caption) override
    {
        Called();
        Require(!Text(text, "ShowMessageBox").empty() && !Text(caption, "ShowMessageBox").empty(),
                "a message box without text or caption");
        ++MessageBoxes;
    }
    void CompleteList(bool complete) override
    {
        Called();
        Require(complete, "CompleteList(false)");
    }
    void SetHintText(const char16_t* text) override
    {
        Called();
        Require(Text(text, "SetHintText").substr(0, 8) == u"Формат:\n", "a sample that does not start with its head");
    }
    void Unused6() override { Fail("position 6 of the property list view called"); }
    void Unused8() override { Fail("position 8 of the property list view called"); }

private:
    void Called() const { Require(Current, "a view called after the controller was given another"); }

    std::vector<Plugin::IComboItem*> Kept;
    const std::u16string Empty;
};

// The choices come in order, numbered from 0, each with a caption; past the end there is
// no item, and a second walk after Reset sees the same first item.
bool CView::AddComboProperty(std::int32_t id, bool flag, const char16_t* caption,
                             Plugin::IEnumerator<Plugin::IComboItem*>* items, std::int32_t value)
{
    Called();
    Require((id == 0 || id == 1) && flag && items != nullptr, "a combo property other than 0 or 1");
    Text(caption, "AddComboProperty");
    std::int32_t expected = 0;
    Plugin::IComboItem* first = nullptr;
    for (; items->IsValid(); items->MoveNext(), ++expected) {
        Plugin::IComboItem* item = items->Current();
        Require(item != nullptr && item->GetValue() == expected, "combo items out of order");
        first = first ? first : item;
        char16_t* text = item->GetText();
        Require(text != nullptr && Platform::SysStringLen(text) > 0, "a combo item without a caption");
        Platform::SysFreeString(text);
        if (KeepItems) {
            item->AddRef();
            Kept.push_back(item);
        }
    }
    Require(expected == 2, "a choice property without exactly two choices");
    Require(items->Current() == nullptr, "an item past the end of the choices");
    items->Reset();
    Require(items->IsValid() && items->Current() == first, "Reset does not go back to the first choice");
    Choices[id] = value;
    return true;
}

std::u16string TypedText(CInput& input)
{
    std::u16string text;
    for (int length = input.Byte() % 16; length > 0; --length) {
        const std::uint8_t byte = input.Byte();
        // ASCII as it is, the rest as Cyrillic letters and full-width digits.
        text += static_cast<char16_t>(byte < 0x80 ? byte : byte < 0xF0 ? 0x0390 + byte : 0xFF10 + (byte - 0xF0));
    }
    return text;
}

struct Editor {
    Plugin::IGroundBasedMIP* Plugin;
    Plugin::IPropertyListViewController* Controller;
    CView Views[2];
    int CurrentView = 0;
    bool Built = false;  // BuildPropertyList has given the controller a view
    // The list keeps a number the controller refused instead of restoring the previous one.
    // Validation reads such a number as -1 and applying keeps the old field, so the layout
    // that is stored is not the one validated: the store check is off for such a host.
    bool KeepsRefusedEdits = false;
    CStore Store;
};

// A controller call must hand back, before it returns, every string the view gave it.
void CheckStringsFreed(const char* operation)
{
    if (!OutstandingStrings().empty())
        Fail(std::string(operation) + " kept a system string of the view without freeing it");
}

void Build(Editor& editor, int viewIndex)
{
    editor.Views[editor.CurrentView].Current = false;
    editor.CurrentView = viewIndex;
    CView& view = editor.Views[viewIndex];
    view.Current = true;
    view.Texts.clear();
    view.Choices.clear();
    editor.Controller->BuildPropertyList(&view);
    editor.Built = true;
    CheckStringsFreed("BuildPropertyList");
}

// The dialog's OK button as a host follows it: store only what validation let through.
void PressOk(Editor& editor)
{
    CView& view = editor.Views[editor.CurrentView];
    const int boxes = view.MessageBoxes;
    const bool valid = editor.Controller->ValidateProperties();
    CheckStringsFreed("ValidateProperties");
    // Without a view (a host that skipped BuildPropertyList) there is nowhere to show one.
    Require(valid || !editor.Built || view.MessageBoxes == boxes + 1, "a refused layout without its message box");
    if (!valid)
        return;
    editor.Controller->ApplyProperties();
    CheckStringsFreed("ApplyProperties");
    editor.Plugin->SaveSettings(&editor.Store);
    if (editor.KeepsRefusedEdits)
        return;
    const Plugin::ImportSettings rules;
    const CStore& stored = editor.Store;
    if (!rules.IsValidLayout(stored.At(u"TakePointNameFromAddr") == 1, stored.At(u"PointStart"),
                             stored.At(u"PointLen"), stored.At(u"CodeStart"), stored.At(u"CodeLen")))
        Fail("a validated and applied layout was stored that the layout rule refuses");
}

// The list tells the controller of an edit; false when the controller refused it.
bool Notify(Editor& editor, std::int32_t id)
{
    const CView& view = editor.Views[editor.CurrentView];
    const int boxes = view.MessageBoxes;
    const bool accepted = editor.Controller->OnPropertyChanged(id);
    CheckStringsFreed("OnPropertyChanged");
    Require(accepted || !editor.Built || view.MessageBoxes == boxes + 1, "a refused number without its message box");
    return accepted;
}

// Commands, by their byte modulo 10: 0 the list built again, 1 a notification for any id,
// 2 validate, 3 apply, 4 dismiss, 5 the user types into a property (operands: id, length,
// characters), 6 the user picks a choice (id, value), 7 the view's manners (flags), 8 the
// OK button, 9 the settings shown in a new list.
void RunCommand(Editor& editor, CInput& input)
{
    CView& view = editor.Views[editor.CurrentView];
    switch (input.Byte() % 10) {
    case 0:
        Build(editor, editor.CurrentView);
        break;
    case 1:
        // A notification the list sends without an edit, for any id.
        Notify(editor, static_cast<std::int8_t>(input.Byte()));
        break;
    case 2:
        editor.Controller->ValidateProperties();
        CheckStringsFreed("ValidateProperties");
        break;
    case 3:
        editor.Controller->ApplyProperties();
        CheckStringsFreed("ApplyProperties");
        break;
    case 4:
        editor.Controller->Dismiss();
        CheckStringsFreed("Dismiss");
        break;
    case 5: {
        const std::int32_t id = input.Byte() % 8;
        const std::u16string before = view.Texts[id];
        view.Texts[id] = TypedText(input);
        if (!Notify(editor, id) && !editor.KeepsRefusedEdits)
            view.Texts[id] = before;
        break;
    }
    case 6: {
        const std::int32_t id = input.Byte() % 8;
        view.Choices[id] = static_cast<std::int8_t>(input.Byte());
        Notify(editor, id);
        break;
    }
    case 7: {
        const std::uint8_t flags = input.Byte();
        view.AnswerText = (flags & 1) == 0;
        view.AnswerCombo = (flags & 2) == 0;
        view.KeepItems = (flags & 4) != 0;
        editor.KeepsRefusedEdits = editor.KeepsRefusedEdits || (flags & 8) != 0;
        view.TouchKeptItems();
        break;
    }
    case 8:
        PressOk(editor);
        break;
    case 9:
        // The host shows the settings in a new list; the old one stays until it is closed.
        Build(editor, 1 - editor.CurrentView);
        break;
    }
}

void LoadStoredSettings(Editor& editor, CInput& input)
{
    std::uint32_t bits = 0;
    for (int i = 0; i < 3; ++i)
        bits = (bits << 8) | input.Byte();
    for (int key = 0; key < 6; ++key) {
        const unsigned choice = (bits >> (4 * key)) & 0xF;
        if (choice != 0)
            editor.Store.Values[Keys[key]] = StoredValues[choice];
    }
    editor.Plugin->LoadSettings(&editor.Store);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CInput input(data, size);
    Editor editor{CreatePlugin(), nullptr, {}, 0, false, false, {}};
    Require(editor.Plugin != nullptr, "CreatePlugin returned no object");
    editor.Controller = editor.Plugin->GetPropertyListViewController();
    Require(editor.Controller != nullptr, "no settings editor");
    LoadStoredSettings(editor, input);
    editor.Views[0].Current = true;
    for (int commands = 0; !input.AtEnd() && commands < 256; ++commands)
        RunCommand(editor, input);
    for (CView& view : editor.Views)
        view.TouchKeptItems();
    Require(editor.Plugin->Release(), "the plug-in object outlived its only reference");
    OutstandingStrings().clear();
    return 0;
}
