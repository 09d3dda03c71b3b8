#include "plugin/CImportPluginImpl.h"

// The library's only export. No I/O here: the work starts in Import.
extern "C" __attribute__((visibility("default"))) Plugin::IGroundBasedMIP* CreatePlugin()
{
    auto* plugin = new CImportPluginImpl();
    plugin->AddRef();
    return plugin;
}
