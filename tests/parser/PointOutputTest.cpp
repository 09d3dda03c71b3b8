#include <gtest/gtest.h>

#include "parser/CAngleDMSConverter.h"
#include "tests/parser/ParserHarness.h"

using namespace Testing;

namespace {

// What one target with this code sends, under a station header.
std::vector<std::string> TargetCalls(const std::string& code, const Plugin::ImportSettings& settings = {})
{
    const ParseResult result = Parse({M5Line(1, TextInfo("KN STAT")), M5Line(2, PointInfo("ST", "S")),
                                      M5Line(3, PointInfo("T", code), Value("Hz", "1", "DEG"))},
                                     settings);
    const auto start = std::find(result.Calls.begin(), result.Calls.end(), "AddTarget T");
    return std::vector<std::string>(start, result.Calls.end());
}

TEST(PointOutput, FirstCharacterOfTheCodeGivesKindFlagAndText)
{
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"3", {"AddTarget T", "SetPointKind 0", "SetPointFlag 0", "SetPointCode 3", "SetHorizontalAngle 1"}},
        {"7B", {"AddTarget T", "SetPointKind 0", "SetPointFlag 0", "SetPointCode 7B", "SetHorizontalAngle 1"}},
        {"1", {"AddTarget T", "SetPointKind 0", "SetPointCode 1", "SetHorizontalAngle 1"}},
        {"6", {"AddTarget T", "SetPointFlag 0", "SetPointCode 6", "SetHorizontalAngle 1"}},
        {"2X", {"AddTarget T", "SetPointFlag 0", "SetPointCode 2X", "SetHorizontalAngle 1"}},
        {"A1", {"AddTarget T", "SetPointKind 1", "SetHorizontalAngle 1"}},
        {"!", {"AddTarget T", "SetPointKind 1", "SetHorizontalAngle 1"}},
        {"E", {"AddTarget T", "SetPointKind 1", "SetHorizontalAngle 1"}},
        {"F", {"AddTarget T", "SetPointCode F", "SetHorizontalAngle 1"}},
        {"0", {"AddTarget T", "SetPointCode 0", "SetHorizontalAngle 1"}},
        {"8", {"AddTarget T", "SetPointCode 8", "SetHorizontalAngle 1"}},
        {"a135", {"AddTarget T", "SetPointCode a135", "SetHorizontalAngle 1"}},
        {"S1", {"AddTarget T", "SetPointCode S1", "SetHorizontalAngle 1"}},
        {"", {"AddTarget T", "SetHorizontalAngle 1"}},
    };
    for (const auto& [code, expected] : cases)
        EXPECT_EQ(TargetCalls(code), expected) << code;
}

TEST(PointOutput, PointsWithoutCodeAreKindBOnlyOutsideHeadersInStandardMode)
{
    const std::vector<std::string> lines = {M5Line(1, PointInfo("P"), Value("X", "1", "m"))};
    const ParseResult standard = Parse(lines);
    EXPECT_EQ(CallsOf(standard, {"AddTarget", "SetPointKind"}),
              (std::vector<std::string>{"AddTarget P", "SetPointKind 0"}));
    const ParseResult separate = Parse({M5Line(1, PointInfo("P"), Value("Hz", "1", "DEG"))}, SeparateMeasurements());
    EXPECT_TRUE(CallsOf(separate, {"SetPointKind"}).empty());
}

TEST(PointOutput, KindBStaysWithTheNameForTheWholeFile)
{
    const ParseResult result = Parse({
        M5Line(1, TextInfo("KN STAT")),
        M5Line(2, PointInfo("S1", "S")),
        M5Line(3, PointInfo("X9", "5"), Value("Hz", "1", "DEG")),  // kind B for X9
        M5Line(4, TextInfo("KN STAT")),
        M5Line(5, PointInfo("X9", "S")),                            // the station's P is refused
        M5Line(6, PointInfo("X9x", "C"), Value("Hz", "2", "DEG")),  // another name: P
        M5Line(7, TextInfo("KN STAT")),
        M5Line(8, PointInfo("S1", "S")),
        M5Line(9, PointInfo("X9", "A"), Value("Hz", "3", "DEG")),   // P refused, B again would be sent
    });
    EXPECT_EQ(CallsOf(result, {"AddStation", "AddTarget", "SetPointKind"}),
              (std::vector<std::string>{"AddStation Default", "AddStation S1", "SetPointKind 1", "AddTarget X9",
                                        "SetPointKind 0", "AddStation X9", "AddTarget X9x", "SetPointKind 1",
                                        "AddStation S1", "SetPointKind 1", "AddTarget X9"}));
}

