#include "platform/CodePage.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__) && __SIZEOF_WCHAR_T__ == 4
#define M5_WIDEN_WITH_SSE2 1
#include <emmintrin.h>
#endif

namespace Platform {

namespace {

// Windows-1251 bytes 0x80 to 0xFF; the one byte the code page leaves undefined (0x98)
// maps to the C1 control of the same value, as the system converter does.
constexpr char16_t HighHalf[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

}  // namespace

char16_t DecodeWindows1251(unsigned char byte) noexcept
{
    return byte < 0x80 ? static_cast<char16_t>(byte) : HighHalf[byte - 0x80];
}

namespace {

void Translate(const unsigned char* __restrict source, wchar_t* __restrict target, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        target[i] = static_cast<wchar_t>(DecodeWindows1251(source[i]));
}

constexpr std::size_t Piece = 16;

#ifdef M5_WIDEN_WITH_SSE2
// Decodes a piece of sixteen bytes: all of them widened at once, which is right for plain
// ASCII (most of an M5 line even where a name is in Cyrillic), then the few high bytes looked
// up in the table one by one.
void DecodePiece(const unsigned char* source, wchar_t* target) noexcept
{
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source));
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = _mm_unpacklo_epi8(bytes, zero);
    const __m128i high = _mm_unpackhi_epi8(bytes, zero);
    auto* out = reinterpret_cast<__m128i*>(target);
    _mm_storeu_si128(out, _mm_unpacklo_epi16(low, zero));
    _mm_storeu_si128(out + 1, _mm_unpackhi_epi16(low, zero));
    _mm_storeu_si128(out + 2, _mm_unpacklo_epi16(high, zero));
    _mm_storeu_si128(out + 3, _mm_unpackhi_epi16(high, zero));
    for (unsigned highBytes = static_cast<unsigned>(_mm_movemask_epi8(bytes)); highBytes != 0;
         highBytes &= highBytes - 1) {
        const unsigned at = static_cast<unsigned>(__builtin_ctz(highBytes));
        target[at] = static_cast<wchar_t>(HighHalf[source[at] - 0x80]);
    }
}
#else
void DecodePiece(const unsigned char* source, wchar_t* target) noexcept
{
    Translate(source, target, Piece);
}
#endif

}  // namespace

void DecodeWindows1251(const char* bytes, std::size_t count, std::wstring& out)
{
    // Lines of a file are mostly of one length: the string keeps it without a library call.
    if (out.size() != count)
        out.resize(count);
    wchar_t* target = out.data();
    const auto* source = reinterpret_cast<const unsigned char*>(bytes);
    if (count < Piece) {
        Translate(source, target, count);
        return;
    }
    // Whole pieces, the last one ending at the end of the line (it may overlap the one
    // before, writing the same characters again).
    const std::size_t last = count - Piece;
    for (std::size_t i = 0; i < last; i += Piece)
        DecodePiece(source + i, target + i);
    DecodePiece(source + last, target + last);
}

}  // namespace Platform
