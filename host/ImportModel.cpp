#include "host/ImportModel.h"

namespace Host {

void ApplyValueCall(ImportedPoint& item, const HostCall& call)
{
    const double value = call.Double;
    switch (call.Operation) {
    case Op::SetX: item.X = value; break;
    case Op::SetY: item.Y = value; break;
    case Op::SetZ: item.Z = value; break;
    case Op::SetPointKind: item.Kind = call.Integer; break;
    case Op::SetPointFlag: item.Flag = call.Integer; break;
    case Op::SetPointCode: item.Code = call.Text; break;
    case Op::SetInstrumentHeight: item.InstrumentHeight = value; break;
    case Op::SetPressure: item.Pressure = value; break;
    case Op::SetTemperature: item.Temperature = value; break;
    case Op::SetVerticalAngle: item.VerticalAngle = value; break;
    case Op::SetHorizontalAngle: item.HorizontalAngle = value; break;
    case Op::SetTargetHeight: item.TargetHeight = value; break;
    case Op::SetSlopeDistance: item.SlopeDistance = value; break;
    case Op::SetHorizontalDistance: item.HorizontalDistance = value; break;
    case Op::SetHeightDifference: item.HeightDifference = value; break;
    default: break;
    }
}

ImportedFile& CImportModel::File()
{
    if (Model.Files.empty())
        BeginFile(std::string());
    return Model.Files.back();
}

void CImportModel::BeginFile(const std::string& name)
{
    Model.Files.emplace_back();
    Model.Files.back().Name = name;
    Line.reset();
    Kind = CurrentKind::None;
    StationOpen = false;
    NextSequence = 0;
}

void CImportModel::BeginItem(Op op, const std::string& name)
{
    ImportedFile& file = File();
    ImportedPoint item;
    item.Name = name;
    item.Sequence = NextSequence++;
    switch (op) {
    case Op::AddStation:
        file.Stations.push_back(ImportedStation{std::move(item), {}});
        Kind = CurrentKind::Station;
        StationOpen = true;
        break;
    case Op::AddTarget:
        if (StationOpen) {
            file.Stations.back().Targets.push_back(std::move(item));
            Kind = CurrentKind::Target;
        } else {
            file.LooseTargets.push_back(std::move(item));
            Kind = CurrentKind::LooseTarget;
        }
        break;
    default:
        // A plain point ends the station's list of targets: what follows it is not known to
        // be observed from that station.
        file.Points.push_back(std::move(item));
        Kind = CurrentKind::Point;
        StationOpen = false;
        break;
    }
}

void CImportModel::AddNotice(bool isWarning, const std::string& text)
{
    ImportedFile& file = File();
    file.Notices.push_back(ImportNotice{isWarning, text, Line, NextSequence++});
}

ImportedPoint* CImportModel::Current()
{
    if (Model.Files.empty())
        return nullptr;
    ImportedFile& file = Model.Files.back();
    switch (Kind) {
    case CurrentKind::Station: return &file.Stations.back().Station;
    case CurrentKind::Target: return &file.Stations.back().Targets.back();
    case CurrentKind::LooseTarget: return &file.LooseTargets.back();
    case CurrentKind::Point: return &file.Points.back();
    case CurrentKind::None: break;
    }
    return nullptr;
}

void CImportModel::ApplyValue(const HostCall& call)
{
    if (ImportedPoint* item = Current())
        ApplyValueCall(*item, call);
}

void CImportModel::OnCall(const HostCall& call)
{
    switch (call.Operation) {
    case Op::SetFileName:
        BeginFile(call.Text);
        break;
    case Op::SetCurrentLine:
        // The plug-in counts lines from 0 and sends -1 for "no line".
        if (call.Integer >= 0)
            Line = std::int64_t{call.Integer} + 1;
        else
            Line.reset();
        break;
    case Op::ReportWarning:
    case Op::ReportMessage:
        AddNotice(call.Operation == Op::ReportWarning, call.Text);
        break;
    case Op::AddPoint:
    case Op::AddStation:
    case Op::AddTarget:
        BeginItem(call.Operation, call.Text);
        break;
    case Op::GetConverterFactory:
    case Op::SetProgress:
        break;
    default:
        ApplyValue(call);
        break;
    }
}

}  // namespace Host
