#include <charconv>
#include <cstdio>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/Converters.h"

using namespace Host;

namespace {

constexpr double Pi = 3.14159265358979323846;

TEST(HostConverters, DecimalSyntaxIsStrict)
{
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"12.5", 12.5}, {"-12.5", -12.5}, {"+3", 3.0}, {"007", 7.0}, {"5.", 5.0}, {".5", 0.5}, {"0", 0.0},
        {"-0.000", -0.0},
        {"", std::nullopt}, {"-", std::nullopt}, {".", std::nullopt}, {"1.2.3", std::nullopt},
        {" 1", std::nullopt}, {"1 ", std::nullopt}, {"1e3", std::nullopt}, {"1,5", std::nullopt},
        {"0x10", std::nullopt}, {"inf", std::nullopt}, {"nan", std::nullopt}, {"--1", std::nullopt},
        {"+-1", std::nullopt}, {"1-", std::nullopt},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(ParseDecimal(text), expected) << text;
}

TEST(HostConverters, ValuesADoubleCannotHoldAreRefused)
{
    EXPECT_FALSE(ParseDecimal("1" + std::string(400, '0')));
    EXPECT_FALSE(ParseDecimal("0." + std::string(400, '0') + "1"));  // below the smallest normal
    EXPECT_FALSE(ParseDecimal("0." + std::string(310, '0') + "1"));
    EXPECT_TRUE(ParseDecimal("0." + std::string(400, '0')));         // a plain zero is a value
    EXPECT_TRUE(ParseDecimal("1" + std::string(300, '0')));
    // Overflow after the unit is applied.
    EXPECT_FALSE(ConvertPressure(2, "1" + std::string(307, '0')));
    EXPECT_TRUE(ConvertPressure(1, "1" + std::string(307, '0')));
}

TEST(HostConverters, DottedDegreesMinutesSeconds)
{
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"123.45.30", 123 + 45 / 60.0 + 30 / 3600.0},
        {"123.45.30.5", 123 + 45 / 60.0 + 30.5 / 3600.0},
        {"123.4", 123 + 40 / 60.0},           // one digit is the tens digit
        {"123.45.3", 123 + 45 / 60.0 + 30 / 3600.0},
        {"123", 123.0},
        {"-12.30.45", -(12 + 30 / 60.0 + 45 / 3600.0)},
        {"0.00.00", 0.0},
        {"359.59.59.999", 359 + 59 / 60.0 + 59.999 / 3600.0},
        {"123.6", std::nullopt},   // 60 minutes
        {"123.45.60", std::nullopt},
        {"123.", std::nullopt},
        {"1.2..34.56", std::nullopt},
        {".30", std::nullopt},
        {"123.456", std::nullopt},
        {"123.45.30.", std::nullopt},
        {"123.45.30.5.1", std::nullopt},
        {"12a.30", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        const std::optional<double> value = ParseDottedDms(text);
        ASSERT_EQ(value.has_value(), expected.has_value()) << text;
        if (value) {
            EXPECT_DOUBLE_EQ(*value, *expected) << text;
        }
    }
}

TEST(HostConverters, UnitsBecomeInternalUnits)
{
    struct Case {
        std::optional<double> (*Convert)(int, std::string_view);
        int Code;
        const char* Text;
        std::optional<double> Expected;
    };
    const Case cases[] = {
        {ConvertAngle, 1, "180.00.00", Pi},
        {ConvertAngle, 3, "90", Pi / 2},
        {ConvertAngle, 4, "100", Pi / 2},
        {ConvertAngle, 5, "1600", Pi / 2},
        {ConvertAngle, 2, "1", std::nullopt},
        {ConvertDistance, 0, "12.5", 12.5},
        {ConvertDistance, 1, "10", 3.048},
        {ConvertDistance, 2, "10", std::nullopt},
        {ConvertPressure, 0, "760", 1013.25},
        {ConvertPressure, 1, "1000", 1000.0},
        {ConvertPressure, 2, "1", 33.86389},
        {ConvertTemperature, 0, "-5", -5.0},
        {ConvertTemperature, 1, "212", 100.0},
        {ConvertTemperature, 1, "x", std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<double> value = c.Convert(c.Code, c.Text);
        ASSERT_EQ(value.has_value(), c.Expected.has_value()) << c.Code << " " << c.Text;
        if (value) {
            EXPECT_NEAR(*value, *c.Expected, 1e-12) << c.Code << " " << c.Text;
        }
    }
}

TEST(HostConverters, FactoryHandsOutCountedConvertersAndNoneForUnknownCodes)
{
    const long before = CConverterFactory::OutstandingReferences();
    CConverterFactory* factory = CConverterFactory::Create();
    Plugin::IAngleConverter* dms = factory->GetAngleConverter(1);
    Plugin::IDistanceConverter* feet = factory->GetDistanceConverter(1);
    ASSERT_NE(dms, nullptr);
    ASSERT_NE(feet, nullptr);
    EXPECT_EQ(factory->GetAngleConverter(2), nullptr);
    EXPECT_EQ(factory->GetDistanceConverter(-1), nullptr);
    EXPECT_EQ(factory->GetPressureConverter(3), nullptr);
    EXPECT_EQ(factory->GetTemperatureConverter(2), nullptr);
    EXPECT_EQ(CConverterFactory::OutstandingReferences(), before + 3);

    double out = 99;
    EXPECT_FALSE(feet->ConvertText(u"1e3", &out));
    EXPECT_EQ(out, 99);
    EXPECT_TRUE(feet->ConvertText(u"100", &out));
    EXPECT_DOUBLE_EQ(out, 30.48);
    EXPECT_TRUE(dms->ConvertText(u"90.00.00", &out));
    EXPECT_DOUBLE_EQ(out, Pi / 2);

    // The same unit gives the same converter, as a new reference.
    Plugin::IAngleConverter* again = factory->GetAngleConverter(1);
    EXPECT_EQ(again, dms);
    EXPECT_EQ(CConverterFactory::OutstandingReferences(), before + 4);
    EXPECT_FALSE(again->Release());
    EXPECT_FALSE(dms->Release());  // the factory still holds it
    EXPECT_FALSE(feet->Release());
    EXPECT_EQ(CConverterFactory::OutstandingReferences(), before + 1);
    // A converter the caller still holds outlives the factory.
    Plugin::IPressureConverter* torr = factory->GetPressureConverter(0);
    EXPECT_TRUE(factory->Release());
    EXPECT_TRUE(torr->ConvertText(u"760", &out));
    EXPECT_DOUBLE_EQ(out, 1013.25);
    EXPECT_EQ(CConverterFactory::OutstandingReferences(), before + 1);
    EXPECT_TRUE(torr->Release());
    EXPECT_EQ(CConverterFactory::OutstandingReferences(), before);
}

}  // namespace

