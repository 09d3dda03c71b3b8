#pragma once
// Runs M5 lines through a parser over the recording host and returns what the host saw.
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "parser/CParser.h"
#include "platform/Utf16.h"
#include "settings/ImportSettings.h"
#include "tests/support/M5Lines.h"
#include "tests/support/RecordingHost.h"

namespace Testing {

struct ParseResult {
    std::vector<std::string> Calls;
    std::vector<std::string> ConverterLog;
    bool Refused = false;  // the parser ended the file with its fatal error
    long Outstanding = 0;  // references still held after the parser was destroyed
    long Live = 0;
};

inline ParseResult Parse(const std::vector<std::string>& lines,
                         const Plugin::ImportSettings& settings = Plugin::ImportSettings(),
                         CRecordingHost* host = nullptr)
{
    CRecordingHost own;
    CRecordingHost& context = host ? *host : own;
    ParseResult result;
    {
        Plugin::CParser parser(context, settings);
        try {
            for (std::size_t i = 0; i < lines.size(); ++i)
                parser.ParseLine(static_cast<std::int32_t>(i), Platform::Utf16ToWide(Utf16(lines[i])));
            parser.Finish();
        } catch (const Plugin::CParser::FatalError&) {
            result.Refused = true;
        }
    }
    result.Calls = context.Calls;
    result.ConverterLog = context.ConverterLog;
    result.Outstanding = context.OutstandingReferences();
    result.Live = context.LiveObjects();
    return result;
}

// The calls without the converter factory request and without the end-of-file notices,
// for tests that look at one set-up.
inline std::vector<std::string> DataCalls(const ParseResult& result)
{
    std::vector<std::string> calls;
    for (const std::string& call : result.Calls) {
        if (call != "GetConverterFactory")
            calls.push_back(call);
    }
    return calls;
}

// Only the calls of these operations, in order.
inline std::vector<std::string> CallsOf(const ParseResult& result, const std::set<std::string>& operations)
{
    std::vector<std::string> selected;
    for (const std::string& call : result.Calls) {
        if (operations.count(call.substr(0, call.find(' '))))
            selected.push_back(call);
    }
    return selected;
}

inline Plugin::ImportSettings SeparateMeasurements()
{
    Plugin::ImportSettings settings;
    settings.Mode = Plugin::ImportSettings::SeparateMeasurements;
    return settings;
}

constexpr const char* DefaultNotice = "ReportWarning Не определена точка стояния.\nПо умолчанию создается станция с именем ";
constexpr const char* NoHeaderMessage =
    "ReportMessage Неверный  режим работы импорта. Смените его в настройках импорта.";

}  // namespace Testing
