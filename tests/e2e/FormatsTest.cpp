#include <cstdlib>
#include <map>
#include <set>
#include <sstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#if M5_LANDXML
#include <pugixml.hpp>
#endif

#include "host/TableWriter.h"
#include "tests/support/TestFiles.h"

using namespace Testing;

namespace {

// The date and time of the LandXML documents, as in tests/data/update-expected.sh.
constexpr const char* DocumentEpoch = "1704067200";

struct Example {
    const char* Name;
    std::vector<std::string> Options;  // the settings the example is meant for
};

const std::vector<Example>& Examples()
{
    static const std::vector<Example> examples = {
        {"traverse", {}},
        {"separate", {"--set", "Mode=1"}},
        {"feet-dms", {}},
    };
    return examples;
}

std::string ExamplePath(const Example& example)
{
    return std::string(M5_SOURCE_DIR) + "/examples/" + example.Name + ".m5";
}

// Runs m5import on an example; file names in the output are made relative to the source tree,
// as the expected files hold them.
RunResult RunExample(const Example& example, const std::string& format)
{
    SetEnvironment("SOURCE_DATE_EPOCH", DocumentEpoch);
    std::vector<std::string> arguments = {"--no-progress", "--lang", "en", "--format", format};
    arguments.insert(arguments.end(), example.Options.begin(), example.Options.end());
    arguments.push_back(ExamplePath(example));
    RunResult run = RunM5Import(arguments);
    const std::string prefix = std::string(M5_SOURCE_DIR) + "/";
    for (std::size_t at; (at = run.Out.find(prefix)) != std::string::npos;)
        run.Out.erase(at, prefix.size());
    return run;
}

class ExampleFormat : public testing::TestWithParam<std::tuple<std::size_t, std::string>> {};

TEST_P(ExampleFormat, MatchesItsReviewedOutput)
{
    const Example& example = Examples()[std::get<0>(GetParam())];
    const std::string& format = std::get<1>(GetParam());
    const std::string expectedPath = std::string(M5_TEST_DATA_DIR) + "/expected/" + example.Name + "." + format;
    ASSERT_TRUE(FileExists(expectedPath)) << expectedPath;
    const RunResult run = RunExample(example, format);
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, ReadFile(expectedPath)) << "regenerate with tests/data/update-expected.sh after review";
}

INSTANTIATE_TEST_SUITE_P(Examples, ExampleFormat,
                         testing::Combine(testing::Values(0u, 1u, 2u),
#if M5_LANDXML
                                          testing::Values("table", "csv", "json", "landxml", "points", "trace")),
#else
                                          testing::Values("table", "csv", "json", "points", "trace")),
#endif
                         [](const testing::TestParamInfo<std::tuple<std::size_t, std::string>>& test) {
                             std::string name = std::string(Examples()[std::get<0>(test.param)].Name) + "_" +
                                                std::get<1>(test.param);
                             for (char& c : name)
                                 if (c == '-')
                                     c = '_';
                             return name;
                         });

// One station, target or point as the trace reports it: the begin call and the values that
// follow it, the last of each kind counting.
struct TracedItem {
    std::string Role;
    std::string Name;
    std::string Code;
    std::map<std::string, nlohmann::json> Values;  // by operation name
};

std::vector<TracedItem> ItemsOfTrace(const std::string& trace)
{
    static const std::map<std::string, std::string> roles = {
        {"AddStation", "station"}, {"AddTarget", "target"}, {"AddPoint", "point"}};
    std::vector<TracedItem> items;
    std::istringstream lines(trace);
    for (std::string line; std::getline(lines, line);) {
        const nlohmann::json call = nlohmann::json::parse(line);
        const std::string op = call["op"];
        if (roles.count(op))
            items.push_back({roles.at(op), call["name"], "", {}});
        else if (op == "SetPointCode" && !items.empty())
            items.back().Code = call["text"];
        else if (op.rfind("Set", 0) == 0 && call.contains("value") && !items.empty() && op != "SetCurrentLine" &&
                 op != "SetProgress")
            items.back().Values[op] = call["value"];
    }
    return items;
}

