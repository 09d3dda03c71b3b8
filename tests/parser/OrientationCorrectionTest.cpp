#include <cmath>

#include <gtest/gtest.h>

#include "tests/parser/ParserHarness.h"

using Plugin::CParser;
using namespace Testing;

namespace {

constexpr double TwoPi13 = 6.2831853071796;  // the 13-decimal circle the correction uses

TEST(OrientationCorrection, ReducesIntoTheCircle)
{
    EXPECT_NEAR(CParser::CorrectDirection(5.5, 1.0), 0.2168146928204, 1e-13);
    EXPECT_DOUBLE_EQ(CParser::CorrectDirection(0.2, 1.0), 1.2);
    // Exactly the 13-decimal constant, not full-precision 2π.
    EXPECT_DOUBLE_EQ(CParser::CorrectDirection(6.0, 1.0), 7.0 - TwoPi13);
    EXPECT_DOUBLE_EQ(CParser::CorrectDirection(0.5, -1.0), -0.5 + TwoPi13);
    EXPECT_DOUBLE_EQ(CParser::CorrectDirection(1.0, -20.0), 1.0 - 20.0 - std::ceil(-19.0 / TwoPi13) * TwoPi13 + TwoPi13);
    EXPECT_DOUBLE_EQ(CParser::CorrectDirection(20.0, 0.5), 20.5 - std::floor(20.5 / TwoPi13) * TwoPi13);
    // 0 to 2π inclusive stays as it is, apart from the limit.
    EXPECT_DOUBLE_EQ(CParser::CorrectDirection(0.0, 0.0), 0.0);
    EXPECT_DOUBLE_EQ(CParser::CorrectDirection(3.0, 0.1), 3.1);
}

TEST(OrientationCorrection, WithinAHundredthOfASecondBelowTheCircleIsZero)
{
    const double limit = 6.283185258698232;
    EXPECT_EQ(CParser::CorrectDirection(limit, 1e-9), 0.0);
    EXPECT_EQ(CParser::CorrectDirection(TwoPi13, 0.0), 0.0);
    EXPECT_DOUBLE_EQ(CParser::CorrectDirection(limit - 1e-6, 0.0), limit - 1e-6);
}

TEST(OrientationCorrection, HugeDirectionsEndAndStayInTheCircle)
{
    // Subtracting 2π no longer changes such values: the reduction must still end.
    for (double direction : {1e22, -1e22, 1e300, -1.7e308, 123456789.0, -987654.321}) {
        const double h = CParser::CorrectDirection(direction, 0.5);
        EXPECT_GE(h, 0.0) << direction;
        EXPECT_LE(h, TwoPi13) << direction;
    }
    // Below the threshold the result is that of the plain loops.
    const double small = 999999.0;
    EXPECT_DOUBLE_EQ(CParser::CorrectDirection(small, 0.0), small - std::floor(small / TwoPi13) * TwoPi13);
}

TEST(OrientationCorrection, PolarCorrectsStoredDirectionsFromLastToFirst)
{
    const ParseResult result = Parse({
        M5Line(1, TextInfo("KN STAT")),
        M5Line(2, PointInfo("1", "S")),
        M5Line(3, PointInfo("2"), Value("Hz", "5.5", "DEG")),
        M5Line(4, PointInfo("3"), Value("SD", "4", "m")),  // no direction: stored, but never sent
        M5Line(5, PointInfo("4"), Value("Hz", "0.2", "DEG"), Value("Z", "1", "m")),
        M5Line(6, TextInfo(""), Value("Om", "1.0", "DEG")),
        M5Line(7, TextInfo("POLAR")),
        M5Line(8, PointInfo("5"), Value("Hz", "0.3", "DEG")),  // after the correction: unchanged
        M5Line(9, TextInfo("ST-OUT")),  // correction was reset to 0 by POLAR
    });
    const std::vector<std::string> directions = CallsOf(result, {"SetHorizontalAngle"});
    ASSERT_EQ(directions.size(), 3u);
    EXPECT_EQ(directions[0].substr(0, 23), "SetHorizontalAngle 0.21");
    EXPECT_NEAR(std::stod(directions[0].substr(19)), 0.2168146928204, 1e-13);
    EXPECT_EQ(directions[1], "SetHorizontalAngle 1.2");
    EXPECT_EQ(directions[2], "SetHorizontalAngle 0.3");
}

TEST(OrientationCorrection, RefusedOmValueResetsTheCorrection)
{
    const ParseResult result = Parse({
        M5Line(1, TextInfo("KN STAT")),
        M5Line(2, PointInfo("1", "S")),
        M5Line(3, PointInfo("2"), Value("Hz", "1", "DEG")),
        M5Line(4, TextInfo(""), Value("Om", "1.0", "DEG")),
        M5Line(5, TextInfo(""), Value("Om", "1,5", "DEG")),
        M5Line(6, TextInfo("ST-OUT")),
    });
    EXPECT_EQ(CallsOf(result, {"SetHorizontalAngle"}), std::vector<std::string>{"SetHorizontalAngle 1"});
}

}  // namespace
