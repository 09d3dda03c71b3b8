#include <gtest/gtest.h>

#include "tests/parser/ParserHarness.h"

using namespace Testing;

namespace {

const std::string Message120 = "ReportMessage В процессе измерения высота инструмента не должна меняться.";

// A set-up under a station header so that every target is sent with AddTarget.
std::vector<std::string> UnderHeader(std::vector<std::string> lines)
{
    lines.insert(lines.begin(), M5Line(1, TextInfo("KN STAT")));
    return lines;
}

std::vector<std::string> WithoutHeaderDefault(const ParseResult& result)
{
    std::vector<std::string> calls;
    for (std::size_t i = 3; i < result.Calls.size(); ++i)
        calls.push_back(result.Calls[i]);
    return calls;
}

TEST(ValueBlocks, CoordinatesDistancesAndAnglesLandInTheirFields)
{
    const ParseResult result = Parse(UnderHeader({
        M5Line(2, PointInfo("ST", "S"), Value("N_", "100", "m"), Value("E_", "200", "m"), Value("Z", "10", "m")),
        M5Line(3, TextInfo("INPUT"), Value("ih", "1.7", "m")),
        M5Line(3, PointInfo("T"), Value("SD", "12.5", "m"), Value("HD", "12", "m"), Value("h", "-0.25", "m")),
        M5Line(3, PointInfo("T"), Value("Hz", "0.1", "DEG")),
        M5Line(4, PointInfo("U"), Value("HV", "1", "DEG"), Value("V2", "2", "DEG"), Value("V3", "3", "DEG")),
        M5Line(5, PointInfo("U"), Value("x", "5", "m"), Value("y", "-5", "m"), Value("Hz", "0.75", "DEG")),
    }));
    const std::vector<std::string> expected = {
        "AddStation ST", "SetPointKind 1", "SetInstrumentHeight 1.7", "SetX 100", "SetY 200", "SetZ 10",
        // A height difference over a horizontal distance goes with the instrument height.
        "AddTarget T", "SetSlopeDistance 12.5", "SetHorizontalAngle 0.1", "SetHorizontalDistance 12",
        "SetTargetHeight 1.7", "SetHeightDifference -0.25",
        // The last vertical angle of a line wins; relative coordinates are from the station.
        "AddTarget U", "SetX 105", "SetY 195", "SetHorizontalAngle 0.75", "SetVerticalAngle 3",
    };
    EXPECT_EQ(WithoutHeaderDefault(result), expected);
}

TEST(ValueBlocks, RelativeCoordinatesWithoutAStationCoordinateAreTakenAsGiven)
{
    const ParseResult result = Parse(UnderHeader({
        M5Line(2, PointInfo("ST", "S"), Value("Y", "7", "m")),
        M5Line(3, PointInfo("T"), Value("x", "5", "m"), Value("y", "1", "m")),
    }));
    EXPECT_EQ(CallsOf(result, {"SetX", "SetY"}), (std::vector<std::string>{"SetY 7", "SetX 5", "SetY 8"}));
}

TEST(ValueBlocks, UnitsSwitchConvertersBeforeTheValueAndStayInForce)
{
    const ParseResult result = Parse(UnderHeader({
        M5Line(2, PointInfo("ST", "S")),
        M5Line(3, PointInfo("T"), Value("SD", "10.000", "ft"), Value("Z", "1", ""), Value("Q", "3", "m")),
        M5Line(4, PointInfo("T2"), Value("SD", "10", ""), Value("Hz", "123.4530", "DMS"), Value("V1", "90", "")),
    }));
    const std::vector<std::string> expected = {
        "AddStation ST", "SetPointKind 1",
        "AddTarget T", "SetZ 0.3048", "SetSlopeDistance 3.048",
        // The unknown type "Q" still switched lengths back to metres; DMS stays for later angles.
        "AddTarget T2", "SetSlopeDistance 10", "SetHorizontalAngle 123.75833333333334",
    };
    EXPECT_EQ(WithoutHeaderDefault(result), expected);
    // The DMS converter hands the host dotted text; a text without a point is refused.
    EXPECT_NE(std::find(result.ConverterLog.begin(), result.ConverterLog.end(),
                        "Convert angle 1 123.45.30 -> 123.75833333333334"),
              result.ConverterLog.end());
    EXPECT_EQ(std::find(result.ConverterLog.begin(), result.ConverterLog.end(), "Convert angle 1 90 -> refused"),
              result.ConverterLog.end());
    EXPECT_EQ(result.Outstanding, 0);
    EXPECT_EQ(result.Live, 0);
}

TEST(ValueBlocks, ConverterRequestsFollowTheUnitTable)
{
    const std::pair<const char*, const char*> cases[] = {
        {"gon", "Get angle 4"}, {"DEG", "Get angle 3"}, {"DMS", "Get angle 1"}, {"mil", "Get angle 5"},
        {"grad", "Get angle 4"}, {"grd", "Get angle 4"}, {"m", "Get distance 0"}, {"ft", "Get distance 1"},
        {"Torr", "Get pressure 0"}, {"hPa", "Get pressure 1"}, {"inHg", "Get pressure 2"}, {"mmHg", "Get pressure 0"},
        {"C", "Get temperature 0"}, {"F", "Get temperature 1"},
    };
    for (const auto& [unit, request] : cases) {
        const ParseResult result = Parse({M5Line(1, TextInfo("X"), Value("20", "1", unit))});
        // The parser's own four requests come first, in their fixed order.
        const std::vector<std::string> expected = {"Get distance 1", "Get angle 3", "Get pressure 1",
                                                   "Get temperature 1", request};
        EXPECT_EQ(result.ConverterLog, expected) << unit;
        EXPECT_EQ(result.Outstanding, 0) << unit;
    }
    for (const char* unit : {"M", "Ft", "dms", "", "meter", "mmhg", "mm"}) {
        const ParseResult result = Parse({M5Line(1, TextInfo("X"), Value("20", "1", unit))});
        EXPECT_EQ(result.ConverterLog.size(), 4u) << unit;
    }
}

TEST(ValueBlocks, AMissingConverterKeepsTheOneInForce)
{
    CRecordingHost host;
    host.MissingConverters = {"distance 0", "angle 1"};
    const ParseResult result = Parse(UnderHeader({
        M5Line(2, PointInfo("ST", "S")),
        M5Line(3, PointInfo("T"), Value("SD", "10", "m"), Value("Hz", "1.30", "DMS")),
    }), Plugin::ImportSettings(), &host);
    // Lengths are still read in feet and angles by the initial converter.
    EXPECT_EQ(CallsOf(result, {"SetSlopeDistance", "SetHorizontalAngle"}),
              (std::vector<std::string>{"SetSlopeDistance 3.048", "SetHorizontalAngle 1.3"}));
    EXPECT_EQ(result.Outstanding, 0);
}

TEST(ValueBlocks, NoConverterFactoryMeansNoValues)
{
    CRecordingHost host;
    host.NoFactory = true;
    const ParseResult result = Parse(UnderHeader({
        M5Line(2, PointInfo("ST", "S"), Value("X", "1", "m")),
        M5Line(3, PointInfo("T"), Value("Hz", "1", "DEG")),
    }), Plugin::ImportSettings(), &host);
    EXPECT_FALSE(result.Refused);
    EXPECT_TRUE(CallsOf(result, {"SetX", "SetHorizontalAngle", "AddTarget"}).empty());
    EXPECT_EQ(CallsOf(result, {"AddStation"}), (std::vector<std::string>{"AddStation Default", "AddStation ST"}));
}

TEST(ValueBlocks, RunningValuesChangeWithoutAPendingRecord)
{
    const ParseResult result = Parse(UnderHeader({
        M5Line(2, TextInfo("INPUT"), Value("T_", "21", "C"), Value("P", "1000", "hPa"), Value("th", "1.3", "m")),
        M5Line(3, PointInfo("ST", "S")),
        M5Line(4, PointInfo("A"), Value("Hz", "1", "DEG")),
        M5Line(5, TextInfo("INPUT"), Value("T", "68", "F"), Value("P", "750", "Torr"), Value("th", "bad", "m")),
    }));
    const std::vector<std::string> expected = {
        // Air values are those in force when the set-up closes.
        "AddStation ST", "SetPressure 750", "SetTemperature 68", "SetPointKind 1",
        "AddTarget A", "SetHorizontalAngle 1", "SetTargetHeight 1.3",
    };
    EXPECT_EQ(WithoutHeaderDefault(result), expected);
}

TEST(InstrumentHeight, StandardModeReportsAChangeWithinASetUpAndTakesIt)
{
    const ParseResult result = Parse(UnderHeader({
        M5Line(2, PointInfo("ST", "S"), Value("ih", "1.5", "m")),
        M5Line(3, PointInfo("A"), Value("Hz", "1", "DEG")),
        M5Line(4, TextInfo("INPUT"), Value("ih", "1.6", "m")),
        M5Line(5, TextInfo("INPUT"), Value("ih", "1.6", "m")),
        M5Line(6, TextInfo("KN STAT")),
        // A new set-up: the first height gives no message even when it differs.
        M5Line(7, PointInfo("S2", "S"), Value("ih", "1.4", "m")),
    }));
    EXPECT_EQ(std::count(result.Calls.begin(), result.Calls.end(), Message120), 1);
    EXPECT_EQ(CallsOf(result, {"SetInstrumentHeight"}),
              (std::vector<std::string>{"SetInstrumentHeight 1.6", "SetInstrumentHeight 1.4"}));
}

TEST(InstrumentHeight, SeparateMeasurementsSplitTheSetUpAfterTheFirstTarget)
{
    const ParseResult result = Parse({
        M5Line(1, PointInfo("ST", "K"), Value("X", "1", "m"), Value("ih", "1.5", "m")),
        M5Line(2, TextInfo("INPUT"), Value("ih", "1.55", "m")),  // before any target: reported
        M5Line(3, PointInfo("A"), Value("Hz", "1", "DEG")),
        M5Line(4, TextInfo("INPUT"), Value("ih", "1.6", "m")),  // after one: a new set-up
        M5Line(5, PointInfo("B"), Value("Hz", "2", "DEG")),
    }, SeparateMeasurements());
    const std::vector<std::string> expected = {
        "GetConverterFactory",
        std::string(DefaultNotice) + "Default.", "AddStation Default",
        Message120,
        "AddStation ST", "SetInstrumentHeight 1.55", "SetPointCode K", "SetX 1", "AddTarget A", "SetHorizontalAngle 1",
        "AddStation ST", "SetInstrumentHeight 1.6", "SetPointCode K", "SetX 1", "AddTarget B", "SetHorizontalAngle 2",
    };
    EXPECT_EQ(result.Calls, expected);
}

TEST(FieldPositions, OnlyInsideTheStartBlock)
{
    // 21 = 7 inside the block moves the code; the same after END changes nothing.
    const ParseResult result = Parse({
        M5Line(1, TextInfo("START"), Value("21", "7")),
        M5Line(2, TextInfo("END"), Value("21", "1")),
        M5Line(3, "PI1 NAME  X1", Value("Hz", "1", "DEG")),
    });
    // The name runs up to column 6, the code from 7 to the end.
    EXPECT_EQ(CallsOf(result, {"AddTarget", "SetPointCode"}),
              (std::vector<std::string>{"AddTarget NAME", "SetPointCode X1"}));
}

}  // namespace
