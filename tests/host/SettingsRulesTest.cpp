// The settings editor's rules as the host applies them to --set values and the store: the
// same verdicts as the plug-in's own layout rule, refusals that name keys, values, origins
// and the rule.
#include <gtest/gtest.h>

#include "host/SettingsRules.h"
#include "host/SettingsStore.h"
#include "settings/ImportSettings.h"
#include "tests/support/M5Lines.h"
#include "tests/support/TestFiles.h"

using namespace Host;
using Testing::NameAndCodeLayout;

namespace {

TEST(SettingsRules, DefaultsAreThePluginsDefaults)
{
    const Plugin::ImportSettings plugin;
    const SettingsValues host;
    EXPECT_EQ(host.TakePointNameFromAddr, plugin.TakePointNameFromAddr ? 1 : 0);
    EXPECT_EQ(host.PointStart, plugin.PointStart);
    EXPECT_EQ(host.PointLen, plugin.PointLen);
    EXPECT_EQ(host.CodeStart, plugin.CodeStart);
    EXPECT_EQ(host.CodeLen, plugin.CodeLen);
    EXPECT_EQ(host.Mode, plugin.Mode);
    EXPECT_EQ(InfoWidth, plugin.InfoWidth);
}

// Every layout of starts and lengths around the 27 columns, and the extremes: the host
// refuses exactly what the plug-in's editor refuses.
TEST(SettingsRules, LayoutVerdictsAreThePluginsOwn)
{
    const Plugin::ImportSettings plugin;
    const std::vector<std::int32_t> numbers = {INT32_MIN, -2, -1, 0, 1, 2, 5, 13, 14, 15, 16, 26, 27, 28, INT32_MAX};
    for (std::int32_t take : {0, 1})
        for (std::int32_t pointStart : numbers)
            for (std::int32_t pointLen : numbers)
                for (std::int32_t codeStart : numbers)
                    for (std::int32_t codeLen : numbers) {
                        const SettingsValues v = NameAndCodeLayout(take, pointStart, pointLen, codeStart, codeLen);
                        const LayoutRefusal refusal = CheckLayout(v);
                        ASSERT_EQ(!refusal.Refused(), plugin.IsValidLayout(take == 1, pointStart, pointLen,
                                                                            codeStart, codeLen))
                            << take << " " << pointStart << " " << pointLen << " " << codeStart << " " << codeLen;
                        ASSERT_EQ(refusal.Refused(), !refusal.Rule.empty());
                    }
}

TEST(SettingsRules, ARefusalNamesTheKeysAndTheRule)
{
    struct Case {
        SettingsValues Values;
        std::vector<std::string> Keys;
        std::string Rule;
    };
    const Case cases[] = {
        {NameAndCodeLayout(0, 1, 15, 15, 13), {"PointStart", "PointLen", "CodeStart"},
         "the name (columns 1-15) runs into the code, which starts at column 15"},
        {NameAndCodeLayout(0, 1, 14, 15, 14), {"CodeStart", "CodeLen"},
         "the code would end at column 28, past the 27 columns of the information text"},
        {NameAndCodeLayout(0, 16, 12, 11, 6), {"CodeStart", "CodeLen", "PointStart"},
         "the code (columns 11-16) runs into the name, which starts at column 16"},
        {NameAndCodeLayout(0, 16, 13, 11, 5), {"PointStart", "PointLen"},
         "the name would end at column 28, past the 27 columns of the information text"},
        {NameAndCodeLayout(0, 5, 3, 5, 3), {"PointStart", "CodeStart"}, "the name and the code cannot start at the same column"},
        {NameAndCodeLayout(0, 0, 14, 15, 13), {"PointStart"}, "a start is a column from 1 on"},
        {NameAndCodeLayout(0, 1, 0, 15, 13), {"PointLen"}, "a length is 1 or more"},
        {NameAndCodeLayout(0, 1, 14, 15, -1), {"CodeLen"}, "a length is 1 or more"},
        {NameAndCodeLayout(1, 0, 0, 0, 5), {"CodeStart"}, "a start is a column from 1 on"},
        {NameAndCodeLayout(1, 0, 0, 20, INT32_MAX), {"CodeStart", "CodeLen"},
         "the code would end at column 2147483666, past the 27 columns of the information text"},
        {NameAndCodeLayout(0, 1, 1, 2, 1), {}, ""},
        {NameAndCodeLayout(1, -7, 99, 5, -3), {}, ""},
    };
    for (const Case& c : cases) {
        const LayoutRefusal refusal = CheckLayout(c.Values);
        EXPECT_EQ(refusal.Keys, c.Keys) << c.Rule;
        EXPECT_EQ(refusal.Rule, c.Rule);
    }
}

// The store with --set values over it: which value is refused and how the refusal says it.
TEST(SettingsRules, GivenSettingsAreCheckedWithTheirOrigins)
{
    struct Case {
        std::string Store;
        std::map<std::string, std::int32_t> Sets;
        std::string Reason;  // empty: accepted
    };
    const Case cases[] = {
        {"PointStart=16\nPointLen=12\nCodeStart=11\nCodeLen=5\n", {}, ""},
        {"# columns\nPointStart=12\n", {},
         "refused: PointStart=12 (STORE:2), PointLen=14 (default), CodeStart=15 (default): the name (columns 12-25) "
         "runs into the code, which starts at column 15"},
        {"PointStart=2\n", {{"CodeStart", 14}},
         "refused: PointStart=2 (STORE:1), PointLen=14 (default), CodeStart=14 (--set): the name (columns 2-15)"},
        {"Mode=1\nMode=x\n", {}, "refused: STORE:2: Mode=x: not a whole number"},
        {"PointLen=+\nCodeLen= 3\nMode=2\n", {}, "refused: STORE:1: PointLen=+: not a whole number"},
        {"Mode=2\nCodeLen=3\n", {{"Mode", 1}}, ""},  // a --set value stands in for the stored one
        {"Mode=2\n", {}, "refused: STORE:1: Mode=2: Mode is 0 (standard station headers) or 1"},
        {"", {{"TakePointNameFromAddr", 2}}, "refused: --set TakePointNameFromAddr=2: TakePointNameFromAddr is 0"},
        {"TakePointNameFromAddr=1\n", {{"PointLen", 3}},
         "refused: --set PointLen=3: the name's columns cannot be set while TakePointNameFromAddr=1"},
        {"TakePointNameFromAddr=1\nPointStart=0\n", {{"CodeStart", 20}, {"CodeLen", 9}},
         "refused: CodeStart=20 (--set), CodeLen=9 (--set): the code would end at column 28"},
        {"TakePointNameFromAddr=1\nPointStart=0\n", {{"CodeStart", 20}, {"CodeLen", 8}}, ""},
        {"TakePointNameFromAddr=1\nPointStart=0\n", {{"TakePointNameFromAddr", 0}, {"PointLen", 3}},
         "refused: PointStart=0 (STORE:2): a start is a column from 1 on"},
    };
    for (const Case& c : cases) {
        const Testing::CTempFolder folder;
        const std::string path = folder.Write("settings.ini", c.Store);
        CSettingsStore store;
        std::string reason;
        ASSERT_TRUE(store.Load(path, reason));
        GivenSettings given;
        const bool accepted = ResolveGivenSettings(store, c.Sets, true, given, reason);
        std::string expected = c.Reason;
        for (std::size_t at; (at = expected.find("STORE")) != std::string::npos;)
            expected.replace(at, 5, path);
        EXPECT_EQ(accepted, c.Reason.empty()) << c.Store << reason;
        if (!accepted) {
            EXPECT_EQ(reason.substr(0, expected.size()), expected) << c.Store;
        }
    }
}

}  // namespace
