// m5import on the real instrument files: what a surveyor reads in each file is what comes out.
// The files live outside the project; every test here skips when their folder is absent.
#include <set>
#include <sstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tests/support/TestFiles.h"

using namespace Testing;

namespace {

nlohmann::json ImportAsJson(const std::vector<std::string>& options, const std::string& file)
{
    std::vector<std::string> arguments = {"--no-progress", "--format", "json"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.push_back(file);
    const RunResult run = RunM5Import(arguments);
    EXPECT_NE(run.Status, 2) << run.Err;
    return nlohmann::json::parse(run.Out);
}

TEST(RealFiles, PressureInMillimetresOfMercuryComesOutInHectopascals)
{
    const std::string folder = SamplesFolder();
    if (folder.empty())
        GTEST_SKIP() << "the folder of real instrument files is absent";
    // Every set-up of the M3 sample records "P 750 mmHg": 750 Torr-sized units, 999.92 hPa.
    const nlohmann::json document = ImportAsJson({}, folder + "/m3-sample.m5");
    int stations = 0;
    for (const nlohmann::json& station : document["files"][0]["stations"]) {
        if (!station.contains("pressure"))
            continue;
        ++stations;
        EXPECT_NEAR(station["pressure"].get<double>(), 750 * 101325.0 / 760 / 100, 1e-9) << station["name"];
    }
    EXPECT_GE(stations, 4);
}

// The point names as a surveyor reads them in the file: in the M3 files 180416-1 to -3 the
// number at the end of each point record's information text, in the Elta file the number
// that ends at column 19 of it, before the code.
std::set<std::string> NamesInTheFile(const std::string& path, bool beforeTheCode)
{
    std::set<std::string> names;
    std::istringstream in(ReadFile(path));
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> blocks;
        std::istringstream cut(line);
        for (std::string block; std::getline(cut, block, '|');)
            blocks.push_back(block);
        if (blocks.size() < 3 || blocks[2].rfind("PI", 0) != 0)
            continue;
        std::string text = blocks[2].substr(4);
        if (beforeTheCode)
            text = text.substr(0, 19);
        std::istringstream words(text);
        std::string word, last;
        while (words >> word)
            last = word;
        names.insert(last);
    }
    return names;
}

std::set<std::string> NamesImported(const nlohmann::json& file)
{
    std::set<std::string> names;
    for (const nlohmann::json& station : file["stations"]) {
        if (station["name"].get<std::string>().rfind("Default", 0) != 0)
            names.insert(station["name"].get<std::string>());
        for (const nlohmann::json& target : station["targets"])
            names.insert(target["name"].get<std::string>());
    }
    for (const char* list : {"points", "looseTargets"})
        for (const nlohmann::json& point : file[list])
            names.insert(point["name"].get<std::string>());
    return names;
}

TEST(RealFiles, AutoLayoutNamesEveryPointAsTheFileHasIt)
{
    const std::string folder = SamplesFolder();
    if (folder.empty())
        GTEST_SKIP() << "the folder of real instrument files is absent";
    for (const auto& [file, beforeTheCode] : std::vector<std::pair<std::string, bool>>{
             {"180416-1.m5", false}, {"180416-2.m5", false}, {"180416-3.m5", false}, {"elta-r55.m5", true}}) {
        SCOPED_TRACE(file);
        const nlohmann::json document = ImportAsJson({"--layout", "auto"}, folder + "/" + file);
        const nlohmann::json& imported = document["files"][0];
        const std::set<std::string> expected = NamesInTheFile(folder + "/" + file, beforeTheCode);
        EXPECT_GE(expected.size(), 15u);
        EXPECT_EQ(NamesImported(imported), expected);
        for (const nlohmann::json& message : imported["messages"])
            EXPECT_NE(message["text"], "Не задано имя точки.") << message.dump();

        // With the stored settings most names are lost, and the import says how to find them.
        const RunResult stored = RunM5Import({"--no-progress", "--format", "json", folder + "/" + file});
        std::size_t kept = 0;
        for (const std::string& name : NamesImported(nlohmann::json::parse(stored.Out)["files"][0]))
            kept += expected.count(name);
        EXPECT_LT(kept * 2, expected.size());
        EXPECT_NE(stored.Err.find(file + ": hint: "), std::string::npos) << stored.Err;
    }
}

TEST(RealFiles, FilesWithAStartBlockImportAsBeforeWithAutoLayout)
{
    const std::string folder = SamplesFolder();
    if (folder.empty())
        GTEST_SKIP() << "the folder of real instrument files is absent";
    for (const char* file : {"180416-4.m5", "m3-sample.m5"}) {
        const std::string path = folder + "/" + file;
        const RunResult before = RunM5Import({"--format", "trace", path});
        const RunResult automatic = RunM5Import({"--format", "trace", "--layout", "auto", path});
        EXPECT_EQ(automatic.Status, before.Status) << file;
        EXPECT_EQ(automatic.Out, before.Out) << file;
        EXPECT_EQ(before.Err.find("hint"), std::string::npos) << before.Err;
    }
}

}  // namespace
