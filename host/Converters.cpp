#include "host/Converters.h"

#include <atomic>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <string>

#include "platform/Utf16.h"

namespace Host {

namespace {

std::atomic<long> Outstanding{0};

constexpr double Pi = 3.14159265358979323846;

std::optional<double> Finite(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The usual field value (digits that make an integer of at most 2^53, at most 22 decimals):
// that exact integer divided by an exact power of ten is the correctly rounded double, the
// same that a full decimal reader gives. Empty for anything else.
std::optional<double> ParseShortDecimal(std::string_view text)
{
    static constexpr double PowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                             1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                             1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (text.size() > 19)
        return std::nullopt;  // keeps the integer below overflow
    std::uint64_t mantissa = 0;
    std::size_t point = text.size();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned digit = static_cast<unsigned char>(text[i]) - unsigned{'0'};
        if (digit < 10)
            mantissa = mantissa * 10 + digit;
        else if (text[i] == '.' && point == text.size())
            point = i;
        else
            return std::nullopt;  // the full reader decides
    }
    const std::size_t digits = text.size() - (point < text.size() ? 1 : 0);
    const std::size_t decimals = point < text.size() ? text.size() - point - 1 : 0;
    if (digits == 0 || decimals > 22 || mantissa > (std::uint64_t{1} << 53))
        return std::nullopt;
    return static_cast<double>(mantissa) / PowersOfTen[decimals];
}

// Unsigned digits with at most one point and at least one digit, read exactly.
std::optional<double> ParseUnsigned(std::string_view text)
{
    if (const std::optional<double> quick = ParseShortDecimal(text))
        return quick;
    bool point = false;
    bool digit = false;
    bool nonZero = false;
    for (char c : text) {
        if (c == '.') {
            if (point)
                return std::nullopt;
            point = true;
        } else if (IsDigit(c)) {
            digit = true;
            nonZero = nonZero || c != '0';
        } else {
            return std::nullopt;
        }
    }
    if (!digit)
        return std::nullopt;
    // "5." and ".5" are values; from_chars is given them in its own fixed form.
    std::string fixed;
    if (text.front() == '.' || text.back() == '.') {
        fixed = text;
        if (fixed.front() == '.')
            fixed.insert(fixed.begin(), '0');
        if (fixed.back() == '.')
            fixed.pop_back();
        text = fixed;
    }
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size())
        return std::nullopt;
    if (!std::isfinite(value) || (nonZero && value < DBL_MIN))
        return std::nullopt;
    return value;
}

// Splits an optional sign off the text; returns -1 or +1.
double TakeSign(std::string_view& text)
{
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        const double sign = text.front() == '-' ? -1.0 : 1.0;
        text.remove_prefix(1);
        return sign;
    }
    return 1.0;
}

bool AllDigits(std::string_view text)
{
    for (char c : text)
        if (!IsDigit(c))
            return false;
    return true;
}

// A one-digit minutes or seconds field is its tens digit, as in the packed notation; a field
// that is not there is 0.
std::optional<int> ParseSexagesimal(std::string_view field)
{
    if (field.empty())
        return 0;
    const int value = field.size() == 1 ? (field[0] - '0') * 10 : (field[0] - '0') * 10 + (field[1] - '0');
    if (value >= 60)
        return std::nullopt;
    return value;
}

// The fields of a dotted degrees-minutes-seconds text "D.MM.SS.f", checked for their form
// only: digits, one or two of them for minutes and seconds. Fields not given are empty.
struct DottedDmsFields {
    double Sign = 1.0;
    std::string_view Degrees, Minutes, Seconds, Fraction;
};

std::optional<DottedDmsFields> SplitDottedDms(std::string_view text)
{
    DottedDmsFields fields;
    fields.Sign = TakeSign(text);
    std::string_view parts[4];
    int count = 0;
    for (;;) {
        const std::size_t point = text.find('.');
        if (count == 3 && point != std::string_view::npos)
            return std::nullopt;
        parts[count++] = text.substr(0, point);
        if (point == std::string_view::npos)
            break;
        text.remove_prefix(point + 1);
    }
    for (int i = 0; i < count; ++i) {
        const bool sexagesimal = i == 1 || i == 2;
        if (parts[i].empty() || !AllDigits(parts[i]) || (sexagesimal && parts[i].size() > 2))
            return std::nullopt;
    }
    fields.Degrees = parts[0];
    fields.Minutes = parts[1];
    fields.Seconds = parts[2];
    fields.Fraction = parts[3];
    return fields;
}

