#include "settings/ImportSettings.h"

#include <algorithm>
#include <limits>

#include "plugin/HostInterfaces.h"

namespace Plugin {

namespace {

// Stored values are loaded unchecked, so the rules compute in 64 bits and never overflow.
std::int32_t Saturate(std::int64_t value)
{
    constexpr std::int64_t Low = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t High = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::clamp(value, Low, High));
}

std::int64_t LastColumn(std::int32_t start, std::int32_t length)
{
    return std::int64_t{start} + length - 1;
}

}  // namespace

void ImportSettings::Load(ISettingsReader& reader)
{
    TakePointNameFromAddr = reader.ReadInt(u"TakePointNameFromAddr", 0) == 1;
    PointStart = reader.ReadInt(u"PointStart", 1);
    PointLen = reader.ReadInt(u"PointLen", 14);
    CodeStart = reader.ReadInt(u"CodeStart", 15);
    CodeLen = reader.ReadInt(u"CodeLen", 13);
    Mode = reader.ReadInt(u"Mode", 0);
}

void ImportSettings::Save(ISettingsWriter& writer) const
{
    writer.WriteInt(u"TakePointNameFromAddr", TakePointNameFromAddr ? 1 : 0);
    writer.WriteInt(u"PointStart", PointStart);
    writer.WriteInt(u"PointLen", PointLen);
    writer.WriteInt(u"CodeStart", CodeStart);
    writer.WriteInt(u"CodeLen", CodeLen);
    writer.WriteInt(u"Mode", Mode);
}

bool ImportSettings::IsValidLayout(bool takeFromAddr, std::int32_t pointStart, std::int32_t pointLen,
                                   std::int32_t codeStart, std::int32_t codeLen) const
{
    if (takeFromAddr)
        return codeStart >= 1 && LastColumn(codeStart, codeLen) <= InfoWidth;
    if (pointStart < 1 || pointLen < 1 || codeStart < 1 || codeLen < 1)
        return false;
    if (pointStart < codeStart)
        return LastColumn(pointStart, pointLen) < codeStart && LastColumn(codeStart, codeLen) <= InfoWidth;
    return LastColumn(codeStart, codeLen) < pointStart && LastColumn(pointStart, pointLen) <= InfoWidth;
}

void ImportSettings::FitFieldLengths()
{
    const std::int64_t width = InfoWidth;
    if (TakePointNameFromAddr) {
        CodeLen = Saturate(width - CodeStart + 1);
    } else if (CodeStart < PointStart) {
        PointLen = Saturate(width - PointStart + 1);
        CodeLen = Saturate(std::int64_t{PointStart} - CodeStart);
    } else {
        PointLen = Saturate(std::int64_t{CodeStart} - PointStart);
        CodeLen = Saturate(width - CodeStart + 1);
    }
}

}  // namespace Plugin
