#pragma once
// The shortest decimal text that reads back to the same value, laid out as std::to_chars lays
// it out without a format: plain or with an exponent, whichever is shorter, plain on a tie.
// The trace, CSV and LandXML writers all spell numbers this way.
#include <string>

namespace Host {

// Appends value to text. Infinities and NaN are spelled as std::to_chars spells them; the
// writers decide beforehand whether such a value may be written at all.
void AppendShortest(std::string& text, double value);
void AppendShortest(std::string& text, float value);

// Writes the same text at out, which has room for ShortestLength characters; returns its end.
constexpr std::size_t ShortestLength = 32;
char* WriteShortest(char* out, double value);
char* WriteShortest(char* out, float value);

// A fixed number of decimals, for reading: 5031.554. A value that rounds to zero reads as
// 0.000, never -0.000.
std::string FormatFixed(double value, int decimals);

}  // namespace Host
