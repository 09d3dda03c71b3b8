// The GIS and CAD outputs as files: what is refused before anything is imported, how a target
// is replaced, what a failed or interrupted write leaves; and the writer itself on models made
// by hand, for what no example holds (angle units, plain points, loose targets, warnings).
#include <chrono>
#include <cmath>
#include <cstring>
#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <thread>

#include <gtest/gtest.h>

#include "host/OgrWriter.h"
#include "tests/gis/GisReading.h"
#include "tests/hostile/LimitedRun.h"
#include "tests/support/M5Lines.h"
#include "tests/support/TestFiles.h"

using namespace Testing;

namespace {

std::vector<std::string> Names(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir))
            if (entry->d_name[0] != '.')
                names.push_back(entry->d_name);
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Whether a private folder or a temporary file of an output is in the folder.
bool HasLeftovers(const std::string& folder)
{
    bool found = false;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir))
            found = found || std::strstr(entry->d_name, ".tmp.") != nullptr;
        ::closedir(dir);
    }
    return found;
}

std::string Example()
{
    return std::string(M5_SOURCE_DIR) + "/examples/traverse.m5";
}

struct UsageCase {
    const char* Label;
    std::vector<std::string> Arguments;  // OUT, FIFO and DIR stand for paths in the test's folder
    std::string Message;                 // how the one line on standard error begins
};

void PrintTo(const UsageCase& test, std::ostream* out)
{
    *out << test.Label;
}

class GisUsage : public testing::TestWithParam<UsageCase> {};

