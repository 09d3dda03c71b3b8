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

std::string FormatDms(double radians)
{
    if (!std::isfinite(radians))
        return "?";
    const double degreesValue = AngleFromRadians(radians, AngleUnit::Dms);
    // Rounded once, in tenths of a second, so that carries reach the minutes and degrees.
    const double tenths = std::round(std::fabs(degreesValue) * 36000.0);
    if (tenths > 9.0e15)
        return FormatFixed(degreesValue, 4) + "°";
    const auto total = static_cast<long long>(tenths);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s%lld°%02lld'%02lld.%lld\"", radians < 0 && total > 0 ? "-" : "",
                  total / 36000, total / 600 % 60, total % 600 / 10, total % 10);
    return buffer;
}

std::string FormatAngleForReading(double radians, AngleUnit unit)
{
    if (!std::isfinite(radians))
        return "?";
    switch (unit) {
    case AngleUnit::Dms: return FormatDms(radians);
    case AngleUnit::Degree:
    case AngleUnit::Gon: return FormatFixed(AngleFromRadians(radians, unit), 5);
    case AngleUnit::Radian: return FormatFixed(radians, 7);
    }
    return std::string();
}

}  // namespace Host
