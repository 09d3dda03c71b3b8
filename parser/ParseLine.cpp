#include "parser/CParser.h"
#include "platform/Utf16.h"
#include "resources/StringTable.h"

namespace Plugin {


namespace {

// Lines of the early field software are exactly 119 characters and end in "O".
constexpr std::size_t EarlyVersionLineLength = 119;

}  // namespace

bool CParser::IsMarkerBlock(std::wstring_view marker)
{
    if (Equals(marker, L"END"))
        return true;
    // "For M5"; the fourth character is not examined.
    return marker.size() == 6 && Equals(marker.substr(0, 3), L"For") && Equals(marker.substr(4), L"M5");
}

void CParser::ParseLine(std::int32_t lineIndex, const std::wstring& line)
{
    LineIndex = lineIndex;
    // The blocks are cut as views into the caller's line, which outlives the call.
    const std::wstring_view trimmed = Trim(line);
    if (trimmed.empty())
        return;
    if (trimmed.size() == EarlyVersionLineLength && trimmed.back() == L'O')
        ReportFatal(IdEarlyVersion, true);
    LineRest = trimmed;
    const std::wstring_view marker = TakeField(LineRest, FieldSeparator);
    if (!IsMarkerBlock(marker))
        ReportFatal(IdWrongFormat, true);
    const std::wstring_view address = TakeField(LineRest, FieldSeparator);
    const std::wstring_view information = TakeField(LineRest, FieldSeparator);
    if (!HandleInformationBlock(information, address))
        return;
    for (int block = 0; block < 3; ++block)
        ParseValueBlock(TakeField(LineRest, FieldSeparator));
    if (!CommitObservation(PendingRecord))
        DiscardPendingRecord();
}

bool CParser::Finish()
{
    if (Settings.Mode == ImportSettings::StandardHeaders && !HeaderSeen) {
        Context.SetCurrentLine(-1);
        ReportMessageText(LoadMessageText(IdWrongMode));
    }
    return CloseStation();
}

void CParser::ReportFatal(int messageId, bool withoutLine)
{
    if (withoutLine)
        Context.SetCurrentLine(-1);
    ReportMessageText(LoadMessageText(messageId));
    throw FatalError{};
}

void CParser::SendText(void (IImportContext::*send)(const char16_t*), std::wstring_view text)
{
    if (BoundaryText.size() != text.size())
        BoundaryText.resize(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        BoundaryText[i] = static_cast<char16_t>(text[i]);
    (Context.*send)(BoundaryText.c_str());
}

void CParser::ReportMessageText(const std::wstring& text)
{
    SendText(&IImportContext::ReportMessage, text);
}

void CParser::ReportWarningText(const std::wstring& text)
{
    SendText(&IImportContext::ReportWarning, text);
}

// The pending record is deleted unless it is the station the set-up owns.
void CParser::DiscardPendingRecord()
{
    if (PendingRecord && PendingRecord != CurrentStation.get())
        Recycle(std::unique_ptr<PointRecord>(PendingRecord));
    PendingRecord = nullptr;
}

}  // namespace Plugin
