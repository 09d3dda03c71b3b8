// `m5import layout` and `--layout auto` end to end, on files written the way instruments
// place their columns.
#include <algorithm>

#include <gtest/gtest.h>

#include "tests/support/M5Lines.h"
#include "tests/support/TestFiles.h"

using namespace Testing;

namespace {

// An M3 job: the code in column 11 of the information text, the point number right-aligned
// up to column 27.
std::string M3Info(const std::string& code, const std::string& name)
{
    std::string text(27, ' ');
    text.replace(10, code.size(), code);
    text.replace(27 - name.size(), name.size(), name);
    return "PI1 " + text;
}

std::vector<std::string> M3Job()
{
    return {
        M5Line(1, TextInfo("KN STAT")),
        M5Line(2, M3Info("A", "9"), Value("Hz", "10.0000", "DMS"), Value("V1", "90.0000", "DMS")),
        M5Line(3, M3Info("S", "1"), Value("Y", "0.000", "m"), Value("X", "0.000", "m"), Value("Z", "0.000", "m")),
        M5Line(4, M3Info("", "2"), Value("SD", "6.552", "m"), Value("Hz", "340.0105", "DMS"), Value("V1", "91.1619", "DMS")),
        M5Line(5, M3Info("", "2"), Value("Y", "-2.239", "m"), Value("X", "6.156", "m"), Value("Z", "-0.034", "m")),
        M5Line(6, M3Info("", "14"), Value("SD", "6.654", "m"), Value("Hz", "13.3541", "DMS"), Value("V1", "91.1618", "DMS")),
        M5Line(7, M3Info("", "105"), Value("SD", "3.530", "m"), Value("Hz", "59.1845", "DMS"), Value("V1", "92.0616", "DMS")),
    };
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST(Layout, ShowsTheColumnsUnderARulerThatLinesUpWithTheRecords)
{
    const CTempFolder folder;
    const std::vector<std::string> job = M3Job();
    const std::string path = folder.Write("m3.m5", CrLf(job));
    const RunResult run = RunM5Import({"layout", "--settings", folder.Path() + "/none.ini", path});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_TRUE(Contains(run.Out, "--set TakePointNameFromAddr=0 --set PointStart=12 --set PointLen=16 --set "
                                  "CodeStart=11 --set CodeLen=1 --set Mode=0\n")) << run.Out;
    EXPECT_TRUE(Contains(run.Out, "names           columns 12-27, right-aligned: 9, 1, 2, 14, 105\n")) << run.Out;
    EXPECT_TRUE(Contains(run.Out, "codes           column 11: A, S\n")) << run.Out;
    EXPECT_TRUE(Contains(run.Out, "4 of 6 point records get no name with these")) << run.Out;

    // The ruler's column 1 stands over the first character of every record's information
    // text, the marks under it over the columns the name and code are read from.
    const std::vector<std::string> out = TextLines(run.Out);
    std::size_t ruler = 0;
    while (ruler < out.size() && out[ruler].find("|...+....|") == std::string::npos)
        ++ruler;
    ASSERT_LT(ruler + 1, out.size()) << run.Out;
    const std::size_t column1 = out[ruler].find('|');
    EXPECT_EQ(out[ruler - 1].substr(column1, 27), "1       10        20     27");
    EXPECT_EQ(out[ruler + 1].substr(column1), "..........CPPPPPPPPPPPPPPPP");
    std::size_t shown = 0;
    for (std::size_t i = ruler + 2; i < out.size(); ++i, ++shown) {
        const std::string& record = job[shown + 1];
        const std::size_t text = record.find("PI1 ") + 4;
        EXPECT_EQ(out[i].substr(column1, 27), record.substr(text, 27)) << out[i];
        EXPECT_EQ(out[i].substr(column1 - text, text), record.substr(0, text)) << out[i];
    }
    EXPECT_EQ(shown, 6u);
    EXPECT_TRUE(Contains(out.back(), "|  name 105, code (none)")) << out.back();
    EXPECT_TRUE(Contains(run.Out, "|  name 9, code A\n")) << run.Out;
}

TEST(Layout, TheNameFromTheAddressIsMarkedInTheAddress)
{
    const CTempFolder folder;
    std::vector<std::string> job = {M5Line(1, TextInfo("KN STAT"))};
    for (int address = 2; address < 12; ++address)
        job.push_back(M5Line(address, PointInfo(address % 2 ? "FENCE" : "TREE"), Value("Hz", "1.0000", "DMS")));
    const RunResult run = RunM5Import({"layout", "--settings", folder.Path() + "/none.ini", "--lines", "2",
                                       folder.Write("job.m5", CrLf(job))});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_TRUE(Contains(run.Out, "--set TakePointNameFromAddr=1 --set CodeStart=1 --set CodeLen=27")) << run.Out;
    const std::vector<std::string> out = TextLines(run.Out);
    const std::string& marks = out[out.size() - 3];
    const std::string& first = out[out.size() - 2];
    EXPECT_EQ(marks.find("PPPPP"), first.find("00002")) << marks << "\n" << first;
    EXPECT_TRUE(Contains(first, "|  name 00002, code TREE")) << first;
}

TEST(Layout, FilesThatCannotBeReadOrAreRefusedAreSaidSo)
{
    const CTempFolder folder;
    const std::string store = folder.Path() + "/none.ini";
    const std::string good = folder.Write("good.m5", CrLf(M3Job()));
    const std::string notM5 = folder.Write("notes.txt", "Job 17, Monday\r\n");
    const RunResult run = RunM5Import({"layout", "--settings", store, good, folder.Path() + "/missing.m5", notM5});
    EXPECT_EQ(run.Status, 1);
    EXPECT_TRUE(Contains(run.Err, "cannot read " + folder.Path() + "/missing.m5")) << run.Err;
    EXPECT_TRUE(Contains(run.Out, "the plug-in stops reading at line 1: no \"For M5\"")) << run.Out;
    EXPECT_TRUE(Contains(run.Out, "--set PointStart=12")) << run.Out;

    const RunResult refused = RunM5Import({"layout", "--settings", store, "--set", "Mode=5", good});
    EXPECT_EQ(refused.Status, 2);
    EXPECT_EQ(refused.Out, "");
}

// The trace of an import: the calls the plug-in made, in order.
std::string Trace(const std::string& store, const std::vector<std::string>& options,
                  const std::vector<std::string>& files)
{
    std::vector<std::string> arguments = {"--settings", store, "--format", "trace"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.insert(arguments.end(), files.begin(), files.end());
    const RunResult run = RunM5Import(arguments);
    EXPECT_NE(run.Status, 2) << run.Err;
    return run.Out;
}

std::string Example(const char* name)
{
    return std::string(M5_SOURCE_DIR) + "/examples/" + name + ".m5";
}

// Reading file by file with the settings found in each makes the same calls as one import
// with those settings: where the detection changes nothing, byte for byte the same trace.
TEST(Layout, AutoMakesTheSameCallsAsTheSettingsItFinds)
{
    const CTempFolder folder;
    const std::string store = folder.Path() + "/none.ini";
    const std::string m3 = folder.Write("m3.m5", CrLf(M3Job()));
    const std::vector<std::string> m3Columns = {"--set", "PointStart=12", "--set", "PointLen=16", "--set",
                                                "CodeStart=11", "--set", "CodeLen=1"};
    const std::string traverse = Example("traverse"), feet = Example("feet-dms"), separate = Example("separate");

    EXPECT_EQ(Trace(store, {"--layout", "auto"}, {traverse, feet}), Trace(store, {}, {traverse, feet}));
    EXPECT_EQ(Trace(store, {"--layout", "auto"}, {separate}), Trace(store, {"--set", "Mode=1"}, {separate}));
    // A Mode given with --set stands.
    EXPECT_EQ(Trace(store, {"--layout", "auto", "--set", "Mode=0"}, {separate}), Trace(store, {}, {separate}));
    const std::string mixed = Trace(store, {"--layout", "auto"}, {m3, traverse});
    EXPECT_EQ(mixed, Trace(store, m3Columns, {m3}) + Trace(store, {}, {traverse}));
    EXPECT_TRUE(Contains(mixed, "{\"op\":\"AddTarget\",\"name\":\"105\"}")) << mixed;
    EXPECT_FALSE(Contains(mixed, "Не задано имя точки.")) << mixed;

    // The stored columns are not the ones read with --layout auto; a stored layout the editor
    // would refuse does not stand in the way.
    const std::string overlapping = folder.Write("overlapping.ini", "CodeStart=10\n");
    EXPECT_EQ(Trace(overlapping, {"--layout", "auto"}, {m3}), Trace(store, m3Columns, {m3}));
}

TEST(Layout, AnImportThatLosesMostNamesEndsWithAHint)
{
    const CTempFolder folder;
    const std::string store = folder.Path() + "/none.ini";
    const std::string m3 = folder.Write("m3.m5", CrLf(M3Job()));
    const RunResult run = RunM5Import({"--settings", store, "--no-progress", m3});
    EXPECT_EQ(run.Status, 1);
    const std::vector<std::string> err = TextLines(run.Err);
    ASSERT_FALSE(err.empty());
    EXPECT_EQ(err.back(), m3 + ": hint: 4 of 6 point records have no name with these settings; the names seem to "
                               "stand elsewhere: --set TakePointNameFromAddr=0 --set PointStart=12 --set PointLen=16 "
                               "--set CodeStart=11 --set CodeLen=1 --set Mode=0, or --layout auto (m5import layout " +
                               m3 + " shows the columns)");
    EXPECT_EQ(std::count_if(err.begin(), err.end(), [](const std::string& line) { return Contains(line, "hint"); }), 1);

    for (const std::vector<std::string>& quiet : std::vector<std::vector<std::string>>{
             {"--settings", store, "-q", m3},
             {"--settings", store, "--no-progress", "--layout", "auto", m3},
             {"--settings", store, "--no-progress", Example("traverse")},
         }) {
        const RunResult other = RunM5Import(quiet);
        EXPECT_FALSE(Contains(other.Err, "hint")) << other.Err;
    }
}

}  // namespace
