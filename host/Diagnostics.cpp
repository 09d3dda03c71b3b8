#include "host/Diagnostics.h"

#include "host/MessageCatalog.h"

namespace Host {

namespace {

constexpr const char* WarningKind = "warning: ";

}  // namespace

void CDiagnostics::OnCall(const HostCall& call)
{
    switch (call.Operation) {
    case Op::SetFileName:
        SummariseFile();
        FileName = call.Text;
        Line = -1;
        ShownPercent = -1;
        break;
    case Op::SetCurrentLine:
        Line = call.Integer;
        break;
    case Op::ReportMessage:
        ++Messages;
        Report("", call.Text, ShowMessage(call.Text, Shown));
        break;
    case Op::ReportWarning:
        ++Warnings;
        Report(WarningKind, call.Text, ShowMessage(call.Text, Shown));
        break;
    case Op::SetProgress:
        DrawProgress(call.Float);
        break;
    default:
        break;
    }
}

void CDiagnostics::OnRefusedValue(ValueQuantity quantity, std::string_view text, Refusal why)
{
    ++RefusedValues;
    // Refusals of one quantity for one reason are alike, whatever the text.
    Report(WarningKind, DescribeRefusedValue(quantity, "…", why, Shown), DescribeRefusedValue(quantity, text, why, Shown));
}

void CDiagnostics::Finish()
{
    SummariseFile();
    ClearProgress();
}

void CDiagnostics::Warn(const std::string& text)
{
    if (!Quiet)
        Print("m5import", WarningKind + text);
}

void CDiagnostics::Report(const char* kind, const std::string& groupText, const std::string& text)
{
    const std::optional<std::int64_t> line = Line >= 0 ? std::optional<std::int64_t>(Line + 1) : std::nullopt;
    if (Quiet || !Repeats.Admit(kind, groupText, line))
        return;
    Print(line ? FileName + ":" + std::to_string(*line) : FileName, kind + text);
}

void CDiagnostics::SummariseFile()
{
    for (const CRepeatedMessages::Summary& summary : Repeats.TakeSummaries()) {
        std::string text = summary.Kind + MoreLikeThis(summary.More, Shown);
        if (summary.FirstLine)
            text += " (" + LineRange(*summary.FirstLine, *summary.LastLine, Shown) + ")";
        Print(FileName, text + ": " + ShowMessage(summary.Text, Shown));
    }
}

void CDiagnostics::Print(const std::string& where, const std::string& text)
{
    ClearProgress();
    std::string oneLine = text;
    for (char& c : oneLine)
        if (c == '\n' || c == '\r')
            c = ' ';
    std::fprintf(Stream, "%s: %s\n", where.c_str(), oneLine.c_str());
}

void CDiagnostics::DrawProgress(float percent)
{
    if (!Progress || Quiet)
        return;
    const int shown = static_cast<int>(percent);
    if (shown == ShownPercent)
        return;
    ShownPercent = shown;
    constexpr int Width = 30;
    const int filled = shown * Width / 100;
    std::fprintf(Stream, "\r[%s%s] %3d%% %s", std::string(static_cast<std::size_t>(filled), '#').c_str(),
                 std::string(static_cast<std::size_t>(Width - filled), ' ').c_str(), shown, FileName.c_str());
    std::fflush(Stream);
    ProgressShown = true;
}

void CDiagnostics::ClearProgress()
{
    if (!ProgressShown)
        return;
    std::fprintf(Stream, "\r\033[K");
    std::fflush(Stream);
    ProgressShown = false;
}

}  // namespace Host
