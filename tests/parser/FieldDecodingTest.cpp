#include <gtest/gtest.h>

#include "tests/parser/ParserHarness.h"

using Plugin::CParser;
using namespace Testing;

namespace {

struct TakeFieldCase {
    std::wstring Source;
    std::wstring Separators;
    std::wstring Token;
    std::wstring Rest;
};

TEST(TakeField, CutsAtTheFirstSeparatorAndDropsIt)
{
    const TakeFieldCase cases[] = {
        {L"For M5|Adr 00001|rest", L"|", L"For M5", L"Adr 00001|rest"},
        {L"no separator", L"|", L"no separator", L""},
        {L"|starts", L"|", L"", L"starts"},
        {L"", L"|", L"", L""},
        {L"a||b", L"|", L"a", L"|b"},
        {L"SD      12.5 m", L" ", L"SD", L"     12.5 m"},
        {L"x;y|z", L"|;", L"x", L"y|z"},
    };
    for (const auto& c : cases) {
        std::wstring_view source = c.Source;
        EXPECT_EQ(CParser::TakeField(source, c.Separators), c.Token) << Platform::WideToUtf8(c.Source);
        EXPECT_EQ(source, c.Rest) << Platform::WideToUtf8(c.Source);
    }
}

class LookUpTest : public ::testing::Test {
protected:
    CRecordingHost Host;
    CParser Parser{Host, Plugin::ImportSettings()};
};

TEST_F(LookUpTest, TypeIdentifiersArePaddedToTwoAndFoundAnywhereInTheTable)
{
    const std::pair<std::wstring, int> cases[] = {
        {L"PI", 0}, {L"TR", 4}, {L"X", 5}, {L"X ", 5}, {L"x", 6}, {L"N", 7}, {L"N_", 8}, {L"Y", 9},
        {L"y", 10}, {L"E", 11}, {L"E_", 12}, {L"Z", 13}, {L"SD", 14}, {L"HD", 15}, {L"Hz", 16},
        {L"HV", 17}, {L"V1", 18}, {L"V3", 20}, {L"th", 21}, {L"ih", 22},
        {L"h", 23},   // "h " and not the h inside "th" or "ih"
        {L"T_", 24}, {L"T", 25}, {L"P", 26}, {L"Om", 27}, {L"20", 28}, {L"21", 29}, {L"22", 30},
        {L"SD12", -1},  // no blank after the identifier
        {L"sd", -1}, {L"hz", -1}, {L"", -1}, {L"Q", -1},
        {L"|X", 4},   // what the search finds is the index, even across a separator
        {L"I|", 0}, {L"X |x", 5},
    };
    for (const auto& [token, index] : cases)
        EXPECT_EQ(Parser.LookUpTypeIdentifier(token), index) << Platform::WideToUtf8(token);
    // A remembered token answers the same the second time.
    EXPECT_EQ(Parser.LookUpTypeIdentifier(L"h"), 23);
    EXPECT_EQ(Parser.LookUpTypeIdentifier(L"SD12"), -1);
}

TEST_F(LookUpTest, UnitsArePaddedToFourAndMatchedCaseSensitively)
{
    const std::pair<std::wstring, int> cases[] = {
        {L"gon", 0}, {L"DEG", 1}, {L"DMS", 2}, {L"mil", 3}, {L"grad", 4}, {L"m", 5}, {L"ft", 6},
        {L"Torr", 7}, {L"hPa", 8}, {L"inHg", 9}, {L"C", 10}, {L"F", 11}, {L"grd", 12}, {L"mmHg", 13},
        {L"MMHG", -1}, {L"mmhg", -1}, {L"mmH", -1}, {L"mHg", -1}, {L"M", -1}, {L"FT", -1}, {L"dms", -1}, {L"", -1}, {L"mm", -1}, {L"m  ", 5},
        {L"grad|", 4}, {L"d|m", 4},
    };
    for (const auto& [token, index] : cases)
        EXPECT_EQ(Parser.LookUpUnit(token), index) << Platform::WideToUtf8(token);
}

TEST_F(LookUpTest, WhiteSpaceIsTheClassicSix)
{
    for (wchar_t c : std::wstring(L" \t\n\v\f\r"))
        EXPECT_TRUE(CParser::IsWhiteSpace(c)) << int(c);
    for (wchar_t c : std::wstring(L"\u00A0\u2028\u0085x0|"))
        EXPECT_FALSE(CParser::IsWhiteSpace(c)) << int(c);
}

}  // namespace
