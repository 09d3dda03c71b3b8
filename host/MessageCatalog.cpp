#include "host/MessageCatalog.h"

#include <vector>

#include "platform/Utf16.h"
#include "resources/MessageTexts.h"

namespace Host {

namespace {

struct EnglishText {
    int Id;
    const char* Text;  // "%s" stands where the Russian text has its name
};

// Plain words for a surveyor, with the sense of the Russian texts.
constexpr EnglishText EnglishTexts[] = {
    {101, "Cannot open the file."},
    {102, "Format settings"},
    {103, "Import mode"},
    {104, "Point name"},
    {105, "Start"},
    {106, "Length"},
    {107, "Point code"},
    {108, "Not a valid number"},
    {109, "Invalid column settings"},
    {110, "Error"},
    {111, "Wrong import mode for this file. Change it in the import settings."},
    {112, "Import stopped. The file was written by an early software version. Use another format."},
    {113, "Import stopped. The file is not in the expected format."},
    {114, "The station may be declared twice. To read the data correctly, remove the code S and import again."},
    {115, "No station name given."},
    {116, "No point name given."},
    {117, "Out of order: no station has been declared."},
    {118, "Import stopped. The file holds commands that cannot be processed. Use another format."},
    {119, "Target %s has the same name as the station."},
    {120, "The instrument height must not change during a station set-up."},
    {121, "Yes"},
    {122, "No"},
    {123, "Take the name from the Addr field"},
    {DefaultStationNoticeId, "No station point is defined.\nA station named %s is created by default."},
};

// One Russian text as a pattern: the text before and after its name, or the whole text.
struct Pattern {
    int Id;
    std::string Head;
    std::string Tail;
    bool HasName;
};

Pattern MakePattern(int id, const wchar_t* russian, std::wstring_view placeholder)
{
    const std::wstring_view text(russian);
    const std::size_t at = placeholder.empty() ? std::wstring_view::npos : text.find(placeholder);
    if (at == std::wstring_view::npos)
        return Pattern{id, Platform::WideToUtf8(text), std::string(), false};
    return Pattern{id, Platform::WideToUtf8(text.substr(0, at)),
                   Platform::WideToUtf8(text.substr(at + placeholder.size())), true};
}

const std::vector<Pattern>& Patterns()
{
    static const std::vector<Pattern> patterns = [] {
        std::vector<Pattern> all;
        for (const Plugin::MessageText& entry : Plugin::StringTableTexts)
            all.push_back(MakePattern(entry.Id, entry.Text, L"%s"));
        all.push_back(MakePattern(DefaultStationNoticeId, Plugin::DefaultStationNotice, L"%1%"));
        return all;
    }();
    return patterns;
}

bool Matches(const Pattern& pattern, std::string_view text, std::string& name)
{
    if (!pattern.HasName)
        return text == pattern.Head;
    if (text.size() < pattern.Head.size() + pattern.Tail.size() || text.substr(0, pattern.Head.size()) != pattern.Head ||
        text.substr(text.size() - pattern.Tail.size()) != pattern.Tail)
        return false;
    name = text.substr(pattern.Head.size(), text.size() - pattern.Head.size() - pattern.Tail.size());
    return true;
}

const char* EnglishTemplate(int id)
{
    for (const EnglishText& entry : EnglishTexts)
        if (entry.Id == id)
            return entry.Text;
    return nullptr;
}

struct QuantityWords {
    ValueQuantity Quantity;
    const char* English;
    const char* Russian;
};

constexpr QuantityWords Quantities[] = {
    {ValueQuantity::Angle, "angle", "угол"},
    {ValueQuantity::Distance, "distance", "расстояние"},
    {ValueQuantity::Pressure, "pressure", "давление"},
    {ValueQuantity::Temperature, "temperature", "температура"},
};

struct RefusalWords {
    Refusal Why;
    const char* English;
    const char* Russian;
};

constexpr RefusalWords Refusals[] = {
    {Refusal::NotANumber, "is not a number", "не является числом"},
    {Refusal::NotDottedDms, "is not an angle in degrees, minutes and seconds",
     "не является углом в градусах, минутах и секундах"},
    {Refusal::SixtyOrMore, "has minutes or seconds of 60 or more", "содержит минуты или секунды не меньше 60"},
    {Refusal::OutOfRange, "is out of range", "вне допустимого диапазона"},
};

}  // namespace

std::optional<KnownMessage> RecogniseMessage(std::string_view text)
{
    std::string name;
    for (const Pattern& pattern : Patterns())
        if (Matches(pattern, text, name))
            return KnownMessage{pattern.Id, pattern.HasName ? name : std::string()};
    return std::nullopt;
}

std::string EnglishMessage(std::string_view text)
{
    const std::optional<KnownMessage> known = RecogniseMessage(text);
    const char* pattern = known ? EnglishTemplate(known->Id) : nullptr;
    if (!pattern)
        return std::string();
    std::string english = pattern;
    const std::size_t at = english.find("%s");
    if (at != std::string::npos)
        english.replace(at, 2, known->Argument);
    return english;
}

std::string ShowMessage(std::string_view text, Language language)
{
    if (language == Language::English) {
        std::string english = EnglishMessage(text);
        if (!english.empty())
            return english;
    }
    return std::string(text);
}

std::string DescribeRefusedValue(ValueQuantity quantity, std::string_view text, Refusal why, Language language)
{
    const bool english = language == Language::English;
    std::string description;
    for (const QuantityWords& words : Quantities)
        if (words.Quantity == quantity)
            description = english ? words.English : words.Russian;
    description += " \"";
    description += text;
    description += "\" ";
    for (const RefusalWords& words : Refusals)
        if (words.Why == why)
            description += english ? words.English : words.Russian;
    return description;
}

std::string MoreLikeThis(long long count, Language language)
{
    const std::string number = std::to_string(count);
    return language == Language::English ? "… and " + number + " more like this" : "… и ещё " + number + " таких же";
}

std::string LineRange(long long first, long long last, Language language)
{
    const std::string range = first == last ? std::to_string(first) : std::to_string(first) + "-" + std::to_string(last);
    if (language == Language::English)
        return (first == last ? "line " : "lines ") + range;
    return (first == last ? "строка " : "строки ") + range;
}

}  // namespace Host
