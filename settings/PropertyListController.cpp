// The settings editor: fills the host's property list with the import settings, keeps the
// name columns enabled only while the name is read from the information text, checks every
// typed number, shows a sample record marking the name and code columns, refuses a layout
// whose fields overlap or leave the information text, and copies the edited values back.
#include <memory>

#include <boost/lexical_cast.hpp>

#include "platform/SysString.h"
#include "plugin/CImportPluginImpl.h"
#include "plugin/SystemStrings.h"
#include "resources/StringTable.h"
#include "settings/CComboItem.h"
#include "settings/CEnumeratorImpl.h"

using namespace Plugin;

namespace {

// Property ids, in the order the properties are added.
enum PropertyId : std::int32_t {
    ModeProperty = 0,
    NameFromAddrProperty = 1,
    PointStartProperty = 2,
    PointLenProperty = 3,
    CodeStartProperty = 4,
    CodeLenProperty = 5,
};

// The choice numbers of the name-source property.
constexpr std::int32_t NameFromColumns = 0;
constexpr std::int32_t NameFromAddr = 1;

// The two import modes are named here, not in the string table.
constexpr const wchar_t* StandardHeadersCaption = L"Стандартные заголовки (KN STAT, UN STAT, EL STAT, POLAR)";
constexpr const wchar_t* SeparateMeasurementsCaption = L"Отдельные измерения";

// Every property is added with the flag set.
constexpr bool PropertyFlag = true;

struct SystemStringDeleter {
    void operator()(char16_t* text) const noexcept { Platform::SysFreeString(text); }
};
using SystemString = std::unique_ptr<char16_t, SystemStringDeleter>;

bool IsDecimalDigit(char16_t unit)
{
    return unit >= u'0' && unit <= u'9';
}

// A whole number as typed: an optional sign, then one or more decimal digits and nothing
// else, within the signed 32-bit range. Blanks anywhere make the text invalid.
bool ParseWholeNumber(const char16_t* text, std::size_t length, std::int32_t& value)
{
    const std::size_t digitsFrom = length > 0 && (text[0] == u'+' || text[0] == u'-') ? 1 : 0;
    if (digitsFrom == length)
        return false;
    for (std::size_t i = digitsFrom; i < length; ++i) {
        if (!IsDecimalDigit(text[i]))
            return false;
    }
    // Only sign and ASCII digits remain, so the narrow copy is exact.
    const std::string narrow(text, text + length);
    return boost::conversion::try_lexical_convert(narrow, value);
}

}  // namespace

void CImportPluginImpl::BuildPropertyList(IPropertyListView* view)
{
    PropertyListView = view;
    if (!PropertyListView)
        return;
    const ImportSettings& settings = ImportSettingsRecord;

    PropertyListView->AddGroup(CBoundaryText(LoadMessageText(IdFormatGroup)).c_str());
    AddChoiceProperty(ModeProperty, LoadMessageText(IdModeCaption),
                      {StandardHeadersCaption, SeparateMeasurementsCaption}, settings.Mode);

    PropertyListView->AddGroup(CBoundaryText(LoadMessageText(IdNameGroup)).c_str());
    AddChoiceProperty(NameFromAddrProperty, LoadMessageText(IdNameFromAddress),
                      {LoadMessageText(IdNo), LoadMessageText(IdYes)},
                      settings.TakePointNameFromAddr ? NameFromAddr : NameFromColumns);
    AddTextProperty(PointStartProperty, IdStartCaption, settings.PointStart);
    AddTextProperty(PointLenProperty, IdLengthCaption, settings.PointLen);
    ApplyEnablingRule();

    PropertyListView->AddGroup(CBoundaryText(LoadMessageText(IdCodeGroup)).c_str());
    AddTextProperty(CodeStartProperty, IdStartCaption, settings.CodeStart);
    AddTextProperty(CodeLenProperty, IdLengthCaption, settings.CodeLen);

    PropertyListView->CompleteList(true);
    UpdateFormatSample();
}

bool CImportPluginImpl::OnPropertyChanged(std::int32_t id)
{
    if (!PropertyListView)
        return true;
    if (id == NameFromAddrProperty) {
        ApplyEnablingRule();
        UpdateFormatSample();
        return true;
    }
    if (id < PointStartProperty || id > CodeLenProperty)
        return true;
    std::int32_t value = 0;
    if (!ReadNumber(id, value)) {
        // The sample keeps showing the last layout that could be read.
        ShowError(IdInvalidNumber);
        return false;
    }
    UpdateFormatSample();
    return true;
}

bool CImportPluginImpl::ValidateProperties()
{
    if (!PropertyListView)
        return false;
    const EditedLayout layout = ReadEditedLayout();
    if (ImportSettingsRecord.IsValidLayout(layout.TakeFromAddr, layout.PointStart, layout.PointLen,
                                           layout.CodeStart, layout.CodeLen))
        return true;
    ShowError(IdInvalidLayout);
    return false;
}

