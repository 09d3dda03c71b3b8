#pragma once
// UTF-16 is the text of the plug-in boundary; the plug-in works on std::wstring inside and
// the host on UTF-8. File names that are not valid UTF-8 survive the round trip: each stray
// byte travels as a lone surrogate U+DC80..U+DCFF and is turned back into its byte.
#include <string>
#include <string_view>

namespace Platform {

// Length of a NUL-terminated UTF-16 text; 0 for null.
std::size_t Utf16Length(const char16_t* text) noexcept;

// Unit-for-unit copies between the boundary text and the plug-in's wide strings. Wide
// characters beyond the BMP become surrogate pairs.
std::u16string WideToUtf16(std::wstring_view text);
std::wstring Utf16ToWide(const char16_t* text);
std::wstring Utf16ToWide(std::u16string_view text);

// UTF-8 to UTF-16; invalid bytes become lone surrogates U+DC80..U+DCFF.
std::u16string Utf8ToUtf16(std::string_view text);
// UTF-16 to UTF-8. With escapedBytes, lone surrogates U+DC80..U+DCFF become their byte again
// (for file names); any other lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text, bool escapedBytes = false);
std::string WideToUtf8(std::wstring_view text);
// A NUL-terminated text (null reads as empty) to UTF-8.
std::string Utf16ToUtf8(const char16_t* text);

}  // namespace Platform
