#include "host/TraceWriter.h"

#include <charconv>
#include <cmath>

#include <nlohmann/json.hpp>

namespace Host {

namespace {

template <typename T>
std::string Shortest(T value)
{
    // JSON has no infinities or NaN; the host never receives them from its own converters.
    if (!std::isfinite(value))
        return "null";
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string JsonString(const std::string& text)
{
    return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

std::string ShortestDecimal(double value) { return Shortest(value); }
std::string ShortestDecimal(float value) { return Shortest(value); }

void CTraceWriter::OnCall(const HostCall& call)
{
    Line = "{\"op\":\"";
    Line += OpName(call.Operation);
    Line += '"';
    switch (ArgumentOf(call.Operation)) {
    case ArgumentKind::None:
        break;
    case ArgumentKind::Text:
        Line += ",\"text\":" + JsonString(call.Text);
        break;
    case ArgumentKind::Name:
        Line += ",\"name\":" + JsonString(call.Text);
        break;
    case ArgumentKind::Integer:
        Line += ",\"value\":" + std::to_string(call.Integer);
        break;
    case ArgumentKind::Float:
        Line += ",\"value\":" + Shortest(call.Float);
        break;
    case ArgumentKind::Double:
        Line += ",\"value\":" + Shortest(call.Double);
        break;
    }
    Line += "}\n";
    Out.write(Line.data(), static_cast<std::streamsize>(Line.size()));
}

}  // namespace Host