namespace {

TEST(HostConverters, ShortValuesReadExactlyAsAFullDecimalReader)
{
    // The quick path for field values must give the very double a full reader gives.
    std::uint64_t state = 88172645463325252ull;
    auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    };
    for (int i = 0; i < 20000; ++i) {
        const int digits = 1 + static_cast<int>(next() % 15);
        std::string text;
        for (int d = 0; d < digits; ++d)
            text += static_cast<char>('0' + next() % 10);
        const std::size_t point = next() % (text.size() + 1);
        text.insert(point, 1, '.');
        if (text == ".")
            continue;
        std::string fixed = text;
        if (fixed.front() == '.')
            fixed.insert(fixed.begin(), '0');
        if (fixed.back() == '.')
            fixed.pop_back();
        double expected = 0;
        std::from_chars(fixed.data(), fixed.data() + fixed.size(), expected, std::chars_format::fixed);
        const std::optional<double> value = ParseDecimal(text);
        ASSERT_TRUE(value.has_value()) << text;
        ASSERT_EQ(*value, expected) << text;
    }
}

}  // namespace

namespace {

TEST(HostConverters, RefusalsAreExplained)
{
    struct Case {
        ValueQuantity Quantity;
        int Code;
        std::string Text;
        Refusal Expected;
    };
    const Case cases[] = {
        {ValueQuantity::Distance, 0, "33,887", Refusal::NotANumber},
        {ValueQuantity::Distance, 0, "abc.de", Refusal::NotANumber},
        {ValueQuantity::Distance, 0, "", Refusal::NotANumber},
        {ValueQuantity::Distance, 0, "1.2.3", Refusal::NotANumber},
        {ValueQuantity::Distance, 0, "-", Refusal::NotANumber},
        {ValueQuantity::Distance, 0, "1" + std::string(400, '0'), Refusal::OutOfRange},
        {ValueQuantity::Temperature, 1, "-0." + std::string(400, '0') + "1", Refusal::OutOfRange},
        {ValueQuantity::Pressure, 2, "1" + std::string(307, '0'), Refusal::OutOfRange},  // beyond after the unit
        {ValueQuantity::Angle, 3, "12.5 ", Refusal::NotANumber},
        {ValueQuantity::Angle, 1, "123.6", Refusal::SixtyOrMore},
        {ValueQuantity::Angle, 1, "123.45.60", Refusal::SixtyOrMore},
        {ValueQuantity::Angle, 1, "123.456", Refusal::NotDottedDms},
        {ValueQuantity::Angle, 1, "1.2..34.56", Refusal::NotDottedDms},
        {ValueQuantity::Angle, 1, "12a.30", Refusal::NotDottedDms},
        {ValueQuantity::Angle, 1, "1" + std::string(400, '0') + ".30", Refusal::OutOfRange},
    };
    for (const Case& test : cases) {
        std::optional<double> (*convert)(int, std::string_view) =
            test.Quantity == ValueQuantity::Angle      ? ConvertAngle
            : test.Quantity == ValueQuantity::Pressure ? ConvertPressure
            : test.Quantity == ValueQuantity::Distance ? ConvertDistance
                                                       : ConvertTemperature;
        ASSERT_FALSE(convert(test.Code, test.Text)) << test.Text;
        EXPECT_EQ(ExplainRefusal(test.Quantity, test.Code, test.Text), test.Expected) << test.Text;
    }
}

struct RecordedRefusal {
    ValueQuantity Quantity;
    std::string Text;
    Refusal Why;
    bool operator==(const RecordedRefusal& other) const
    {
        return Quantity == other.Quantity && Text == other.Text && Why == other.Why;
    }
};

class CRecordingRefusals final : public IRefusedValueSink {
public:
    void OnRefusedValue(ValueQuantity quantity, std::string_view text, Refusal why) override
    {
        Refusals.push_back({quantity, std::string(text), why});
    }
    std::vector<RecordedRefusal> Refusals;
};

TEST(HostConverters, TheFactorysConvertersReportEveryRefusedTextAndNothingElse)
{
    CRecordingRefusals refusals;
    CConverterFactory* factory = CConverterFactory::Create(&refusals);
    Plugin::IDistanceConverter* metres = factory->GetDistanceConverter(0);
    Plugin::IAngleConverter* dms = factory->GetAngleConverter(1);
    Plugin::ITemperatureConverter* celsius = factory->GetTemperatureConverter(0);
    double out = 0;
    EXPECT_TRUE(metres->ConvertText(u"33.887", &out));
    EXPECT_FALSE(metres->ConvertText(u"33,887", &out));
    EXPECT_FALSE(dms->ConvertText(u"21.61.28", &out));
    EXPECT_TRUE(dms->ConvertText(u"21.21.28", &out));
    EXPECT_FALSE(celsius->ConvertText(u"18°", &out));  // not ASCII: seen as UTF-8
    const std::vector<RecordedRefusal> expected = {
        {ValueQuantity::Distance, "33,887", Refusal::NotANumber},
        {ValueQuantity::Angle, "21.61.28", Refusal::SixtyOrMore},
        {ValueQuantity::Temperature, "18°", Refusal::NotANumber},
    };
    EXPECT_EQ(refusals.Refusals, expected);
    for (Plugin::IRefCounted* held : {static_cast<Plugin::IRefCounted*>(metres), static_cast<Plugin::IRefCounted*>(dms),
                                      static_cast<Plugin::IRefCounted*>(celsius), static_cast<Plugin::IRefCounted*>(factory)})
        held->Release();
}

// The converters read the usual texts straight from the plug-in's UTF-16 text; what they give
// must be exactly what the full reading of the same text gives (a DMS text with a fraction
// of 0 always takes the full reading), and a text the full reading refuses is refused.
TEST(HostConverters, UsualTextsConvertAsTheFullReadingDoes)
{
    CRecordingRefusals refusals;
    CConverterFactory* factory = CConverterFactory::Create(&refusals);
    Plugin::IAngleConverter* dms = factory->GetAngleConverter(1);
    Plugin::IDistanceConverter* feet = factory->GetDistanceConverter(1);
    const auto convert = [](auto* converter, const std::string& text) -> std::optional<double> {
        const std::u16string wide(text.begin(), text.end());
        double value = -1;
        if (!converter->ConvertText(wide.c_str(), &value))
            return std::nullopt;
        return value;
    };
    for (const char* degrees : {"0", "7", "359", "-12", "+45", "123456789012345", "1234567890123456"}) {
        for (int minutes = 0; minutes < 60; minutes += 7) {
            for (int seconds = 0; seconds < 60; seconds += 11) {
                char text[64];
                std::snprintf(text, sizeof text, "%s.%02d.%02d", degrees, minutes, seconds);
                const std::optional<double> usual = convert(dms, text);
                const std::optional<double> full = ConvertAngle(1, std::string(text) + ".0");
                ASSERT_TRUE(usual && full) << text;
                EXPECT_EQ(*usual, *full) << text;
            }
        }
    }
    ASSERT_TRUE(refusals.Refusals.empty());
    // Every text refused is reported once, with the reason the full reading gives.
    std::vector<RecordedRefusal> expected;
    for (const char* text : {"1.60.00", "1.00.60", "1.0a.00", "1.00.0", ".00.00", "1..00.00", "1.00.00.", "-", ""}) {
        EXPECT_EQ(convert(dms, text), ConvertAngle(1, text)) << text;
        if (!ConvertAngle(1, text))
            expected.push_back({ValueQuantity::Angle, text, ExplainRefusal(ValueQuantity::Angle, 1, text)});
    }
    EXPECT_EQ(expected.size(), 8u);  // all but "1.00.0", one degree
    EXPECT_EQ(refusals.Refusals, expected);
    refusals.Refusals.clear();
    expected.clear();
    for (const char* text : {"12.5", "-0.001", "+7", "5.", ".5", "9007199254740993", "0.1234567890123456789",
                             "1234567890123456789012", ".", "1.2.3", "1e3", "", "-"}) {
        EXPECT_EQ(convert(feet, text), ConvertDistance(1, text)) << text;
        if (!ConvertDistance(1, text))
            expected.push_back({ValueQuantity::Distance, text, ExplainRefusal(ValueQuantity::Distance, 1, text)});
    }
    EXPECT_EQ(expected.size(), 5u);
    EXPECT_EQ(refusals.Refusals, expected);
    dms->Release();
    feet->Release();
    factory->Release();
}

}  // namespace
