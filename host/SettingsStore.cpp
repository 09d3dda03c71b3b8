#include "host/SettingsStore.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <filesystem>
#include <sstream>

#include "host/OutputFile.h"
#include "host/System.h"
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
    std::error_code ignored;
    std::filesystem::create_directories(FileSystemPath(path).parent_path(), ignored);
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
    return DefaultSettingsPath();
}

bool CSettingsStore::Load(const std::string& path, std::string& reason)
{
    FilePath = path;
    Lines.clear();
    std::ifstream in(FileSystemPath(path), std::ios::binary);
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
    const auto stored = Find(key);
    return stored ? ParseInt32(stored->Text) : std::nullopt;
}

std::optional<CSettingsStore::StoredText> CSettingsStore::Find(const std::string& key) const
{
    // The last line of a key wins, as it would when the file is read top to bottom.
    for (std::size_t i = Lines.size(); i-- > 0;) {
        if (KeyOf(Lines[i]) == key)
            return StoredText{ValueOf(Lines[i]), static_cast<int>(i + 1)};
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
