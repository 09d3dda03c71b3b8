// The shared library as the dynamic loader sees it: one exported symbol.
#include <gtest/gtest.h>

#include "tests/support/TestFiles.h"

using namespace Testing;

namespace {

TEST(SharedLibrary, ExportsOnlyCreatePlugin)
{
    const RunResult symbols = RunProgram("/usr/bin/nm", {"-D", "--defined-only", M5PLUGIN_PATH});
    ASSERT_EQ(symbols.Status, 0) << symbols.Err;
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start < symbols.Out.size()) {
        const std::size_t end = symbols.Out.find('\n', start);
        const std::string line = symbols.Out.substr(start, end - start);
        if (!line.empty())
            names.push_back(line.substr(line.rfind(' ') + 1));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    EXPECT_EQ(names, std::vector<std::string>{"CreatePlugin"});
}

}  // namespace