using ConvertFunction = std::optional<double> (*)(int, std::string_view);

ConvertFunction ConversionOf(ValueQuantity quantity)
{
    switch (quantity) {
    case ValueQuantity::Angle: return ConvertAngle;
    case ValueQuantity::Distance: return ConvertDistance;
    case ValueQuantity::Pressure: return ConvertPressure;
    case ValueQuantity::Temperature: return ConvertTemperature;
    }
    return ConvertDistance;
}

template <typename Interface>
class CConverter final : public Interface {
public:
    CConverter(ValueQuantity quantity, int code, IRefusedValueSink* refusals)
        : Convert(ConversionOf(quantity)), Quantity(quantity), Code(code), Refusals(refusals)
    {
    }

    void AddRef() override
    {
        ++Count;
        ++Outstanding;
    }
    bool Release() override
    {
        --Outstanding;
        if (--Count != 0)
            return false;
        delete this;
        return true;
    }
    bool ConvertText(const char16_t* text, double* out) override
    {
        if (!text || !out)
            return false;
        // Value texts are short and ASCII; anything else is refused by the syntax anyway, so
        // it is enough to see it as UTF-8.
        char ascii[64];
        std::size_t length = 0;
        while (text[length] && length < sizeof ascii && text[length] < 0x80) {
            ascii[length] = static_cast<char>(text[length]);
            ++length;
        }
        const std::string slow = text[length] ? Platform::Utf16ToUtf8(text)
                                              : std::string();
        const std::string_view utf8 = text[length] ? std::string_view(slow) : std::string_view(ascii, length);
        const std::optional<double> value = Convert(Code, utf8);
        if (!value) {
            if (Refusals)
                Refusals->OnRefusedValue(Quantity, utf8, ExplainRefusal(Quantity, Code, utf8));
            return false;
        }
        *out = *value;
        return true;
    }

private:
    ~CConverter() = default;
    ConvertFunction Convert;
    ValueQuantity Quantity;
    int Code;
    IRefusedValueSink* Refusals;
    int Count = 0;
};

template <typename Interface>
Interface* MakeConverter(ValueQuantity quantity, int code, IRefusedValueSink* refusals)
{
    auto* converter = new CConverter<Interface>(quantity, code, refusals);
    converter->AddRef();
    return converter;
}

}  // namespace

std::optional<double> ParseDecimal(std::string_view text)
{
    const double sign = TakeSign(text);
    const std::optional<double> value = ParseUnsigned(text);
    if (!value)
        return std::nullopt;
    return sign * *value;
}

std::optional<double> ParseDottedDms(std::string_view text)
{
    const std::optional<DottedDmsFields> fields = SplitDottedDms(text);
    if (!fields)
        return std::nullopt;
    const auto minutes = ParseSexagesimal(fields->Minutes);
    const auto seconds = ParseSexagesimal(fields->Seconds);
    if (!minutes || !seconds)
        return std::nullopt;
    double fraction = 0;
    if (!fields->Fraction.empty()) {
        const auto f = ParseUnsigned("0." + std::string(fields->Fraction));
        fraction = f ? *f : 0.0;
    }
    const auto degrees = ParseUnsigned(fields->Degrees);
    if (!degrees)
        return std::nullopt;
    return Finite(fields->Sign * (*degrees + *minutes / 60.0 + (*seconds + fraction) / 3600.0));
}

Refusal ExplainRefusal(ValueQuantity quantity, int code, std::string_view text)
{
    if (quantity == ValueQuantity::Angle && code == 1) {
        const std::optional<DottedDmsFields> fields = SplitDottedDms(text);
        if (!fields)
            return Refusal::NotDottedDms;
        if (!ParseSexagesimal(fields->Minutes) || !ParseSexagesimal(fields->Seconds))
            return Refusal::SixtyOrMore;
        return Refusal::OutOfRange;
    }
    TakeSign(text);
    std::size_t digits = 0;
    std::size_t points = 0;
    for (char c : text) {
        digits += IsDigit(c) ? 1 : 0;
        points += c == '.' ? 1 : 0;
    }
    const bool wellFormed = digits > 0 && points <= 1 && digits + points == text.size();
    return wellFormed ? Refusal::OutOfRange : Refusal::NotANumber;
}

