#pragma once
// A host for the import fuzzer: an import context that checks, call by call, what a host may
// rely on, with converters that apply the real host's conversion rules and count every
// reference the plug-in holds. It keeps no transcript, so that a run stays fast.
#include <cstdint>
#include <vector>

#include "plugin/HostInterfaces.h"

namespace Fuzz {

// What the host's converter factory offers: everything, a factory that knows no unit code,
// or no factory at all (the plug-in must cope with the last two without failing).
enum class ConverterSupply { All, NoConverters, NoFactory };

// What one file of the import received, for the checks the harness makes afterwards.
struct FileSummary {
    long Lines = -1;            // lines the file holds, when the harness told; -1 unknown
    bool FactoryAsked = false;  // GetConverterFactory: the file was opened and a parser built
    bool Ended = false;         // the file's closing progress of 100 has come
    int ProgressCalls = 0;
    float LastProgress = -1;
    int Messages = 0;
    int Warnings = 0;
    int OtherCalls = 0;  // lines, begin and value calls
};

class CCheckingContext final : public Plugin::IImportContext {
public:
    explicit CCheckingContext(ConverterSupply supply) : Supply(supply) {}
    // The number of lines of the next file announced, as the text-mode rules cut it: each
    // line's progress is then checked against the driver's formula.
    void ExpectLines(long lines) { NextFileLines = lines; }
    ~CCheckingContext();
    CCheckingContext(const CCheckingContext&) = delete;
    CCheckingContext& operator=(const CCheckingContext&) = delete;

    // After Import has returned: the last file's end checks. Then Files holds one summary
    // per SetFileName.
    void EndImport();
    std::vector<FileSummary> Files;

    // Bookkeeping of the counted factory and converters (public for them).
    long Outstanding = 0;  // references held outside the host
    long Live = 0;         // objects not yet destroyed

    Plugin::IConverterFactory* GetConverterFactory() override;
    void SetFileName(const char16_t* name) override;
    void SetCurrentLine(std::int32_t line) override;
    void ReportWarning(const char16_t* text) override;
    void ReportMessage(const char16_t* text) override;
    void SetProgress(float percent) override;
    void AddPoint(const char16_t* name) override { Begin(name); }
    void SetX(double) override { ValueCall(); }
    void SetY(double) override { ValueCall(); }
    void SetZ(double) override { ValueCall(); }
    void SetPointKind(std::int32_t kind) override;
    void SetPointFlag(std::int32_t flag) override;
    void SetPointCode(const char16_t* code) override;
    void AddStation(const char16_t* name) override { Begin(name); }
    void SetInstrumentHeight(double) override { ValueCall(); }
    void AddTarget(const char16_t* name) override { Begin(name); }
    void SetPressure(double) override { ValueCall(); }
    void SetTemperature(double) override { ValueCall(); }
    void SetVerticalAngle(double) override { ValueCall(); }
    void SetHorizontalAngle(double) override { ValueCall(); }
    void SetTargetHeight(double) override { ValueCall(); }
    void SetSlopeDistance(double) override { ValueCall(); }
    void SetHorizontalDistance(double) override { ValueCall(); }
    void SetHeightDifference(double) override { ValueCall(); }

    // Positions the plug-in must never call.
    void Unused4() override { Unused(4); }
    void Unused8() override { Unused(8); }
    void Unused15() override { Unused(15); }
    void Unused16() override { Unused(16); }
    void Unused19() override { Unused(19); }
    void Unused20() override { Unused(20); }
    void Unused21() override { Unused(21); }
    void Unused23() override { Unused(23); }
    void Unused24() override { Unused(24); }
    void Unused28() override { Unused(28); }
    void Unused33() override { Unused(33); }
    void Unused34() override { Unused(34); }
    void Unused35() override { Unused(35); }

private:
    FileSummary& Current();
    void EndFile();
    void Begin(const char16_t* name);
    void ValueCall();
    static void RequireParser(const FileSummary& file, const char* what);
    [[noreturn]] void Unused(int position);

    ConverterSupply Supply;
    long NextFileLines = -1;
    bool Begun = false;             // a point, station or target was begun in this file
    std::int32_t NextLineIndex = 0; // the line the driver announces next
    std::int32_t UnreportedLine = -1;  // the line announced last, until its progress comes
};

}  // namespace Fuzz
