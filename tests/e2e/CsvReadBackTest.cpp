#include <cmath>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tests/support/TestFiles.h"

using namespace Testing;

namespace {

// Python's csv module reads the CSV back: every row has the header's nineteen fields, and the
// coordinates of each target equal the SetX/SetY of the trace to the last bit.
constexpr const char* Reader = R"(
import csv, json, sys
with open(sys.argv[1], newline='', encoding='utf-8') as f:
    rows = list(csv.reader(f, strict=True))
print(json.dumps({"header": rows[0], "widths": sorted({len(r) for r in rows}),
                  "rows": [dict(zip(rows[0], r)) for r in rows[1:]]}))
)";

TEST(CsvReadBack, ARealCsvReaderReadsWhatTheTraceHolds)
{
    const CTempFolder folder;
    const std::string example = std::string(M5_SOURCE_DIR) + "/examples/traverse.m5";
    const std::string csvPath = folder.Path() + "/out.csv";
    ASSERT_EQ(RunM5Import({"--quiet", "--format", "csv", "-o", csvPath, example}).Status, 0);
    const RunResult read = RunProgram("/usr/bin/python3", {"-c", Reader, csvPath});
    ASSERT_EQ(read.Status, 0) << read.Err;
    const nlohmann::json table = nlohmann::json::parse(read.Out);
    EXPECT_EQ(table["header"].size(), 19u);
    EXPECT_EQ(table["widths"], nlohmann::json::array({19}));

    const RunResult trace = RunM5Import({"--quiet", "--format", "trace", example});
    std::vector<std::pair<std::string, double>> traced;  // name, northing of each item begun
    std::string current;
    for (std::size_t start = 0; start < trace.Out.size();) {
        const std::size_t end = trace.Out.find('\n', start);
        const nlohmann::json call = nlohmann::json::parse(trace.Out.substr(start, end - start));
        const std::string op = call["op"];
        if (op == "AddStation" || op == "AddTarget" || op == "AddPoint")
            current = call["name"];
        if (op == "SetX")
            traced.emplace_back(current, call["value"].get<double>());
        start = end + 1;
    }
    std::vector<std::pair<std::string, double>> read_back;
    for (const auto& row : table["rows"]) {
        const std::string x = row["x"];
        if (!x.empty())
            read_back.emplace_back(row["name"].get<std::string>(), std::stod(x));
    }
    ASSERT_FALSE(traced.empty());
    EXPECT_EQ(read_back, traced);
}

}  // namespace
