#include <boost/format.hpp>
#include <gtest/gtest.h>

#include "resources/MessageTexts.h"

#include "tests/parser/ParserHarness.h"

using namespace Testing;

namespace {

const std::string Message114 =
    "ReportMessage Возможно дублировано объявление станции. Для корректного чтения данных удалите код S и повторите импорт.";
const std::string Warning115 = "ReportWarning Имя станции не задано.";
const std::string Message116 = "ReportMessage Не задано имя точки.";
const std::string Message117 = "ReportMessage Нарушен порядок работы, отсутствует объявление станции.";
const std::string Message118 =
    "ReportMessage Импорт прекращен. В файле присутствуют необрабатываемые команды. Используйте другой формат.";

std::string Notice(const std::string& name)
{
    return std::string(DefaultNotice) + name + ".";
}

TEST(StationHeaders, StandardSetUpsWithPolarGoOutAsStationsAndTargets)
{
    const ParseResult result = Parse({
        M5Line(1, TextInfo("KN STAT")),
        M5Line(2, PointInfo("A1", "S"), Value("Y", "100.000", "m"), Value("X", "200.000", "m"), Value("Z", "50.000", "m")),
        M5Line(3, TextInfo("INPUT"), Value("th", "1.500", "m"), Value("ih", "1.600", "m")),
        M5Line(4, TextInfo("POLAR")),
        M5Line(5, PointInfo("B1", "1"), Value("SD", "10.000", "m"), Value("Hz", "0.5", "DEG"), Value("V1", "1.5", "DEG")),
        M5Line(6, PointInfo("B1", "1"), Value("Y", "105.000", "m"), Value("X", "208.000", "m"), Value("Z", "51.000", "m")),
        M5Line(7, TextInfo("KN STAT")),
        M5Line(8, PointInfo("B1", "S")),
        M5Line(9, PointInfo("A1", "A"), Value("Hz", "3", "DEG")),
    });
    const std::vector<std::string> expected = {
        "GetConverterFactory",
        // The first header closes an empty set-up: the default station.
        Notice("Default"), "AddStation Default",
        // The second header closes the first set-up.
        "AddStation A1", "SetPointKind 1", "SetInstrumentHeight 1.6", "SetX 200", "SetY 100", "SetZ 50",
        "AddTarget B1", "SetPointKind 0", "SetPointCode 1", "SetX 208", "SetY 105", "SetZ 51",
        "SetSlopeDistance 10", "SetHorizontalAngle 0.5", "SetVerticalAngle 1.5", "SetTargetHeight 1.5",
        // Finish closes the last; B1 had kind "B", so the station's "P" is refused.
        "AddStation B1", "SetInstrumentHeight 1.6",
        "AddTarget A1", "SetPointKind 1", "SetHorizontalAngle 3", "SetTargetHeight 1.5",
    };
    EXPECT_EQ(result.Calls, expected);
    EXPECT_FALSE(result.Refused);
}

TEST(StationHeaders, HeaderTextsAreExactAfterTrimming)
{
    for (const char* text : {"KN STAT", "UN STAT", "EL STAT", "  KN STAT  "}) {
        const ParseResult result = Parse({M5Line(1, TextInfo(text))});
        EXPECT_EQ(std::count(result.Calls.begin(), result.Calls.end(), NoHeaderMessage), 0) << text;
    }
    for (const char* text : {"KN STATION", "kn stat", "KNSTAT"}) {
        const ParseResult result = Parse({M5Line(1, TextInfo(text))});
        EXPECT_EQ(std::count(result.Calls.begin(), result.Calls.end(), NoHeaderMessage), 1) << text;
    }
}

TEST(StationHeaders, AHeaderInSeparateMeasurementsRefusesTheFileAfterClosedSetUps)
{
    const ParseResult result = Parse({
        M5Line(1, PointInfo("10"), Value("X", "1", "m"), Value("Y", "2", "m")),
        M5Line(2, PointInfo("11"), Value("Hz", "1", "DEG")),
        M5Line(3, PointInfo("20"), Value("X", "5", "m")),
        M5Line(4, TextInfo("UN STAT")),
    }, SeparateMeasurements());
    EXPECT_TRUE(result.Refused);
    const std::vector<std::string> expected = {
        "GetConverterFactory",
        Notice("Default"), "AddStation Default",  // the first station closes the empty set-up
        "AddStation 10", "SetX 1", "SetY 2", "AddTarget 11", "SetHorizontalAngle 1",
        "ReportMessage Неверный  режим работы импорта. Смените его в настройках импорта.",
    };
    EXPECT_EQ(result.Calls, expected);
}

TEST(StationHeaders, RefusedStationingMethods)
{
    for (const char* text : {"STAT. KNWN. PNT.", "STAT. KNOWN POINT/", "FREE STATIONING", "HEIGHTSTATIONING",
                             "Eccentric Station"}) {
        const ParseResult result = Parse({M5Line(1, TextInfo("KN STAT")), M5Line(2, TextInfo(text))});
        EXPECT_TRUE(result.Refused) << text;
        EXPECT_EQ(result.Calls.back(), Message118) << text;
        EXPECT_EQ(std::count(result.Calls.begin(), result.Calls.end(), "SetCurrentLine -1"), 0) << text;
    }
    EXPECT_FALSE(Parse({M5Line(1, TextInfo("free stationing"))}).Refused);
}

TEST(StationHeaders, StationCodeIsExactlyS)
{
    // Only "S" (after trimming) declares a station; "s" and "S1" are ordinary targets.
    const ParseResult result = Parse({
        M5Line(1, TextInfo("KN STAT")),
        "For M5|Adr 00002|PI1 ST1             S         |" + Value("X", "1", "m"),
        M5Line(3, PointInfo("P1", "s"), Value("Hz", "1", "DEG")),
        M5Line(4, PointInfo("P2", "S1"), Value("Hz", "2", "DEG")),
    });
    const std::vector<std::string> expected = {
        "GetConverterFactory", Notice("Default"), "AddStation Default",
        "AddStation ST1", "SetPointKind 1", "SetX 1",
        "AddTarget P1", "SetPointCode s", "SetHorizontalAngle 1",
        "AddTarget P2", "SetPointCode S1", "SetHorizontalAngle 2",
    };
    EXPECT_EQ(result.Calls, expected);
}

TEST(StationHeaders, RepeatedStationAfterPolarWarnsEachTime)
{
    const ParseResult result = Parse({
        M5Line(1, TextInfo("KN STAT")),
        M5Line(2, PointInfo("1", "S")),
        M5Line(3, TextInfo("POLAR")),
        M5Line(4, PointInfo("2", "S")),
        M5Line(5, PointInfo("3", "S")),
    });
    EXPECT_EQ(std::count(result.Calls.begin(), result.Calls.end(), Message114), 2);
    const std::vector<std::string> stations = {"AddStation Default", "AddStation 1", "AddStation 2", "AddStation 3"};
    EXPECT_EQ(CallsOf(result, {"AddStation"}), stations);
}

TEST(StationHeaders, PolarWithoutStationIsReportedAndGoesOn)
{
    const ParseResult result = Parse({M5Line(1, TextInfo("POLAR")), M5Line(2, PointInfo("5"), Value("Hz", "1", "DEG"))});
    EXPECT_FALSE(result.Refused);
    ASSERT_GE(result.Calls.size(), 2u);
    EXPECT_EQ(result.Calls[1], Message117);
    // PolarActive makes the plain point a target even without a header.
    EXPECT_NE(std::find(result.Calls.begin(), result.Calls.end(), "AddTarget 5"), result.Calls.end());
}

TEST(StationHeaders, UnnamedStationsGetGeneratedNames)
{
    const ParseResult result = Parse({
        M5Line(1, PointInfo("", "S")),
        M5Line(2, PointInfo("", "N1"), Value("N", "1", "m")),
        M5Line(3, PointInfo("", "E1"), Value("E_", "2", "m")),
        M5Line(4, PointInfo(""), Value("Hz", "1", "DEG")),
    }, SeparateMeasurements());
    const std::vector<std::string> expected = {
        "GetConverterFactory",
        Warning115, "AddStation defaultSt_0",
        Warning115, "AddStation defaultSt_1", "SetPointCode N1", "SetX 1",
        Warning115, Message116,
        "AddStation defaultSt_2", "SetPointKind 1", "SetY 2",  // a code led by E gives kind "P"
    };
    EXPECT_EQ(result.Calls, expected);
}

TEST(StationHeaders, SeparateMeasurementsStationHeightUpdate)
{
    // A second "S" line whose first block is not a type identifier updates only the height.
    const ParseResult result = Parse({
        M5Line(1, PointInfo("ST", "S"), Value("X", "1", "m"), Value("Y", "2", "m"), Value("Z", "3", "m")),
        M5Line(2, PointInfo("T1"), Value("Hz", "1", "DEG")),
        M5Line(3, PointInfo("other", "S"), "", "", Value("Z", "7", "m")),
    }, SeparateMeasurements());
    const std::vector<std::string> expected = {
        "GetConverterFactory", "AddStation ST", "SetX 1", "SetY 2", "SetZ 7", "AddTarget T1", "SetHorizontalAngle 1",
    };
    EXPECT_EQ(result.Calls, expected);
}

TEST(StationHeaders, AnEmptyFirstBlockIsNotTakenForTheNextIdentifier)
{
    // "||Y ..." must not read as "|Y": the point stays a target in separate measurements.
    const ParseResult result = Parse({
        M5Line(1, PointInfo("ST", "X"), Value("X", "1", "m")),
        "For M5|Adr 00002|" + PointInfo("T1") + "||Y          5.000 m   |",
    }, SeparateMeasurements());
    const std::vector<std::string> expected = {
        "GetConverterFactory", Notice("Default"), "AddStation Default",
        "AddStation ST", "SetPointCode X", "SetX 1", "AddTarget T1", "SetY 5",
    };
    EXPECT_EQ(result.Calls, expected);
}

TEST(StationHeaders, TargetWithEmptyNameIsReportedAndItsValuesIgnored)
{
    const ParseResult result = Parse({
        M5Line(1, TextInfo("KN STAT")),
        M5Line(2, PointInfo("", "7"), Value("th", "2.5", "m"), Value("Hz", "1", "DEG")),
        M5Line(3, PointInfo("P"), Value("Hz", "1", "DEG")),
    });
    EXPECT_NE(std::find(result.Calls.begin(), result.Calls.end(), Message116), result.Calls.end());
    // The target height of the ignored line never reached the parser.
    EXPECT_EQ(std::find(result.Calls.begin(), result.Calls.end(), "SetTargetHeight 2.5"), result.Calls.end());
}

TEST(StationHeaders, NamesFromTheAddressBlock)
{
    Plugin::ImportSettings settings;
    settings.TakePointNameFromAddr = true;
    const ParseResult result = Parse({
        M5Line(1, TextInfo("KN STAT")),
        "For M5|Adr 00017|" + PointInfo("ignored", "B7") + "|" + Value("Hz", "1", "DEG"),
        "For M5|42|" + PointInfo("ignored") + "|" + Value("Hz", "2", "DEG"),
    }, settings);
    EXPECT_EQ(CallsOf(result, {"AddTarget"}), (std::vector<std::string>{"AddTarget 00017", "AddTarget 42"}));
}

TEST(SettingsBlock, StartOnTheFirstLineMovesColumnsUntilEnd)
{
    // 21 moves the code to column 11 and 22 the name to column 16; END fits the lengths.
    const ParseResult result = Parse({
        M5Line(1, TextInfo("START OF JOB"), Value("20", "5"), Value("21", "11"), Value("22", "16")),
        M5Line(2, TextInfo("WEEKEND")),
        M5Line(3, TextInfo("KN STAT"), Value("21", "1")),
        // Code in columns 11-15, name in columns 16-27.
        M5Line(4, "PI1 " + std::string(10, ' ') + "S    " + std::string(10, ' ') + "77", Value("X", "1", "m")),
        M5Line(5, "PI1 " + std::string(10, ' ') + "A1234" + std::string(10, ' ') + "78", Value("Hz", "1", "DEG")),
    });
    const std::vector<std::string> expected = {
        "GetConverterFactory", Notice("Default"), "AddStation Default",
        "AddStation 77", "SetPointKind 1", "SetX 1",
        "AddTarget 78", "SetPointKind 1", "SetHorizontalAngle 1",
    };
    EXPECT_EQ(result.Calls, expected);
}

TEST(SettingsBlock, StartAfterTheFirstLineHasNoEffect)
{
    const ParseResult result = Parse({
        M5Line(1, TextInfo("JOB")),
        M5Line(2, TextInfo("START"), Value("22", "16")),
        M5Line(3, TextInfo("END")),
        M5Line(4, PointInfo("NAME"), Value("Hz", "1", "DEG")),
    });
    EXPECT_NE(std::find(result.Calls.begin(), result.Calls.end(), "AddTarget NAME"), result.Calls.end());
}

TEST(SettingsBlock, ColumnsBeforeTheTextCountAsTheFirstColumn)
{
    const ParseResult result = Parse({
        M5Line(1, TextInfo("START"), Value("22", "-4"), Value("21", "0")),
        M5Line(2, TextInfo("END")),
        M5Line(3, PointInfo("N1"), Value("Hz", "1", "DEG")),
    });
    // Both fields start at column 1: the name runs up to the code (nothing), the code takes
    // the whole text, so the point has no name.
    EXPECT_NE(std::find(result.Calls.begin(), result.Calls.end(), Message116), result.Calls.end());
    EXPECT_FALSE(result.Refused);
}

}  // namespace

