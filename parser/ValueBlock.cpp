#include <iterator>
#include <limits>

#include "parser/CParser.h"
#include "resources/StringTable.h"

namespace Plugin {

namespace {

enum TypeIndex : int {
    TypeX = 5, TypeRelativeX = 6, TypeN = 7, TypeNUnderscore = 8,
    TypeY = 9, TypeRelativeY = 10, TypeE = 11, TypeEUnderscore = 12,
    TypeZ = 13, TypeSlopeDistance = 14, TypeHorizontalDistance = 15, TypeHz = 16,
    TypeHV = 17, TypeV1 = 18, TypeV2 = 19, TypeV3 = 20,
    TypeTargetHeight = 21, TypeInstrumentHeight = 22, TypeHeightDifference = 23,
    TypeTUnderscore = 24, TypeT = 25, TypePressure = 26, TypeOrientation = 27,
    Type20 = 28, TypeCodeStart = 29, TypePointStart = 30,
};

// A column number of the START block: optional sign and the longest run of digits, the rest
// ignored, no digits read as 0. Columns before the text count as 1; the value saturates at
// the 32-bit range.
std::int32_t ReadColumn(std::wstring_view text)
{
    text = CParser::TrimLeft(text);
    bool negative = false;
    if (!text.empty() && (text.front() == L'+' || text.front() == L'-')) {
        negative = text.front() == L'-';
        text.remove_prefix(1);
    }
    std::int64_t value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9')
            break;
        value = std::min<std::int64_t>(value * 10 + (c - L'0'), std::numeric_limits<std::int32_t>::max());
    }
    if (negative || value < 1)
        return 1;
    return static_cast<std::int32_t>(value);
}

// The tokens of a block end at the first blank after them, a few characters off; what follows
// the unit is never read.
std::wstring_view TakeToken(std::wstring_view& block) noexcept
{
    const wchar_t* const begin = block.data();
    const wchar_t* const end = begin + block.size();
    const wchar_t* at = begin;
    while (at != end && *at != L' ')
        ++at;
    block = at == end ? std::wstring_view() : std::wstring_view(at + 1, static_cast<std::size_t>(end - at - 1));
    return std::wstring_view(begin, static_cast<std::size_t>(at - begin));
}

}  // namespace

// Cuts the block at blanks, as TakeField with the separator " " does: the type, then after
// the white space the value, then the unit.
bool CParser::ParseValueBlock(std::wstring_view block)
{
    if (block.empty())
        return false;
    const std::wstring_view type = TakeToken(block);
    block = TrimLeft(block);
    const int typeIndex = LookUpTypeIdentifier(type);
    // The value starts where the white space ended, so only its end can need trimming.
    std::wstring_view value = TakeToken(block);
    while (!value.empty() && IsWhiteSpace(value.back()))
        value.remove_suffix(1);
    block = TrimLeft(block);
    SelectUnit(TakeToken(block));
    if (value.empty() || typeIndex < TypeX || typeIndex > TypePointStart)
        return true;
    ApplyValue(typeIndex, value);
    return true;
}

template <typename Converter>
bool CParser::Convert(Converter* converter, std::wstring_view text, double& out)
{
    if (!converter)
        return false;
    // A value is a few characters, handed over from the stack; only a longer one needs memory.
    char16_t shortText[32];
    char16_t* target = shortText;
    if (text.size() >= std::size(shortText)) {
        ValueText.resize(text.size());
        target = ValueText.data();
    }
    for (std::size_t i = 0; i < text.size(); ++i)
        target[i] = static_cast<char16_t>(text[i]);
    target[text.size()] = u'\0';
    return converter->ConvertText(target, &out);
}

// The field of the pending record that a value type fills; null for the running values.
static double PointRecord::*PendingField(int typeIndex)
{
    switch (typeIndex) {
    case TypeX: case TypeRelativeX: case TypeN: case TypeNUnderscore: return &PointRecord::X;
    case TypeY: case TypeRelativeY: case TypeE: case TypeEUnderscore: return &PointRecord::Y;
    case TypeZ: return &PointRecord::Z;
    case TypeSlopeDistance: return &PointRecord::SlopeDistance;
    case TypeHorizontalDistance: return &PointRecord::HorizontalDistance;
    case TypeHz: return &PointRecord::HorizontalAngle;
    case TypeHV: case TypeV1: case TypeV2: case TypeV3: return &PointRecord::VerticalAngle;
    case TypeHeightDifference: return &PointRecord::HeightDifference;
    default: return nullptr;
    }
}

// Values for the pending record are dropped when no record is pending; a refused value
// leaves its field as it was. Relative coordinates are measured from the current station.
void CParser::StorePendingValue(int typeIndex, double PointRecord::*field, std::wstring_view value)
{
    if (!PendingRecord)
        return;
    const bool angle = typeIndex >= TypeHz && typeIndex <= TypeV3;
    double v = 0;
    if (!(angle ? Convert(AngleConverter.Get(), value, v) : Convert(DistanceConverter.Get(), value, v)))
        return;
    if (typeIndex == TypeRelativeX && CurrentStation && IsSet(CurrentStation->X))
        v += CurrentStation->X;
    else if (typeIndex == TypeRelativeY && CurrentStation && IsSet(CurrentStation->Y))
        v += CurrentStation->Y;
    PendingRecord->*field = v;
}

void CParser::ApplyValue(int typeIndex, std::wstring_view value)
{
    if (double PointRecord::*field = PendingField(typeIndex)) {
        StorePendingValue(typeIndex, field, value);
        return;
    }
    double v = 0;
    switch (typeIndex) {
    case TypeTargetHeight:
        if (Convert(DistanceConverter.Get(), value, v))
            TargetHeight = v;
        break;
    case TypeInstrumentHeight:
        if (Convert(DistanceConverter.Get(), value, v))
            ApplyInstrumentHeight(v);
        break;
    case TypeTUnderscore: case TypeT:
        if (Convert(TemperatureConverter.Get(), value, v))
            Temperature = v;
        break;
    case TypePressure:
        if (Convert(PressureConverter.Get(), value, v))
            Pressure = v;
        break;
    case TypeOrientation:
        OrientationCorrection = Convert(AngleConverter.Get(), value, v) ? v : 0;
        break;
    case TypeCodeStart: case TypePointStart:
        ApplyFieldPosition(typeIndex, value);
        break;
    default:
        break;
    }
}

// A changed instrument height inside a set-up is an error of the field work, except in
// separate measurements after the first target, where it starts a new set-up on the same
// station point.
void CParser::ApplyInstrumentHeight(double value)
{
    if (value != InstrumentHeight) {
        if (Settings.Mode == ImportSettings::SeparateMeasurements && CurrentStation && !Observations.empty()) {
            auto copy = std::make_unique<PointRecord>(*CurrentStation);
            CloseStation();
            CurrentStation = std::move(copy);
        } else if (IsSet(StationInstrumentHeight) && value != StationInstrumentHeight) {
            ReportMessageText(LoadMessageText(IdInstrumentHeightChanged));
        }
    }
    InstrumentHeight = value;
    StationInstrumentHeight = value;
}

void CParser::ApplyFieldPosition(int typeIndex, std::wstring_view value)
{
    if (!StartBlockOpen)
        return;
    if (typeIndex == TypeCodeStart)
        Settings.CodeStart = ReadColumn(value);
    else
        Settings.PointStart = ReadColumn(value);
}

}  // namespace Plugin