// The trace operation behind each value column of the CSV and the table.
const std::vector<std::pair<std::string, std::string>>& ValueOperations()
{
    static const std::vector<std::pair<std::string, std::string>> operations = {
        {"x", "SetX"}, {"y", "SetY"}, {"z", "SetZ"}, {"instrument_height", "SetInstrumentHeight"},
        {"target_height", "SetTargetHeight"}, {"hz", "SetHorizontalAngle"}, {"v", "SetVerticalAngle"},
        {"sd", "SetSlopeDistance"}, {"hd", "SetHorizontalDistance"}, {"height_difference", "SetHeightDifference"},
        {"pressure", "SetPressure"}, {"temperature", "SetTemperature"}};
    return operations;
}

std::vector<std::string> SplitCsvLine(const std::string& line)
{
    // The examples hold no quoted fields; a quote here would mean the reader below is wrong.
    EXPECT_EQ(line.find('"'), std::string::npos) << line;
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, ','))
        fields.push_back(field);
    if (!line.empty() && line.back() == ',')
        fields.emplace_back();
    return fields;
}

TEST(Formats, CsvShowsExactlyTheValuesOfTheTrace)
{
    for (const Example& example : Examples()) {
        SCOPED_TRACE(example.Name);
        const std::vector<TracedItem> items = ItemsOfTrace(RunExample(example, "trace").Out);
        std::istringstream csv(RunExample(example, "csv").Out);
        std::string line;
        std::getline(csv, line);
        ASSERT_FALSE(line.empty());
        ASSERT_EQ(line.back(), '\r');
        line.pop_back();
        const std::vector<std::string> header = SplitCsvLine(line);
        std::map<std::string, std::size_t> column;
        for (std::size_t i = 0; i < header.size(); ++i)
            column[header[i]] = i;
        std::size_t row = 0;
        for (; std::getline(csv, line); ++row) {
            ASSERT_LT(row, items.size());
            ASSERT_EQ(line.back(), '\r');
            line.pop_back();
            const std::vector<std::string> fields = SplitCsvLine(line);
            ASSERT_EQ(fields.size(), header.size()) << line;
            const TracedItem& item = items[row];
            EXPECT_EQ(fields[column["role"]], item.Role);
            EXPECT_EQ(fields[column["name"]], item.Name);
            EXPECT_EQ(fields[column["code"]], item.Code);
            for (const auto& [name, op] : ValueOperations()) {
                const std::string& field = fields[column[name]];
                if (item.Values.count(op))
                    EXPECT_EQ(std::strtod(field.c_str(), nullptr), item.Values.at(op).get<double>())
                        << item.Name << " " << name;
                else
                    EXPECT_EQ(field, "") << item.Name << " " << name;
            }
            const std::string kind = item.Values.count("SetPointKind") ? item.Values.at("SetPointKind").dump() : "";
            EXPECT_EQ(fields[column["kind"]], kind) << item.Name;
        }
        EXPECT_EQ(row, items.size());
    }
}

// Code points of a UTF-8 line, so that positions count as a terminal shows them.
std::vector<std::string> CodePoints(const std::string& text)
{
    std::vector<std::string> points;
    for (unsigned char c : text) {
        if ((c & 0xC0) == 0x80 && !points.empty())
            points.back() += static_cast<char>(c);
        else
            points.emplace_back(1, static_cast<char>(c));
    }
    return points;
}

std::string Slice(const std::vector<std::string>& points, std::size_t from, std::size_t to)
{
    std::string text;
    for (std::size_t i = from; i < std::min(to, points.size()); ++i)
        text += points[i];
    return text;
}

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(' ') - first + 1);
}

