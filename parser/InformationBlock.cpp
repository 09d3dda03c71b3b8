#include <algorithm>
#include <cmath>

#include <boost/algorithm/string/find.hpp>
#include <boost/algorithm/string/trim.hpp>

#include "parser/CParser.h"
#include "resources/StringTable.h"

namespace Plugin {


namespace {

// The kind and the two characters after it precede the information text.
constexpr std::size_t InformationTextOffset = 4;
constexpr std::size_t AddressNameLength = 5;

bool IsCoordinateType(int index)
{
    // "X ", "N ", "N_", "Y ", "E ", "E_": the relative forms and "Z " do not count.
    return index == 5 || index == 7 || index == 8 || index == 9 || index == 11 || index == 12;
}

bool IsRefusedStationing(std::wstring_view text)
{
    return CParser::Equals(text, L"STAT. KNWN. PNT.") || CParser::Equals(text, L"STAT. KNOWN POINT/") ||
           CParser::Equals(text, L"FREE STATIONING") || CParser::Equals(text, L"HEIGHTSTATIONING") ||
           CParser::Equals(text, L"Eccentric Station");
}


bool Contains(std::wstring_view text, const wchar_t* word)
{
    return !boost::algorithm::find_first(text, word).empty();
}

}  // namespace

bool CParser::HandleInformationBlock(std::wstring_view block, std::wstring_view address)
{
    if (block.empty())
        return false;
    const std::wstring_view kind = block.substr(0, 2);
    const std::wstring_view text = block.size() > InformationTextOffset ? block.substr(InformationTextOffset)
                                                                        : std::wstring_view();
    if (Equals(kind, L"PI") || Equals(kind, L"KR"))
        return HandlePointDeclaration(text, address);
    if (Equals(kind, L"TI") || Equals(kind, L"TR"))
        return HandleTextBlock(Trim(text));
    return false;
}

// A field of the information text, columns counted from 1. A start before the text counts
// as column 1, a start past its end gives an empty field, and a negative length runs to the
// end of the text.
std::wstring_view CParser::CutField(std::wstring_view text, std::int32_t start, std::int32_t length) const
{
    const std::size_t first = start < 1 ? 0 : static_cast<std::size_t>(start) - 1;
    if (first >= text.size())
        return std::wstring_view();
    const std::size_t left = text.size() - first;
    const std::size_t count = length < 0 ? left : std::min(left, static_cast<std::size_t>(length));
    return Trim(text.substr(first, count));
}

namespace {

// Names and codes of one file are mostly of one length: the text is copied over the old one
// without the library's general replace, which weighs every case of overlap and growth.
void AssignKeepingMemory(std::wstring& target, std::wstring_view text)
{
    if (target.size() != text.size())
        target.resize(text.size());
    std::copy(text.begin(), text.end(), target.begin());
}

}  // namespace

std::unique_ptr<PointRecord> CParser::MakeRecord(std::wstring_view name, std::wstring_view code)
{
    if (Reused.SpareRecords.empty())
        return std::make_unique<PointRecord>(std::wstring(name), std::wstring(code));
    std::unique_ptr<PointRecord> record = std::move(Reused.SpareRecords.back());
    Reused.SpareRecords.pop_back();
    // The name and the code keep their memory; every value is absent again.
    AssignKeepingMemory(record->Name, name);
    AssignKeepingMemory(record->Code, code);
    for (double PointRecord::*field : {&PointRecord::SlopeDistance, &PointRecord::HorizontalDistance,
                                       &PointRecord::HorizontalAngle, &PointRecord::VerticalAngle, &PointRecord::X,
                                       &PointRecord::Y, &PointRecord::Z, &PointRecord::HeightDifference,
                                       &PointRecord::TargetHeight})
        record.get()->*field = NotSet;
    return record;
}

void CParser::Recycle(std::unique_ptr<PointRecord> record)
{
    constexpr std::size_t MaxSpareRecords = 64;
    if (record && Reused.SpareRecords.size() < MaxSpareRecords)
        Reused.SpareRecords.push_back(std::move(record));
}

// The type of the first value block, read from its first two characters only, so that an
// empty first block is never taken for the identifier that follows its separator.
int CParser::NextTypeIndex()
{
    std::wstring_view start = LineRest.substr(0, 2);
    const wchar_t separator = FieldSeparator.front();
    if (!start.empty() && start[0] == separator)
        start = std::wstring_view();
    else if (start.size() == 2 && start[1] == separator)
        start = start.substr(0, 1);
    return LookUpTypeIdentifier(start);
}

bool CParser::HandlePointDeclaration(std::wstring_view text, std::wstring_view address)
{
    std::wstring_view name;
    if (Settings.TakePointNameFromAddr) {
        name = Trim(address.size() > AddressNameLength ? address.substr(address.size() - AddressNameLength)
                                                           : address);
    } else {
        name = CutField(text, Settings.PointStart, Settings.PointLen);
    }
    const std::wstring_view code = CutField(text, Settings.CodeStart, Settings.CodeLen);
    const int nextType = NextTypeIndex();
    const bool separate = Settings.Mode == ImportSettings::SeparateMeasurements;

    if (Equals(code, L"S")) {
        if (!CurrentStation) {
            OpenStation(std::wstring(name));
        } else if (separate && nextType == -1) {
            UpdateStationHeight();
        } else {
            CloseStation();
            if (PolarActive)
                ReportMessageText(LoadMessageText(IdDuplicateStation));
            OpenStation(std::wstring(name));
        }
        return true;
    }
    if (separate && IsCoordinateType(nextType)) {
        CloseStation();
        std::wstring stationName(name);
        if (stationName.empty()) {
            ReportWarningText(LoadMessageText(IdNoStationName));
            stationName = MakeUnnamedStationName();
        }
        DiscardPendingRecord();
        CurrentStation = MakeRecord(stationName, code);
        PendingRecord = CurrentStation.get();
        return true;
    }
    if (name.empty()) {
        ReportMessageText(LoadMessageText(IdNoPointName));
        return false;
    }
    DiscardPendingRecord();
    PendingRecord = MakeRecord(name, code).release();
    return true;
}

// The line's values fill the station itself; the code "S" is not kept.
void CParser::OpenStation(std::wstring name)
{
    if (name.empty()) {
        ReportWarningText(LoadMessageText(IdNoStationName));
        name = MakeUnnamedStationName();
    }
    DiscardPendingRecord();
    CurrentStation = MakeRecord(name, std::wstring_view());
    PendingRecord = CurrentStation.get();
}

// A repeated "S" point in separate measurements re-measures the station's height: only its
// Z is taken, from the line's own value blocks.
void CParser::UpdateStationHeight()
{
    DiscardPendingRecord();
    std::unique_ptr<PointRecord> update = MakeRecord(std::wstring_view(), std::wstring_view());
    PendingRecord = update.get();
    for (int block = 0; block < 3; ++block)
        ParseValueBlock(TakeField(LineRest, FieldSeparator));
    if (IsSet(update->Z) && CurrentStation)
        CurrentStation->Z = update->Z;
    PendingRecord = nullptr;
    Recycle(std::move(update));
}

bool CParser::HandleTextBlock(std::wstring_view text)
{
    UpdateSettingsBlock(text);
    if (Equals(text, L"KN STAT") || Equals(text, L"UN STAT") || Equals(text, L"EL STAT")) {
        HeaderSeen = true;
        if (Settings.Mode != ImportSettings::StandardHeaders)
            ReportFatal(IdWrongMode, false);
        CloseStation();
        HeaderStationActive = true;
        PolarActive = false;
    } else if (Equals(text, L"POLAR")) {
        if (!CurrentStation)
            ReportMessageText(LoadMessageText(IdNoStationDeclared));
        ApplyOrientationCorrection();
        OrientationCorrection = 0;
        PolarActive = true;
    } else if (Equals(text, L"ST-OUT")) {
        ApplyOrientationCorrection();
        OrientationCorrection = 0;
    } else if (Equals(text, L"PR")) {
        UseTargetHeight = true;
    } else if (Equals(text, L"DR")) {
        UseTargetHeight = false;
    } else if (IsRefusedStationing(text)) {
        ReportFatal(IdUnsupportedCommands, false);
    }
    return true;
}

// "START" on the first line opens the in-file settings block; the first later text that
// contains "END" closes it and fits the field lengths to the starts it set.
void CParser::UpdateSettingsBlock(std::wstring_view text)
{
    if (LineIndex == 0 && !StartBlockOpen) {
        if (Contains(text, L"START"))
            StartBlockOpen = true;
    } else if (StartBlockOpen && Contains(text, L"END")) {
        StartBlockOpen = false;
        Settings.FitFieldLengths();
    }
}

namespace {

constexpr double Pi = 3.1415926535898;
constexpr double TwoPi = 6.2831853071796;
// 2π less 0.01″: a direction this close below a full circle is taken as 0.
constexpr double FullCircleLimit = 6.283185258698232;
// Beyond this size subtracting 2π may no longer change a double, so the loops below could
// not end; such a direction is reduced by fmod first.
constexpr double LargeDirection = 1e6;

}  // namespace

double CParser::CorrectDirection(double direction, double correction)
{
    double h = direction + correction;
    const bool above = h > TwoPi;
    const bool below = !above && h < 0;
    if (above || below) {
        if (above)
            h = h - std::floor(h / TwoPi) * TwoPi;
        else if (h <= -TwoPi)
            h = h - std::ceil(h / TwoPi) * TwoPi;
        if (!std::isfinite(h) || std::fabs(h) >= LargeDirection)
            h = std::fmod(h, TwoPi);
        while (h - Pi >= Pi)
            h = h - TwoPi;
        while (h - Pi < -Pi)
            h = h + TwoPi;
    }
    return h > FullCircleLimit ? 0 : h;
}

void CParser::ApplyOrientationCorrection()
{
    if (Observations.empty() || OrientationCorrection == 0)
        return;
    for (auto record = Observations.rbegin(); record != Observations.rend(); ++record) {
        if (IsSet((*record)->HorizontalAngle))
            (*record)->HorizontalAngle = CorrectDirection((*record)->HorizontalAngle, OrientationCorrection);
    }
}

}  // namespace Plugin
