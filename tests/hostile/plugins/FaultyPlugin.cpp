// Stand-in plug-ins for the host's fault handling, one fault per build: CreatePlugin returns
// no object (M5_FAULT_NullObject), an importer of another format (M5_FAULT_ForeignPlugin),
// or the M5 importer's identity with an Import that sends a station and then throws
// (M5_FAULT_ThrowingImport).
#include <stdexcept>

#include "platform/SysString.h"
#include "plugin/HostInterfaces.h"
#include "plugin/PluginInterfaces.h"

namespace {

class CFaultyPlugin final : public Plugin::IGroundBasedMIP {
public:
    void AddRef() override { ++Count; }
    bool Release() override
    {
        if (--Count != 0)
            return false;
        delete this;
        return true;
    }
    Plugin::IPlugin* GetInterface(std::int32_t) override { return nullptr; }
    char16_t* GetName() override { return Platform::SysAllocString(u"Faulty"); }
#if M5_GUID_THROUGH_POINTER
    Plugin::Guid* GetId(Plugin::Guid* result) override
    {
        *result = Id();
        return result;
    }
#else
    Plugin::Guid GetId() override { return Id(); }
#endif
    std::int32_t GetKind() override { return 2; }
    void LoadSettings(Plugin::ISettingsReader*) override {}
    void SaveSettings(Plugin::ISettingsWriter*) override {}
    Plugin::IPropertyListViewController* GetPropertyListViewController() override { return nullptr; }
    char16_t* GetFileFilter() override { return Platform::SysAllocString(u"*.dat"); }
    char16_t* GetFileTypeName() override { return GetName(); }
    void Import(Plugin::IFileNameEnumerator* files, Plugin::IImportContext* context) override
    {
        files->Reset();
        context->SetFileName(files->Current());
        Plugin::IConverterFactory* factory = context->GetConverterFactory();
        context->AddStation(u"S1");
        context->SetX(1.5);
        if (factory)
            factory->Release();
        throw std::runtime_error("the instrument file broke the importer");
    }

private:
    static Plugin::Guid Id()
    {
#ifdef M5_FAULT_ForeignPlugin
        return Plugin::Guid{0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};
#else
        return Plugin::Guid{0xE2109592, 0x5EF7, 0x43BD, {0x81, 0xD6, 0x08, 0xEA, 0x78, 0x1E, 0x0A, 0xB2}};
#endif
    }

    int Count = 0;
};

}  // namespace

extern "C" M5_PLUGIN_EXPORT Plugin::IGroundBasedMIP* CreatePlugin()
{
#ifdef M5_FAULT_NullObject
    return nullptr;
#else
    auto* plugin = new CFaultyPlugin();
    plugin->AddRef();
    return plugin;
#endif
}
