#include <random>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "parser/CNameSet.h"

namespace {

// Names as a file has them: running numbers that differ in their last digits, Cyrillic
// prefixes, and now and then the same name again.
std::wstring NameFor(std::uint32_t number, std::mt19937& random)
{
    std::wstring name = std::to_wstring(number);
    if (random() % 10 == 0)
        name = L"Репер" + name;
    return name;
}

// The set must answer as an ordered set of strings does, through every growth of its index
// and its blocks of names, for names present and absent alike.
TEST(NameSet, AnswersAsAnOrderedSetThroughItsGrowth)
{
    std::mt19937 random(7);
    Plugin::CNameSet names;
    std::set<std::wstring> reference;
    for (std::uint32_t i = 0; i < 150000; ++i) {
        const std::wstring name = NameFor(static_cast<std::uint32_t>(random() % 200000), random);
        if (random() % 3 != 0) {
            names.Insert(name);
            reference.insert(name);
        } else {
            ASSERT_EQ(names.Contains(name), reference.count(name) == 1) << i;
        }
    }
    EXPECT_EQ(names.Size(), reference.size());
    for (const std::wstring& name : reference)
        ASSERT_TRUE(names.Contains(name));
}

TEST(NameSet, NamesAreComparedWhole)
{
    Plugin::CNameSet names;
    EXPECT_FALSE(names.Contains(L""));
    names.Insert(L"100");
    names.Insert(L"");
    names.Insert(L"100");
    EXPECT_EQ(names.Size(), 2u);
    for (const wchar_t* other : {L"10", L"1000", L"100 ", L" 100", L"A100"})
        EXPECT_FALSE(names.Contains(other)) << other;
    EXPECT_TRUE(names.Contains(L""));
    names.Clear();
    EXPECT_FALSE(names.Contains(L"100"));
    EXPECT_EQ(names.Size(), 0u);
}

}  // namespace
