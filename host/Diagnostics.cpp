#include "host/Diagnostics.h"

namespace Host {

void CDiagnostics::OnCall(const HostCall& call)
{
    switch (call.Operation) {
    case Op::SetFileName:
        FileName = call.Text;
        Line = -1;
        ShownPercent = -1;
        break;
    case Op::SetCurrentLine:
        Line = call.Integer;
        break;
    case Op::ReportMessage:
        ++Messages;
        Print("", call.Text);
        break;
    case Op::ReportWarning:
        ++Warnings;
        Print("warning: ", call.Text);
        break;
    case Op::SetProgress:
        DrawProgress(call.Float);
        break;
    default:
        break;
    }
}

void CDiagnostics::Print(const char* kind, const std::string& text)
{
    if (Quiet)
        return;
    ClearProgress();
    std::string oneLine = text;
    for (char& c : oneLine)
        if (c == '\n' || c == '\r')
            c = ' ';
    std::string where = FileName;
    if (Line >= 0)
        where += ":" + std::to_string(Line + 1);
    std::fprintf(Stream, "%s: %s%s\n", where.c_str(), kind, oneLine.c_str());
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
