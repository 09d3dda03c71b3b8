#include "host/Converters.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <string>

#include "platform/Utf16.h"

namespace Host {

namespace {

// The plug-in makes every call on the thread that called Import, so a count per thread tells
// whether it released what it obtained; the host's relay asks for and releases factories on
// a thread of its own. A plain count, since an interlocked one would cost on every unit the
// plug-in switches to.
thread_local long Outstanding = 0;

constexpr double Pi = 3.14159265358979323846;

std::optional<double> Finite(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Where a text ends: a pointer past its last character, or, for the plug-in's texts, the NUL
// that terminates them, so that they are read in one pass without measuring them first.
struct NulTerminated {};

template <typename Char>
bool AtEnd(const Char* at, const Char* end) noexcept
{
    return at == end;
}

template <typename Char>
bool AtEnd(const Char* at, NulTerminated) noexcept
{
    return *at == Char(0);
}

// The usual field value (digits that make an integer of at most 2^53, at most 22 decimals):
// that exact integer divided by an exact power of ten is the correctly rounded double, the
// same that a full decimal reader gives. False for anything else, which the full reader
// decides. Read where the text stands, whatever its characters' type.
template <typename Char, typename End>
bool ReadShortDecimal(const Char* at, const End end, double& value)
{
    static constexpr double PowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                             1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                             1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const Char* const start = at;
    std::uint64_t mantissa = 0;  // wraps past 19 digits, which are refused below
    unsigned digit = 0;
    for (; !AtEnd(at, end) && (digit = static_cast<unsigned>(*at) - unsigned{'0'}) < 10; ++at)
        mantissa = mantissa * 10 + digit;
    bool point = false;
    std::size_t decimals = 0;
    if (!AtEnd(at, end) && *at == Char('.')) {
        point = true;
        const Char* const fraction = ++at;
        for (; !AtEnd(at, end) && (digit = static_cast<unsigned>(*at) - unsigned{'0'}) < 10; ++at)
            mantissa = mantissa * 10 + digit;
        decimals = static_cast<std::size_t>(at - fraction);
    }
    const std::ptrdiff_t size = at - start;
    // Nothing, a point alone, or an integer that could overflow: the full reader decides.
    if (!AtEnd(at, end) || size == 0 || size > 19 || (point && size == 1) || decimals > 22 ||
        mantissa > (std::uint64_t{1} << 53))
        return false;
    value = static_cast<double>(mantissa) / PowersOfTen[decimals];
    return true;
}

std::optional<double> ParseShortDecimal(std::string_view text)
{
    double value = 0;
    if (!ReadShortDecimal(text.data(), text.data() + text.size(), value))
        return std::nullopt;
    return value;
}

// The point and the two digits of minutes or seconds, below 60, taken off the text.
template <typename Char, typename End>
bool TakeSexagesimalPair(const Char*& at, const End end, int& field)
{
    if (AtEnd(at, end) || *at != Char('.'))
        return false;
    ++at;
    unsigned digits[2] = {};
    for (unsigned& digit : digits) {
        if (AtEnd(at, end))
            return false;
        digit = static_cast<unsigned>(*at++) - unsigned{'0'};
    }
    field = static_cast<int>(digits[0] * 10 + digits[1]);
    return digits[0] < 10 && digits[1] < 10 && field < 60;
}

// The usual dotted angle, degrees of at most fifteen digits and two-digit minutes and seconds
// without a fraction ("282.27.03"), read in one pass; its value is computed exactly as
// ParseDottedDms computes it. False for anything else, which the full reading decides.
template <typename Char, typename End>
bool ReadUsualDms(const Char* at, const End end, double sign, double& value)
{
    std::uint64_t degrees = 0;
    const Char* const first = at;
    for (unsigned digit = 0; !AtEnd(at, end) && (digit = static_cast<unsigned>(*at) - unsigned{'0'}) < 10; ++at)
        degrees = degrees * 10 + digit;
    int minutes = 0;
    int seconds = 0;
    if (at == first || at - first > 15 || !TakeSexagesimalPair(at, end, minutes) ||
        !TakeSexagesimalPair(at, end, seconds) || !AtEnd(at, end))
        return false;
    const double fraction = 0;
    value = sign * (static_cast<double>(degrees) + minutes / 60.0 + (seconds + fraction) / 3600.0);
    return true;
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

// What each quantity's unit codes make of a number read from the text, in place; false for an
// unknown code or a result a double cannot hold. (A flag and a number, not an optional: these
// run for every value, and an optional came back through memory.)
bool Scaled(double& value, double result)
{
    value = result;
    return std::isfinite(result);
}

bool ScaleAngle(int code, double& value)
{
    switch (code) {
    case 1: case 3: return Scaled(value, value * Pi / 180.0);  // dotted DMS and decimal degrees
    case 4: return Scaled(value, value * Pi / 200.0);
    case 5: return Scaled(value, value * Pi / 3200.0);
    default: return false;
    }
}

bool ScaleDistance(int code, double& value)
{
    switch (code) {
    case 0: return true;
    case 1: return Scaled(value, value * 0.3048);
    default: return false;
    }
}

bool ScalePressure(int code, double& value)
{
    switch (code) {
    case 0: return Scaled(value, value * 101325.0 / 760.0 / 100.0);  // Torr
    case 1: return true;
    case 2: return Scaled(value, value * 3386.389 / 100.0);  // inch of mercury
    default: return false;
    }
}

bool ScaleTemperature(int code, double& value)
{
    switch (code) {
    case 0: return true;
    case 1: return Scaled(value, (value - 32.0) * 5.0 / 9.0);
    default: return false;
    }
}

// A number read from a text, in a unit code's terms.
std::optional<double> Scale(bool (*scale)(int, double&), int code, std::optional<double> value)
{
    if (!value || !scale(code, *value))
        return std::nullopt;
    return value;
}

// The usual value text, read where it stands in one pass: an optional sign and what
// ReadShortDecimal or ReadUsualDms reads, the number the full reading would give. False hands
// the text to the full reading.
bool ReadUsualValue(const char16_t* text, bool dotted, double& value)
{
    const char16_t* at = text;
    double sign = 1.0;
    if (*at == u'+' || *at == u'-') {
        sign = *at == u'-' ? -1.0 : 1.0;
        ++at;
    }
    if (dotted)
        return ReadUsualDms(at, NulTerminated{}, sign, value);
    if (!ReadShortDecimal(at, NulTerminated{}, value))
        return false;
    value = sign * value;
    return true;
}

// How the converters of one quantity read and convert: the full conversion of a text, what a
// unit code makes of a number, and the unit code whose texts are dotted DMS (none: -1).
struct UnitConversion {
    ValueQuantity Quantity;
    std::optional<double> (*Convert)(int, std::string_view);
    bool (*Scale)(int, double&);
    int DottedCode;
};

const UnitConversion& ConversionOf(ValueQuantity quantity) noexcept;

template <typename Interface>
class CConverter final : public Interface {
public:
    CConverter(ValueQuantity quantity, int code, IRefusedValueSink* refusals)
        : How(ConversionOf(quantity)), Code(code), Dotted(How.DottedCode == code), Refusals(refusals)
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
    // The usual text is read where it stands; anything else, and a value its unit cannot
    // hold, goes to the full reading, which alone refuses and reports why.
    bool ConvertText(const char16_t* text, double* out) override
    {
        if (!text || !out)
            return false;
        double value = 0;
        if (!(ReadUsualValue(text, Dotted, value) && How.Scale(Code, value)) && !ConvertFully(text, value))
            return false;
        *out = value;
        return true;
    }

private:
    ~CConverter() = default;

    bool ConvertFully(const char16_t* text, double& value) const
    {
        // Value texts are short and ASCII; anything else is refused by the syntax anyway, so
        // it is enough to see it as UTF-8.
        char ascii[64];
        std::size_t length = 0;
        // Units 1 to 0x7F: neither the end nor beyond ASCII.
        for (char16_t c = 0; length < sizeof ascii && static_cast<unsigned>((c = text[length]) - 1) < 0x7F; ++length)
            ascii[length] = static_cast<char>(c);
        const std::string slow = text[length] ? Platform::Utf16ToUtf8(text) : std::string();
        const std::string_view utf8 = text[length] ? std::string_view(slow) : std::string_view(ascii, length);
        const std::optional<double> full = How.Convert(Code, utf8);
        if (!full) {
            if (Refusals)
                Refusals->OnRefusedValue(How.Quantity, utf8, ExplainRefusal(How.Quantity, Code, utf8));
            return false;
        }
        value = *full;
        return true;
    }

    const UnitConversion& How;
    int Code;
    bool Dotted;
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
    std::string_view digits = text;
    const double sign = TakeSign(digits);
    if (double usual = 0; ReadUsualDms(digits.data(), digits.data() + digits.size(), sign, usual))
        return Finite(usual);
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
    return Scale(ScaleAngle, code, code == 1 ? ParseDottedDms(text) : ParseDecimal(text));
}

std::optional<double> ConvertDistance(int code, std::string_view text)
{
    return Scale(ScaleDistance, code, ParseDecimal(text));
}

std::optional<double> ConvertPressure(int code, std::string_view text)
{
    return Scale(ScalePressure, code, ParseDecimal(text));
}

std::optional<double> ConvertTemperature(int code, std::string_view text)
{
    return Scale(ScaleTemperature, code, ParseDecimal(text));
}

namespace {

const UnitConversion AngleConversion{ValueQuantity::Angle, ConvertAngle, ScaleAngle, 1};
const UnitConversion DistanceConversion{ValueQuantity::Distance, ConvertDistance, ScaleDistance, -1};
const UnitConversion PressureConversion{ValueQuantity::Pressure, ConvertPressure, ScalePressure, -1};
const UnitConversion TemperatureConversion{ValueQuantity::Temperature, ConvertTemperature, ScaleTemperature, -1};

const UnitConversion& ConversionOf(ValueQuantity quantity) noexcept
{
    switch (quantity) {
    case ValueQuantity::Angle: return AngleConversion;
    case ValueQuantity::Distance: return DistanceConversion;
    case ValueQuantity::Pressure: return PressureConversion;
    case ValueQuantity::Temperature: return TemperatureConversion;
    }
    return DistanceConversion;
}

}  // namespace

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
    return Outstanding;
}

}  // namespace Host