void CImportPluginImpl::ApplyProperties()
{
    if (!PropertyListView)
        return;
    // A number that cannot be read leaves its field as it was; the layout is neither checked
    // nor fitted here, ValidateProperties is the guard before this copy.
    std::int32_t* const fields[] = {&ImportSettingsRecord.PointStart, &ImportSettingsRecord.PointLen,
                                    &ImportSettingsRecord.CodeStart, &ImportSettingsRecord.CodeLen};
    for (std::int32_t id = PointStartProperty; id <= CodeLenProperty; ++id) {
        std::int32_t value = 0;
        if (ReadNumber(id, value))
            *fields[id - PointStartProperty] = value;
    }
    ImportSettingsRecord.Mode = ReadCombo(ModeProperty, -1);
    ImportSettingsRecord.TakePointNameFromAddr = ReadCombo(NameFromAddrProperty, -1) == NameFromAddr;
}

void CImportPluginImpl::Dismiss()
{
}

// The name's columns can be edited only while the name is not taken from the address block.
void CImportPluginImpl::ApplyEnablingRule()
{
    const bool byColumns = ReadCombo(NameFromAddrProperty, 0) == NameFromColumns;
    PropertyListView->EnableProperty(PointStartProperty, byColumns);
    PropertyListView->EnableProperty(PointLenProperty, byColumns);
}

void CImportPluginImpl::UpdateFormatSample()
{
    const EditedLayout layout = ReadEditedLayout();
    const std::wstring sample = ImportSettingsRecord.FormatSample(layout.TakeFromAddr, layout.PointStart,
                                                                  layout.PointLen, layout.CodeStart, layout.CodeLen);
    PropertyListView->SetHintText(CBoundaryText(sample).c_str());
}

// The layout as the user has it in the list; a number that cannot be read counts as -1,
// which no valid layout accepts as a start or length.
CImportPluginImpl::EditedLayout CImportPluginImpl::ReadEditedLayout()
{
    EditedLayout layout{ReadCombo(NameFromAddrProperty, -1) == NameFromAddr, -1, -1, -1, -1};
    std::int32_t* const numbers[] = {&layout.PointStart, &layout.PointLen, &layout.CodeStart, &layout.CodeLen};
    for (std::int32_t id = PointStartProperty; id <= CodeLenProperty; ++id) {
        if (!ReadNumber(id, *numbers[id - PointStartProperty]))
            *numbers[id - PointStartProperty] = -1;
    }
    return layout;
}

// The view hands back a new system string, which is freed here whatever it holds.
bool CImportPluginImpl::ReadNumber(std::int32_t id, std::int32_t& value)
{
    char16_t* raw = nullptr;
    PropertyListView->GetPropertyText(id, &raw);
    const SystemString text(raw);
    if (!text)
        return false;
    return ParseWholeNumber(text.get(), Platform::SysStringLen(text.get()), value);
}

// A view that does not answer leaves the preset in place.
std::int32_t CImportPluginImpl::ReadCombo(std::int32_t id, std::int32_t preset)
{
    std::int32_t value = preset;
    PropertyListView->GetComboValue(id, &value);
    return value;
}

void CImportPluginImpl::AddTextProperty(std::int32_t id, int captionId, std::int32_t value)
{
    PropertyListView->AddTextProperty(id, PropertyFlag, CBoundaryText(LoadMessageText(captionId)).c_str(),
                                      CBoundaryText(boost::lexical_cast<std::wstring>(value)).c_str());
}

// Choice i carries the number i. The items live for this call only: each starts with the
// list's reference, which is dropped after the view has seen them, so an item survives
// only by a reference the view took of its own.
void CImportPluginImpl::AddChoiceProperty(std::int32_t id, const std::wstring& caption,
                                          const std::vector<std::wstring>& choices, std::int32_t current)
{
    std::vector<IComboItem*> items;
    items.reserve(choices.size());
    struct ReleaseItems {
        std::vector<IComboItem*>& Items;
        ~ReleaseItems()
        {
            for (IComboItem* item : Items)
                item->Release();
        }
    } release{items};
    for (std::size_t i = 0; i < choices.size(); ++i) {
        IComboItem* item = new Detail::CComboItem(static_cast<std::int32_t>(i), choices[i]);
        item->AddRef();
        items.push_back(item);
    }
    CEnumeratorImpl<IComboItem*> enumerator(items);
    PropertyListView->AddComboProperty(id, PropertyFlag, CBoundaryText(caption).c_str(), &enumerator, current);
}

void CImportPluginImpl::ShowError(int messageId)
{
    PropertyListView->ShowMessageBox(CBoundaryText(LoadMessageText(messageId)).c_str(),
                                     CBoundaryText(LoadMessageText(IdErrorCaption)).c_str());
}
