// Damaged field files: huge lines, bytes of every value, NUL bytes, cut and mis-ended files.
// Each is read as the driver's text-mode rules and the M5 layout say, or refused with the
// format message, and what was sent before a refusal stays sent.
#include <iconv.h>

#include <gtest/gtest.h>

#include "tests/hostile/HostileImport.h"
#include "tests/support/M5Lines.h"
#include "tests/support/TestFiles.h"

using namespace Testing;

namespace {

const std::string Header = M5Line(1, TextInfo("KN STAT"));

std::vector<std::string> Without(const std::vector<std::string>& calls, const std::string& operation)
{
    std::vector<std::string> kept;
    for (const std::string& call : calls) {
        if (call.rfind(operation + " ", 0) != 0)
            kept.push_back(call);
    }
    return kept;
}

TEST(DamagedFile, TenMegabyteLineIsCutAtItsColumnsAndItsHugeValueRefused)
{
    const CTempFolder folder;
    const std::string huge(10 * 1024 * 1024, '7');
    // A name and code running on for 10 MB, and a slope distance of 10 MB of digits, which
    // no double holds: the name and code are cut at their columns, the distance refused.
    const std::string line = "For M5|Adr 00002|PI1 N" + huge + "|Hz 12.5 DEG|SD " + huge + " m|";
    const std::string path = folder.Write("huge.m5", CrLf({Header}) + line + "\r\n");
    const HostileImport import = ImportPaths({path});
    // The code's first character 7 makes a point of kind "B" with the flag (the fake host
    // hands angles back in the file's unit).
    const std::vector<std::string> expected = {
        "AddTarget N7777777777777", "SetPointKind 0", "SetPointFlag 0", "SetPointCode 7777777777777",
        "SetHorizontalAngle 12.5", "SetProgress 100",
    };
    const auto target = std::find(import.Calls.begin(), import.Calls.end(), expected.front());
    ASSERT_NE(target, import.Calls.end());
    EXPECT_EQ(std::vector<std::string>(target, std::min(target + 6, import.Calls.end())), expected);
    EXPECT_TRUE(import.Of({"SetSlopeDistance"}).empty());
    EXPECT_TRUE(import.Balanced);
}

TEST(DamagedFile, OnlySeparatorsIsRefusedAsNotAnM5File)
{
    const CTempFolder folder;
    const std::vector<std::string> files = {"|", "||||||||", "|||\r\n|||\r\n", "\r\n\r\n|\r\n"};
    for (const std::string& bytes : files) {
        const HostileImport import = ImportPaths({folder.Write("bars.m5", bytes)});
        EXPECT_EQ(import.Of({"ReportMessage", "AddStation", "AddTarget", "AddPoint"}),
                  (std::vector<std::string>{WrongFormat}))
            << bytes;
        EXPECT_EQ(import.Calls.back(), "SetProgress 100");
        EXPECT_TRUE(import.Balanced);
    }
}

TEST(DamagedFile, SeparatorsAfterGoodSetUpsKeepWhatWasSent)
{
    const CTempFolder folder;
    const std::string path = folder.Write("late.m5", CrLf({
        Header,
        M5Line(2, PointInfo("10", "S"), Value("X", "100", "m")),
        M5Line(3, PointInfo("11"), Value("Hz", "90", "DEG")),
        M5Line(4, TextInfo("KN STAT")),
        M5Line(5, PointInfo("20", "S"), Value("X", "200", "m")),
        M5Line(6, PointInfo("21"), Value("Hz", "45", "DEG")),
        "||||||",
        M5Line(7, PointInfo("22"), Value("Hz", "50", "DEG")),
    }));
    const HostileImport import = ImportPaths({path});
    // The first set-up was closed by the second header and stays; the open one is dropped.
    EXPECT_EQ(import.Of({"AddStation", "AddTarget", "ReportMessage"}),
              (std::vector<std::string>{"AddStation Default", "AddStation 10", "AddTarget 11", WrongFormat}));
    EXPECT_TRUE(import.Balanced);
}

TEST(DamagedFile, NulBytesCutTheirLine)
{
    const CTempFolder folder;
    const std::string target = M5Line(2, PointInfo("5"), Value("Hz", "10", "DEG"), Value("V1", "80", "DEG"));
    const std::string cutAfterHz = target.substr(0, target.find("|V1")) + std::string(1, '\0') + target.substr(target.find("|V1"));
    struct Case {
        const char* What;
        std::string Bytes;
        std::vector<std::string> Expected;  // messages and the target's calls
    };
    const Case cases[] = {
        {"only NUL bytes", std::string(4096, '\0') + "\n" + std::string(10, '\0'), {NoHeader}},
        {"a NUL in the marker", CrLf({Header, std::string("For") + '\0' + "M5|Adr 00002|PI1 5|Hz 1 DEG|"}),
         {WrongFormat}},
        {"a NUL between two value blocks", CrLf({Header, cutAfterHz}),
         {"AddTarget 5", "SetHorizontalAngle 10"}},
    };
    for (const Case& c : cases) {
        const HostileImport import = ImportPaths({folder.Write("nul.m5", c.Bytes)});
        EXPECT_EQ(import.Of({"ReportMessage", "AddTarget", "SetHorizontalAngle", "SetVerticalAngle"}), c.Expected)
            << c.What;
        EXPECT_EQ(import.Calls.back(), "SetProgress 100") << c.What;
        EXPECT_TRUE(import.Balanced) << c.What;
    }
}

TEST(DamagedFile, LastLineCutInTheMiddleIsStillRead)
{
    const CTempFolder folder;
    const std::string station = M5Line(2, PointInfo("1", "S"), Value("X", "10", "m"));
    struct Case {
        const char* What;
        std::string LastLine;
        std::vector<std::string> Expected;
    };
    const Case cases[] = {
        // The value before the cut is all there is of it; its unit is gone, so the angle
        // converter in force reads it.
        {"in a value", "For M5|Adr 00003|PI1 7             |Hz       12.3", {"AddTarget 7", "SetHorizontalAngle 12.3"}},
        // A target without a measurement is not sent.
        {"in the information block", "For M5|Adr 00003|PI1 7", {}},
        {"in the marker", "For M", {WrongFormat}},
    };
    for (const Case& c : cases) {
        const HostileImport import = ImportPaths({folder.Write("cut.m5", CrLf({Header, station}) + c.LastLine)});
        EXPECT_EQ(import.Of({"ReportMessage", "AddTarget", "SetHorizontalAngle"}), c.Expected) << c.What;
        EXPECT_TRUE(import.Balanced) << c.What;
    }
}

// The Cyrillic code page as the C library knows it; its one undefined byte, 0x98, is U+0098.
std::string Cp1251ToUtf8(unsigned char byte)
{
    if (byte == 0x98)
        return "\xC2\x98";
    iconv_t convert = ::iconv_open("UTF-8", "CP1251");
    char in[1] = {static_cast<char>(byte)};
    char out[8] = {};
    char* from = in;
    char* to = out;
    std::size_t left = 1, room = sizeof out;
    const std::size_t done = ::iconv(convert, &from, &left, &to, &room);
    ::iconv_close(convert);
    return done == static_cast<std::size_t>(-1) ? std::string("?") : std::string(out, to);
}

TEST(DamagedFile, EveryByteValueInNamesAndCodes)
{
    const CTempFolder folder;
    for (int value = 0; value < 256; ++value) {
        const char byte = static_cast<char>(value);
        // Name "P?Q" in columns 1-14, code "K?Z" in columns 15-27, byte for byte.
        const std::string info = "PI1 P" + std::string(1, byte) + "Q" + std::string(11, ' ') + "K" +
                                 std::string(1, byte) + "Z" + std::string(10, ' ');
        const std::string line = "For M5|Adr 00002|" + info + "|Hz 1 DEG|||";
        const HostileImport import = ImportPaths({folder.Write("byte.m5", CrLf({Header}) + line + "\r\n")});
        std::vector<std::string> expected;
        switch (value) {
        case 0x00:  // a NUL cuts the line: a name without a measurement is not sent
        case 0x1A:  // the end-of-file mark ends the data there
            break;
        case 0x0A:  // a line feed ends the line; the next one is not M5
            expected = {WrongFormat};
            break;
        case '|':   // the separator ends the information block after "P"
            expected = {"AddTarget P"};
            break;
        default: {
            const std::string decoded = Cp1251ToUtf8(static_cast<unsigned char>(value));
            expected = {"AddTarget P" + decoded + "Q", "SetPointCode K" + decoded + "Z"};
        }
        }
        EXPECT_EQ(import.Of({"AddTarget", "SetPointCode", "ReportMessage"}), expected) << "byte " << value;
        EXPECT_TRUE(import.Balanced) << "byte " << value;
    }
}

// Lines end at LF only: a file whose records end in a lone CR is one line, of which the
// first record's blocks are read and the rest is never looked at.
TEST(DamagedFile, CrOnlyLineEndsMakeOneLineOfWhichTheFirstRecordIsRead)
{
    const CTempFolder folder;
    const std::vector<std::string> lines = {
        M5Line(1, PointInfo("1", "S"), Value("X", "10", "m")),
        M5Line(2, PointInfo("2"), Value("Hz", "10", "DEG")),
        M5Line(3, TextInfo("KN STAT")),
    };
    std::string crOnly;
    for (const std::string& line : lines)
        crOnly += line + "\r";
    const HostileImport whole = ImportPaths({folder.Write("cr.m5", crOnly)});
    const HostileImport first = ImportPaths({folder.Write("first.m5", lines[0] + "\n")});
    EXPECT_EQ(whole.Of({"SetCurrentLine"}), (std::vector<std::string>{"SetCurrentLine 0", "SetCurrentLine -1"}));
    EXPECT_EQ(Without(whole.Calls, "SetFileName"), Without(first.Calls, "SetFileName"));
    EXPECT_TRUE(whole.Has("AddPoint 1"));
    EXPECT_FALSE(whole.Has("AddTarget 2"));
}

}  // namespace
