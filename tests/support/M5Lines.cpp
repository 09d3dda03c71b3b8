#include "tests/support/M5Lines.h"

#include <cstdio>

namespace Testing {

namespace {

std::string PadRight(const std::string& text, std::size_t width)
{
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

// Columns counted in characters: UTF-8 continuation bytes take no column.
std::size_t Columns(const std::string& text)
{
    std::size_t count = 0;
    for (unsigned char c : text)
        count += (c & 0xC0) != 0x80;
    return count;
}

std::string PadColumns(const std::string& text, std::size_t width)
{
    const std::size_t used = Columns(text);
    return used >= width ? text : text + std::string(width - used, ' ');
}

}  // namespace

std::string PointInfo(const std::string& name, const std::string& code)
{
    return "PI1 " + PadColumns(name, 14) + PadColumns(code, 13);
}

std::string TextInfo(const std::string& text)
{
    return "TI  " + PadColumns(text, 27);
}

std::string Value(const std::string& type, const std::string& value, const std::string& unit)
{
    const std::size_t used = type.size() + value.size();
    const std::size_t gap = used < 16 ? 16 - used : 1;
    return type + std::string(gap, ' ') + value + " " + PadRight(unit, 4);
}

std::string M5Line(int address, const std::string& info, const std::string& v1, const std::string& v2,
                   const std::string& v3)
{
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "For M5|Adr %05d|", address);
    return prefix + info + "|" + PadRight(v1, 22) + "|" + PadRight(v2, 22) + "|" + PadRight(v3, 22) + "| ";
}

Host::SettingsValues NameAndCodeLayout(std::int32_t takeFromAddress, std::int32_t pointStart,
                                       std::int32_t pointLen, std::int32_t codeStart, std::int32_t codeLen)
{
    Host::SettingsValues values;
    values.TakePointNameFromAddr = takeFromAddress;
    values.PointStart = pointStart;
    values.PointLen = pointLen;
    values.CodeStart = codeStart;
    values.CodeLen = codeLen;
    return values;
}

}  // namespace Testing
