#include <boost/lexical_cast.hpp>

#include "parser/CParser.h"
#include "resources/MessageTexts.h"

namespace Plugin {

using namespace std::string_view_literals;

std::wstring CParser::MakeDefaultStationName()
{
    std::wstring name = L"Default";
    if (DefaultStationCount > 0)
        name += L"_" + boost::lexical_cast<std::wstring>(DefaultStationCount);
    ++DefaultStationCount;
    return name;
}

std::wstring CParser::MakeUnnamedStationName()
{
    std::wstring name = L"defaultSt_" + boost::lexical_cast<std::wstring>(UnnamedStationCount);
    ++UnnamedStationCount;
    return name;
}

// Hands the set-up to the host: the station (or a default one), the air values and
// instrument height in force now, then every target worth sending.
bool CParser::CloseStation()
{
    const bool standard = Settings.Mode == ImportSettings::StandardHeaders;
    bool madeDefault = false;
    // The kind of every name sent below may be looked up: their places in the set of names
    // of kind "B" are loaded all at once, not one after another.
    if (CurrentStation)
        KindBNames.Prefetch(CurrentStation->Name);
    for (const auto& record : Observations)
        KindBNames.Prefetch(record->Name);
    if (CurrentStation && !CurrentStation->Name.empty()) {
        if (!HeaderStationActive && standard) {
            SendText(&IImportContext::AddPoint, CurrentStation->Name);
        } else {
            SendText(&IImportContext::AddStation, CurrentStation->Name);
            if (IsSet(Pressure))
                Context.SetPressure(Pressure);
            if (IsSet(Temperature))
                Context.SetTemperature(Temperature);
            if (standard)
                MarkPointKind(CurrentStation.get(), L"P"sv);
        }
        if (IsSet(InstrumentHeight))
            Context.SetInstrumentHeight(InstrumentHeight);
        SendPointValues(CurrentStation.get());
    } else {
        const std::wstring name = MakeDefaultStationName();
        ReportWarningText(FormatDefaultStationNotice(name));
        SendText(&IImportContext::AddStation, name);
        if (IsSet(Pressure))
            Context.SetPressure(Pressure);
        if (IsSet(Temperature))
            Context.SetTemperature(Temperature);
        if (IsSet(InstrumentHeight))
            Context.SetInstrumentHeight(InstrumentHeight);
        madeDefault = true;
    }
    const bool asTargets = madeDefault || HeaderStationActive || PolarActive || !standard;
    for (const auto& record : Observations) {
        if (record->Name.empty())
            continue;
        if (!IsSet(record->X) && !IsSet(record->Y) && !IsSet(record->Z) && !IsSet(record->HorizontalAngle))
            continue;
        SendText(asTargets ? &IImportContext::AddTarget : &IImportContext::AddPoint, record->Name);
        SendPointValues(record.get());
    }
    StationInstrumentHeight = NotSet;
    ResetStation();
    return true;
}

void CParser::ResetStation()
{
    while (!Observations.empty()) {
        Recycle(std::move(Observations.back()));
        Observations.pop_back();
    }
    if (CurrentStation && PendingRecord == CurrentStation.get())
        PendingRecord = nullptr;
    Recycle(std::move(CurrentStation));
}

}  // namespace Plugin
