#pragma once
// Messages and warnings of an import on standard error, as `FILE:LINE: message` and
// `FILE:LINE: warning: text` (LINE from 1; none when the plug-in related the message to no
// line), in the reader's language, and a progress bar while standard error is a terminal.
// Of a message repeated within a file only the first ten are shown; one line at the end of
// the file counts the rest. Values the host's converters refused are warned of the same way.
#include <cstdio>
#include <string>

#include "host/Converters.h"
#include "host/HostCall.h"
#include "host/Language.h"
#include "host/RepeatedMessages.h"

namespace Host {

class CDiagnostics final : public ICallSink, public IRefusedValueSink {
public:
    CDiagnostics(std::FILE* stream, bool quiet, bool progress, Language language = Language::English)
        : Stream(stream), Quiet(quiet), Progress(progress), Shown(language)
    {
    }
    ~CDiagnostics() override { ClearProgress(); }
    void OnCall(const HostCall& call) override;
    void OnRefusedValue(ValueQuantity quantity, std::string_view text, Refusal why) override;
    // After the import: the summary of the last file's repeated messages.
    void Finish();
    // A warning of the host's own that concerns no file: `m5import: warning: text`.
    void Warn(const std::string& text);

    // Whether any file reported a message (could not be opened, was refused, or had errors).
    bool HadMessages() const noexcept { return Messages > 0; }
    int MessageCount() const noexcept { return Messages; }
    int WarningCount() const noexcept { return Warnings; }
    int RefusedValueCount() const noexcept { return RefusedValues; }

private:
    void Report(const char* kind, const std::string& groupText, const std::string& text);
    void Print(const std::string& where, const std::string& text);
    void SummariseFile();
    void DrawProgress(float percent);
    void ClearProgress();

    std::FILE* Stream;
    bool Quiet;
    bool Progress;
    Language Shown;
    CRepeatedMessages Repeats;
    std::string FileName;
    int Line = -1;
    int Messages = 0;
    int Warnings = 0;
    int RefusedValues = 0;
    int ShownPercent = -1;
    bool ProgressShown = false;
};

}  // namespace Host
