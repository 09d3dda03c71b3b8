#pragma once
// How the files of an import are read: all of them with the given settings (the store with
// each --set over it), checked first as the settings editor checks them, in one Import call.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "host/HostCommands.h"
#include "host/SettingsRules.h"

namespace Plugin {
class IGroundBasedMIP;
class IImportContext;
}

namespace Host {

class CSettingsStore;

struct FilePlan {
    std::string Path;
    std::map<std::string, std::int32_t> Overrides;  // answered before the store when the plug-in reads
    SettingsValues Values;                          // the settings the file is read with
};

struct ImportPlan {
    GivenSettings Given;
    std::vector<FilePlan> Files;
    bool FileByFile = false;
};

// False with the reason (a usage error) when a setting is refused.
bool MakeImportPlan(const ImportOptions& options, const CSettingsStore& store, ImportPlan& plan, std::string& reason);

void RunImportPlan(Plugin::IGroundBasedMIP& plugin, const CSettingsStore& store, const ImportPlan& plan,
                   Plugin::IImportContext& context);

}  // namespace Host
