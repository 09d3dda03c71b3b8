#include "host/SettingsStore.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "host/OutputFile.h"
#include "platform/Utf16.h"

namespace Host {

namespace {

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return std::string();
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// The key of a `Key=Value` line; empty for comments and other lines.
std::string KeyOf(const std::string& line)
{
    const std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == '#' || trimmed[0] == ';')
        return std::string();
    const auto equals = trimmed.find('=');
    if (equals == std::string::npos)
        return std::string();
    return Trim(trimmed.substr(0, equals));
}

std::string ValueOf(const std::string& line)
{
    return Trim(line.substr(line.find('=') + 1));
}

void MakeParentDirectories(const std::string& path)
{
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        ::mkdir(path.substr(0, slash).c_str(), 0755);
}

}  // namespace

std::optional<std::int32_t> ParseInt32(const std::string& text)
{
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+')
        ++first;
    if (first == last || (*first == '-' && first + 1 == last))
        return std::nullopt;
    std::int32_t value = 0;
    const auto result = std::from_chars(first, last, value);
    if (result.ec != std::errc() || result.ptr != last)
        return std::nullopt;
    return value;
}

std::string CSettingsStore::DefaultPath()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (config && *config) {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : ".") + "/.config";
    }
    return base + "/m5import/settings.ini";
}

bool CSettingsStore::Load(const std::string& path, std::string& reason)
{
    FilePath = path;
    Lines.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (errno == ENOENT)
            return true;
        reason = "cannot read settings store " + path + ": " + std::strerror(errno);
        return false;
    }
    // A store is a few lines; a path that reads on without end (a device, say) is not one.
    constexpr std::size_t Largest = 16 << 20;
    std::string text;
    char buffer[16384];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (text.size() > Largest) {
            reason = "cannot read settings store " + path + ": it is larger than 16 MiB";
            return false;
        }
    }
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        Lines.push_back(line);
    return true;
}

std::optional<std::int32_t> CSettingsStore::Get(const std::string& key) const
{
    // The last line of a key wins, as it would when the file is read top to bottom.
    for (auto line = Lines.rbegin(); line != Lines.rend(); ++line) {
        if (KeyOf(*line) == key)
            return ParseInt32(ValueOf(*line));
    }
    return std::nullopt;
}

void CSettingsStore::Set(const std::string& key, std::int32_t value)
{
    const std::string text = key + "=" + std::to_string(value);
    for (auto line = Lines.rbegin(); line != Lines.rend(); ++line) {
        if (KeyOf(*line) == key) {
            *line = text;
            return;
        }
    }
    Lines.push_back(text);
}

bool CSettingsStore::Save(std::string& reason) const
{
    MakeParentDirectories(FilePath);
    std::string content;
    for (const std::string& line : Lines)
        content += line + '\n';
    if (!WriteFileSafely(FilePath, content, reason)) {
        reason = "settings store: " + reason;
        return false;
    }
    return true;
}

std::int32_t CSettingsReader::ReadInt(const char16_t* key, std::int32_t defaultValue)
{
    const std::string name = Platform::Utf16ToUtf8(key);
    const auto given = Overrides.find(name);
    if (given != Overrides.end())
        return given->second;
    return Store.Get(name).value_or(defaultValue);
}

void CSettingsWriter::WriteInt(const char16_t* key, std::int32_t value)
{
    Store.Set(Platform::Utf16ToUtf8(key), value);
}

}  // namespace Host
