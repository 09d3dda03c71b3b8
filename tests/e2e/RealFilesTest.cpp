// m5import on the real instrument files: what a surveyor reads in each file is what comes out.
// The files live outside the project; every test here skips when their folder is absent.
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

}  // namespace
