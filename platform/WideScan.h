#pragma once
// Scans over wide text for the parser's hot path: a separator, and runs of blanks from
// either end. M5 lines are blocks of blank-padded fields, so these runs are most of what the
// parser walks over. Where the processor has SSE2 and wide characters are 32 bits (Linux on
// x86-64), four characters are compared at once; elsewhere one by one, with the same results.
#include <cstddef>

#if defined(__SSE2__) && __SIZEOF_WCHAR_T__ == 4
#define M5_WIDE_SCAN_SSE2 1
#include <emmintrin.h>
#endif

namespace Platform {

#ifdef M5_WIDE_SCAN_SSE2
namespace Detail {

// One bit per character of the four at text, set where the character equals c.
inline int MatchMask(const wchar_t* text, wchar_t c) noexcept
{
    const __m128i characters = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text));
    const __m128i wanted = _mm_set1_epi32(static_cast<int>(c));
    return _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(characters, wanted)));
}

}  // namespace Detail
#endif

// The first c in [begin, end), or end.
inline const wchar_t* FindWide(const wchar_t* begin, const wchar_t* end, wchar_t c) noexcept
{
#ifdef M5_WIDE_SCAN_SSE2
    for (; end - begin >= 4; begin += 4) {
        if (const int found = Detail::MatchMask(begin, c))
            return begin + __builtin_ctz(static_cast<unsigned>(found));
    }
#endif
    while (begin != end && *begin != c)
        ++begin;
    return begin;
}

// The first character in [begin, end) that is not a blank (U+0020), or end.
inline const wchar_t* SkipBlanks(const wchar_t* begin, const wchar_t* end) noexcept
{
#ifdef M5_WIDE_SCAN_SSE2
    for (; end - begin >= 4; begin += 4) {
        const int blanks = Detail::MatchMask(begin, L' ');
        if (blanks != 0xF)
            return begin + __builtin_ctz(static_cast<unsigned>(~blanks));
    }
#endif
    while (begin != end && *begin == L' ')
        ++begin;
    return begin;
}

// The end of [begin, end) without the blanks it ends with.
inline const wchar_t* SkipBlanksBackward(const wchar_t* begin, const wchar_t* end) noexcept
{
#ifdef M5_WIDE_SCAN_SSE2
    for (; end - begin >= 4; end -= 4) {
        const int blanks = Detail::MatchMask(end - 4, L' ');
        if (blanks != 0xF)
            return end - 4 + (32 - __builtin_clz(static_cast<unsigned>(~blanks & 0xF)));
    }
#endif
    while (end != begin && end[-1] == L' ')
        --end;
    return end;
}

}  // namespace Platform