// Refused with exit status 2 and one line, and nothing written.
TEST_P(GisUsage, IsRefusedInOneLineAndNothingIsWritten)
{
    const CTempFolder folder;
    ASSERT_EQ(::mkfifo((folder.Path() + "/fifo").c_str(), 0600), 0);
    ASSERT_EQ(::mkdir((folder.Path() + "/dir").c_str(), 0700), 0);
    std::vector<std::string> arguments;
    for (const std::string& argument : GetParam().Arguments) {
        const bool placeholder = argument == "OUT" || argument == "FIFO" || argument == "DIR";
        arguments.push_back(placeholder ? folder.Path() + "/" + (argument == "OUT" ? "out.gpkg" : argument == "FIFO" ? "fifo" : "dir")
                                        : argument);
    }
    arguments.push_back(Example());
    const RunResult run = RunM5Import(arguments);
    EXPECT_EQ(run.Status, 2);
    std::string message = GetParam().Message;
    for (const char* name : {"FIFO", "DIR"})
        if (message.find(name) != std::string::npos)
            message.replace(message.find(name), std::strlen(name), folder.Path() + (name[0] == 'F' ? "/fifo" : "/dir"));
    EXPECT_EQ(run.Err.rfind("m5import: " + message, 0), 0u) << run.Err;
    EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 1) << run.Err;
    EXPECT_EQ(Names(folder.Path()), (std::vector<std::string>{"dir", "fifo"}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GisUsage,
    testing::Values(
        UsageCase{"KmlWithoutCrs", {"--format", "kml", "-o", "OUT"}, "--format kml needs longitude and latitude"},
        UsageCase{"NoOutput", {"--format", "gpkg"}, "--format gpkg writes files, not a stream"},
        UsageCase{"StandardOutput", {"--format", "shp", "-o", "-"}, "--format shp writes files, not a stream"},
        UsageCase{"UnknownCrs", {"--format", "gpkg", "--crs", "north-up", "-o", "OUT"}, "--crs north-up: not a coordinate"},
        UsageCase{"CrsForCsv", {"--format", "csv", "--crs", "EPSG:23700"}, "--crs applies to the GIS and CAD formats only"},
        UsageCase{"UnknownDriver", {"--format", "ogr:NoSuchThing", "-o", "OUT"}, "no driver named NoSuchThing"},
        UsageCase{"RasterDriver", {"--format", "ogr:GTiff", "-o", "OUT"}, "the GTiff driver writes no vector data"},
        UsageCase{"ReadOnlyDriver", {"--format", "ogr:AVCBin", "-o", "OUT"}, "the AVCBin driver cannot create files"},
        UsageCase{"FifoTarget", {"--format", "gpkg", "-o", "FIFO"}, "cannot write FIFO: not a regular file"},
        UsageCase{"FolderTarget", {"--format", "geojson", "-o", "DIR"}, "cannot write DIR: it is a folder"},
        UsageCase{"AnglesForADrawing", {"--format", "dxf", "--angles", "deg", "-o", "OUT"},
                  "--angles applies to --format table, csv, json and the GIS formats (not dxf), not to dxf"}),
    [](const testing::TestParamInfo<UsageCase>& test) { return std::string(test.param.Label); });

// --angles reaches the GIS attributes as it reaches the CSV's columns.
TEST(GisOutput, AnglesInTheUnitOfTheCommandLine)
{
    const CTempFolder folder;
    const std::string out = folder.Path() + "/out.gpkg";
    ASSERT_EQ(RunM5Import({"-q", "--format", "gpkg", "--angles", "gon", "-o", out, Example()}).Status, 0);
    const std::vector<CsvRow> rows = ParseCsv(RunM5Import({"-q", "--format", "csv", "--angles", "gon", Example()}).Out);
    ReadOutput read;
    ReadFileInto(out, "GPKG", read);
    std::vector<double> csv, gpkg;
    for (const CsvRow& row : rows)
        if (row.at("role") == "target" && !row.at("hz_gon").empty())
            csv.push_back(std::stod(row.at("hz_gon")));
    for (const OGRFeatureUniquePtr& feature : read["targets"].Features)
        if (feature->IsFieldSetAndNotNull(feature->GetFieldIndex("hz")))
            gpkg.push_back(feature->GetFieldAsDouble("hz"));
    ASSERT_FALSE(csv.empty());
    EXPECT_EQ(gpkg, csv);
}

bool IsGeoPackage(const std::string& path)
{
    ReadOutput read;
    ReadFileInto(path, "GPKG", read);
    return read.size() == 3 && read["stations"].Features.size() == 4;
}

TEST(GisOutput, ReplacedFileKeepsItsModeAndALinkStaysALink)
{
    const CTempFolder folder;
    const std::string out = folder.Write("out.gpkg", "old");
    ASSERT_EQ(::chmod(out.c_str(), 0640), 0);
    const std::string real = folder.Write("real.gpkg", "old");
    const std::string link = folder.Path() + "/link.gpkg";
    ASSERT_EQ(::symlink("real.gpkg", link.c_str()), 0);
    for (const std::string& target : {out, link})
        ASSERT_EQ(RunM5Import({"-q", "--format", "gpkg", "-o", target, Example()}).Status, 0) << target;
    struct stat info {};
    ASSERT_EQ(::stat(out.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_TRUE(IsGeoPackage(out));
    ASSERT_EQ(::lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_TRUE(IsGeoPackage(real));
    EXPECT_EQ(Names(folder.Path()), (std::vector<std::string>{"link.gpkg", "out.gpkg", "real.gpkg"}));
}

TEST(GisOutput, ImportThatCouldReadNoFileWritesNothing)
{
    const CTempFolder folder;
    const std::string out = folder.Path() + "/out.shp";
    const RunResult run = RunM5Import({"-q", "--format", "shp", "-o", out, folder.Path() + "/missing.m5"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, "m5import: no file could be read; " + out + " was not written\n");
    EXPECT_TRUE(Names(folder.Path()).empty());
    EXPECT_FALSE(HasLeftovers(folder.Path()));
}

// A file geodatabase is a folder of files, which no output file can hold; the folder the driver
// wrote, files and all, goes with the private folder.
TEST(GisOutput, DriverThatWritesAFolderIsReportedAndNothingIsLeft)
{
    const CTempFolder folder;
    const std::string out = folder.Path() + "/out.gdb";
    const RunResult run = RunM5Import({"-q", "--format", "ogr:OpenFileGDB", "-o", out, Example()});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, "m5import: cannot write " + out + ": the driver wrote out.gdb as a folder, not as files\n");
    EXPECT_FALSE(HasLeftovers(folder.Path()));
    EXPECT_TRUE(Names(folder.Path()).empty());
}

// The limit lets the private folder be made but not the files filled: the write fails, the
// previous files stay as they were, and the folder goes.
TEST(GisOutput, FullDiskLeavesThePreviousFilesAndNoFolder)
{
    for (const char* format : {"gpkg", "shp"}) {
        SCOPED_TRACE(format);
        const CTempFolder folder;
        const std::string out = folder.Path() + "/out." + format;
        const std::string previous = std::string(format) == "shp" ? folder.Path() + "/out_targets.shp" : out;
        folder.Write(previous.substr(folder.Path().size() + 1), "previous output");
        const LimitedRun run = RunM5ImportLimited({"-q", "--format", format, "-o", out, Example()}, 300, folder.Path());
        EXPECT_EQ(run.Status, 1) << run.Err;
        EXPECT_EQ(run.Err.rfind("m5import: cannot write " + out + ": ", 0), 0u) << run.Err;
        EXPECT_EQ(ReadFile(previous), "previous output");
        EXPECT_FALSE(HasLeftovers(folder.Path())) << Names(folder.Path()).size();
    }
}

// The field file is a FIFO whose writer stays open, so the import is still reading when the
// signal comes; the private folder, made before the import began, must go with it.
TEST(GisOutput, InterruptedImportLeavesNoFolder)
{
    for (int signal : {SIGINT, SIGTERM}) {
        const CTempFolder folder;
        const std::string fifo = folder.Path() + "/field.m5";
        const int writer = OpenEndlessFieldFile(fifo);
        ASSERT_GE(writer, 0);
        const pid_t child = StartLimited(
            M5ImportCommand({"--format", "shp", "-o", folder.Path() + "/out.shp", fifo}, folder.Path()), RLIM_INFINITY,
            "/dev/null", -1);
        for (int wait = 0; wait < 2000 && !HasLeftovers(folder.Path()); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_TRUE(HasLeftovers(folder.Path())) << "the output was never begun";
        ::kill(child, signal);
        EXPECT_EQ(ExitStatusOf(child), 128 + signal);
        ::close(writer);
        EXPECT_FALSE(HasLeftovers(folder.Path())) << "signal " << signal;
        EXPECT_EQ(Names(folder.Path()), (std::vector<std::string>{"field.m5"}));
    }
}

// A model made by hand: a station with one target, a plain point, a target observed from no
// station, and an item without plane coordinates in each layer but the last.
Host::ImportData HandModel()
{
    constexpr double Pi = 3.14159265358979323846;
    Host::ImportedPoint station;
    station.Name = "S1";
    station.X = 5000.0, station.Y = 2000.0, station.Z = 150.0;
    station.InstrumentHeight = 1.5;
    Host::ImportedPoint target;
    target.Name = "T1";
    target.Code = "FENCE";
    target.X = 5010.0, target.Y = 2010.0;  // no elevation
    target.HorizontalAngle = Pi / 2, target.VerticalAngle = Pi / 4;
    Host::ImportedPoint unplaced;
    unplaced.Name = "U1";
    unplaced.HorizontalAngle = Pi;
    Host::ImportedPoint point;
    point.Name = "P1";
    point.Kind = 0, point.Flag = 0;
    point.X = 4990.0, point.Y = 1990.0, point.Z = 149.0;
    Host::ImportedPoint loose;
    loose.Name = "L1";
    loose.X = 4980.0, loose.Y = 1980.0, loose.Z = 148.0;
    Host::ImportedFile file;
    file.Name = "hand.m5";
    file.Stations.push_back({station, {target, unplaced}});
    file.Stations.push_back({unplaced, {}});
    file.Points = {point, unplaced};
    file.LooseTargets = {loose};
    return {{file}};
}

struct AngleCase {
    Host::AngleUnit Unit;
    const char* Label;
    std::string Hz, V;  // as GDAL reads the fields back as text
};

void PrintTo(const AngleCase& test, std::ostream* out)
{
    *out << test.Label;
}

class GisWriterAngles : public testing::TestWithParam<AngleCase> {};

TEST_P(GisWriterAngles, HzAndVInTheUnitAsked)
{
    const CTempFolder folder;
    std::string reason;
    Host::COgrWriter writer({"GPKG", "", false, GetParam().Unit}, [](const std::string&) {});
    ASSERT_TRUE(writer.Write(HandModel(), folder.Path(), "out.gpkg", reason)) << reason;
    ReadOutput read;
    ReadFileInto(folder.Path() + "/out.gpkg", "GPKG", read);
    ASSERT_EQ(read["targets"].Features.size(), 2u);
    OGRFeature& target = *read["targets"].Features[0];
    EXPECT_EQ(std::string(target.GetFieldAsString("hz")), GetParam().Hz);
    EXPECT_EQ(std::string(target.GetFieldAsString("v")), GetParam().V);
    EXPECT_EQ(target.GetFieldDefnRef(target.GetFieldIndex("hz"))->GetType(),
              GetParam().Unit == Host::AngleUnit::Dms ? OFTString : OFTReal);
}

INSTANTIATE_TEST_SUITE_P(Units, GisWriterAngles,
                         testing::Values(AngleCase{Host::AngleUnit::Radian, "Radians", "1.5707963267949", "0.785398163397448"},
                                         AngleCase{Host::AngleUnit::Degree, "Degrees", "90", "45"},
                                         AngleCase{Host::AngleUnit::Gon, "Gon", "100", "50"},
                                         AngleCase{Host::AngleUnit::Dms, "Dms", "90°00'00.0\"", "45°00'00.0\""}),
                         [](const testing::TestParamInfo<AngleCase>& test) { return std::string(test.param.Label); });

TEST(GisWriter, PlainPointsAndLooseTargetsHaveLayersOfTheirOwn)
{
    const CTempFolder folder;
    std::string reason;
    Host::COgrWriter writer({"GPKG", "", false, Host::AngleUnit::Radian}, [](const std::string&) {});
    ASSERT_TRUE(writer.Write(HandModel(), folder.Path(), "out.gpkg", reason)) << reason;
    ReadOutput read;
    ReadFileInto(folder.Path() + "/out.gpkg", "GPKG", read);
    const std::map<std::string, std::size_t> expected = {{"stations", 2}, {"targets", 2}, {"points", 2}, {"loose_targets", 1}};
    for (const auto& [name, count] : expected)
        EXPECT_EQ(read[name].Features.size(), count) << name;
    OGRFeature& point = *read["points"].Features[0];
    EXPECT_STREQ(point.GetFieldAsString("name"), "P1");
    EXPECT_EQ(point.GetFieldAsInteger("kind"), 0);
    EXPECT_TRUE(point.IsFieldSetAndNotNull(point.GetFieldIndex("flag")));
    EXPECT_TRUE(read["points"].Features[1]->GetGeometryRef() == nullptr);
    OGRFeature& loose = *read["loose_targets"].Features[0];
    EXPECT_EQ(loose.GetFieldIndex("station"), -1) << "observed from no station the import knows";
    EXPECT_EQ(std::string(read["targets"].Features[0]->GetFieldAsString("station")), "S1");
}

// Where the format holds no feature without a position, each layer says once how many items
// it left out; a shapefile also says how many points got elevation 0 for want of one.
TEST(GisWriter, EachLayerWarnsOnceOfWhatTheFormatCannotHold)
{
    const struct {
        const char* Driver;
        const char* File;
        std::vector<std::string> Warnings;
    } cases[] = {
        {"GPKG", "out.gpkg", {}},
        {"ESRI Shapefile", "out.shp",
         {"stations: 1 item without both plane coordinates left out (the format holds no feature without a position)",
          "targets: 1 item without both plane coordinates left out (the format holds no feature without a position)",
          "targets: 1 item without an elevation written with elevation 0 (the format's points all have one)",
          "points: 1 item without both plane coordinates left out (the format holds no feature without a position)"}},
        {"DXF", "out.dxf",
         {"stations: 1 item without both plane coordinates left out of the drawing",
          "targets: 1 item without both plane coordinates left out of the drawing",
          "points: 1 item without both plane coordinates left out of the drawing"}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.Driver);
        const CTempFolder folder;
        std::vector<std::string> warnings;
        std::string reason;
        Host::COgrWriter writer({test.Driver, "", false, Host::AngleUnit::Radian},
                                [&](const std::string& text) { warnings.push_back(text); });
        ASSERT_TRUE(writer.Write(HandModel(), folder.Path(), test.File, reason)) << reason;
        EXPECT_EQ(warnings, test.Warnings);
    }
}

}  // namespace
