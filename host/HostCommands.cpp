#include "host/HostCommands.h"

#include <cstdio>
#include <cstring>
#include <iomanip>
#include <sstream>

#include "host/PluginLibrary.h"
#include "host/SettingsStore.h"
#include "platform/SysString.h"
#include "plugin/PluginInterfaces.h"
#include "platform/Utf16.h"

namespace Host {

namespace {

// Takes a system string from the plug-in, returns it as UTF-8 and frees it.
std::string TakeSystemString(char16_t* text)
{
    if (!text)
        return std::string();
    const std::string utf8 = Platform::Utf16ToUtf8(std::u16string_view(text, Platform::SysStringLen(text)));
    Platform::SysFreeString(text);
    return utf8;
}

std::string FormatGuid(const Plugin::Guid& id)
{
    std::ostringstream text;
    text << std::hex << std::uppercase << std::setfill('0') << '{' << std::setw(8) << id.Data1 << '-'
         << std::setw(4) << id.Data2 << '-' << std::setw(4) << id.Data3 << '-';
    for (int i = 0; i < 8; ++i) {
        if (i == 2)
            text << '-';
        text << std::setw(2) << static_cast<unsigned>(id.Data4[i]);
    }
    text << '}';
    return text.str();
}

}  // namespace

const std::vector<std::string>& SettingsKeys()
{
    static const std::vector<std::string> keys = {"TakePointNameFromAddr", "PointStart", "PointLen",
                                                  "CodeStart", "CodeLen", "Mode"};
    return keys;
}

bool ParseSettingOverrides(const std::vector<std::string>& sets, std::map<std::string, std::int32_t>& overrides,
                           std::string& reason)
{
    for (const std::string& set : sets) {
        const auto equals = set.find('=');
        const std::string key = set.substr(0, equals);
        bool known = false;
        for (const std::string& name : SettingsKeys())
            known = known || name == key;
        if (equals == std::string::npos || !known) {
            reason = "--set " + set + ": expected KEY=VALUE with KEY one of TakePointNameFromAddr, PointStart, "
                     "PointLen, CodeStart, CodeLen, Mode";
            return false;
        }
        const auto value = ParseInt32(set.substr(equals + 1));
        if (!value) {
            reason = "--set " + set + ": the value is not a whole number in the 32-bit range";
            return false;
        }
        overrides[key] = *value;
    }
    return true;
}

bool IdentifyPlugin(Plugin::IGroundBasedMIP* plugin, std::string& reason)
{
    // {E2109592-5EF7-43BD-81D6-08EA781E0AB2}
    static const Plugin::Guid Expected = {0xE2109592, 0x5EF7, 0x43BD, {0x81, 0xD6, 0x08, 0xEA, 0x78, 0x1E, 0x0A, 0xB2}};
    const std::string name = TakeSystemString(plugin->GetName());
    const Plugin::Guid id = Plugin::IdOf(*plugin);
    TakeSystemString(plugin->GetFileFilter());  // read as a host does; the filter is not used here
    if (name.empty() || std::memcmp(&id, &Expected, sizeof id) != 0) {
        reason = "the plug-in is not the M5 importer (" + (name.empty() ? std::string("no name") : name) + ", " +
                 FormatGuid(id) + ")";
        return false;
    }
    return true;
}

int PrintVersion(CPluginLibrary& library, std::ostream& out)
{
    auto* plugin = library.Entry()();
    if (!plugin) {
        std::fprintf(stderr, "m5import: the plug-in returned no object\n");
        return 2;
    }
    out << "m5import, with the plug-in " << library.Path() << "\n";
    out << "  name:       " << TakeSystemString(plugin->GetName()) << "\n";
    out << "  identifier: " << FormatGuid(Plugin::IdOf(*plugin)) << "\n";
    out << "  files:      " << TakeSystemString(plugin->GetFileFilter()) << "\n";
    plugin->Release();
    const auto record = ReadVersionRecord(library.Path());
    for (const auto& [key, value] : record)
        out << "  " << key << ": " << value << "\n";
    return 0;
}

}  // namespace Host
