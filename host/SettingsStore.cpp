#include "host/SettingsStore.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <filesystem>
#include <unistd.h>

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
    std::string line;
    while (std::getline(in, line))
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
    const std::string temporary = FilePath + ".tmp." + std::to_string(::getpid());
    {
        std::ofstream out(FileSystemPath(temporary), std::ios::binary | std::ios::trunc);
        for (const std::string& line : Lines)
            out << line << '\n';
        out.flush();
        if (!out) {
            reason = "cannot write settings store " + FilePath + ": " + std::strerror(errno);
            out.close();
            std::remove(temporary.c_str());
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(FileSystemPath(temporary), FileSystemPath(FilePath), error);
    if (error) {
        reason = "cannot replace settings store " + FilePath + ": " + error.message();
        std::filesystem::remove(FileSystemPath(temporary), error);
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