std::optional<double> ConvertAngle(int code, std::string_view text)
{
    std::optional<double> value;
    switch (code) {
    case 1:
        value = ParseDottedDms(text);
        return value ? Finite(*value * Pi / 180.0) : value;
    case 3:
        value = ParseDecimal(text);
        return value ? Finite(*value * Pi / 180.0) : value;
    case 4:
        value = ParseDecimal(text);
        return value ? Finite(*value * Pi / 200.0) : value;
    case 5:
        value = ParseDecimal(text);
        return value ? Finite(*value * Pi / 3200.0) : value;
    default:
        return std::nullopt;
    }
}

std::optional<double> ConvertDistance(int code, std::string_view text)
{
    const std::optional<double> value = ParseDecimal(text);
    if (!value)
        return value;
    switch (code) {
    case 0: return value;
    case 1: return Finite(*value * 0.3048);
    default: return std::nullopt;
    }
}

std::optional<double> ConvertPressure(int code, std::string_view text)
{
    const std::optional<double> value = ParseDecimal(text);
    if (!value)
        return value;
    switch (code) {
    case 0: return Finite(*value * 101325.0 / 760.0 / 100.0);  // Torr
    case 1: return value;
    case 2: return Finite(*value * 3386.389 / 100.0);  // inch of mercury
    default: return std::nullopt;
    }
}

std::optional<double> ConvertTemperature(int code, std::string_view text)
{
    const std::optional<double> value = ParseDecimal(text);
    if (!value)
        return value;
    switch (code) {
    case 0: return value;
    case 1: return Finite((*value - 32.0) * 5.0 / 9.0);
    default: return std::nullopt;
    }
}

CConverterFactory* CConverterFactory::Create(IRefusedValueSink* refusals)
{
    auto* factory = new CConverterFactory(refusals);
    factory->AddRef();
    return factory;
}

void CConverterFactory::AddRef()
{
    ++Count;
    ++Outstanding;
}

bool CConverterFactory::Release()
{
    --Outstanding;
    if (--Count != 0)
        return false;
    delete this;
    return true;
}

CConverterFactory::~CConverterFactory()
{
    for (int code = 0; code < Codes; ++code) {
        for (Plugin::IRefCounted* held : {static_cast<Plugin::IRefCounted*>(Angles[code]),
                                          static_cast<Plugin::IRefCounted*>(Distances[code]),
                                          static_cast<Plugin::IRefCounted*>(Pressures[code]),
                                          static_cast<Plugin::IRefCounted*>(Temperatures[code])}) {
            if (held) {
                ++Outstanding;
                held->Release();
            }
        }
    }
}

template <typename Interface>
Interface* CConverterFactory::Share(Interface*& slot, ValueQuantity quantity, int code, bool known)
{
    if (!known)
        return nullptr;
    if (!slot) {
        slot = MakeConverter<Interface>(quantity, code, Refusals);
        --Outstanding;  // the factory's own reference is the host's, not handed out
    }
    slot->AddRef();
    return slot;
}

Plugin::IAngleConverter* CConverterFactory::GetAngleConverter(std::int32_t unitCode)
{
    const bool known = unitCode == 1 || unitCode == 3 || unitCode == 4 || unitCode == 5;
    return Share(Angles[known ? unitCode : 0], ValueQuantity::Angle, unitCode, known);
}

Plugin::IDistanceConverter* CConverterFactory::GetDistanceConverter(std::int32_t unitCode)
{
    const bool known = unitCode == 0 || unitCode == 1;
    return Share(Distances[known ? unitCode : 0], ValueQuantity::Distance, unitCode, known);
}

Plugin::IPressureConverter* CConverterFactory::GetPressureConverter(std::int32_t unitCode)
{
    const bool known = unitCode >= 0 && unitCode <= 2;
    return Share(Pressures[known ? unitCode : 0], ValueQuantity::Pressure, unitCode, known);
}

Plugin::ITemperatureConverter* CConverterFactory::GetTemperatureConverter(std::int32_t unitCode)
{
    const bool known = unitCode == 0 || unitCode == 1;
    return Share(Temperatures[known ? unitCode : 0], ValueQuantity::Temperature, unitCode, known);
}

long CConverterFactory::OutstandingReferences() noexcept
{
    return Outstanding.load();
}

}  // namespace Host
