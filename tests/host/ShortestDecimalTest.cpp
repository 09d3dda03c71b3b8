#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "host/ShortestDecimal.h"

using namespace Host;

namespace {

// What the writers spelled before the quick way for short decimals: the library's own text.
template <typename T>
std::string LibraryText(T value)
{
    char buffer[64];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

template <typename T>
std::string Shortest(T value)
{
    std::string text = "prefix:";
    AppendShortest(text, value);
    EXPECT_EQ(text.compare(0, 7, "prefix:"), 0) << "what was there before stays";
    return text.substr(7);
}

TEST(ShortestDecimal, SpellsValuesAsTheLibraryDoes)
{
    const double values[] = {
        6045.007, -6045.007, 97.784, 1.5, 0.5, 10, 100, 1200, 123456, 0.1, 0.0001, 0.001, 1e-5, 1.5e-8,
        2.5e-9, 1e15, 1e16, 1125899906842623.0, 1125899906842624.0, 0.1 + 0.2, 5.462924191973552, 1e-300,
        5e-324, 1.7976931348623157e308, 0.0, -0.0, 42, 0.12345678, 0.123456789, 999999999.99999999,
        std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
        std::numeric_limits<double>::quiet_NaN(),
    };
    for (const double value : values)
        EXPECT_EQ(Shortest(value), LibraryText(value)) << "value " << LibraryText(value);
    EXPECT_EQ(Shortest(33.333332f), "33.333332");
    EXPECT_EQ(Shortest(100.0f), "100");
}

// Short decimals of every length and scale take the quick way; the text must be the library's
// all the same, plain or with an exponent. Random doubles of any pattern check the rest.
TEST(ShortestDecimal, ManyValuesAgreeWithTheLibrary)
{
    std::mt19937_64 random(20261208);
    for (int i = 0; i < 200000; ++i) {
        const int decimals = static_cast<int>(random() % 12);
        const std::uint64_t digits = random() >> (random() % 64);
        double value = static_cast<double>(digits) / std::pow(10.0, decimals);
        if (random() % 2)
            value = -value;
        ASSERT_EQ(Shortest(value), LibraryText(value)) << digits << " / 10^" << decimals;
    }
    for (int i = 0; i < 200000; ++i) {
        const std::uint64_t bits = random();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        ASSERT_EQ(Shortest(value), LibraryText(value)) << "bits " << bits;
    }
}

}  // namespace