TEST(PointOutput, HeightDifferenceWithoutStationNeverCarriesTheInstrumentHeight)
{
    const ParseResult result = Parse({
        M5Line(1, TextInfo("INPUT"), Value("ih", "1.5", "m"), Value("th", "2", "m")),
        M5Line(2, PointInfo("T"), Value("HD", "10", "m"), Value("h", "0.5", "m"), Value("Hz", "1", "DEG")),
    }, SeparateMeasurements());
    EXPECT_EQ(CallsOf(result, {"SetTargetHeight", "SetHeightDifference"}),
              (std::vector<std::string>{"SetTargetHeight 2", "SetHeightDifference 0.5"}));
}

TEST(DefaultStations, EveryClosingWithoutAStationMakesTheNextName)
{
    const ParseResult result = Parse({M5Line(1, TextInfo("KN STAT")), M5Line(2, TextInfo("UN STAT")),
                                      M5Line(3, TextInfo("EL STAT"))});
    const std::vector<std::string> expected = {
        "GetConverterFactory",
        std::string(DefaultNotice) + "Default.", "AddStation Default",
        std::string(DefaultNotice) + "Default_1.", "AddStation Default_1",
        std::string(DefaultNotice) + "Default_2.", "AddStation Default_2",
        std::string(DefaultNotice) + "Default_3.", "AddStation Default_3",
    };
    EXPECT_EQ(result.Calls, expected);
}

TEST(DefaultStations, CarryTheAirValuesAndInstrumentHeightInForce)
{
    const ParseResult result = Parse({
        M5Line(1, TextInfo("INPUT"), Value("P", "990", "hPa"), Value("T", "15", "C"), Value("ih", "1.45", "m")),
        M5Line(2, TextInfo("KN STAT")),
    });
    const std::vector<std::string> expected = {
        "GetConverterFactory", std::string(DefaultNotice) + "Default.", "AddStation Default", "SetPressure 990",
        "SetTemperature 15", "SetInstrumentHeight 1.45",
        std::string(DefaultNotice) + "Default_1.", "AddStation Default_1", "SetPressure 990", "SetTemperature 15",
        "SetInstrumentHeight 1.45",
    };
    EXPECT_EQ(result.Calls, expected);
}

// A host angle converter that records what it was handed.
class CEchoConverter final : public Plugin::IAngleConverter {
public:
    void AddRef() override { ++Count; }
    bool Release() override { return --Count == 0; }
    bool ConvertText(const char16_t* text, double* out) override
    {
        Seen = Utf8(text);
        *out = 42;
        return true;
    }
    int Count = 0;
    std::string Seen;
};

TEST(AngleDmsConverter, RepunctuatesPackedDegreesMinutesSeconds)
{
    const std::pair<std::string, std::string> cases[] = {
        {"123.4530", "123.45.30"}, {"123.45305", "123.45.30.5"}, {"123.453", "123.45.3"}, {"123.45", "123.45"},
        {"123.4", "123.4"},       {"0.0000", "0.00.00"},         {"1.2.3456", "1.2..34.56"},
        {"-12.3045", "-12.30.45"}, {"5.", "5."},                 {".123", ".12.3"},
        // Texts around the length re-punctuated on the stack, and far beyond it.
        {"1.2345" + std::string(23, '6'), "1.23.45." + std::string(23, '6')},
        {"1.2345" + std::string(24, '6'), "1.23.45." + std::string(24, '6')},
        {std::string(27, '9') + ".12", std::string(27, '9') + ".12"},
        {std::string(28, '9') + ".123", std::string(28, '9') + ".12.3"},
        {std::string(29, '9') + ".1234", std::string(29, '9') + ".12.34"},
        {"359.5959" + std::string(60, '1'), "359.59.59." + std::string(60, '1')},
    };
    CEchoConverter inner;
    inner.AddRef();
    auto* converter = new Plugin::CAngleDMSConverter(&inner);
    converter->AddRef();
    EXPECT_EQ(inner.Count, 2);
    for (const auto& [packed, dotted] : cases) {
        double out = 0;
        EXPECT_TRUE(converter->ConvertText(Utf16(packed).c_str(), &out)) << packed;
        EXPECT_EQ(inner.Seen, dotted) << packed;
        EXPECT_EQ(out, 42);
    }
    inner.Seen.clear();
    double untouched = 7;
    EXPECT_FALSE(converter->ConvertText(u"123", &untouched));
    EXPECT_FALSE(converter->ConvertText(Utf16(std::string(40, '1')).c_str(), &untouched));
    EXPECT_EQ(untouched, 7);
    EXPECT_TRUE(inner.Seen.empty());

    converter->AddRef();
    EXPECT_FALSE(converter->Release());
    EXPECT_EQ(inner.Count, 2);
    EXPECT_TRUE(converter->Release());
    EXPECT_EQ(inner.Count, 1);
}

}  // namespace
