#pragma once
// The units in which the writers may show angles: radians (the host's internal unit),
// decimal degrees, gon (400 to the circle) or degrees, minutes and seconds. Every writer that
// lets the user choose converts and spells its angles here.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Host {

enum class AngleUnit { Radian, Degree, Gon, Dms };

// "rad", "deg", "gon", "dms"; empty for any other name.
std::optional<AngleUnit> ParseAngleUnit(std::string_view name);
const char* AngleUnitName(AngleUnit unit);
std::vector<std::string> AngleUnitNames();

// The angle as a number in the unit: radians, degrees or gon; degrees for Dms.
double AngleFromRadians(double radians, AngleUnit unit);

// Degrees, minutes and seconds to a tenth of a second, as 123°45'30.0". Rounded once, so
// that 59.96" carries into the minutes and degrees; a negative angle that rounds to zero has
// no sign; NaN and infinities are "?".
std::string FormatDms(double radians);

// The angle for reading: DMS to a tenth of a second, or the number in the unit with as many
// decimals as resolve a tenth of a second (degrees and gon 5, radians 7); "?" for NaN and
// infinities.
std::string FormatAngleForReading(double radians, AngleUnit unit);

}  // namespace Host
