#include "plugin/CImportPluginImpl.h"

#include "import/ImportDriver.h"
#include "plugin/SystemStrings.h"

namespace {

// The two letters M are Cyrillic EM (U+041C).
constexpr const wchar_t* DisplayName = L"\u041C5 - Trimble 3300, \u041C3";
constexpr const wchar_t* FileFilter = L"*.dat;*.txt";

}  // namespace

Plugin::IPlugin* CImportPluginImpl::GetInterface(std::int32_t kind)
{
    if (kind < 0 || kind > 2)
        return nullptr;
    AddRef();
    return this;
}

char16_t* CImportPluginImpl::GetName()
{
    return Plugin::AllocSystemString(DisplayName);
}

// {E2109592-5EF7-43BD-81D6-08EA781E0AB2}
constexpr Plugin::Guid PluginId = {0xE2109592, 0x5EF7, 0x43BD, {0x81, 0xD6, 0x08, 0xEA, 0x78, 0x1E, 0x0A, 0xB2}};

#if M5_GUID_THROUGH_POINTER
Plugin::Guid* CImportPluginImpl::GetId(Plugin::Guid* result)
{
    *result = PluginId;
    return result;
}
#else
Plugin::Guid CImportPluginImpl::GetId()
{
    return PluginId;
}
#endif

std::int32_t CImportPluginImpl::GetKind()
{
    return 2;
}

// A host that passes no store, list or context gets nothing done rather than a crash.
void CImportPluginImpl::LoadSettings(Plugin::ISettingsReader* reader)
{
    if (reader)
        ImportSettingsRecord.Load(*reader);
}

void CImportPluginImpl::SaveSettings(Plugin::ISettingsWriter* writer)
{
    if (writer)
        ImportSettingsRecord.Save(*writer);
}

Plugin::IPropertyListViewController* CImportPluginImpl::GetPropertyListViewController()
{
    return this;
}

char16_t* CImportPluginImpl::GetFileFilter()
{
    return Plugin::AllocSystemString(FileFilter);
}

char16_t* CImportPluginImpl::GetFileTypeName()
{
    return Plugin::AllocSystemString(DisplayName);
}

void CImportPluginImpl::Import(Plugin::IFileNameEnumerator* files, Plugin::IImportContext* context)
{
    if (files && context)
        Plugin::ImportFiles(*files, *context, ImportSettingsRecord);
}
