#include "host/ShortestDecimal.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace Host {

namespace {

constexpr double PowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
constexpr int MostDecimals = 8;
// Below this the scaled value and its nearest integer are both exact enough that the integer
// found is the only one of its length that reads back to the value.
constexpr double ScaledLimit = 1125899906842624.0;  // 2^50

// Most values of a survey are short decimals: a coordinate of 6045.007 m, a distance of
// 97.784 m. For them the digits are found by scaling by 10^k for the smallest k whose nearest
// integer n reads back exactly (n / 10^k is correctly rounded, as reading the text would be):
// the smallest such k gives the fewest digits, and n is the only candidate at that k.
// Everything else goes to the general algorithm of the library.
bool FindShortDecimal(double magnitude, std::uint64_t& digits, int& decimals)
{
    for (int k = 0; k <= MostDecimals; ++k) {
        const double scaled = magnitude * PowersOfTen[k];
        if (!(scaled < ScaledLimit))
            return false;
        const auto n = static_cast<std::uint64_t>(scaled + 0.5);
        if (static_cast<double>(n) / PowersOfTen[k] == magnitude) {
            digits = n;
            decimals = k;
            return true;
        }
    }
    return false;
}

int ExponentDigits(int exponent)
{
    return exponent <= -100 || exponent >= 100 ? 3 : 2;
}

// Lays out the value (sign) digits × 10^scale, digits without trailing zeros, as the library
// would: plain or scientific, whichever is shorter, plain on a tie.
void AppendLaidOut(std::string& text, bool negative, const char* digits, int count, int scale)
{
    const int exponent = count - 1 + scale;  // of the first digit
    const int plainLength = scale >= 0 ? count + scale : exponent >= 0 ? count + 1 : count + 1 - exponent;
    const int scientificLength = count + (count > 1 ? 1 : 0) + 2 + ExponentDigits(exponent);
    if (negative)
        text += '-';
    if (plainLength <= scientificLength) {
        if (scale >= 0) {
            text.append(digits, static_cast<std::size_t>(count));
            text.append(static_cast<std::size_t>(scale), '0');
        } else if (exponent >= 0) {
            text.append(digits, static_cast<std::size_t>(exponent + 1));
            text += '.';
            text.append(digits + exponent + 1, static_cast<std::size_t>(count - exponent - 1));
        } else {
            text += "0.";
            text.append(static_cast<std::size_t>(-exponent - 1), '0');
            text.append(digits, static_cast<std::size_t>(count));
        }
        return;
    }
    text += digits[0];
    if (count > 1) {
        text += '.';
        text.append(digits + 1, static_cast<std::size_t>(count - 1));
    }
    text += exponent < 0 ? "e-" : "e+";
    const int magnitude = exponent < 0 ? -exponent : exponent;
    if (magnitude < 10)
        text += '0';
    char buffer[8];
    text.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, magnitude).ptr);
}

template <typename T>
void AppendGeneral(std::string& text, T value)
{
    char buffer[64];
    text.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

}  // namespace

void AppendShortest(std::string& text, double value)
{
    std::uint64_t n = 0;
    int decimals = 0;
    if (!(value != 0 && std::isfinite(value) && FindShortDecimal(std::fabs(value), n, decimals))) {
        AppendGeneral(text, value);
        return;
    }
    char digits[24] = {};
    int count = static_cast<int>(std::to_chars(digits, digits + sizeof digits, n).ptr - digits);
    int scale = -decimals;
    while (digits[count - 1] == '0') {
        --count;
        ++scale;
    }
    AppendLaidOut(text, value < 0, digits, count, scale);
}

void AppendShortest(std::string& text, float value)
{
    AppendGeneral(text, value);
}

std::string FormatFixed(double value, int decimals)
{
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string text = buffer;
    if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos)
        text.erase(0, 1);
    return text;
}

}  // namespace Host
