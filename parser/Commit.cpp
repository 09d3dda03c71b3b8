#include <boost/format.hpp>

#include "parser/CAngleDMSConverter.h"
#include "parser/CParser.h"
#include "resources/StringTable.h"

namespace Plugin {

namespace {

enum class Quantity { Angle, Distance, Pressure, Temperature };

struct UnitChoice {
    Quantity Kind;
    std::int32_t Code;
};

// Entries of the unit table in order: "gon ", "DEG ", "DMS ", "mil ", "grad", "m   ", "ft  ",
// "Torr", "hPa ", "inHg", "C   ", "F   ", "grd ", "mmHg".
constexpr UnitChoice Units[] = {
    {Quantity::Angle, 4},       {Quantity::Angle, 3},       {Quantity::Angle, 1},
    {Quantity::Angle, 5},       {Quantity::Angle, 4},       {Quantity::Distance, 0},
    {Quantity::Distance, 1},    {Quantity::Pressure, 0},    {Quantity::Pressure, 1},
    {Quantity::Pressure, 2},    {Quantity::Temperature, 0}, {Quantity::Temperature, 1},
    {Quantity::Angle, 4},       {Quantity::Pressure, 0},
};
constexpr int DmsUnit = 2;

// Whether any of the values that take part in a merge is held by both records (Z is not).
bool BothHoldAMeasurement(const PointRecord& a, const PointRecord& b)
{
    for (double PointRecord::*field : {&PointRecord::X, &PointRecord::Y, &PointRecord::SlopeDistance,
                                       &PointRecord::HorizontalAngle, &PointRecord::HorizontalDistance,
                                       &PointRecord::VerticalAngle, &PointRecord::HeightDifference}) {
        if (IsSet(a.*field) && IsSet(b.*field))
            return true;
    }
    return false;
}

bool HoldsAMeasurement(const PointRecord& record)
{
    for (double PointRecord::*field : {&PointRecord::X, &PointRecord::Y, &PointRecord::Z,
                                       &PointRecord::HorizontalDistance, &PointRecord::HorizontalAngle,
                                       &PointRecord::SlopeDistance, &PointRecord::VerticalAngle,
                                       &PointRecord::HeightDifference}) {
        if (IsSet(record.*field))
            return true;
    }
    return false;
}

void MergeInto(PointRecord& last, const PointRecord& record)
{
    for (double PointRecord::*field : {&PointRecord::X, &PointRecord::Y, &PointRecord::Z,
                                       &PointRecord::HorizontalDistance, &PointRecord::VerticalAngle,
                                       &PointRecord::HorizontalAngle, &PointRecord::SlopeDistance,
                                       &PointRecord::HeightDifference}) {
        if (IsSet(record.*field))
            last.*field = record.*field;
    }
}

}  // namespace

// Replaces the converter of the unit's quantity with a new one from the host, stored before
// the old one is released. A host that has no converter for the code leaves the old one.
void CParser::SelectUnit(std::wstring_view token)
{
    const int index = LookUpUnit(token);
    if (index < 0 || !ConverterFactory)
        return;
    const UnitChoice unit = Units[index];
    switch (unit.Kind) {
    case Quantity::Angle:
        if (IAngleConverter* converter = ConverterFactory->GetAngleConverter(unit.Code)) {
            if (index != DmsUnit) {
                DmsConverter = nullptr;
                AngleConverter.Reset(converter);
            } else if (DmsConverter && DmsConverter->Wraps(converter)) {
                // The wrapper in force already hands its texts to this very converter: a new
                // wrapper would behave the same, so the host's new reference is given back.
                converter->Release();
            } else {
                auto* wrapper = new CAngleDMSConverter(converter);
                wrapper->AddRef();
                AngleConverter.Reset(wrapper);
                DmsConverter = wrapper;
                converter->Release();
            }
        }
        break;
    case Quantity::Distance:
        if (IDistanceConverter* converter = ConverterFactory->GetDistanceConverter(unit.Code))
            DistanceConverter.Reset(converter);
        break;
    case Quantity::Pressure:
        if (IPressureConverter* converter = ConverterFactory->GetPressureConverter(unit.Code))
            PressureConverter.Reset(converter);
        break;
    case Quantity::Temperature:
        if (ITemperatureConverter* converter = ConverterFactory->GetTemperatureConverter(unit.Code))
            TemperatureConverter.Reset(converter);
        break;
    }
}

bool CParser::CommitObservation(PointRecord*& slot)
{
    if (!slot || slot->Name.empty())
        return false;
    if (slot == CurrentStation.get())
        return true;
    if (!HoldsAMeasurement(*slot))
        return false;
    std::unique_ptr<PointRecord> record(slot);
    slot = nullptr;
    if (CurrentStation && CurrentStation->Name == record->Name) {
        const std::wstring message =
            boost::str(boost::wformat(LoadMessageText(IdTargetNamedLikeStation)) % record->Name);
        ReportMessageText(message);
        Recycle(std::move(record));
        return false;
    }
    record->TargetHeight = UseTargetHeight ? TargetHeight : 0;
    if (!Observations.empty()) {
        PointRecord& last = *Observations.back();
        if (last.Name == record->Name && !BothHoldAMeasurement(last, *record)) {
            MergeInto(last, *record);
            Recycle(std::move(record));
            return true;
        }
    }
    Observations.push_back(std::move(record));
    return true;
}

}  // namespace Plugin
