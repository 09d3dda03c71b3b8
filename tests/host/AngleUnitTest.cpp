#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "host/AngleUnit.h"

using namespace Host;

namespace {

constexpr double Pi = 3.14159265358979323846;

double Dms(int degrees, int minutes, double seconds)
{
    return (degrees + minutes / 60.0 + seconds / 3600.0) * Pi / 180.0;
}

TEST(AngleUnit, AnglesForReadingResolveATenthOfASecond)
{
    struct Case {
        double Radians;
        AngleUnit Unit;
        const char* Text;
    };
    const Case cases[] = {
        {Pi, AngleUnit::Gon, "200.00000"},
        {Pi / 2, AngleUnit::Degree, "90.00000"},
        {Dms(123, 45, 30), AngleUnit::Degree, "123.75833"},
        {Dms(123, 45, 30), AngleUnit::Gon, "137.50926"},
        {Dms(123, 45, 30), AngleUnit::Radian, "2.1599904"},
        {Dms(123, 45, 30), AngleUnit::Dms, "123°45'30.0\""},
        {-Dms(0, 0, 0.01), AngleUnit::Gon, "0.00000"},  // no minus sign on a zero
        {std::numeric_limits<double>::infinity(), AngleUnit::Gon, "?"},
    };
    for (const Case& test : cases)
        EXPECT_EQ(FormatAngleForReading(test.Radians, test.Unit), test.Text) << AngleUnitName(test.Unit);
}

}  // namespace
