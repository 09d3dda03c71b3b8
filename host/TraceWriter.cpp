#include "host/TraceWriter.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include <nlohmann/json.hpp>

#include "host/ShortestDecimal.h"

namespace Host {

namespace {

void AppendInteger(std::string& line, std::int32_t value)
{
    char digits[16];
    line.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

// JSON has no infinities or NaN; the host never receives them from its own converters.
template <typename T>
void AppendNumber(std::string& line, T value)
{
    if (std::isfinite(value))
        AppendShortest(line, value);
    else
        line += "null";
}

// Plain printable ASCII needs no escapes and no check of its encoding; anything else is left
// to the JSON library, which escapes control characters and replaces what is not UTF-8.
void AppendJsonString(std::string& line, const std::string& text)
{
    for (const char c : text) {
        if (c < 0x20 || c > 0x7E || c == '"' || c == '\\') {
            line += nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
            return;
        }
    }
    line += '"';
    line += text;
    line += '"';
}

// Lines are collected and written in pieces of about this size.
constexpr std::size_t FlushSize = 64 * 1024;

}  // namespace

CTraceWriter::~CTraceWriter()
{
    Flush();
}

void CTraceWriter::Flush()
{
    Out.write(Pending.data(), static_cast<std::streamsize>(Pending.size()));
    Pending.clear();
}

void CTraceWriter::OnCall(const HostCall& call)
{
    Pending += "{\"op\":\"";
    Pending += OpName(call.Operation);
    Pending += '"';
    switch (ArgumentOf(call.Operation)) {
    case ArgumentKind::None:
        break;
    case ArgumentKind::Text:
        Pending += ",\"text\":";
        AppendJsonString(Pending, call.Text);
        break;
    case ArgumentKind::Name:
        Pending += ",\"name\":";
        AppendJsonString(Pending, call.Text);
        break;
    case ArgumentKind::Integer:
        Pending += ",\"value\":";
        AppendInteger(Pending, call.Integer);
        break;
    case ArgumentKind::Float:
        Pending += ",\"value\":";
        AppendNumber(Pending, call.Float);
        break;
    case ArgumentKind::Double:
        Pending += ",\"value\":";
        AppendNumber(Pending, call.Double);
        break;
    }
    Pending += "}\n";
    if (Pending.size() >= FlushSize)
        Flush();
}

}  // namespace Host
