#include "host/ImportContext.h"

#include "host/Converters.h"
#include "platform/Utf16.h"

namespace Host {

void CImportContext::Emit(Op op)
{
    Call.Operation = op;
    for (ICallSink* sink : Sinks)
        sink->OnCall(Call);
}

void CImportContext::EmitText(Op op, const char16_t* text)
{
    Call.Text = Platform::Utf16ToUtf8(text);
    Emit(op);
}

void CImportContext::EmitInteger(Op op, std::int32_t value)
{
    Call.Integer = value;
    Emit(op);
}

void CImportContext::EmitDouble(Op op, double value)
{
    Call.Double = value;
    Emit(op);
}

Plugin::IConverterFactory* CImportContext::GetConverterFactory()
{
    Emit(Op::GetConverterFactory);
    return CConverterFactory::Create(Refusals);
}

void CImportContext::SetFileName(const char16_t* name)
{
    const std::string passed = Platform::Utf16ToUtf8(name);
    const auto shown = ShownNames.find(passed);
    Call.Operation = Op::SetFileName;
    for (ICallSink* sink : Sinks) {
        Call.Text = shown == ShownNames.end() || sink->WantsNamesAsPassed() ? passed : shown->second;
        sink->OnCall(Call);
    }
}

void CImportContext::SetCurrentLine(std::int32_t line) { EmitInteger(Op::SetCurrentLine, line); }
void CImportContext::ReportWarning(const char16_t* text) { EmitText(Op::ReportWarning, text); }
void CImportContext::ReportMessage(const char16_t* text) { EmitText(Op::ReportMessage, text); }

void CImportContext::SetProgress(float percent)
{
    Call.Float = percent;
    Emit(Op::SetProgress);
}

void CImportContext::AddPoint(const char16_t* name) { EmitText(Op::AddPoint, name); }
void CImportContext::SetX(double value) { EmitDouble(Op::SetX, value); }
void CImportContext::SetY(double value) { EmitDouble(Op::SetY, value); }
void CImportContext::SetZ(double value) { EmitDouble(Op::SetZ, value); }
void CImportContext::SetPointKind(std::int32_t kind) { EmitInteger(Op::SetPointKind, kind); }
void CImportContext::SetPointFlag(std::int32_t flag) { EmitInteger(Op::SetPointFlag, flag); }
void CImportContext::SetPointCode(const char16_t* code) { EmitText(Op::SetPointCode, code); }
void CImportContext::AddStation(const char16_t* name) { EmitText(Op::AddStation, name); }
void CImportContext::SetInstrumentHeight(double value) { EmitDouble(Op::SetInstrumentHeight, value); }
void CImportContext::AddTarget(const char16_t* name) { EmitText(Op::AddTarget, name); }
void CImportContext::SetPressure(double value) { EmitDouble(Op::SetPressure, value); }
void CImportContext::SetTemperature(double value) { EmitDouble(Op::SetTemperature, value); }
void CImportContext::SetVerticalAngle(double value) { EmitDouble(Op::SetVerticalAngle, value); }
void CImportContext::SetHorizontalAngle(double value) { EmitDouble(Op::SetHorizontalAngle, value); }
void CImportContext::SetTargetHeight(double value) { EmitDouble(Op::SetTargetHeight, value); }
void CImportContext::SetSlopeDistance(double value) { EmitDouble(Op::SetSlopeDistance, value); }
void CImportContext::SetHorizontalDistance(double value) { EmitDouble(Op::SetHorizontalDistance, value); }
void CImportContext::SetHeightDifference(double value) { EmitDouble(Op::SetHeightDifference, value); }

}  // namespace Host
