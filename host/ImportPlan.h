#pragma once
// How the files of an import are read. Ordinarily all of them with the given settings (the
// store with each --set over it), checked first as the settings editor checks them, in one
// Import call. With --layout auto each file is read with the columns found in it: the
// plug-in copies its settings into a file's parser when it starts the file, so the files are
// imported one by one, each after its own settings were loaded; the calls the plug-in makes
// are the same as those of one Import call over the files with those settings.
#include <cstdio>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "host/HostCall.h"
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

// False with the reason (a usage error) when a setting is refused, or when --layout auto is
// given with a --set of a column it finds itself.
bool MakeImportPlan(const ImportOptions& options, const CSettingsStore& store, ImportPlan& plan, std::string& reason);

void RunImportPlan(Plugin::IGroundBasedMIP& plugin, const CSettingsStore& store, const ImportPlan& plan,
                   Plugin::IImportContext& context);

// Counts, per file, the point records the plug-in found no name for. When that is most of a
// file's records and the file's own columns would name them, the import ends with a hint
// naming those settings.
class CUnnamedPointsHint final : public ICallSink {
public:
    void OnCall(const HostCall& call) override;
    // One line per such file: "FILE: hint: ..."; nothing for an import with --layout auto.
    // standardInputCopy is the file that holds what was read from "-" (empty when none).
    void Print(const ImportPlan& plan, const std::string& standardInputCopy, std::FILE* stream) const;

private:
    std::vector<std::size_t> Unnamed;  // per file, in the order the plug-in began them
};

}  // namespace Host
