#include "parser/CParser.h"

namespace Plugin {

using namespace std::string_view_literals;

namespace {

template <std::size_t N>
bool StartsWithOneOf(const std::wstring& code, const wchar_t (&characters)[N])
{
    if (code.empty())
        return false;
    for (std::size_t i = 0; i + 1 < N; ++i)
        if (code.front() == characters[i])
            return true;
    return false;
}

}  // namespace

// The first character of a code carries meaning: odd digits make a point of kind "B", the
// digits 2, 3, 6 and 7 set its flag, A to E and "!" make it kind "P" (and are not sent as
// code text). A point without a code, outside station headers, is of kind "B".
bool CParser::SendPointValues(const PointRecord* record)
{
    if (!record)
        return false;
    if (record->Name.empty())
        return true;
    const std::wstring& code = record->Code;
    if (!code.empty()) {
        if (StartsWithOneOf(code, L"13579"))
            MarkPointKind(record, L"B"sv);
        if (StartsWithOneOf(code, L"2367"))
            Context.SetPointFlag(0);
        if (StartsWithOneOf(code, L"ABCDE!"))
            MarkPointKind(record, L"P"sv);
        else if (!Equals(code, L"S"))
            SendText(&IImportContext::SetPointCode, code);
    } else if (!HeaderStationActive && Settings.Mode == ImportSettings::StandardHeaders) {
        MarkPointKind(record, L"B"sv);
    }
    SendCoordinate(*record, L"X"sv);
    SendCoordinate(*record, L"Y"sv);
    SendCoordinate(*record, L"Z"sv);
    if (IsSet(record->SlopeDistance))
        Context.SetSlopeDistance(record->SlopeDistance);
    if (IsSet(record->HorizontalAngle))
        Context.SetHorizontalAngle(record->HorizontalAngle);
    if (IsSet(record->VerticalAngle))
        Context.SetVerticalAngle(record->VerticalAngle);
    if (IsSet(record->HorizontalDistance))
        Context.SetHorizontalDistance(record->HorizontalDistance);
    if (IsSet(record->TargetHeight))
        Context.SetTargetHeight(record->TargetHeight);
    if (IsSet(record->HeightDifference)) {
        // A levelled height difference over a horizontal distance refers to the instrument.
        if (IsSet(record->HorizontalDistance) && CurrentStation && IsSet(InstrumentHeight))
            Context.SetTargetHeight(InstrumentHeight);
        Context.SetHeightDifference(record->HeightDifference);
    }
    return true;
}

// Kind "B" sticks to a name for the rest of the file: later "P" requests for it are refused.
bool CParser::MarkPointKind(const PointRecord* record, std::wstring_view kind)
{
    const wchar_t letter = kind.empty() ? L'\0' : kind.front();
    if (!record)
        return false;
    if (letter == L'B') {
        Context.SetPointKind(0);
        KindBNames.Insert(record->Name);
        return true;
    }
    if (KindBNames.Contains(record->Name))
        return false;
    if (letter == L'P')
        Context.SetPointKind(1);
    return true;
}

void CParser::SendCoordinate(const PointRecord& record, std::wstring_view axis)
{
    if (Equals(axis, L"X") && IsSet(record.X))
        Context.SetX(record.X);
    else if (Equals(axis, L"Y") && IsSet(record.Y))
        Context.SetY(record.Y);
    else if (Equals(axis, L"Z") && IsSet(record.Z))
        Context.SetZ(record.Z);
}

}  // namespace Plugin
