#include <gtest/gtest.h>

#include "tests/parser/ParserHarness.h"

using namespace Testing;

namespace {

const std::string Refused113 = "ReportMessage Импорт прекращен. Неверный формат файла.";
const std::string Refused112 =
    "ReportMessage Импорт прекращен. Файл создан программным обеспечением ранних версий. Используйте другой формат.";

// A station header, a station with coordinates and one target: what a good line gives.
std::vector<std::string> GoodSetUp()
{
    return {
        M5Line(1, TextInfo("KN STAT")),
        M5Line(2, PointInfo("100", "S"), Value("Y", "10.000", "m"), Value("X", "20.000", "m")),
        M5Line(3, PointInfo("101"), Value("Hz", "1.5", "DEG")),
    };
}

TEST(ParseLine, RefusesALineThatIsNotM5WithoutALineReference)
{
    const ParseResult result = Parse({"Job 17 exported on Monday", M5Line(1, TextInfo("KN STAT"))});
    EXPECT_TRUE(result.Refused);
    const std::vector<std::string> expected = {"GetConverterFactory", "SetCurrentLine -1", Refused113};
    EXPECT_EQ(result.Calls, expected);
    EXPECT_EQ(result.Outstanding, 0);
    EXPECT_EQ(result.Live, 0);
}

TEST(ParseLine, MarkerBlockRules)
{
    const std::pair<std::string, bool> cases[] = {
        {"For M5", true},  {"For_M5", true}, {"ForXM5", true}, {"END", true},
        {"FOR M5", false}, {"For M", false}, {"For M5 ", false}, {"For M6", false},
        {"end", false},    {"For", false},   {"", false},
    };
    for (const auto& [marker, accepted] : cases) {
        const std::string line = marker + "|Adr 00001|" + PointInfo("7") + "|" + Value("X", "1.0", "m");
        const ParseResult result = Parse({line});
        EXPECT_EQ(result.Refused, !accepted) << marker;
    }
}

TEST(ParseLine, IndentedLinesAndBlankLinesAreRead)
{
    std::vector<std::string> lines = GoodSetUp();
    lines[1] = " \t" + lines[1];
    lines.insert(lines.begin() + 1, "   \t ");
    lines.insert(lines.begin(), "");
    const ParseResult result = Parse(lines);
    EXPECT_FALSE(result.Refused);
    const std::vector<std::string> expected = {
        "GetConverterFactory", std::string(DefaultNotice) + "Default.", "AddStation Default",
        "AddStation 100", "SetPointKind 1", "SetX 20", "SetY 10",
        "AddTarget 101", "SetHorizontalAngle 1.5",
    };
    EXPECT_EQ(result.Calls, expected);
}

TEST(ParseLine, EarlySoftwareLinesOf119CharactersEndingInOAreRefused)
{
    auto withLength = [](std::size_t length, char last) {
        std::string line = M5Line(1, PointInfo("7"), Value("X", "1.0", "m"));
        line.resize(length - 1, ' ');
        return line + last;
    };
    EXPECT_TRUE(Parse({withLength(119, 'O')}).Refused);
    const std::vector<std::string> expected = {"GetConverterFactory", "SetCurrentLine -1", Refused112};
    EXPECT_EQ(Parse({withLength(119, 'O')}).Calls, expected);
    EXPECT_FALSE(Parse({withLength(118, 'O')}).Refused);
    EXPECT_FALSE(Parse({withLength(120, 'O')}).Refused);
    EXPECT_FALSE(Parse({withLength(119, 'o')}).Refused);
    // Trailing blanks are trimmed before the length is measured.
    EXPECT_TRUE(Parse({withLength(119, 'O') + "   "}).Refused);
}

TEST(ParseLine, EndMarkerLineAloneIsIgnored)
{
    const ParseResult result = Parse({"END"}, SeparateMeasurements());
    const std::vector<std::string> expected = {"GetConverterFactory", std::string(DefaultNotice) + "Default.",
                                               "AddStation Default"};
    EXPECT_EQ(result.Calls, expected);
}

TEST(ParseLine, ALineWithTwoValueBlocksIsStillCommitted)
{
    const ParseResult result = Parse({"For M5|Adr 00001|" + PointInfo("5") + "|" + Value("Hz", "2", "DEG") + "|" +
                                      Value("V1", "1", "DEG")});
    EXPECT_NE(std::find(result.Calls.begin(), result.Calls.end(), "AddTarget 5"), result.Calls.end());
    EXPECT_NE(std::find(result.Calls.begin(), result.Calls.end(), "SetVerticalAngle 1"), result.Calls.end());
}

TEST(Finish, WarnsOnceWithoutALineWhenStandardHeadersHadNone)
{
    const std::vector<std::string> lines = {
        M5Line(1, PointInfo("100", "S"), Value("X", "1", "m")),
        M5Line(2, PointInfo("101"), Value("Hz", "0.5", "DEG")),
    };
    const ParseResult standard = Parse(lines);
    const std::vector<std::string> expected = {
        "GetConverterFactory", "SetCurrentLine -1", NoHeaderMessage,
        // Without a header the set-up goes out as plain points.
        "AddPoint 100", "SetPointKind 0", "SetX 1", "AddPoint 101", "SetPointKind 0", "SetHorizontalAngle 0.5",
    };
    EXPECT_EQ(standard.Calls, expected);
    const ParseResult separate = Parse(lines, SeparateMeasurements());
    EXPECT_EQ(std::count(separate.Calls.begin(), separate.Calls.end(), NoHeaderMessage), 0);
}

TEST(ParseLine, AFatalErrorKeepsClosedSetUpsAndDropsTheOpenOne)
{
    std::vector<std::string> lines = GoodSetUp();
    lines.push_back(M5Line(4, TextInfo("KN STAT")));
    lines.push_back(M5Line(5, PointInfo("200", "S"), Value("X", "5", "m")));
    lines.push_back(M5Line(6, PointInfo("201"), Value("Hz", "1", "DEG")));
    lines.push_back("garbage");
    lines.push_back(M5Line(8, TextInfo("KN STAT")));
    const ParseResult result = Parse(lines);
    EXPECT_TRUE(result.Refused);
    EXPECT_EQ(result.Calls.back(), Refused113);
    EXPECT_NE(std::find(result.Calls.begin(), result.Calls.end(), "AddStation 100"), result.Calls.end());
    EXPECT_EQ(std::find(result.Calls.begin(), result.Calls.end(), "AddStation 200"), result.Calls.end());
    EXPECT_EQ(result.Outstanding, 0);
    EXPECT_EQ(result.Live, 0);
}

}  // namespace
