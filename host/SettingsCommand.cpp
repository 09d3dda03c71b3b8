// TEMPORARY: replaced by the settings editor work.
#include <cstdio>

#include "host/HostCommands.h"

namespace Host {

int RunSettingsCommand(CPluginLibrary&, const SettingsCommandOptions&, std::ostream&)
{
    std::fprintf(stderr, "m5import: the settings command is not available in this build\n");
    return 2;
}

}  // namespace Host
