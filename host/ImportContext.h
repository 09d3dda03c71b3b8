#pragma once
// The host's import context: receives every call the plug-in makes during an import and
// hands it, in order, to the sinks that write the trace, the diagnostics and the model.
#include <map>
#include <string>
#include <vector>

#include "host/HostCall.h"
#include "plugin/HostInterfaces.h"

namespace Host {

class IRefusedValueSink;

class CImportContext final : public Plugin::IImportContext {
public:
    void AddSink(ICallSink& sink) { Sinks.push_back(&sink); }
    // Told of the value texts the converters refuse; must outlive the import.
    void SetRefusedValueSink(IRefusedValueSink* sink) { Refusals = sink; }
    // The file the plug-in will be given as passedName is shown to the user as shownName.
    void ShowFileAs(const std::string& passedName, const std::string& shownName) { ShownNames[passedName] = shownName; }

    Plugin::IConverterFactory* GetConverterFactory() override;
    void SetFileName(const char16_t* name) override;
    void SetCurrentLine(std::int32_t line) override;
    void ReportWarning(const char16_t* text) override;
    void ReportMessage(const char16_t* text) override;
    void SetProgress(float percent) override;
    void AddPoint(const char16_t* name) override;
    void SetX(double value) override;
    void SetY(double value) override;
    void SetZ(double value) override;
    void SetPointKind(std::int32_t kind) override;
    void SetPointFlag(std::int32_t flag) override;
    void SetPointCode(const char16_t* code) override;
    void AddStation(const char16_t* name) override;
    void SetInstrumentHeight(double value) override;
    void AddTarget(const char16_t* name) override;
    void SetPressure(double value) override;
    void SetTemperature(double value) override;
    void SetVerticalAngle(double value) override;
    void SetHorizontalAngle(double value) override;
    void SetTargetHeight(double value) override;
    void SetSlopeDistance(double value) override;
    void SetHorizontalDistance(double value) override;
    void SetHeightDifference(double value) override;

    // Positions the plug-in does not call.
    void Unused4() override {}
    void Unused8() override {}
    void Unused15() override {}
    void Unused16() override {}
    void Unused19() override {}
    void Unused20() override {}
    void Unused21() override {}
    void Unused23() override {}
    void Unused24() override {}
    void Unused28() override {}
    void Unused33() override {}
    void Unused34() override {}
    void Unused35() override {}

private:
    void Emit(Op op);
    void EmitText(Op op, const char16_t* text);
    void EmitInteger(Op op, std::int32_t value);
    void EmitDouble(Op op, double value);

    std::vector<ICallSink*> Sinks;
    IRefusedValueSink* Refusals = nullptr;
    std::map<std::string, std::string> ShownNames;
    HostCall Call;  // reused for every call
};

}  // namespace Host
