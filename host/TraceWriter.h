#pragma once
// `--format trace`: one JSON object per call, in call order (JSON Lines, UTF-8).
#include <memory>
#include <ostream>
#include <string>

#include "host/HostCall.h"

namespace Host {

// Lines are written into a buffer and go to the stream in pieces; Flush hands over what is
// collected, and so does the destructor, so that the calls traced before an import failed
// are written too.
class CTraceWriter final : public ICallSink {
public:
    explicit CTraceWriter(std::ostream& out);
    ~CTraceWriter() override;
    CTraceWriter(const CTraceWriter&) = delete;
    CTraceWriter& operator=(const CTraceWriter&) = delete;
    void OnCall(const HostCall& call) override;
    void Flush();
private:
    // Room for count more characters, the buffer flushed first when they do not fit.
    char* Room(std::size_t count);
    void WriteRaw(const char* data, std::size_t count);
    void WriteText(const std::string& text);

    std::ostream& Out;
    std::unique_ptr<char[]> Buffer;
    std::size_t Used = 0;
};

}  // namespace Host
