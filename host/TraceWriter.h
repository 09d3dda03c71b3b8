#pragma once
// `--format trace`: one JSON object per call, in call order (JSON Lines, UTF-8).
#include <ostream>
#include <string>

#include "host/HostCall.h"

namespace Host {

// Lines go to the stream in pieces; Flush hands over what is collected, and so does the
// destructor, so that the calls traced before an import failed are written too.
class CTraceWriter final : public ICallSink {
public:
    explicit CTraceWriter(std::ostream& out) : Out(out) {}
    ~CTraceWriter() override;
    CTraceWriter(const CTraceWriter&) = delete;
    CTraceWriter& operator=(const CTraceWriter&) = delete;
    void OnCall(const HostCall& call) override;
    void Flush();
private:
    std::ostream& Out;
    std::string Pending;
};

}  // namespace Host
