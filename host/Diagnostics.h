#pragma once
// Messages and warnings of an import on standard error, as `FILE:LINE: message` and
// `FILE:LINE: warning: text` (LINE from 1; none when the plug-in related the message to no
// line), and a progress bar while standard error is a terminal.
#include <cstdio>
#include <string>

#include "host/HostCall.h"

namespace Host {

class CDiagnostics final : public ICallSink {
public:
    CDiagnostics(std::FILE* stream, bool quiet, bool progress) : Stream(stream), Quiet(quiet), Progress(progress) {}
    ~CDiagnostics() override { ClearProgress(); }
    void OnCall(const HostCall& call) override;

    // Whether any file reported a message (could not be opened, was refused, or had errors).
    bool HadMessages() const noexcept { return Messages > 0; }
    int MessageCount() const noexcept { return Messages; }
    int WarningCount() const noexcept { return Warnings; }

private:
    void Print(const char* kind, const std::string& text);
    void DrawProgress(float percent);
    void ClearProgress();

    std::FILE* Stream;
    bool Quiet;
    bool Progress;
    std::string FileName;
    int Line = -1;
    int Messages = 0;
    int Warnings = 0;
    int ShownPercent = -1;
    bool ProgressShown = false;
};

}  // namespace Host
