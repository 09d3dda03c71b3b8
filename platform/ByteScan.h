#pragma once
// Scans over a field file's bytes before they are decoded. The lines of a large file are
// counted before any of them is taken, in a pass of its own over every byte.
#include <algorithm>
#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Platform {

// The LF bytes among count bytes. Sixteen bytes are compared at once, four times a round, where
// the processor has SSE2: a search for each line's end would cost a call a line.
inline std::size_t CountLineFeeds(const char* bytes, std::size_t count) noexcept
{
    std::size_t lines = 0;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i zero = _mm_setzero_si128();
    const auto matches = [&lf](const char* at) {  // -1 in each lane that holds a LF
        return _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), lf);
    };
    while (count >= 64) {
        // Each byte lane counts the LFs it sees, four a round at most and 63 rounds at most,
        // so that none wraps; then the lanes are summed.
        const std::size_t rounds = std::min<std::size_t>(count / 64, 63);
        __m128i lanes = zero;
        for (std::size_t i = 0; i < rounds; ++i, bytes += 64) {
            const __m128i pair = _mm_add_epi8(matches(bytes), matches(bytes + 16));
            lanes = _mm_sub_epi8(lanes, _mm_add_epi8(pair, _mm_add_epi8(matches(bytes + 32), matches(bytes + 48))));
        }
        const __m128i sums = _mm_sad_epu8(lanes, zero);
        lines += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
                 static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums)));
        count -= rounds * 64;
    }
#endif
    return lines + static_cast<std::size_t>(std::count(bytes, bytes + count, '\n'));
}

}  // namespace Platform
