#include "host/HostCall.h"

namespace Host {

const char* OpName(Op op) noexcept
{
    switch (op) {
    case Op::GetConverterFactory: return "GetConverterFactory";
    case Op::SetFileName: return "SetFileName";
    case Op::SetCurrentLine: return "SetCurrentLine";
    case Op::ReportWarning: return "ReportWarning";
    case Op::ReportMessage: return "ReportMessage";
    case Op::SetProgress: return "SetProgress";
    case Op::AddPoint: return "AddPoint";
    case Op::AddStation: return "AddStation";
    case Op::AddTarget: return "AddTarget";
    case Op::SetX: return "SetX";
    case Op::SetY: return "SetY";
    case Op::SetZ: return "SetZ";
    case Op::SetPointKind: return "SetPointKind";
    case Op::SetPointFlag: return "SetPointFlag";
    case Op::SetPointCode: return "SetPointCode";
    case Op::SetInstrumentHeight: return "SetInstrumentHeight";
    case Op::SetPressure: return "SetPressure";
    case Op::SetTemperature: return "SetTemperature";
    case Op::SetVerticalAngle: return "SetVerticalAngle";
    case Op::SetHorizontalAngle: return "SetHorizontalAngle";
    case Op::SetTargetHeight: return "SetTargetHeight";
    case Op::SetSlopeDistance: return "SetSlopeDistance";
    case Op::SetHorizontalDistance: return "SetHorizontalDistance";
    case Op::SetHeightDifference: return "SetHeightDifference";
    }
    return "";
}

ArgumentKind ArgumentOf(Op op) noexcept
{
    switch (op) {
    case Op::GetConverterFactory: return ArgumentKind::None;
    case Op::SetFileName: case Op::ReportWarning: case Op::ReportMessage: case Op::SetPointCode:
        return ArgumentKind::Text;
    case Op::AddPoint: case Op::AddStation: case Op::AddTarget:
        return ArgumentKind::Name;
    case Op::SetCurrentLine: case Op::SetPointKind: case Op::SetPointFlag:
        return ArgumentKind::Integer;
    case Op::SetProgress:
        return ArgumentKind::Float;
    default:
        return ArgumentKind::Double;
    }
}

}  // namespace Host
