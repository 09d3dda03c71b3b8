#include <algorithm>

#include <gtest/gtest.h>

#include "platform/CodePage.h"
#include "platform/FileBytes.h"
#include "platform/Sanitizers.h"
#include "platform/TextModeFile.h"
#include "platform/Utf16.h"
#include "plugin/PluginInterfaces.h"
#include "tests/support/M5Lines.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TestFiles.h"

using namespace Testing;

namespace {

std::vector<std::string> LinesOf(const std::string& bytes)
{
    Platform::TextModeFile file;
    file.Assign(bytes);
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < file.LineCount(); ++i)
        lines.emplace_back(file.NextLine());
    EXPECT_EQ(file.NextLine(), "") << "nothing after the last line";
    return lines;
}

TEST(TextModeReading, SplitsLinesAsTheRunTimeTextModeDoes)
{
    using Lines = std::vector<std::string>;
    const std::pair<std::string, Lines> cases[] = {
        {"", {}},
        {"a\nb\n", {"a", "b"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb", {"a", "b"}},                  // last line without LF
        {"a\n\nb\n", {"a", "", "b"}},          // empty line between two LFs
        {"\n", {""}},
        {"a\rb\n", {"a\rb"}},                  // a lone CR stays
        {"a\r\r\nb", {"a\r", "b"}},
        {"a\r", {"a\r"}},
        {"a\nb\x1A" "c\nd\n", {"a", "b"}},      // 0x1A ends the data
        {"\x1A" "a\n", {}},
        {std::string("a\0b\nc\n", 6), {"a", "c"}},  // a NUL cuts the line
    };
    for (const auto& [bytes, expected] : cases)
        EXPECT_EQ(LinesOf(bytes), expected) << "[" << bytes << "]";
}

// A file on disk is read and scanned in pieces of a quarter megabyte: a line that spans two
// pieces is one line, and a NUL byte or the end-of-data mark far into the file is found
// wherever it stands.
TEST(TextModeReading, MarksFarIntoAFileAreFoundAcrossItsPieces)
{
    const CTempFolder folder;
    const std::string line = "0123456789abcdefghijklmnopqrstuvwxyz-0123456789abcdefghijklmnopqrstuvwxyz-012345678";
    const std::size_t width = line.size() + 2;  // with CR LF
    std::string bytes;
    while (bytes.size() < (std::size_t(700) << 10))
        bytes += line + "\r\n";
    const std::size_t lines = bytes.size() / width;
    struct Case {
        std::string Bytes;
        std::size_t Lines;
        std::size_t CutLine;    // the line that a NUL or the mark cuts short, or lines for none
        std::size_t CutLength;
    };
    std::string withNul = bytes;
    withNul[600000] = '\0';
    std::string withMark = bytes;
    withMark[500000] = '\x1A';
    const Case cases[] = {
        {bytes, lines, lines, 0},
        {withNul, lines, 600000 / width, 600000 % width},
        {withMark, 500000 / width + 1, 500000 / width, 500000 % width},
    };
    for (const Case& c : cases) {
        const std::string path = folder.Write("long.m5", c.Bytes);
        Platform::TextModeFile file;
        ASSERT_TRUE(file.Read(Platform::Utf8ToUtf16(path)));
        ASSERT_EQ(file.LineCount(), c.Lines);
        for (std::size_t i = 0; i < c.Lines; ++i) {
            const std::size_t length = i == c.CutLine ? c.CutLength : width - 2;
            ASSERT_EQ(file.NextLine(), std::string_view(bytes).substr(i * width, length)) << "line " << i;
        }
        EXPECT_EQ(file.NextLine(), "");
    }
}

// A large file is counted first and then read again piece by piece as its lines are taken:
// whatever stands where one piece ends and the next begins (a CR LF split between them, a
// line longer than a piece, a NUL, the end-of-data mark), it reads as the same bytes held
// whole in memory read.
TEST(TextModeReading, LargeFilesReadPieceByPieceAsWhole)
{
    const CTempFolder folder;
    const std::size_t piece = std::size_t(256) << 10;
    std::string lines;
    for (std::size_t i = 0; lines.size() < (std::size_t(5) << 20); ++i)
        lines += "line " + std::to_string(i) + (i % 2 ? "\r\n" : "\n");
    std::string crLfAcross = lines;
    crLfAcross[3 * piece - 1] = '\r';
    crLfAcross[3 * piece] = '\n';
    std::string longLine = lines;
    longLine.replace(piece / 2, 3 * piece / 2, std::string(3 * piece / 2, 'x'));
    std::string withNul = lines;
    withNul[(std::size_t(9) << 19) + 3] = '\0';
    std::string withMark = lines;
    withMark[(std::size_t(9) << 19) + 5] = '\x1A';
    const std::string cases[] = {lines, lines + "no LF at the end", crLfAcross, longLine, withNul, withMark,
                                 std::string(6 << 20, 'y')};
    for (const std::string& bytes : cases) {
        const std::vector<std::string> expected = LinesOf(bytes);
        Platform::TextModeFile file;
        ASSERT_TRUE(file.Read(Platform::Utf8ToUtf16(folder.Write("large.m5", bytes))));
        ASSERT_EQ(file.LineCount(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i)
            ASSERT_EQ(file.NextLine(), expected[i]) << "line " << i;
        EXPECT_EQ(file.NextLine(), "");
    }
}

// Every LF is a line end, wherever it stands among the bytes counted together, and however
// many of them come in a row: a file of nothing else has as many lines as bytes, held whole
// or counted on disk before it is read again.
TEST(TextModeReading, EveryLineFeedCountsAsALine)
{
    const CTempFolder folder;
    for (const std::size_t size : {std::size_t(1), std::size_t(63), std::size_t(64), std::size_t(65),
                                   std::size_t(63 * 64), std::size_t(64 * 64 + 1), (std::size_t(5) << 20) + 7}) {
        const std::string bytes(size, '\n');
        Platform::TextModeFile held;
        held.Assign(bytes);
        EXPECT_EQ(held.LineCount(), size);
        Platform::TextModeFile read;
        ASSERT_TRUE(read.Read(Platform::Utf8ToUtf16(folder.Write("feeds.m5", bytes))));
        EXPECT_EQ(read.LineCount(), size);
    }
}

// Lines are decoded in pieces, plain ASCII pieces apart: a high byte at any place, on either
// side of a piece's edge, and lines of every length around the piece size decode as byte by byte.
TEST(CodePageReading, HighBytesDecodeWhereverTheyStand)
{
    std::wstring decoded;
    for (std::size_t length = 0; length <= 50; ++length) {
        for (std::size_t place = 0; place <= length; ++place) {
            std::string line(length, 'a');
            if (place < length)
                line[place] = static_cast<char>(0xC0 + place % 64);
            Platform::DecodeWindows1251(line.data(), line.size(), decoded);
            std::wstring expected;
            for (const char c : line)
                expected += static_cast<wchar_t>(Platform::DecodeWindows1251(static_cast<unsigned char>(c)));
            ASSERT_EQ(decoded, expected) << "length " << length << ", high byte at " << place;
        }
    }
}

// The file's bytes live outside the allocator the sanitizer watches; the buffer marks what lies
// past the data itself, so a read beyond a line's end is still caught in checked builds.
TEST(TextModeReading, BytesPastTheDataAreOffLimitsInCheckedBuilds)
{
#if M5_ADDRESS_SANITIZER
    Platform::FileBytes bytes;
    bytes.Reserve(100);
    bytes.Data()[0] = 'a';
    bytes.SetSize(3);
    EXPECT_FALSE(__asan_address_is_poisoned(bytes.Data() + 2));
    EXPECT_TRUE(__asan_address_is_poisoned(bytes.Data() + 3));
    EXPECT_TRUE(__asan_address_is_poisoned(bytes.Data() + bytes.Capacity() - 1));
    bytes.Clear();
    EXPECT_FALSE(__asan_address_is_poisoned(bytes.Data() + bytes.Capacity() - 1)) << "free to be read into";
    bytes.SetSize(1);
    bytes.Reserve(bytes.Capacity() * 4);
    EXPECT_EQ(bytes.Data()[0], 'a') << "kept where the buffer grew";
#else
    GTEST_SKIP() << "not a build checked by the address sanitizer";
#endif
}

// Giving back the memory of bytes already read goes by whole pages below the offset: every byte
// from the offset on keeps its value, whatever the alignment.
TEST(TextModeReading, MemoryGivenBackKeepsTheBytesStillToBeRead)
{
    Platform::FileBytes bytes;
    const std::size_t size = std::size_t(10) << 20;
    bytes.Reserve(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes.Data()[i] = static_cast<char>('a' + i % 23);
    bytes.SetSize(size);
    for (const std::size_t offset : {std::size_t(100), std::size_t(5 << 20) + 123, std::size_t(9 << 20) + 4095}) {
        bytes.Discard(offset);
        for (std::size_t i = offset; i < size; ++i)
            ASSERT_EQ(bytes.Data()[i], static_cast<char>('a' + i % 23)) << "byte " << i << " after giving back " << offset;
    }
#if M5_ADDRESS_SANITIZER
    EXPECT_TRUE(__asan_address_is_poisoned(bytes.Data())) << "bytes given back are off limits";
#endif
}

class ImportDriver : public ::testing::Test {
protected:
    // Imports the files through the plug-in object, as the host calls it.
    std::vector<std::string> Import(const std::vector<std::string>& paths)
    {
        Plugin::IGroundBasedMIP* plugin = CreatePlugin();
        CFakeFileList files(paths);
        plugin->Import(&files, &Host);
        plugin->Release();
        EnumeratorLog = files.Log;
        return Host.Calls;
    }

    CRecordingHost Host;
    CTempFolder Folder;
    std::vector<std::string> EnumeratorLog;
    const std::string Header = M5Line(1, TextInfo("KN STAT"));
    const std::string Default = "ReportWarning Не определена точка стояния.\nПо умолчанию создается станция с именем Default.";
};

TEST_F(ImportDriver, NoFilesMeansOnlyResetAndOneIsValid)
{
    EXPECT_TRUE(Import({}).empty());
    EXPECT_EQ(EnumeratorLog, (std::vector<std::string>{"Reset", "IsValid"}));
}

TEST_F(ImportDriver, EmptyFileIsFinishedWithoutLines)
{
    const std::string path = Folder.Write("empty.m5", "");
    const std::vector<std::string> expected = {
        "SetFileName " + path, "GetConverterFactory", "SetCurrentLine -1",
        "ReportMessage Неверный  режим работы импорта. Смените его в настройках импорта.", Default,
        "AddStation Default", "SetProgress 100",
    };
    EXPECT_EQ(Import({path}), expected);
    EXPECT_EQ(EnumeratorLog, (std::vector<std::string>{"Reset", "IsValid", "Current", "MoveNext", "IsValid"}));
}

TEST_F(ImportDriver, ProgressIsAFloatPerLineThenOneHundred)
{
    const std::string three = Folder.Write("three.m5", CrLf({Header, Header, Header}));
    const std::string four = Folder.Write("four.m5", Header + "\n" + Header + "\n" + Header + "\n" + Header);
    Import({three, four});
    const std::vector<std::string> progress = {
        "SetProgress 33.333332", "SetProgress 66.666664", "SetProgress 100", "SetProgress 100",
        "SetProgress 25", "SetProgress 50", "SetProgress 75", "SetProgress 100", "SetProgress 100",
    };
    EXPECT_EQ(Host.CallsOf({"SetProgress"}), progress);
    EXPECT_EQ(Host.CallsOf({"SetCurrentLine"}),
              (std::vector<std::string>{"SetCurrentLine 0", "SetCurrentLine 1", "SetCurrentLine 2", "SetCurrentLine 0",
                                        "SetCurrentLine 1", "SetCurrentLine 2", "SetCurrentLine 3"}));
}

TEST_F(ImportDriver, CrLfAndLfFilesGiveTheSameImport)
{
    const std::vector<std::string> lines = {Header, M5Line(2, PointInfo("1", "S"), Value("X", "5.5", "m")),
                                            M5Line(3, PointInfo("2"), Value("Hz", "1", "DEG"))};
    std::string lf;
    for (const std::string& line : lines)
        lf += line + "\n";
    Import({Folder.Write("crlf.m5", CrLf(lines))});
    std::vector<std::string> crlfCalls(Host.Calls.begin() + 1, Host.Calls.end());
    Host.Calls.clear();
    Import({Folder.Write("lf.m5", lf)});
    std::vector<std::string> lfCalls(Host.Calls.begin() + 1, Host.Calls.end());
    EXPECT_EQ(crlfCalls, lfCalls);
    EXPECT_NE(std::find(lfCalls.begin(), lfCalls.end(), "SetX 5.5"), lfCalls.end());
}

TEST_F(ImportDriver, EndOfFileMarkStopsTheData)
{
    const std::string path = Folder.Write("eof.m5", Header + "\r\n" + Header + "\r\n\x1A" + "garbage\r\n");
    Import({path});
    EXPECT_EQ(Host.CallsOf({"SetCurrentLine"}), (std::vector<std::string>{"SetCurrentLine 0", "SetCurrentLine 1"}));
    EXPECT_EQ(std::count(Host.Calls.begin(), Host.Calls.end(), "ReportMessage Импорт прекращен. Неверный формат файла."), 0);
}

TEST_F(ImportDriver, UnopenableFilesAreReportedAndSkipped)
{
    const std::string missing = Folder.Path() + "/missing.m5";
    const std::string good = Folder.Write("good.m5", CrLf({Header}));
    MakeFolder(Folder.Path() + "/folder.m5");
    const std::vector<std::string> calls = Import({missing, Folder.Path() + "/folder.m5", good});
    const std::vector<std::string> head = {
        "SetFileName " + missing, "ReportMessage Не удается открыть файл",
        "SetFileName " + Folder.Path() + "/folder.m5", "ReportMessage Не удается открыть файл",
        "SetFileName " + good, "GetConverterFactory",
    };
    ASSERT_GE(calls.size(), head.size());
    EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + 6), head);
    EXPECT_EQ(calls.back(), "SetProgress 100");
}

TEST_F(ImportDriver, FatalErrorEndsTheFileWithProgressOneHundredAndTheNextFileFollows)
{
    std::vector<std::string> lines(10, Header);
    lines[5] = "not an M5 line";
    const std::string bad = Folder.Write("bad.m5", CrLf(lines));
    const std::string good = Folder.Write("good.m5", CrLf({Header}));
    Host.RecordProgress = true;
    const std::vector<std::string> calls = Import({bad, good});
    const auto next = std::find(calls.begin(), calls.end(), "SetFileName " + good);
    ASSERT_NE(next, calls.end());
    const std::vector<std::string> firstFile(calls.begin(), next);
    EXPECT_EQ(firstFile.back(), "SetProgress 100");
    EXPECT_EQ(*(firstFile.end() - 2), "ReportMessage Импорт прекращен. Неверный формат файла.");
    EXPECT_EQ(*(firstFile.end() - 3), "SetCurrentLine -1");
    EXPECT_EQ(*(firstFile.end() - 4), "SetCurrentLine 5");
    EXPECT_EQ(*(firstFile.end() - 5), "SetProgress 50");
    EXPECT_EQ(std::count_if(firstFile.begin(), firstFile.end(),
                            [](const std::string& call) { return call.rfind("SetProgress", 0) == 0; }),
              6);
    EXPECT_EQ(Host.OutstandingReferences(), 0);
    EXPECT_EQ(Host.LiveObjects(), 0);
}

// The files of one call are read into the same memory one after another: a file that follows
// a larger one (whose memory was partly given back as it was read) or a smaller one is
// imported as it is when it is imported alone.
TEST_F(ImportDriver, FilesOfOneCallImportAsTheyDoAlone)
{
    std::vector<std::string> block;
    for (int i = 0; i < 60; ++i)
        block.push_back(M5Line(i, PointInfo(std::to_string(i), "3"), Value("Hz", std::to_string(i % 360), "DEG")));
    std::vector<std::string> large = {Header, M5Line(1, PointInfo("S1", "S"), Value("X", "1", "m"))};
    while (large.size() * 121 < (std::size_t(9) << 20))
        large.insert(large.end(), block.begin(), block.end());
    const std::vector<std::string> paths = {
        Folder.Write("large.m5", CrLf(large)),
        Folder.Write("small.m5", CrLf({Header, M5Line(1, PointInfo("7", "5"), Value("Y", "2", "m"))})),
        Folder.Write("eof.m5", Header + "\r\n\x1A"),
        Folder.Write("medium.m5", CrLf(std::vector<std::string>(large.begin(), large.begin() + 5000))),
    };
    std::vector<std::string> alone;
    for (const std::string& path : paths) {
        const std::vector<std::string> calls = Import({path});
        alone.insert(alone.end(), calls.begin(), calls.end());
        Host.Calls.clear();
    }
    EXPECT_TRUE(Import(paths) == alone) << "the files of one call differ from the same files alone";
}

TEST_F(ImportDriver, LinesAreReadInTheCyrillicCodePage)
{
    // "Пункт" and "Знак" in Windows-1251, and the undefined byte 0x98.
    const std::string name = "\xCF\xF3\xED\xEA\xF2";
    const std::string code = "\xC7\xED\xE0\xEA\x98";
    const std::string path = Folder.Write("cyr.m5", CrLf({Header, M5Line(2, PointInfo(name, code), Value("Hz", "1", "DEG"))}));
    Import({path});
    EXPECT_NE(std::find(Host.Calls.begin(), Host.Calls.end(), "AddTarget Пункт"), Host.Calls.end());
    EXPECT_NE(std::find(Host.Calls.begin(), Host.Calls.end(), "SetPointCode Знак\xC2\x98"), Host.Calls.end());
}

}  // namespace
