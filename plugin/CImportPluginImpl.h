#pragma once
// The plug-in object: identifies the importer to the host, keeps the import settings, edits
// them through the host's property list, and imports the files the host names.
#include <string>
#include <vector>

#include "plugin/HostInterfaces.h"
#include "plugin/PropertyListInterfaces.h"
#include "plugin/RefCounted.h"
#include "settings/ImportSettings.h"

class CImportPluginImpl : public Plugin::CPluginImpl<Plugin::IGroundBasedMIP>,
                          public Plugin::IPropertyListViewController {
public:
    CImportPluginImpl() = default;

    // Plugin::IPlugin
    Plugin::IPlugin* GetInterface(std::int32_t kind) override;
    char16_t* GetName() override;
#if M5_GUID_THROUGH_POINTER
    Plugin::Guid* GetId(Plugin::Guid* result) override;
#else
    Plugin::Guid GetId() override;
#endif
    std::int32_t GetKind() override;
    void LoadSettings(Plugin::ISettingsReader* reader) override;
    void SaveSettings(Plugin::ISettingsWriter* writer) override;
    Plugin::IPropertyListViewController* GetPropertyListViewController() override;
    // Plugin::IFileImportPlugin
    char16_t* GetFileFilter() override;
    char16_t* GetFileTypeName() override;
    // Plugin::IGroundBasedMIP
    void Import(Plugin::IFileNameEnumerator* files, Plugin::IImportContext* context) override;

    // Plugin::IPropertyListViewController (the settings editor)
    void BuildPropertyList(Plugin::IPropertyListView* view) override;
    bool OnPropertyChanged(std::int32_t id) override;
    bool ValidateProperties() override;
    void ApplyProperties() override;
    void Dismiss() override;

    const Plugin::ImportSettings& Settings() const noexcept { return ImportSettingsRecord; }

private:
    // The editor's helpers (the property list's reading rules and the sample line).
    struct EditedLayout {
        bool TakeFromAddr;
        std::int32_t PointStart, PointLen, CodeStart, CodeLen;
    };
    void ApplyEnablingRule();
    void UpdateFormatSample();
    EditedLayout ReadEditedLayout();
    bool ReadNumber(std::int32_t id, std::int32_t& value);
    std::int32_t ReadCombo(std::int32_t id, std::int32_t preset);
    void AddTextProperty(std::int32_t id, int captionId, std::int32_t value);
    void AddChoiceProperty(std::int32_t id, const std::wstring& caption, const std::vector<std::wstring>& choices,
                           std::int32_t current);
    void ShowError(int messageId);

    Plugin::IPropertyListView* PropertyListView = nullptr;  // the host's; no reference held
    Plugin::ImportSettings ImportSettingsRecord;
};