TEST(Formats, TableShowsTheValuesOfTheTraceInTheirColumns)
{
    // Title of a value column -> trace operation and how the table writes its value.
    const std::map<std::string, std::pair<std::string, bool>> columns = {
        {"X [m]", {"SetX", false}},           {"Y [m]", {"SetY", false}},
        {"Z [m]", {"SetZ", false}},           {"ih [m]", {"SetInstrumentHeight", false}},
        {"th [m]", {"SetTargetHeight", false}}, {"Hz [dms]", {"SetHorizontalAngle", true}},
        {"V [dms]", {"SetVerticalAngle", true}},    {"SD [m]", {"SetSlopeDistance", false}},
        {"HD [m]", {"SetHorizontalDistance", false}}, {"dh [m]", {"SetHeightDifference", false}},
        {"P [hPa]", {"SetPressure", false}},  {"T [°C]", {"SetTemperature", false}}};
    for (const Example& example : Examples()) {
        SCOPED_TRACE(example.Name);
        const std::vector<TracedItem> items = ItemsOfTrace(RunExample(example, "trace").Out);
        std::istringstream table(RunExample(example, "table").Out);
        std::string line;
        std::getline(table, line);
        EXPECT_EQ(line.rfind("File ", 0), 0u);
        std::getline(table, line);
        const std::vector<std::string> header = CodePoints(line);
        // Each value column is right-aligned: its cells end where its title ends.
        std::vector<std::pair<std::size_t, std::string>> ends;  // end position, title
        for (const auto& [title, unused] : columns) {
            const std::vector<std::string> titlePoints = CodePoints(title);
            for (std::size_t at = 0; at + titlePoints.size() <= header.size(); ++at) {
                if (Slice(header, at, at + titlePoints.size()) == title && (at == 0 || header[at - 1] == " ") &&
                    (at + titlePoints.size() == header.size() || header[at + titlePoints.size()] == " ")) {
                    ends.emplace_back(at + titlePoints.size(), title);
                    break;
                }
            }
        }
        std::sort(ends.begin(), ends.end());
        std::getline(table, line);  // the rule under the header
        std::size_t index = 0;
        while (std::getline(table, line)) {
            if (line.rfind("warning", 0) == 0 || line.rfind("message", 0) == 0)
                continue;
            ASSERT_LT(index, items.size());
            const TracedItem& item = items[index++];
            const std::vector<std::string> row = CodePoints(line);
            std::istringstream words(line);
            std::string role, name;
            words >> role >> name;
            EXPECT_EQ(role, item.Role);
            EXPECT_EQ(name, item.Name);
            for (std::size_t i = 0; i < ends.size(); ++i) {
                const std::size_t from = i == 0 ? 0 : ends[i - 1].first;
                const std::string cell = Trim(Slice(row, from, ends[i].first));
                const auto& [op, isAngle] = columns.at(ends[i].second);
                std::string expected;
                if (item.Values.count(op)) {
                    const double value = item.Values.at(op).get<double>();
                    const int decimals = op == "SetPressure" || op == "SetTemperature" ? 1 : 3;
                    expected = isAngle ? Host::CTableWriter::FormatAngle(value)
                                       : Host::CTableWriter::FormatFixed(value, decimals);
                }
                // Text columns sit left of the first value column; only value columns are compared.
                if (i == 0)
                    EXPECT_EQ(cell.substr(cell.size() - std::min(cell.size(), expected.size())), expected) << line;
                else
                    EXPECT_EQ(cell, expected) << item.Name << " " << ends[i].second;
            }
        }
        EXPECT_EQ(index, items.size());
    }
}