namespace {

TEST(StationHeaders, AnUnknownModeBeginsDeclaredStationsAsStations)
{
    Plugin::ImportSettings settings;
    settings.Mode = 2;
    const ParseResult result = Parse({
        M5Line(1, PointInfo("ST", "S"), Value("X", "1", "m")),
        M5Line(2, PointInfo("T"), Value("Hz", "1", "DEG")),
    }, settings);
    // Not the standard mode: no end-of-file notice, no kinds, targets as targets.
    const std::vector<std::string> expected = {"GetConverterFactory", "AddStation ST", "SetX 1", "AddTarget T",
                                               "SetHorizontalAngle 1"};
    EXPECT_EQ(result.Calls, expected);
}

// The notice is written out by hand for speed; it must read exactly as Boost.Format makes it,
// whatever the name holds.
TEST(DefaultStationNotice, ReadsAsTheFormatterWritesIt)
{
    for (const std::wstring name : {L"Default", L"Default_12", L"50%", L"%1%", L"%s %2% %%", L"Репер 7", L""}) {
        const std::wstring formatted = boost::str(boost::wformat(Plugin::DefaultStationNotice) % name);
        EXPECT_EQ(Plugin::FormatDefaultStationNotice(name), formatted) << Platform::WideToUtf8(name);
    }
}

}  // namespace
