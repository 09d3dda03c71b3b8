#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/LargeMemory.h"
#include "platform/WideScan.h"

namespace {

// The scans take four characters at a time where they can; every length around that width and
// every place of the character looked for must give what a plain walk gives.
TEST(WideScan, AgreesWithAWalkOverEveryLengthAndPlace)
{
    for (std::size_t length = 0; length <= 21; ++length) {
        for (std::size_t place = 0; place <= length; ++place) {
            std::wstring separated(length, L'a');
            std::wstring blanks(length, L' ');
            if (place < length) {
                separated[place] = L'|';
                blanks[place] = L'x';
            }
            const wchar_t* const s = separated.data();
            const wchar_t* const b = blanks.data();
            EXPECT_EQ(Platform::FindWide(s, s + length, L'|') - s, static_cast<std::ptrdiff_t>(place))
                << "length " << length << ", separator at " << place;
            EXPECT_EQ(Platform::SkipBlanks(b, b + length) - b, static_cast<std::ptrdiff_t>(place))
                << "length " << length << ", first non-blank at " << place;
            const std::ptrdiff_t end = place < length ? static_cast<std::ptrdiff_t>(place) + 1 : 0;
            EXPECT_EQ(Platform::SkipBlanksBackward(b, b + length) - b, end)
                << "length " << length << ", last non-blank at " << place;
        }
    }
}

// Only the blank counts: other white space and characters that share its low bits end a run
// (beyond the basic plane only where a wide character has 32 bits, as on Linux; on Windows
// such a character is two units, neither of them a blank).
TEST(WideScan, OnlyTheBlankIsSkipped)
{
    std::vector<wchar_t> others = {L'\t', L'\r', wchar_t(0x2020), L'\0'};
    if (sizeof(wchar_t) == 4)
        others.push_back(static_cast<wchar_t>(0x10020));
    for (const wchar_t other : others) {
        std::wstring text(9, L' ');
        text[6] = other;
        const wchar_t* const t = text.data();
        EXPECT_EQ(Platform::SkipBlanks(t, t + text.size()) - t, 6) << static_cast<unsigned>(other);
        EXPECT_EQ(Platform::SkipBlanksBackward(t, t + text.size()) - t, 7) << static_cast<unsigned>(other);
        EXPECT_EQ(Platform::FindWide(t, t + text.size(), L'|') - t, 9) << static_cast<unsigned>(other);
    }
}

// Arrays that grow past the size taken from the system keep what they held, and fresh
// elements are zero, whichever memory they live in.
TEST(LargeMemory, ArraysGrowAcrossTheSystemSizeKeepingTheirContent)
{
    std::vector<std::uint32_t, Platform::LargeArrayAllocator<std::uint32_t>> values;
    // 384 KiB: past the size taken from the system (under the address sanitizer, which keeps
    // every array with the standard allocator, the same growth there).
    const std::size_t count = (std::size_t(384) << 10) / sizeof(std::uint32_t);
    static_assert(M5_ADDRESS_SANITIZER || (std::size_t(384) << 10) > Platform::LargeMemorySize);
    for (std::size_t i = 0; i < count; ++i)
        values.push_back(static_cast<std::uint32_t>(i * 2654435761u));
    for (std::size_t i = 0; i < count; ++i)
        ASSERT_EQ(values[i], static_cast<std::uint32_t>(i * 2654435761u)) << i;
    values.resize(2 * count);
    for (std::size_t i = count; i < values.size(); ++i)
        ASSERT_EQ(values[i], 0u) << i;
}

}  // namespace
