#include "host/AngleUnit.h"

#include <cmath>
#include <cstdio>

#include "host/ShortestDecimal.h"

namespace Host {

namespace {

constexpr double Pi = 3.14159265358979323846;

struct UnitName {
    AngleUnit Unit;
    const char* Name;
};

constexpr UnitName Names[] = {
    {AngleUnit::Radian, "rad"},
    {AngleUnit::Degree, "deg"},
    {AngleUnit::Gon, "gon"},
    {AngleUnit::Dms, "dms"},
};

}  // namespace

std::optional<AngleUnit> ParseAngleUnit(std::string_view name)
{
    for (const UnitName& known : Names)
        if (name == known.Name)
            return known.Unit;
    return std::nullopt;
}

const char* AngleUnitName(AngleUnit unit)
{
    for (const UnitName& known : Names)
        if (unit == known.Unit)
            return known.Name;
    return "";
}

std::vector<std::string> AngleUnitNames()
{
    std::vector<std::string> names;
    for (const UnitName& known : Names)
        names.emplace_back(known.Name);
    return names;
}

double AngleFromRadians(double radians, AngleUnit unit)
{
    switch (unit) {
    case AngleUnit::Radian: return radians;
    case AngleUnit::Degree:
    case AngleUnit::Dms: return radians * 180.0 / Pi;
    case AngleUnit::Gon: return radians * 200.0 / Pi;
    }
    return radians;
}

std::string FormatDms(double radians, int secondDecimals)
{
    if (!std::isfinite(radians))
        return "?";
    long long scale = 1;
    for (int i = 0; i < secondDecimals; ++i)
        scale *= 10;
    const double degreesValue = AngleFromRadians(radians, AngleUnit::Dms);
    // Rounded once, in the smallest unit shown, so that carries reach the minutes and degrees.
    const double units = std::round(std::fabs(degreesValue) * 3600.0 * static_cast<double>(scale));
    if (units > 9.0e15)
        return FormatFixed(degreesValue, 4) + "°";
    const auto total = static_cast<long long>(units);
    const long long perMinute = 60 * scale;
    const long long degrees = total / (60 * perMinute);
    const long long minutes = total / perMinute % 60;
    const long long seconds = total % perMinute;
    char buffer[96];
    int length = std::snprintf(buffer, sizeof buffer, "%s%lld°%02lld'%02lld", radians < 0 && total > 0 ? "-" : "",
                               degrees, minutes, seconds / scale);
    if (secondDecimals > 0)
        length += std::snprintf(buffer + length, sizeof buffer - static_cast<std::size_t>(length), ".%0*lld",
                                secondDecimals, seconds % scale);
    return std::string(buffer, static_cast<std::size_t>(length)) + "\"";
}

std::string FormatAngleForReading(double radians, AngleUnit unit)
{
    if (!std::isfinite(radians))
        return "?";
    switch (unit) {
    case AngleUnit::Dms: return FormatDms(radians, 1);
    case AngleUnit::Degree:
    case AngleUnit::Gon: return FormatFixed(AngleFromRadians(radians, unit), 5);
    case AngleUnit::Radian: return FormatFixed(radians, 7);
    }
    return std::string();
}

}  // namespace Host
