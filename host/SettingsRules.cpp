#include "host/SettingsRules.h"

#include <algorithm>

#include "host/HostCommands.h"
#include "host/SettingsStore.h"

namespace Host {

namespace {

std::int32_t SettingsValues::*FieldOf(const std::string& key)
{
    static const std::map<std::string, std::int32_t SettingsValues::*> fields = {
        {"TakePointNameFromAddr", &SettingsValues::TakePointNameFromAddr},
        {"PointStart", &SettingsValues::PointStart},
        {"PointLen", &SettingsValues::PointLen},
        {"CodeStart", &SettingsValues::CodeStart},
        {"CodeLen", &SettingsValues::CodeLen},
        {"Mode", &SettingsValues::Mode},
    };
    const auto field = fields.find(key);
    return field == fields.end() ? nullptr : field->second;
}

// Computed in 64 bits: stored values are any 32-bit numbers.
std::int64_t LastColumn(std::int32_t start, std::int32_t length)
{
    return std::int64_t{start} + length - 1;
}

std::string Columns(std::int32_t start, std::int32_t length)
{
    const std::int64_t last = LastColumn(start, length);
    return last == start ? "column " + std::to_string(start)
                         : "columns " + std::to_string(start) + "-" + std::to_string(last);
}

LayoutRefusal Refuse(std::vector<std::string> keys, std::string rule)
{
    return LayoutRefusal{std::move(keys), std::move(rule)};
}

LayoutRefusal PastTheEnd(const char* field, const char* startKey, const char* lengthKey, std::int32_t start,
                         std::int32_t length)
{
    return Refuse({startKey, lengthKey}, std::string("the ") + field + " would end at column " +
                                             std::to_string(LastColumn(start, length)) + ", past the " +
                                             std::to_string(InfoWidth) + " columns of the information text");
}

// The two fields in the order they stand; the first must end before the second starts.
LayoutRefusal CheckOrder(const SettingsValues& v)
{
    const bool nameFirst = v.PointStart < v.CodeStart;
    const char* first = nameFirst ? "name" : "code";
    const char* second = nameFirst ? "code" : "name";
    const std::int32_t firstStart = nameFirst ? v.PointStart : v.CodeStart;
    const std::int32_t firstLen = nameFirst ? v.PointLen : v.CodeLen;
    const std::int32_t secondStart = nameFirst ? v.CodeStart : v.PointStart;
    const std::int32_t secondLen = nameFirst ? v.CodeLen : v.PointLen;
    if (LastColumn(firstStart, firstLen) >= secondStart) {
        std::vector<std::string> keys = nameFirst ? std::vector<std::string>{"PointStart", "PointLen", "CodeStart"}
                                                  : std::vector<std::string>{"CodeStart", "CodeLen", "PointStart"};
        return Refuse(std::move(keys), std::string("the ") + first + " (" + Columns(firstStart, firstLen) +
                                           ") runs into the " + second + ", which starts at column " +
                                           std::to_string(secondStart));
    }
    if (LastColumn(secondStart, secondLen) > InfoWidth)
        return nameFirst ? PastTheEnd("code", "CodeStart", "CodeLen", v.CodeStart, v.CodeLen)
                         : PastTheEnd("name", "PointStart", "PointLen", v.PointStart, v.PointLen);
    return LayoutRefusal{};
}

}  // namespace

std::int32_t SettingsValues::Get(const std::string& key) const
{
    const auto field = FieldOf(key);
    return field ? this->*field : 0;
}

void SettingsValues::Set(const std::string& key, std::int32_t value)
{
    if (const auto field = FieldOf(key))
        this->*field = value;
}

bool SettingsValues::operator==(const SettingsValues& other) const
{
    for (const std::string& key : SettingsKeys())
        if (Get(key) != other.Get(key))
            return false;
    return true;
}

bool IsChoiceKey(const std::string& key)
{
    return key == "TakePointNameFromAddr" || key == "Mode";
}

std::string ChoiceRule(const std::string& key)
{
    if (key == "Mode")
        return "Mode is 0 (standard station headers) or 1 (separate measurements)";
    return "TakePointNameFromAddr is 0 (the name from the information text) or 1 (the name from the address)";
}

std::string DisabledRule(const std::string& key, const SettingsValues& values)
{
    if ((key == "PointStart" || key == "PointLen") && values.TakePointNameFromAddr == 1)
        return "the name's columns cannot be set while TakePointNameFromAddr=1 takes the name from the address";
    return std::string();
}

LayoutRefusal CheckLayout(const SettingsValues& v)
{
    if (v.TakePointNameFromAddr == 1) {
        if (v.CodeStart < 1)
            return Refuse({"CodeStart"}, "a start is a column from 1 on");
        if (LastColumn(v.CodeStart, v.CodeLen) > InfoWidth)
            return PastTheEnd("code", "CodeStart", "CodeLen", v.CodeStart, v.CodeLen);
        return LayoutRefusal{};
    }
    for (const char* key : {"PointStart", "PointLen", "CodeStart", "CodeLen"}) {
        if (v.Get(key) < 1)
            return Refuse({key}, std::string(key).find("Start") != std::string::npos ? "a start is a column from 1 on"
                                                                                      : "a length is 1 or more");
    }
    if (v.PointStart == v.CodeStart)
        return Refuse({"PointStart", "CodeStart"}, "the name and the code cannot start at the same column");
    return CheckOrder(v);
}

std::vector<std::string> CheckStore(const CSettingsStore& store, const std::map<std::string, std::int32_t>& overrides)
{
    std::vector<std::pair<int, std::string>> problems;
    for (const std::string& key : SettingsKeys()) {
        const auto stored = store.Find(key);
        if (!stored || overrides.count(key))
            continue;
        const std::string where = store.Path() + ":" + std::to_string(stored->Line) + ": " + key + "=" + stored->Text;
        const auto value = ParseInt32(stored->Text);
        if (!value)
            problems.emplace_back(stored->Line, where + ": not a whole number from -2147483648 to 2147483647");
        else if (IsChoiceKey(key) && *value != 0 && *value != 1)
            problems.emplace_back(stored->Line, where + ": " + ChoiceRule(key));
    }
    std::sort(problems.begin(), problems.end());
    std::vector<std::string> texts;
    for (auto& problem : problems)
        texts.push_back(std::move(problem.second));
    return texts;
}

std::string GivenSettings::Describe(const std::vector<std::string>& keys) const
{
    std::string text;
    for (const std::string& key : keys) {
        const auto origin = Origins.find(key);
        text += (text.empty() ? "" : ", ") + key + "=" + std::to_string(Values.Get(key)) + " (" +
                (origin == Origins.end() ? std::string("default") : origin->second) + ")";
    }
    return text;
}

std::string LayoutRefusalText(const GivenSettings& given, const LayoutRefusal& refusal)
{
    return "refused: " + given.Describe(refusal.Keys) + ": " + refusal.Rule;
}

bool ResolveGivenSettings(const CSettingsStore& store, const std::map<std::string, std::int32_t>& overrides,
                          bool checkLayout, GivenSettings& given, std::string& reason)
{
    const std::vector<std::string> problems = CheckStore(store, overrides);
    if (!problems.empty()) {
        reason = "refused: " + problems.front();
        if (problems.size() > 1)
            reason += " (and " + std::to_string(problems.size() - 1) + " more; m5import settings lists them)";
        return false;
    }
    given = GivenSettings{};
    for (const std::string& key : SettingsKeys()) {
        const auto stored = overrides.count(key) ? std::nullopt : store.Find(key);
        if (stored) {
            given.Values.Set(key, *ParseInt32(stored->Text));
            given.Origins[key] = store.Path() + ":" + std::to_string(stored->Line);
        }
    }
    for (const auto& [key, value] : overrides) {
        given.Values.Set(key, value);
        given.Origins[key] = "--set";
        if (IsChoiceKey(key) && value != 0 && value != 1) {
            reason = "refused: --set " + key + "=" + std::to_string(value) + ": " + ChoiceRule(key);
            return false;
        }
    }
    for (const auto& [key, value] : overrides) {
        const std::string disabled = DisabledRule(key, given.Values);
        if (!disabled.empty()) {
            reason = "refused: --set " + key + "=" + std::to_string(value) + ": " + disabled;
            return false;
        }
    }
    const LayoutRefusal refusal = checkLayout ? CheckLayout(given.Values) : LayoutRefusal{};
    if (refusal.Refused()) {
        reason = LayoutRefusalText(given, refusal);
        return false;
    }
    return true;
}

}  // namespace Host
