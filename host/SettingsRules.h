#pragma once
// The rules of the plug-in's settings editor, applied where the host is given settings
// outside the editor: --set on an import and the values of the settings store. The plug-in
// itself takes whatever it is given, so a value the editor would refuse (PointStart=0, an
// overlapping layout, Mode=2) would otherwise import quietly with an empty or wrong result.
// A refusal names the key, the value, where it came from and the rule.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace Host {

class CSettingsStore;

// Width of the information text of a record, in which the name and code columns lie.
constexpr std::int32_t InfoWidth = 27;

// The six settings with the plug-in's defaults.
struct SettingsValues {
    std::int32_t TakePointNameFromAddr = 0;
    std::int32_t PointStart = 1;
    std::int32_t PointLen = 14;
    std::int32_t CodeStart = 15;
    std::int32_t CodeLen = 13;
    std::int32_t Mode = 0;

    // The value under a settings key (one of SettingsKeys()); 0 for any other key.
    std::int32_t Get(const std::string& key) const;
    void Set(const std::string& key, std::int32_t value);
    bool operator==(const SettingsValues& other) const;
};

// Keys whose values are choices (0 or 1), and the rule a refused choice is told.
bool IsChoiceKey(const std::string& key);
std::string ChoiceRule(const std::string& key);

// Why the property list keeps key from being edited with these values; empty when it may be.
// The name's columns cannot be edited while the name is taken from the address block.
std::string DisabledRule(const std::string& key, const SettingsValues& values);

// A layout the editor refuses: the keys that take part, and the rule in words.
struct LayoutRefusal {
    std::vector<std::string> Keys;
    std::string Rule;
    bool Refused() const noexcept { return !Keys.empty(); }
};
// The editor's layout check: both fields start at column 1 or later, have a length of 1 or
// more, do not overlap and end inside the information text; with the name taken from the
// address block only the code is examined.
LayoutRefusal CheckLayout(const SettingsValues& values);

// The store's values the editor would not take (not a whole number, a choice other than 0
// or 1), each as "PATH:LINE: KEY=TEXT: rule", in the order of their lines. Keys given with
// --set are not read from the store and are passed over.
std::vector<std::string> CheckStore(const CSettingsStore& store,
                                    const std::map<std::string, std::int32_t>& overrides = {});

// The settings an import is given: the store's values with each --set over them, and where
// each value came from ("--set", "PATH:LINE" or "default").
struct GivenSettings {
    SettingsValues Values;
    std::map<std::string, std::string> Origins;

    // "KEY=VALUE (origin)" for each key, joined by commas.
    std::string Describe(const std::vector<std::string>& keys) const;
};

// Reads the store and the --set values as the editor would take them: whole numbers, 0 or 1
// for the choices, no edit of a disabled property, and (when checkLayout) a valid layout.
// False with the reason when a value is refused.
bool ResolveGivenSettings(const CSettingsStore& store, const std::map<std::string, std::int32_t>& overrides,
                          bool checkLayout, GivenSettings& given, std::string& reason);

// The refusal of a layout as one line naming the values, where they came from, and the rule.
std::string LayoutRefusalText(const GivenSettings& given, const LayoutRefusal& refusal);

}  // namespace Host
