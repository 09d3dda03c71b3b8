// Settings stores with values no editor would let through: the plug-in loads them unchecked,
// and the parser must still cut names and codes in an orderly way.
#include <climits>

#include <gtest/gtest.h>

#include "tests/hostile/HostileImport.h"
#include "tests/support/M5Lines.h"
#include "tests/support/TestFiles.h"

using namespace Testing;

namespace {

const std::vector<std::string> Job = {
    M5Line(1, TextInfo("KN STAT")),
    M5Line(2, PointInfo("100", "S"), Value("X", "10", "m")),
    M5Line(3, PointInfo("101"), Value("Hz", "10", "DEG")),
};

constexpr const char* NoPointName = "ReportMessage Не задано имя точки.";

struct StoredCase {
    const char* Key;
    std::int32_t Value;
    std::vector<std::string> Expected;  // begin calls and messages
};

const std::vector<std::string> AsUsual = {"AddStation Default", "AddStation 100", "AddTarget 101"};

TEST(HostileSettings, ExtremeStoredValuesKeepTheImportOrderly)
{
    const StoredCase cases[] = {
        // Name columns beyond the text: the station gets a generated name, the target none.
        {"PointStart", INT_MAX, {"AddStation Default", NoPointName, "AddStation defaultSt_0"}},
        {"PointLen", 0, {"AddStation Default", NoPointName, "AddStation defaultSt_0"}},
        // A start before the text counts as column 1.
        {"PointStart", INT_MIN, AsUsual},
        {"PointStart", -1, AsUsual},
        // A negative length runs to the end of the information text, over the code.
        {"PointLen", INT_MIN, {"AddStation Default", "AddStation 100           S", "AddTarget 101"}},
        {"PointLen", INT_MAX, {"AddStation Default", "AddStation 100           S", "AddTarget 101"}},
        // Without a code "S" nothing opens a station: both points go to a default one.
        {"CodeStart", INT_MAX, {"AddStation Default", "AddStation Default_1", "AddTarget 100", "AddTarget 101"}},
        {"CodeStart", INT_MIN, {"AddStation Default", "AddStation Default_1", "AddTarget 100", "AddTarget 101"}},
        {"CodeLen", INT_MIN, AsUsual},
        {"CodeLen", INT_MAX, AsUsual},
        {"CodeLen", 0, {"AddStation Default", "AddStation Default_1", "AddTarget 100", "AddTarget 101"}},
        // Any mode but 0 refuses station headers.
        {"Mode", INT_MIN, {"ReportMessage Неверный  режим работы импорта. Смените его в настройках импорта."}},
        {"Mode", 2, {"ReportMessage Неверный  режим работы импорта. Смените его в настройках импорта."}},
        // Only 1 takes the name from the address block.
        {"TakePointNameFromAddr", INT_MIN, AsUsual},
        {"TakePointNameFromAddr", 2, AsUsual},
        {"TakePointNameFromAddr", 1, {"AddStation Default", "AddStation 00002", "AddTarget 00003"}},
    };
    const CTempFolder folder;
    const std::string path = folder.Write("job.m5", CrLf(Job));
    for (const StoredCase& c : cases) {
        CFakeSettingsStore store;
        store.Values[c.Key] = c.Value;
        const HostileImport import = ImportPaths({path}, store);
        EXPECT_EQ(import.Of({"AddStation", "AddTarget", "AddPoint", "ReportMessage"}), c.Expected)
            << c.Key << "=" << c.Value;
        EXPECT_EQ(import.Calls.back(), "SetProgress 100") << c.Key << "=" << c.Value;
        EXPECT_TRUE(import.Balanced) << c.Key << "=" << c.Value;
    }
}

TEST(HostileSettings, StartBlockColumnsBeyondAnyRangeKeepTheImportOrderly)
{
    const CTempFolder folder;
    const std::string path = folder.Write("start.m5", CrLf({
        M5Line(1, TextInfo("START"), Value("21", "99999999999999999999"), Value("22", "-99999999999")),
        M5Line(2, TextInfo("END")),
        Job[0], Job[1], Job[2],
    }));
    // The name from column 1 runs up to the code, which starts beyond the text: the name is
    // the whole text, "100" and its code letter, and no station is declared.
    const HostileImport import = ImportPaths({path});
    EXPECT_EQ(import.Of({"AddStation", "AddTarget", "ReportMessage"}),
              (std::vector<std::string>{"AddStation Default", "AddStation Default_1", "AddTarget 100           S",
                                        "AddTarget 101"}));
    EXPECT_TRUE(import.Balanced);
}

// The host's store file with lines no program wrote: an import refuses to run on values the
// settings editor would not take, naming the first of them by its line, and writes nothing;
// `m5import settings` lists every one of them and still shows the list, so that the store can
// be mended through it.
TEST(HostileSettings, StoreFileWithGarbageThroughTheProgram)
{
    const CTempFolder folder;
    const std::string store = folder.Write("settings.ini",
        "# written by hand\n"
        "PointStart=abc\n"
        "PointLen=99999999999999\n"
        "CodeStart=-2147483648\n"
        "CodeLen=-1\n"
        "Mode=1e3\n"
        "TakePointNameFromAddr=2\n"
        "=5\n"
        "Mode\n" +
        std::string("\0\xff\xfe binary", 10) + "\n" + std::string(1 << 20, 'x') + "\n");
    const std::string path = folder.Write("job.m5", CrLf({Job[0], M5Line(2, PointInfo("P7", "K9"), Value("X", "1", "m"))}));
    const RunResult run = RunM5Import({"--settings", store, "--format", "trace", path});
    EXPECT_EQ(run.Status, 2) << run.Err;
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err, "m5import: refused: " + store + ":2: PointStart=abc: not a whole number from -2147483648 to "
                       "2147483647 (and 3 more; m5import settings lists them)\n");

    const RunResult shown = RunM5Import({"settings", "--settings", store});
    EXPECT_EQ(shown.Status, 0) << shown.Err;
    for (const char* line : {":2: PointStart=abc:", ":3: PointLen=99999999999999:", ":6: Mode=1e3:",
                             ":7: TakePointNameFromAddr=2: TakePointNameFromAddr is 0"})
        EXPECT_NE(shown.Err.find(store + line), std::string::npos) << line << "\n" << shown.Err;
    EXPECT_EQ(shown.Err.find(":4:"), std::string::npos) << shown.Err;  // a number in range is a value
}

}  // namespace