TEST(Formats, LandXmlOfTheExamplesHasASetUpPerStationAndResolvingReferences)
{
#if !M5_LANDXML
    GTEST_SKIP() << "LandXML is not part of this build (M5_LANDXML=OFF)";
#else
    const std::string schema = std::string(M5_SCHEMAS_DIR) + "/LandXML-1.2.xsd";
    for (const Example& example : Examples()) {
        SCOPED_TRACE(example.Name);
        const std::vector<TracedItem> items = ItemsOfTrace(RunExample(example, "trace").Out);
        const RunResult run = RunExample(example, "landxml");
        pugi::xml_document document;
        ASSERT_TRUE(document.load_string(run.Out.c_str()));
        std::set<std::string> points;
        for (const pugi::xpath_node node : document.select_nodes("/LandXML/CgPoints/CgPoint"))
            EXPECT_TRUE(points.insert(node.node().attribute("name").value()).second);
        for (const pugi::xpath_node node : document.select_nodes("//@pntRef"))
            EXPECT_EQ(points.count(node.attribute().value()), 1u) << node.attribute().value();
        std::vector<std::string> setups, stations;
        for (const pugi::xpath_node node : document.select_nodes("//InstrumentSetup"))
            setups.push_back(node.node().attribute("stationName").value());
        for (const TracedItem& item : items)
            if (item.Role == "station")
                stations.push_back(item.Name);
        EXPECT_EQ(setups, stations);
        if (FileExists(schema) && FileExists("/usr/bin/xmllint")) {
            const CTempFolder folder;
            const std::string path = folder.Write("out.xml", run.Out);
            const RunResult lint = RunProgram("/usr/bin/xmllint", {"--noout", "--schema", schema, path});
            EXPECT_EQ(lint.Status, 0) << lint.Err;
        }
    }
#endif
}

// Every LandXML document the program writes passes the schema: the examples and the real
// files together, in both modes, with the names from the address, with each file's own
// columns.
TEST(Formats, LandXmlOfEveryKindOfImportValidates)
{
#if !M5_LANDXML
    GTEST_SKIP() << "LandXML is not part of this build (M5_LANDXML=OFF)";
#else
    const std::string schema = std::string(M5_SCHEMAS_DIR) + "/LandXML-1.2.xsd";
    if (!FileExists(schema) || !FileExists("/usr/bin/xmllint"))
        GTEST_SKIP() << "no LandXML 1.2 schema or no xmllint";
    std::vector<std::string> files;
    for (const Example& example : Examples())
        files.push_back(ExamplePath(example));
    const std::string samples = SamplesFolder();
    for (const char* sample : {"180416-1", "180416-2", "180416-3", "180416-4", "elta-r55", "m3-sample"})
        if (!samples.empty())
            files.push_back(samples + "/" + sample + ".m5");
    const std::vector<std::vector<std::string>> settings = {
        {}, {"--set", "Mode=1"}, {"--set", "TakePointNameFromAddr=1"}, {"--layout", "auto"}};
    const CTempFolder folder;
    std::vector<std::string> lint = {"--noout", "--schema", schema};
    for (std::size_t i = 0; i < settings.size(); ++i) {
        std::vector<std::vector<std::string>> imports = {files};
        for (const std::string& file : files)
            imports.push_back({file});
        for (std::size_t j = 0; j < imports.size(); ++j) {
            std::vector<std::string> arguments = {"--settings", folder.Path() + "/none.ini", "-q", "--format", "landxml"};
            arguments.insert(arguments.end(), settings[i].begin(), settings[i].end());
            arguments.insert(arguments.end(), imports[j].begin(), imports[j].end());
            const RunResult run = RunM5Import(arguments);
            ASSERT_NE(run.Status, 2) << run.Err;
            // The document's name tells the settings (i) and the files (j: 0 all, else one).
            lint.push_back(folder.Write("settings" + std::to_string(i) + "-files" + std::to_string(j) + ".xml", run.Out));
        }
    }
    const RunResult run = RunProgram("/usr/bin/xmllint", lint);
    EXPECT_EQ(run.Status, 0) << run.Err;
#endif
}

}  // namespace
