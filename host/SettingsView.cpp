#include "host/SettingsView.h"

#include "platform/SysString.h"
#include "platform/Utf16.h"

namespace Host {

namespace {

std::string Utf8(const char16_t* text)
{
    return Platform::Utf16ToUtf8(text);
}

}  // namespace

CSettingsView::~CSettingsView()
{
    for (Group& group : GroupList) {
        for (Property& property : group.Properties) {
            for (Plugin::IComboItem* item : property.Items)
                item->Release();
        }
    }
}

std::string CSettingsView::ItemCaption(Plugin::IComboItem& item)
{
    char16_t* text = item.GetText();
    const std::string caption = Platform::Utf16ToUtf8(std::u16string_view(text ? text : u"", Platform::SysStringLen(text)));
    Platform::SysFreeString(text);
    return caption;
}

void CSettingsView::AddGroup(const char16_t* caption)
{
    GroupList.push_back(Group{Utf8(caption), {}});
}

CSettingsView::Property& CSettingsView::AddProperty(std::int32_t id, const char16_t* caption)
{
    // A property added before any group still gets a place in the list.
    if (GroupList.empty())
        GroupList.emplace_back();
    Property property;
    property.Id = id;
    property.Caption = Utf8(caption);
    GroupList.back().Properties.push_back(std::move(property));
    return GroupList.back().Properties.back();
}

void CSettingsView::AddTextProperty(std::int32_t id, bool, const char16_t* caption, const char16_t* value)
{
    AddProperty(id, caption).Text = Utf8(value);
}

bool CSettingsView::AddComboProperty(std::int32_t id, bool, const char16_t* caption,
                                     Plugin::IEnumerator<Plugin::IComboItem*>* items, std::int32_t value)
{
    Property& property = AddProperty(id, caption);
    property.IsChoice = true;
    property.Choice = value;
    if (!items)
        return true;
    for (items->Reset(); items->IsValid(); items->MoveNext()) {
        Plugin::IComboItem* item = items->Current();
        if (!item)
            continue;
        // The plug-in drops its own references when this call returns.
        item->AddRef();
        property.Items.push_back(item);
    }
    return true;
}

void CSettingsView::EnableProperty(std::int32_t id, bool enabled)
{
    if (Property* property = FindProperty(id))
        property->Enabled = enabled;
}

void CSettingsView::GetPropertyText(std::int32_t id, char16_t** text)
{
    const Property* property = FindProperty(id);
    if (!text || !property)
        return;
    *text = Platform::SysAllocString(Platform::Utf8ToUtf16(property->Text).c_str());
}

void CSettingsView::GetComboValue(std::int32_t id, std::int32_t* value)
{
    const Property* property = FindProperty(id);
    if (value && property && property->IsChoice)
        *value = property->Choice;
}

void CSettingsView::ShowMessageBox(const char16_t* text, const char16_t* caption)
{
    ++MessagesShown;
    Messages << Utf8(caption) << ": " << Utf8(text) << std::endl;
}

void CSettingsView::CompleteList(bool complete)
{
    Complete = complete;
}

void CSettingsView::SetHintText(const char16_t* text)
{
    HintText = Utf8(text);
}

bool CSettingsView::SetText(std::int32_t id, const std::string& text)
{
    Property* property = FindProperty(id);
    if (!property || property->IsChoice)
        return false;
    property->Text = text;
    return true;
}

bool CSettingsView::SelectChoice(std::int32_t id, std::int32_t value)
{
    Property* property = FindProperty(id);
    if (!property || !property->IsChoice)
        return false;
    for (Plugin::IComboItem* item : property->Items) {
        if (item->GetValue() == value) {
            property->Choice = value;
            return true;
        }
    }
    return false;
}

const CSettingsView::Property* CSettingsView::Find(std::int32_t id) const
{
    return const_cast<CSettingsView*>(this)->FindProperty(id);
}

CSettingsView::Property* CSettingsView::FindProperty(std::int32_t id)
{
    for (Group& group : GroupList) {
        for (Property& property : group.Properties) {
            if (property.Id == id)
                return &property;
        }
    }
    return nullptr;
}

}  // namespace Host
