#include <gtest/gtest.h>

#include "tests/parser/ParserHarness.h"

using namespace Testing;

namespace {

std::vector<std::string> Targets(const std::vector<std::string>& targetLines,
                                 const std::string& heightRule = std::string())
{
    std::vector<std::string> lines = {M5Line(1, TextInfo("KN STAT")), M5Line(2, PointInfo("ST", "S")),
                                      M5Line(3, TextInfo("INPUT"), Value("th", "1.2", "m"))};
    if (!heightRule.empty())
        lines.push_back(M5Line(4, TextInfo(heightRule)));
    lines.insert(lines.end(), targetLines.begin(), targetLines.end());
    const ParseResult result = Parse(lines);
    std::vector<std::string> calls;
    bool afterStation = false;
    for (const std::string& call : result.Calls) {
        afterStation = afterStation || call == "AddStation ST";
        if (afterStation && call != "AddStation ST" && call != "SetPointKind 1")
            calls.push_back(call);
    }
    return calls;
}

TEST(Commit, SameNameLinesMergeUnlessBothHoldTheSameValue)
{
    struct Case {
        const char* What;
        std::vector<std::string> Lines;
        std::vector<std::string> Expected;
    };
    const Case cases[] = {
        {"angles then distance merge",
         {M5Line(5, PointInfo("T"), Value("Hz", "1", "DEG"), Value("V1", "2", "DEG")),
          M5Line(6, PointInfo("T"), Value("SD", "3", "m"))},
         {"AddTarget T", "SetSlopeDistance 3", "SetHorizontalAngle 1", "SetVerticalAngle 2", "SetTargetHeight 1.2"}},
        {"two directions stay two observations",
         {M5Line(5, PointInfo("T"), Value("Hz", "1", "DEG")), M5Line(6, PointInfo("T"), Value("Hz", "2", "DEG"))},
         {"AddTarget T", "SetHorizontalAngle 1", "SetTargetHeight 1.2", "AddTarget T", "SetHorizontalAngle 2",
          "SetTargetHeight 1.2"}},
        {"heights merge, the second wins",
         {M5Line(5, PointInfo("T"), Value("Z", "1", "m")), M5Line(6, PointInfo("T"), Value("Z", "2", "m"))},
         {"AddTarget T", "SetZ 2", "SetTargetHeight 1.2"}},
        {"only the previous observation is merged into",
         {M5Line(5, PointInfo("T"), Value("Hz", "1", "DEG")), M5Line(6, PointInfo("U"), Value("Hz", "2", "DEG")),
          M5Line(7, PointInfo("T"), Value("X", "3", "m"))},
         {"AddTarget T", "SetHorizontalAngle 1", "SetTargetHeight 1.2", "AddTarget U", "SetHorizontalAngle 2",
          "SetTargetHeight 1.2", "AddTarget T", "SetX 3", "SetTargetHeight 1.2"}},
        {"a line without measurements is no observation",
         {M5Line(5, PointInfo("T", "7"), Value("th", "1.9", "m"), Value("Q", "1", "m")),
          M5Line(6, PointInfo("T"), Value("Hz", "1", "DEG"))},
         {"AddTarget T", "SetHorizontalAngle 1", "SetTargetHeight 1.9"}},
        {"names differing in case are different",
         {M5Line(5, PointInfo("t"), Value("Hz", "1", "DEG")), M5Line(6, PointInfo("st"), Value("Hz", "2", "DEG"))},
         {"AddTarget t", "SetHorizontalAngle 1", "SetTargetHeight 1.2", "AddTarget st", "SetHorizontalAngle 2",
          "SetTargetHeight 1.2"}},
        {"distances or vertical angles alone are not sent",
         {M5Line(5, PointInfo("T"), Value("SD", "3", "m"), Value("V1", "2", "DEG"))},
         {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Targets(c.Lines), c.Expected) << c.What;
}

TEST(Commit, TargetNamedLikeTheStationIsReportedAndDropped)
{
    const std::vector<std::string> calls = Targets({M5Line(5, PointInfo("ST"), Value("Hz", "1", "DEG"), Value("th", "2", "m")),
                                                    M5Line(6, PointInfo("A"), Value("Hz", "1", "DEG"))});
    const std::vector<std::string> expected = {"AddTarget A", "SetHorizontalAngle 1", "SetTargetHeight 2"};
    EXPECT_EQ(calls, expected);
    const ParseResult result = Parse({M5Line(1, PointInfo("ST", "S")), M5Line(2, PointInfo("ST"), Value("Hz", "1", "DEG"))});
    EXPECT_EQ(result.Calls[1], "ReportMessage Имя цели  ST  совпадает с именем станции.");
}

TEST(Commit, DirectReadingStampsZeroTargetHeight)
{
    EXPECT_EQ(Targets({M5Line(5, PointInfo("T"), Value("Hz", "1", "DEG"))}, "DR"),
              (std::vector<std::string>{"AddTarget T", "SetHorizontalAngle 1", "SetTargetHeight 0"}));
    EXPECT_EQ(Targets({M5Line(5, PointInfo("T"), Value("Hz", "1", "DEG"))}, "PR"),
              (std::vector<std::string>{"AddTarget T", "SetHorizontalAngle 1", "SetTargetHeight 1.2"}));
}

}  // namespace
