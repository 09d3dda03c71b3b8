#include <climits>

#include <gtest/gtest.h>

#include "settings/ImportSettings.h"

namespace {

struct LayoutCase {
    bool TakeFromAddr;
    int PointStart, PointLen, CodeStart, CodeLen;
    bool Valid;
};

TEST(ImportSettings, LayoutValidity)
{
    const LayoutCase cases[] = {
        {false, 1, 14, 15, 13, true},   // the defaults fill the 27 columns
        {false, 1, 15, 15, 13, false},  // overlap
        {false, 15, 13, 1, 14, true},   // code first
        {false, 1, 14, 15, 14, false},  // code ends at 28
        {false, 5, 3, 5, 3, false},     // equal starts
        {false, 1, 3, 10, 5, true},     // a gap is allowed
        {false, 0, 3, 10, 5, false},
        {false, 1, 0, 10, 5, false},
        {false, 1, 3, 10, -1, false},
        {true, 0, 0, 1, 27, true},      // name values are ignored with the address name
        {true, 0, 0, 5, 0, true},
        {true, 0, 0, 5, -3, true},
        {true, 0, 0, 0, 5, false},
        {true, 0, 0, 20, 9, false},
        {false, INT_MAX, INT_MAX, 1, 1, false},
        {false, 1, INT_MAX, INT_MAX, INT_MAX, false},
        {true, 0, 0, INT_MAX, INT_MAX, false},
        {true, 0, 0, 1, INT_MIN, true},
    };
    const Plugin::ImportSettings settings;
    for (const LayoutCase& c : cases) {
        EXPECT_EQ(settings.IsValidLayout(c.TakeFromAddr, c.PointStart, c.PointLen, c.CodeStart, c.CodeLen), c.Valid)
            << c.TakeFromAddr << " " << c.PointStart << " " << c.PointLen << " " << c.CodeStart << " " << c.CodeLen;
    }
}

TEST(ImportSettings, FittingRunsTheEarlierFieldUpToTheLaterOne)
{
    struct FitCase {
        bool TakeFromAddr;
        int PointStart, CodeStart;
        int PointLen, CodeLen;  // expected
    };
    const FitCase cases[] = {
        {false, 1, 15, 14, 13},
        {false, 10, 1, 18, 9},
        {false, 5, 5, 0, 23},
        {true, 3, 20, 99, 8},  // the name length is left as it was (99)
        {false, INT_MIN, INT_MAX, INT_MAX, INT_MIN + 29},
        {false, INT_MAX, INT_MIN, INT_MIN + 29, INT_MAX},
        {true, 1, INT_MIN, 99, INT_MAX},
    };
    for (const FitCase& c : cases) {
        Plugin::ImportSettings settings;
        settings.TakePointNameFromAddr = c.TakeFromAddr;
        settings.PointStart = c.PointStart;
        settings.CodeStart = c.CodeStart;
        settings.PointLen = 99;
        settings.FitFieldLengths();
        EXPECT_EQ(settings.PointLen, c.PointLen) << c.PointStart << " " << c.CodeStart;
        EXPECT_EQ(settings.CodeLen, c.CodeLen) << c.PointStart << " " << c.CodeStart;
    }
}

}  // namespace
