#pragma once
// A host whose import context only counts the calls, with the real unit converters: what
// the benchmark measures is the plug-in's own work plus the conversions it asks for.
#include <cstdint>

#include "host/Converters.h"
#include "plugin/HostInterfaces.h"

namespace Bench {

class CCountingContext final : public Plugin::IImportContext {
public:
    std::uint64_t Calls = 0;
    std::uint64_t Points = 0;

    Plugin::IConverterFactory* GetConverterFactory() override { ++Calls; return Host::CConverterFactory::Create(); }
    void SetFileName(const char16_t*) override { ++Calls; }
    void SetCurrentLine(std::int32_t) override { ++Calls; }
    void Unused4() override {}
    void ReportWarning(const char16_t*) override { ++Calls; }
    void ReportMessage(const char16_t*) override { ++Calls; }
    void SetProgress(float) override { ++Calls; }
    void Unused8() override {}
    void AddPoint(const char16_t*) override { ++Calls; ++Points; }
    void SetX(double) override { ++Calls; }
    void SetY(double) override { ++Calls; }
    void SetZ(double) override { ++Calls; }
    void SetPointKind(std::int32_t) override { ++Calls; }
    void SetPointFlag(std::int32_t) override { ++Calls; }
    void Unused15() override {}
    void Unused16() override {}
    void SetPointCode(const char16_t*) override { ++Calls; }
    void AddStation(const char16_t*) override { ++Calls; ++Points; }
    void Unused19() override {}
    void Unused20() override {}
    void Unused21() override {}
    void SetInstrumentHeight(double) override { ++Calls; }
    void Unused23() override {}
    void Unused24() override {}
    void AddTarget(const char16_t*) override { ++Calls; ++Points; }
    void SetPressure(double) override { ++Calls; }
    void SetTemperature(double) override { ++Calls; }
    void Unused28() override {}
    void SetVerticalAngle(double) override { ++Calls; }
    void SetHorizontalAngle(double) override { ++Calls; }
    void SetTargetHeight(double) override { ++Calls; }
    void SetSlopeDistance(double) override { ++Calls; }
    void Unused33() override {}
    void Unused34() override {}
    void Unused35() override {}
    void SetHorizontalDistance(double) override { ++Calls; }
    void SetHeightDifference(double) override { ++Calls; }
};

class COneFile final : public Plugin::IFileNameEnumerator {
public:
    explicit COneFile(std::u16string name) : Name(std::move(name)) {}
    bool IsValid() override { return !Done; }
    void MoveNext() override { Done = true; }
    const char16_t* Current() override { return Name.c_str(); }
    void Reset() override { Done = false; }
private:
    std::u16string Name;
    bool Done = false;
};

}  // namespace Bench
