#include "host/ShortestDecimal.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

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
//
// Below the limit, a shorter spelling that reads back is also found at k = MostDecimals, with
// as many zeros at its end as it is shorter: the scaled value is within a fifth of the
// integer it spells there. So one test at MostDecimals decides, and the zeros give k; values
// of a full double's precision (angles in radians) are turned away at once.
bool FindShortDecimal(double magnitude, std::uint64_t& digits, int& decimals)
{
    const double finest = magnitude * PowersOfTen[MostDecimals];
    if (finest < ScaledLimit) {
        std::uint64_t n = static_cast<std::uint64_t>(finest + 0.5);
        if (static_cast<double>(n) / PowersOfTen[MostDecimals] != magnitude)
            return false;
        int k = MostDecimals;
        for (; k > 0 && n % 10 == 0; --k)
            n /= 10;
        digits = n;
        decimals = k;
        return true;
    }
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
char* WriteLaidOut(char* out, bool negative, const char* digits, int count, int scale)
{
    const int exponent = count - 1 + scale;  // of the first digit
    const int plainLength = scale >= 0 ? count + scale : exponent >= 0 ? count + 1 : count + 1 - exponent;
    const int scientificLength = count + (count > 1 ? 1 : 0) + 2 + ExponentDigits(exponent);
    if (negative)
        *out++ = '-';
    const auto copy = [&out](const char* from, int length) {
        std::memcpy(out, from, static_cast<std::size_t>(length));
        out += length;
    };
    const auto fill = [&out](char c, int length) {
        std::memset(out, c, static_cast<std::size_t>(length));
        out += length;
    };
    if (plainLength <= scientificLength) {
        if (scale >= 0) {
            copy(digits, count);
            fill('0', scale);
        } else if (exponent >= 0) {
            copy(digits, exponent + 1);
            *out++ = '.';
            copy(digits + exponent + 1, count - exponent - 1);
        } else {
            copy("0.", 2);
            fill('0', -exponent - 1);
            copy(digits, count);
        }
        return out;
    }
    *out++ = digits[0];
    if (count > 1) {
        *out++ = '.';
        copy(digits + 1, count - 1);
    }
    copy(exponent < 0 ? "e-" : "e+", 2);
    const int magnitude = exponent < 0 ? -exponent : exponent;
    if (magnitude < 10)
        *out++ = '0';
    return std::to_chars(out, out + 4, magnitude).ptr;
}

// The digits n without the zeros at their end, laid out at 10^-decimals.
char* WriteDecimal(char* out, bool negative, std::uint64_t n, int decimals)
{
    char digits[24] = {};
    int count = static_cast<int>(std::to_chars(digits, digits + sizeof digits, n).ptr - digits);
    int scale = -decimals;
    while (digits[count - 1] == '0') {
        --count;
        ++scale;
    }
    return WriteLaidOut(out, negative, digits, count, scale);
}

}  // namespace

char* WriteShortest(char* out, double value)
{
    std::uint64_t n = 0;
    int decimals = 0;
    if (!(value != 0 && std::isfinite(value) && FindShortDecimal(std::fabs(value), n, decimals)))
        return std::to_chars(out, out + ShortestLength, value).ptr;
    return WriteDecimal(out, value < 0, n, decimals);
}

char* WriteShortest(char* out, float value)
{
    return std::to_chars(out, out + ShortestLength, value).ptr;
}

// Appended by length: the library appends a range of two pointers through its general
// replace, which costs more than the spelling of a short decimal.
void AppendShortest(std::string& text, double value)
{
    char buffer[ShortestLength];
    text.append(buffer, static_cast<std::size_t>(WriteShortest(buffer, value) - buffer));
}

void AppendShortest(std::string& text, float value)
{
    char buffer[ShortestLength];
    text.append(buffer, static_cast<std::size_t>(WriteShortest(buffer, value) - buffer));
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
