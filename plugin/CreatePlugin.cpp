#include "plugin/CImportPluginImpl.h"

// The library's only export. No I/O here: the work starts in Import.
extern "C" M5_PLUGIN_EXPORT Plugin::IGroundBasedMIP* CreatePlugin()
{
    auto* plugin = new CImportPluginImpl();
    plugin->AddRef();
    return plugin;
}
