// Finding where the names and codes of a field file stand: for each kind of layout the
// detected settings, and the plug-in itself, loaded with them, naming every point as written.
#include <gtest/gtest.h>

#include "host/FieldFileScan.h"
#include "host/LayoutDetector.h"
#include "platform/Utf16.h"
#include "plugin/PluginInterfaces.h"
#include "resources/StringTable.h"
#include "settings/ImportSettings.h"
#include "tests/support/M5Lines.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TestFiles.h"

using namespace Host;
using namespace Testing;

namespace {

// A point record whose information text is given column for column.
std::string Point(int address, const std::string& text, const std::string& v1 = Value("X", "1.000", "m"),
                  const std::string& v2 = std::string())
{
    return M5Line(address, "PI1 " + text + std::string(text.size() < 27 ? 27 - text.size() : 0, ' '), v1, v2);
}

// The value written into the text from the column on (counted from 1), the text lengthened
// with blanks as needed.
std::string At(std::size_t column, const std::string& value, std::string text = std::string())
{
    if (text.size() < column - 1 + value.size())
        text.resize(column - 1 + value.size(), ' ');
    text.replace(column - 1, value.size(), value);
    return text;
}

// The value written so that it ends at the column: right-aligned.
std::string EndingAt(std::size_t column, const std::string& value, std::string text = std::string())
{
    return At(column + 1 - value.size(), value, std::move(text));
}

CFieldFileScan Scan(const std::vector<std::string>& lines)
{
    CFieldFileScan scan;
    scan.Assign(CrLf(lines));
    return scan;
}

struct Imported {
    std::vector<std::string> Names;  // of stations, targets and points in the order sent, default stations left out
    std::size_t Unnamed = 0;         // "no point name given" messages
};

// The plug-in's own import of the lines with these settings.
Imported ImportWith(const std::vector<std::string>& lines, const SettingsValues& values)
{
    const CTempFolder folder;
    const std::string path = folder.Write("job.m5", CrLf(lines));
    CRecordingHost host;
    CFakeSettingsStore store;
    for (const char* key : {"TakePointNameFromAddr", "PointStart", "PointLen", "CodeStart", "CodeLen", "Mode"})
        store.Values[key] = values.Get(key);
    Plugin::IGroundBasedMIP* plugin = CreatePlugin();
    plugin->LoadSettings(&store);
    CFakeFileList list({path});
    plugin->Import(&list, &host);
    plugin->Release();
    Imported imported;
    const std::string noName = "ReportMessage " + Platform::WideToUtf8(Plugin::LoadMessageText(Plugin::IdNoPointName));
    for (const std::string& call : host.Calls) {
        for (const char* begin : {"AddStation ", "AddTarget ", "AddPoint "})
            if (call.rfind(begin, 0) == 0 && call.rfind("AddStation Default", 0) != 0)
                imported.Names.push_back(call.substr(std::string(begin).size()));
        imported.Unnamed += call == noName ? 1 : 0;
    }
    return imported;
}

struct LayoutCase {
    const char* What;
    std::vector<std::string> Lines;
    SettingsValues Expected;             // the columns; Mode stays 0 in these files
    std::vector<std::string> Names;      // as the plug-in sends them
    std::vector<std::string> Codes;      // as read from each point record
};

const std::string Header = M5Line(1, TextInfo("KN STAT"));
const std::string Measured = Value("Hz", "12.3456", "DMS");

// Codes that repeat and no numbers: the name can only be the record's address.
LayoutCase CodesOnly()
{
    LayoutCase c{"codes only: the name is the address", {Header, Point(2, At(3, "S"))}, NameAndCodeLayout(1, 1, 14, 3, 25),
                 {"00002"}, {"S"}};
    for (int address = 3; address <= 14; ++address) {
        const std::string code = address == 14 ? "" : address % 2 ? "FENCE" : "TREE";
        c.Lines.push_back(Point(address, At(3, code), Measured));
        c.Names.push_back("000" + std::string(address < 10 ? "0" : "") + std::to_string(address));
        c.Codes.push_back(code);
    }
    return c;
}

std::vector<LayoutCase> Cases()
{
    return {
        {"code in column 11, the number right-aligned to 27",
         {Header, Point(2, At(11, "S", EndingAt(27, "1"))), Point(3, EndingAt(27, "2"), Measured),
          Point(4, EndingAt(27, "10"), Measured), Point(5, At(11, "A", EndingAt(27, "117")), Measured)},
         NameAndCodeLayout(0, 12, 16, 11, 1), {"1", "2", "10", "117"}, {"S", "", "", "A"}},
        {"the number right-aligned to 19 with the code straight after it",
         {Header, Point(2, At(20, "S", EndingAt(19, "1"))), Point(3, At(20, "CONTR", EndingAt(19, "1100")), Measured),
          Point(4, At(20, "0067R", EndingAt(19, "1102")), Measured),
          Point(5, EndingAt(24, "A6", EndingAt(19, "1111")), Measured),
          Point(6, EndingAt(24, "0339", EndingAt(19, "1237")), Measured)},
         NameAndCodeLayout(0, 1, 19, 20, 8), {"1", "1100", "1102", "1111", "1237"}, {"S", "CONTR", "0067R", "A6", "0339"}},
        {"the code first, the name after a gap",
         {Header, Point(2, At(1, "S", At(8, "ST1"))), Point(3, At(1, "FENCE", At(8, "P10")), Measured),
          Point(4, At(1, "KERB", At(8, "P11A")), Measured), Point(5, At(8, "P12"), Measured)},
         NameAndCodeLayout(0, 8, 20, 1, 7), {"ST1", "P10", "P11A", "P12"}, {"S", "FENCE", "KERB", ""}},
        {"the number right-aligned to 12, the code left-aligned from 13, always touching",
         {Header, Point(2, At(13, "S", EndingAt(12, "7"))), Point(3, At(13, "TREE", EndingAt(12, "1001")), Measured),
          Point(4, At(13, "MH", EndingAt(12, "15")), Measured)},
         NameAndCodeLayout(0, 1, 12, 13, 15), {"7", "1001", "15"}, {"S", "TREE", "MH"}},
        {"codes of several words after the names",
         {Header, Point(2, At(5, "200", At(12, "S"))), Point(3, At(5, "201", At(12, "NEW FENCE")), Measured),
          Point(4, At(5, "202", At(12, "OLD  WALL")), Measured), Point(5, At(5, "203", At(12, "NEW")), Measured)},
         NameAndCodeLayout(0, 5, 7, 12, 16), {"200", "201", "202", "203"}, {"S", "NEW FENCE", "OLD  WALL", "NEW"}},
        {"names only, right-aligned to 17",
         {Header, Point(2, EndingAt(17, "1")), Point(3, EndingAt(17, "22"), Measured),
          Point(4, EndingAt(17, "303"), Measured)},
         NameAndCodeLayout(0, 1, 17, 18, 10), {"1", "22", "303"}, {"", "", ""}},
        CodesOnly(),
    };
}

TEST(LayoutDetector, FindsTheColumnsAndThePluginNamesEveryPointWithThem)
{
    for (const LayoutCase& c : Cases()) {
        SCOPED_TRACE(c.What);
        const CFieldFileScan scan = Scan(c.Lines);
        const DetectedLayout layout = DetectLayout(scan, SettingsValues{});
        SettingsValues expected = c.Expected;
        expected.Mode = 0;
        EXPECT_EQ(layout.Values.TakePointNameFromAddr, expected.TakePointNameFromAddr);
        if (expected.TakePointNameFromAddr == 0) {
            EXPECT_EQ(layout.Values.PointStart, expected.PointStart);
            EXPECT_EQ(layout.Values.PointLen, expected.PointLen);
        }
        EXPECT_EQ(layout.Values.CodeStart, expected.CodeStart);
        EXPECT_EQ(layout.Values.CodeLen, expected.CodeLen);
        EXPECT_FALSE(layout.Agrees);
        EXPECT_FALSE(CheckLayout(layout.Values).Refused());

        std::vector<std::string> codes;
        for (const PointLine& point : scan.Points())
            codes.push_back(Platform::WideToUtf8(ReadNameAndCode(scan, point, layout.Values).Code));
        EXPECT_EQ(codes, c.Codes);
        EXPECT_EQ(CountUnnamed(scan, layout.Values), 0u);
        const Imported imported = ImportWith(c.Lines, layout.Values);
        EXPECT_EQ(imported.Names, c.Names);
        EXPECT_EQ(imported.Unnamed, 0u);
        // With the default columns the plug-in names these points otherwise, or not at all.
        EXPECT_NE(ImportWith(c.Lines, SettingsValues{}).Names, c.Names);
    }
}

TEST(LayoutDetector, KeepsTheSettingsThatReadTheFileAlready)
{
    const std::vector<std::string> lines = {Header, M5Line(2, PointInfo("1000", "S"), Value("X", "1", "m")),
                                            M5Line(3, PointInfo("2001", "FENCE"), Measured),
                                            M5Line(4, PointInfo("17", "TREE"), Measured)};
    const DetectedLayout layout = DetectLayout(Scan(lines), SettingsValues{});
    EXPECT_TRUE(layout.Agrees);
    EXPECT_EQ(layout.Values, SettingsValues{});
    EXPECT_EQ(layout.Keys, std::vector<std::string>{"Mode"});
    EXPECT_EQ(SetFlags(layout), "--set Mode=0");
}

TEST(LayoutDetector, ModeFollowsTheFilesStructure)
{
    const std::string coordinates = Value("Y", "100.000", "m");
    struct Case {
        const char* What;
        std::vector<std::string> Lines;
        std::int32_t Given;
        std::optional<std::int32_t> Mode;
    };
    const Case cases[] = {
        {"station headers", {Header, Point(2, At(1, "1", At(15, "S")), coordinates)}, 1, 0},
        {"a point by its coordinates, then measurements to others",
         {Point(1, At(1, "100"), coordinates), Point(2, At(1, "101"), Measured), Point(3, At(1, "102"), Measured)}, 0, 1},
        {"measurements, then the same point's coordinates",
         {Point(1, At(1, "101"), Measured), Point(2, At(1, "101"), coordinates), Point(3, At(1, "102"), Measured),
          Point(4, At(1, "102"), coordinates)},
         1, 0},
        {"coordinates only", {Point(1, At(1, "1"), coordinates), Point(2, At(1, "2"), coordinates)}, 1, 0},
        {"no coordinates, no headers", {Point(1, At(1, "1"), Measured)}, 1, std::nullopt},
    };
    for (const Case& c : cases) {
        SettingsValues given;
        given.Mode = c.Given;
        const DetectedLayout layout = DetectLayout(Scan(c.Lines), given);
        EXPECT_EQ(layout.Values.Mode, c.Mode.value_or(c.Given)) << c.What;
        EXPECT_EQ(layout.ModeReason.empty(), !c.Mode) << c.What;
    }
}

// A START block on the first line gives the columns; the host follows them as the plug-in
// does, fitting the lengths when the block closes.
TEST(LayoutDetector, StartBlockColumnsAreKeptAndFittedAsThePluginFitsThem)
{
    for (const auto& [code, name] : std::vector<std::pair<int, int>>{{11, 16}, {16, 11}, {1, 27}, {5, 5}, {0, 30}}) {
        const std::vector<std::string> lines = {
            M5Line(1, TextInfo("START"), Value("21", std::to_string(code)), Value("22", std::to_string(name))),
            M5Line(2, TextInfo("END")), Header, Point(4, At(11, "S", EndingAt(27, "1")))};
        const CFieldFileScan scan = Scan(lines);
        SettingsValues given;
        given.TakePointNameFromAddr = 1;
        const DetectedLayout layout = DetectLayout(scan, given);
        EXPECT_TRUE(layout.FromStartBlock);
        EXPECT_EQ(layout.Values.TakePointNameFromAddr, 0);  // the block names a name column
        const SettingsValues used = SettingsAtLine(scan, layout.Values, 4);
        Plugin::ImportSettings plugin;
        plugin.CodeStart = code;
        plugin.PointStart = name;
        plugin.FitFieldLengths();
        EXPECT_EQ(used.CodeStart, code);
        EXPECT_EQ(used.PointStart, name);
        EXPECT_EQ(used.CodeLen, plugin.CodeLen) << code << " " << name;
        EXPECT_EQ(used.PointLen, plugin.PointLen) << code << " " << name;
        EXPECT_EQ(SettingsAtLine(scan, layout.Values, 1), layout.Values);  // the block's own line
    }
}

TEST(FieldFileScan, ReadsTheFileAsThePluginDoes)
{
    // Windows-1251 code "ЗАБОР" (five bytes, five columns), CR LF, a blank line, the data
    // ending at 0x1A, then a line the plug-in would refuse.
    const std::string fence = "\xC7\xC0\xC1\xCE\xD0";
    const std::string bytes = CrLf({Header, "", Point(3, At(1, "7", At(15, fence)), Measured)}) + "\r\n\x1A" +
                              "junk\r\n";
    CFieldFileScan scan;
    scan.Assign(bytes);
    ASSERT_EQ(scan.Points().size(), 1u);
    EXPECT_EQ(scan.Points()[0].Line, 3);
    EXPECT_TRUE(scan.Points()[0].Measured);
    EXPECT_TRUE(scan.HasStationHeaders());
    EXPECT_EQ(scan.RefusedLine(), 0);
    EXPECT_EQ(Platform::WideToUtf8(ReadNameAndCode(scan, scan.Points()[0], SettingsValues{}).Code), "ЗАБОР");

    const CFieldFileScan refused = Scan({Point(1, At(1, "1")), "Job 17, Monday", Point(3, At(1, "2"))});
    EXPECT_EQ(refused.RefusedLine(), 2);
    EXPECT_EQ(refused.PointCount(), 1u);
}

}  // namespace
