#pragma once
// Imports through the plug-in object as a host calls it, for damaged and hostile input: the
// recording host's transcript, and whether every converter and factory reference came back.
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "plugin/HostInterfaces.h"
#include "plugin/PluginInterfaces.h"
#include "tests/support/RecordingHost.h"

namespace Testing {

struct HostileImport {
    std::vector<std::string> Calls;
    bool Balanced = false;  // no reference held and no host object alive after the import

    // Only the calls of these operations, in order.
    std::vector<std::string> Of(const std::set<std::string>& operations) const
    {
        std::vector<std::string> selected;
        for (const std::string& call : Calls) {
            if (operations.count(call.substr(0, call.find(' '))))
                selected.push_back(call);
        }
        return selected;
    }
    bool Has(const std::string& call) const { return std::find(Calls.begin(), Calls.end(), call) != Calls.end(); }
};

// Loads the store's settings into a new plug-in object and imports the files of the list.
inline HostileImport ImportThrough(Plugin::IFileNameEnumerator& files, CFakeSettingsStore& store)
{
    CRecordingHost host;
    Plugin::IGroundBasedMIP* plugin = CreatePlugin();
    plugin->LoadSettings(&store);
    plugin->Import(&files, &host);
    plugin->Release();
    return {host.Calls, host.OutstandingReferences() == 0 && host.LiveObjects() == 0};
}

inline HostileImport ImportPaths(const std::vector<std::string>& paths, CFakeSettingsStore store = {})
{
    CFakeFileList files(paths);
    return ImportThrough(files, store);
}

constexpr const char* CannotOpen = "ReportMessage Не удается открыть файл";
constexpr const char* WrongFormat = "ReportMessage Импорт прекращен. Неверный формат файла.";
constexpr const char* NoHeader = "ReportMessage Неверный  режим работы импорта. Смените его в настройках импорта.";

}  // namespace Testing
