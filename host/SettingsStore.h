#pragma once
// The host's settings store: a text file of `Key=Value` lines with integer values. A
// missing file is an empty store; unknown keys and comments are kept when it is saved, and
// a save writes it as every output file is written (see OutputFile.h), so a failed save
// leaves the previous store as it was and a store kept as a symbolic link stays one.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "plugin/HostInterfaces.h"

namespace Host {

class CSettingsStore {
public:
    // Reads path; false (with reason) when it exists but cannot be read. A missing file
    // gives an empty store.
    bool Load(const std::string& path, std::string& reason);
    // Writes the store back to the path it was loaded from; false (with reason) on failure,
    // leaving the old file untouched.
    bool Save(std::string& reason) const;

    // The stored integer under key; empty when absent or not a 32-bit integer.
    std::optional<std::int32_t> Get(const std::string& key) const;
    // The text stored under key and its line (from 1); empty when the key is absent.
    struct StoredText {
        std::string Text;
        int Line = 0;
    };
    std::optional<StoredText> Find(const std::string& key) const;
    void Set(const std::string& key, std::int32_t value);
    const std::string& Path() const noexcept { return FilePath; }

    // The default location: $XDG_CONFIG_HOME/m5import/settings.ini, or ~/.config/...
    static std::string DefaultPath();

private:
    std::string FilePath;
    std::vector<std::string> Lines;  // the file as read, updated in place by Set
};

// The plug-in reads through this: values given with --set answer first, then the store.
class CSettingsReader final : public Plugin::ISettingsReader {
public:
    CSettingsReader(const CSettingsStore& store, const std::map<std::string, std::int32_t>& overrides)
        : Store(store), Overrides(overrides) {}
    void Unused1() override {}
    std::int32_t ReadInt(const char16_t* key, std::int32_t defaultValue) override;
private:
    const CSettingsStore& Store;
    const std::map<std::string, std::int32_t>& Overrides;
};

class CSettingsWriter final : public Plugin::ISettingsWriter {
public:
    explicit CSettingsWriter(CSettingsStore& store) : Store(store) {}
    void Unused1() override {}
    void WriteInt(const char16_t* key, std::int32_t value) override;
private:
    CSettingsStore& Store;
};

// Parses a whole 32-bit decimal integer (optional sign, digits, nothing else).
std::optional<std::int32_t> ParseInt32(const std::string& text);

}  // namespace Host
