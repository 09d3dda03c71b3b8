// A shared library that loads but is no plug-in: it exports no CreatePlugin.
#include "plugin/PluginInterfaces.h"

extern "C" M5_PLUGIN_EXPORT int ImportSomethingElse()
{
    return 0;
}
