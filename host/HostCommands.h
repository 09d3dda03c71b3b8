#pragma once
// The commands of m5import besides the import itself, and the options they share.
#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "host/OutputFormat.h"

namespace Plugin {
class IGroundBasedMIP;
}

namespace Host {

class CPluginLibrary;

struct ImportOptions {
    std::vector<std::string> Files;  // "-" is standard input
    OutputOptions Output;            // the format and how it is written
    std::string OutputPath;
    std::string Crs;  // --crs, for the GIS and CAD formats
    std::string SettingsPath;
    std::map<std::string, std::int32_t> Overrides;  // --set, for this run only
    bool Quiet = false;
    bool Progress = true;
    bool AutoLayout = false;  // --layout auto: each file read with the columns found in it
};

struct LayoutCommandOptions {
    std::vector<std::string> Files;
    std::string SettingsPath;
    std::map<std::string, std::int32_t> Overrides;  // --set: the settings the file is compared with
    int Lines = 10;                                 // point records shown under the ruler
};

struct SettingsCommandOptions {
    std::vector<std::string> Edits;  // KEY=VALUE, in the order given
    std::string SettingsPath;
    bool Interactive = false;
};

// The six keys of the settings store, in their order.
const std::vector<std::string>& SettingsKeys();

// Reads --set KEY=VALUE arguments: KEY one of the six settings keys, VALUE a 32-bit integer.
bool ParseSettingOverrides(const std::vector<std::string>& sets, std::map<std::string, std::int32_t>& overrides,
                           std::string& reason);

// Reads the plug-in's name, identifier and file filter as a host does before using it;
// false (with reason) when it does not identify itself as the M5 importer.
bool IdentifyPlugin(Plugin::IGroundBasedMIP* plugin, std::string& reason);

// --version: the plug-in's name, identifier and version record.
int PrintVersion(CPluginLibrary& library, std::ostream& out);

// `m5import settings`: edits through the plug-in's property list; 0 saved or shown, 1
// refused, 2 for a usage error.
int RunSettingsCommand(CPluginLibrary& library, const SettingsCommandOptions& options, std::ostream& out);

// `m5import layout`: where each file's names and codes stand, the settings that read them,
// and the first point records under a ruler of the information text; 0 when every file was
// read, 1 when one could not be or the plug-in would refuse it, 2 for a usage error.
int RunLayoutCommand(const LayoutCommandOptions& options, std::ostream& out);

}  // namespace Host
