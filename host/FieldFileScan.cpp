#include "host/FieldFileScan.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/CodePage.h"
#include "platform/TextModeFile.h"
#include "platform/Utf16.h"

namespace Host {

namespace {

constexpr std::size_t InformationTextOffset = 4;
constexpr std::size_t EarlyVersionLength = 119;

// The plug-in's table of type identifiers: a padded token is looked for anywhere in the text
// and its position divided by three is its index, as the plug-in looks it up.
constexpr std::wstring_view TypeIdentifiers =
    L"PI|TI|TG|KR|TR|X |x |N |N_|Y |y |E |E_|Z |SD|HD|Hz|HV|V1|V2|V3|th|ih|h |T_|T |P |Om|20|21|22|";

int LookUpType(std::wstring_view token)
{
    std::wstring padded(token);
    if (padded.size() < 2)
        padded.resize(2, L' ');
    const std::size_t at = TypeIdentifiers.find(padded);
    return at == std::wstring_view::npos ? -1 : static_cast<int>(at / 3);
}

bool IsCoordinateType(int index)
{
    return index == 5 || index == 7 || index == 8 || index == 9 || index == 11 || index == 12;
}

bool IsMeasurementType(int index)
{
    return index >= 14 && index <= 20;  // "SD", "HD", "Hz", "HV", "V1", "V2", "V3"
}

std::wstring_view TakeField(std::wstring_view& source, wchar_t separator)
{
    const std::size_t at = source.find(separator);
    const std::wstring_view field = source.substr(0, at);
    source = at == std::wstring_view::npos ? std::wstring_view() : source.substr(at + 1);
    return field;
}

std::wstring_view TrimLeft(std::wstring_view text)
{
    std::size_t first = 0;
    while (first < text.size() && IsBlank(text[first]))
        ++first;
    return text.substr(first);
}

bool AcceptedMarker(std::wstring_view marker)
{
    return marker == L"END" ||
           (marker.size() == 6 && marker.substr(0, 3) == L"For" && marker.substr(4) == L"M5");
}

// The decimal integer of a "21" or "22" record as the plug-in reads it: leading blanks, a
// sign, the longest run of digits; no digits read as 0.
std::int32_t ReadColumn(std::wstring_view text)
{
    text = TrimLeft(text);
    bool negative = false;
    if (!text.empty() && (text[0] == L'+' || text[0] == L'-')) {
        negative = text[0] == L'-';
        text.remove_prefix(1);
    }
    // Beyond the 32-bit range a column lies outside the text anyway; the value is held there.
    constexpr std::int64_t Limit = std::int64_t{1} << 31;
    std::int64_t value = 0;
    for (std::size_t i = 0; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i)
        value = std::min(value * 10 + (text[i] - L'0'), Limit);
    return static_cast<std::int32_t>(negative ? -value : std::min(value, Limit - 1));
}

}  // namespace

bool IsBlank(wchar_t c) noexcept
{
    return c == L' ' || (c >= L'\t' && c <= L'\r');
}

std::wstring_view TrimBlanks(std::wstring_view text) noexcept
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsBlank(text[first]))
        ++first;
    while (last > first && IsBlank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

bool CFieldFileScan::Read(const std::string& path, std::string& reason)
{
    Platform::TextModeFile file;
    errno = 0;
    if (!file.Read(Platform::Utf8ToUtf16(path))) {
        // Opened but refused: a folder or a device is no field file.
        reason = "cannot read " + path + ": " + (errno != 0 ? std::strerror(errno) : "not a file");
        return false;
    }
    ScanLines(file);
    return true;
}

void CFieldFileScan::Assign(const std::string& bytes)
{
    Platform::TextModeFile file;
    file.Assign(bytes);
    ScanLines(file);
}

void CFieldFileScan::ScanLines(Platform::TextModeFile& file)
{
    std::wstring line;
    const std::size_t count = file.LineCount();
    for (std::size_t i = 0; i < count && Refused == 0; ++i) {
        const std::string_view bytes = file.NextLine();
        Platform::DecodeWindows1251(bytes.data(), bytes.size(), line);
        ScanLine(static_cast<int>(i), line);
    }
}

void CFieldFileScan::Refuse(int index, const char* why)
{
    Refused = index + 1;
    RefusalText = why;
}

// The dispatch of the plug-in's line reading, as far as columns, headers and modes go.
void CFieldFileScan::ScanLine(int index, std::wstring& text)
{
    const std::wstring_view line = TrimBlanks(text);
    if (line.empty())
        return;
    if (line.size() == EarlyVersionLength && line.back() == L'O') {
        Refuse(index, "a record of early field software (119 characters ending in O)");
        return;
    }
    std::wstring_view rest = line;
    if (!AcceptedMarker(TakeField(rest, L'|'))) {
        Refuse(index, "no \"For M5\" or \"END\" before the first \"|\"");
        return;
    }
    const std::wstring_view address = TakeField(rest, L'|');
    const std::wstring_view info = TakeField(rest, L'|');
    const std::wstring_view kind = info.substr(0, 2);
    const std::wstring_view infoText =
        info.size() > InformationTextOffset ? info.substr(InformationTextOffset) : std::wstring_view();
    if (kind == L"PI" || kind == L"KR")
        ScanPoint(index, line.substr(0, line.size() - rest.size()), address, info, rest);
    else if (kind == L"TI" || kind == L"TR")
        ScanText(index, TrimBlanks(infoText), rest);
}

void CFieldFileScan::ScanText(int index, std::wstring_view text, std::wstring_view rest)
{
    if (index == 0 && !BlockOpen && text.find(L"START") != std::wstring_view::npos) {
        BlockOpen = true;
        Block = StartBlock{index + 1, 0, std::nullopt, std::nullopt};
    } else if (BlockOpen && text.find(L"END") != std::wstring_view::npos) {
        BlockOpen = false;
        Block->EndLine = index + 1;
    }
    if (text == L"KN STAT" || text == L"UN STAT" || text == L"EL STAT")
        StationHeaders = true;
    for (int i = 0; i < 3 && BlockOpen; ++i) {
        std::wstring_view block = TakeField(rest, L'|');
        const int type = LookUpType(TakeField(block, L' '));
        block = TrimLeft(block);
        const std::wstring_view value = TrimBlanks(TakeField(block, L' '));
        if (value.empty() || (type != 29 && type != 30))
            continue;
        (type == 29 ? Block->CodeStart : Block->PointStart) = ReadColumn(value);
    }
}

void CFieldFileScan::ScanPoint(int index, std::wstring_view shown, std::wstring_view address,
                               std::wstring_view info, std::wstring_view rest)
{
    ++Count;
    if (PointLines.size() >= MaxPoints)
        return;
    PointLine point;
    point.Line = index + 1;
    point.Address = address;
    point.Text = info.size() > InformationTextOffset ? info.substr(InformationTextOffset) : std::wstring_view();
    point.First = IsCoordinateType(LookUpType(rest.substr(0, 2))) ? FirstValue::Coordinate : FirstValue::Other;
    for (int i = 0; i < 3; ++i) {
        std::wstring_view block = TakeField(rest, L'|');
        const int type = LookUpType(TakeField(block, L' '));
        block = TrimLeft(block);
        point.Measured = point.Measured || (IsMeasurementType(type) && !TrimBlanks(TakeField(block, L' ')).empty());
    }
    if (PointLines.size() < ShownLines) {
        point.Shown = shown;
        point.TextOffset = static_cast<std::size_t>(info.data() - shown.data()) +
                           std::min(info.size(), InformationTextOffset);
    }
    PointLines.push_back(std::move(point));
}

}  // namespace Host
