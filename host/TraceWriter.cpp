#include "host/TraceWriter.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include <nlohmann/json.hpp>

#include "host/ShortestDecimal.h"

namespace Host {

namespace {

// Lines are collected and written in pieces of about this size.
constexpr std::size_t FlushSize = 64 * 1024;
// Room for a line without a text: its start, a number and its end.
constexpr std::size_t LongestFixedPart = 64 + ShortestLength;

constexpr std::size_t OpCount = static_cast<std::size_t>(Op::SetHeightDifference) + 1;

// The start of each operation's line, up to its argument ({"op":"SetX","value":), padded to a
// fixed width so that it is copied in one go.
constexpr std::size_t LineStartWidth = 48;
struct LineStart {
    char Text[LineStartWidth];
    std::size_t Length;
};

const std::array<LineStart, OpCount>& LineStarts()
{
    static const std::array<LineStart, OpCount> starts = [] {
        std::array<LineStart, OpCount> made{};
        for (std::size_t i = 0; i < OpCount; ++i) {
            const Op op = static_cast<Op>(i);
            std::string start = std::string("{\"op\":\"") + OpName(op) + "\"";
            switch (ArgumentOf(op)) {
            case ArgumentKind::None: break;
            case ArgumentKind::Text: start += ",\"text\":"; break;
            case ArgumentKind::Name: start += ",\"name\":"; break;
            default: start += ",\"value\":"; break;
            }
            start.copy(made[i].Text, LineStartWidth);
            made[i].Length = start.size();
        }
        return made;
    }();
    return starts;
}

// Plain printable ASCII needs no escapes and no check of its encoding; anything else is left
// to the JSON library, which escapes control characters and replaces what is not UTF-8.
bool NeedsEscapes(const std::string& text)
{
    for (const char c : text) {
        if (c < 0x20 || c > 0x7E || c == '"' || c == '\\')
            return true;
    }
    return false;
}

// JSON has no infinities or NaN; the host never receives them from its own converters.
template <typename T>
char* WriteNumber(char* out, T value)
{
    if (std::isfinite(value))
        return WriteShortest(out, value);
    std::memcpy(out, "null", 4);
    return out + 4;
}

}  // namespace

CTraceWriter::CTraceWriter(std::ostream& out) : Out(out), Buffer(new char[FlushSize + LongestFixedPart])
{
}

CTraceWriter::~CTraceWriter()
{
    Flush();
}

void CTraceWriter::Flush()
{
    Out.write(Buffer.get(), static_cast<std::streamsize>(Used));
    Used = 0;
}

char* CTraceWriter::Room(std::size_t count)
{
    if (Used + count > FlushSize + LongestFixedPart)
        Flush();
    return Buffer.get() + Used;
}

// Characters of any count: through the buffer when they fit there, straight to the stream
// when not.
void CTraceWriter::WriteRaw(const char* data, std::size_t count)
{
    if (count > FlushSize) {
        Flush();
        Out.write(data, static_cast<std::streamsize>(count));
        return;
    }
    std::memcpy(Room(count), data, count);
    Used += count;
}

void CTraceWriter::WriteText(const std::string& text)
{
    if (NeedsEscapes(text)) {
        const std::string quoted = nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        WriteRaw(quoted.data(), quoted.size());
        return;
    }
    WriteRaw("\"", 1);
    WriteRaw(text.data(), text.size());
    WriteRaw("\"", 1);
}

void CTraceWriter::OnCall(const HostCall& call)
{
    const LineStart& start = LineStarts()[static_cast<std::size_t>(call.Operation)];
    const ArgumentKind kind = ArgumentOf(call.Operation);
    char* at = Room(LongestFixedPart);
    std::memcpy(at, start.Text, LineStartWidth);
    at += start.Length;
    switch (kind) {
    case ArgumentKind::Integer: at = std::to_chars(at, at + 16, call.Integer).ptr; break;
    case ArgumentKind::Float: at = WriteNumber(at, call.Float); break;
    case ArgumentKind::Double: at = WriteNumber(at, call.Double); break;
    default: break;
    }
    Used = static_cast<std::size_t>(at - Buffer.get());
    if (kind == ArgumentKind::Text || kind == ArgumentKind::Name)
        WriteText(call.Text);
    WriteRaw("}\n", 2);
    if (Used >= FlushSize)
        Flush();
}

}  // namespace Host
