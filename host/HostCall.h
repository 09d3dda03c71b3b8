#pragma once
// One call the plug-in made on the host's import context, as the host records it.
#include <cstdint>
#include <string>

namespace Host {

enum class Op {
    GetConverterFactory, SetFileName, SetCurrentLine, ReportWarning, ReportMessage, SetProgress,
    AddPoint, AddStation, AddTarget, SetX, SetY, SetZ, SetPointKind, SetPointFlag, SetPointCode,
    SetInstrumentHeight, SetPressure, SetTemperature, SetVerticalAngle, SetHorizontalAngle,
    SetTargetHeight, SetSlopeDistance, SetHorizontalDistance, SetHeightDifference,
};

// The operation's name as the interface spells it.
const char* OpName(Op op) noexcept;

enum class ArgumentKind { None, Text, Name, Integer, Float, Double };
ArgumentKind ArgumentOf(Op op) noexcept;

struct HostCall {
    Op Operation = Op::GetConverterFactory;
    std::string Text;        // Text and Name arguments, UTF-8
    std::int32_t Integer = 0;
    float Float = 0;         // SetProgress
    double Double = 0;
};

// Receives every call in order; the trace, the diagnostics and the data model are sinks.
class ICallSink {
public:
    virtual ~ICallSink() = default;
    virtual void OnCall(const HostCall& call) = 0;
    // Whether SetFileName is to carry the name exactly as the plug-in passed it, rather than
    // the name the user knows the file by (standard input is imported from a private copy).
    virtual bool WantsNamesAsPassed() const { return false; }
};

}  // namespace Host
