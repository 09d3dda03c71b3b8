#pragma once
// A fake host for unit tests: records every call the plug-in makes on the import context as
// one transcript line ("AddStation 1001", "SetX 1000.5", "ReportMessage <text>"), so a test
// compares transcripts and a failure shows the first differing call.
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "plugin/HostInterfaces.h"

namespace Testing {

// Shortest decimal text that reads back to the same value.
std::string Number(double value);
std::string Number(float value);

class CFakeConverterFactory;

// Converters of the fake host read the strict decimal syntax of the real host and return the
// number unchanged, except: distance code 1 (feet) multiplies by 0.3048, and angle code 1
// reads dotted degrees-minutes-seconds ("123.45.30") and returns decimal degrees. Every
// factory request and converter call goes to the converter log.
class CRecordingHost final : public Plugin::IImportContext {
public:
    CRecordingHost();
    ~CRecordingHost();
    CRecordingHost(const CRecordingHost&) = delete;
    CRecordingHost& operator=(const CRecordingHost&) = delete;

    std::vector<std::string> Calls;         // the transcript of context calls
    std::vector<std::string> ConverterLog;  // factory requests and ConvertText calls
    bool RecordProgress = true;             // SetCurrentLine and SetProgress in Calls
    std::set<std::string> MissingConverters;  // "angle 1", "distance 0": the factory returns null
    bool NoFactory = false;                 // GetConverterFactory returns null

    // References the plug-in holds to the factory and its converters right now.
    long OutstandingReferences() const noexcept { return Outstanding; }
    // Objects (factory and converters) created and not yet destroyed.
    long LiveObjects() const noexcept { return Live; }

    // Calls joined by newlines, each followed by one.
    std::string Transcript() const;
    // Only the calls of these operations (for focused comparisons).
    std::vector<std::string> CallsOf(const std::set<std::string>& operations) const;

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
    void Unused4() override { Calls.push_back("Unused4"); }
    void Unused8() override { Calls.push_back("Unused8"); }
    void Unused15() override { Calls.push_back("Unused15"); }
    void Unused16() override { Calls.push_back("Unused16"); }
    void Unused19() override { Calls.push_back("Unused19"); }
    void Unused20() override { Calls.push_back("Unused20"); }
    void Unused21() override { Calls.push_back("Unused21"); }
    void Unused23() override { Calls.push_back("Unused23"); }
    void Unused24() override { Calls.push_back("Unused24"); }
    void Unused28() override { Calls.push_back("Unused28"); }
    void Unused33() override { Calls.push_back("Unused33"); }
    void Unused34() override { Calls.push_back("Unused34"); }
    void Unused35() override { Calls.push_back("Unused35"); }

    // Bookkeeping of the fake's counted objects.
    long Outstanding = 0;
    long Live = 0;

private:
    void Text(const char* op, const char16_t* text);
    void Value(const char* op, double value);
};

// A settings store that answers ReadInt from a map and logs every call in order.
class CFakeSettingsStore final : public Plugin::ISettingsReader, public Plugin::ISettingsWriter {
public:
    std::map<std::string, std::int32_t> Values;
    std::vector<std::string> Log;  // "ReadInt PointStart 1", "WriteInt PointStart 5"

    void Unused1() override { Log.push_back("Unused1"); }
    std::int32_t ReadInt(const char16_t* key, std::int32_t defaultValue) override;
    void WriteInt(const char16_t* key, std::int32_t value) override;
};

// A host's list of file names that logs the enumerator calls.
class CFakeFileList final : public Plugin::IFileNameEnumerator {
public:
    explicit CFakeFileList(std::vector<std::string> names);
    std::vector<std::string> Log;
    bool IsValid() override;
    void MoveNext() override;
    const char16_t* Current() override;
    void Reset() override;
private:
    std::vector<std::u16string> Names;
    std::size_t Position = 0;
};

std::string Utf8(const char16_t* text);
std::u16string Utf16(const std::string& utf8);

}  // namespace Testing
