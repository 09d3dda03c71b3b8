#pragma once
// `--format trace`: one JSON object per call, in call order (JSON Lines, UTF-8).
#include <ostream>
#include <string>

#include "host/HostCall.h"

namespace Host {

// The shortest decimal text that reads back to the same value.
std::string ShortestDecimal(double value);
std::string ShortestDecimal(float value);

class CTraceWriter final : public ICallSink {
public:
    explicit CTraceWriter(std::ostream& out) : Out(out) {}
    void OnCall(const HostCall& call) override;
private:
    std::ostream& Out;
    std::string Line;
};

}  // namespace Host
