// Reading and converting field files with the services of Windows: MultiByteToWideChar with
// the thread's code page (1251 under the test environment), the run-time's text mode, and the
// files Windows has that are not field files.
#include <filesystem>
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/CodePage.h"
#include "platform/FieldLines.h"
#include "platform/TextModeFile.h"
#include "platform/Utf16.h"
#include "plugin/HResultError.h"
#include "plugin/PluginInterfaces.h"
#include "tests/support/M5Lines.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TestFiles.h"

using namespace Testing;

namespace {

std::wstring Wide(const std::string& utf8)
{
    const std::u16string units = Platform::Utf8ToUtf16(utf8);
    return std::wstring(units.begin(), units.end());
}

// Conversion calls the fakes below count, and the failure they report.
int CallsMade = 0;
DWORD FailureToReport = 0;

// Says the buffer is too small the first time a buffer is offered, then converts.
int TooSmallOnce(unsigned codePage, unsigned long flags, const char* bytes, int count, wchar_t* units, int capacity)
{
    ++CallsMade;
    if (capacity > 0 && CallsMade == 1) {
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    return ::MultiByteToWideChar(codePage, flags, bytes, count, units, capacity);
}

// Too small every time a buffer is offered: the grown buffer is tried once, not again.
int AlwaysTooSmall(unsigned codePage, unsigned long flags, const char* bytes, int count, wchar_t* units, int capacity)
{
    ++CallsMade;
    if (capacity > 0) {
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    return ::MultiByteToWideChar(codePage, flags, bytes, count, units, capacity);
}

// Converts as the system does until the call numbered FailAtCall, which fails.
int FailAtCall = 0;

int FailingAtCall(unsigned codePage, unsigned long flags, const char* bytes, int count, wchar_t* units, int capacity)
{
    if (++CallsMade == FailAtCall) {
        ::SetLastError(FailureToReport);
        return 0;
    }
    return ::MultiByteToWideChar(codePage, flags, bytes, count, units, capacity);
}

class WindowsImport : public ::testing::Test {
protected:
    void TearDown() override { Platform::ReplaceConversionCall(nullptr); }

    // Imports through the plug-in object; the HRESULT of an HResultError that left Import, or 0.
    std::uint32_t Import(const std::vector<std::string>& paths)
    {
        Plugin::IGroundBasedMIP* plugin = CreatePlugin();
        CFakeFileList files(paths);
        std::uint32_t code = 0;
        try {
            plugin->Import(&files, &Host);
        } catch (const Plugin::HResultError& error) {
            code = error.GetCode();
        }
        plugin->Release();
        return code;
    }

    CRecordingHost Host;
    CTempFolder Folder;
    const std::string Job = CrLf({M5Line(1, TextInfo("KN STAT")), M5Line(2, PointInfo("7", "S"), Value("X", "1", "m"))});
};

TEST(ThreadCodePage, IsTheCyrillicOneOfTheTestEnvironment)
{
    EXPECT_EQ(::GetACP(), 1251u) << "run the tests with LC_ALL=ru_RU.UTF-8";
}

// The Linux stand-in's table and the system's conversion give the same text for every byte.
TEST(ThreadCodePage, MultiByteToWideCharAgreesWithTheStandInTable)
{
    for (int value = 1; value < 256; ++value) {
        const char byte = static_cast<char>(value);
        wchar_t unit = 0;
        ASSERT_EQ(::MultiByteToWideChar(CP_THREAD_ACP, 0, &byte, 1, &unit, 1), 1) << value;
        EXPECT_EQ(static_cast<char16_t>(unit), Platform::DecodeWindows1251(static_cast<unsigned char>(value))) << value;
    }
}

// A failed conversion leaves Import with the HRESULT of the last error before the parser is
// built: the host has the file's name and nothing from a parser, and the next file is not read.
TEST_F(WindowsImport, FailedConversionLeavesImportBeforeTheParserSendsAnything)
{
    const std::string first = Folder.Write("first.m5", Job);
    const std::string second = Folder.Write("second.m5", Job);
    CallsMade = 0;
    FailAtCall = 1;
    FailureToReport = ERROR_NO_UNICODE_TRANSLATION;
    Platform::ReplaceConversionCall(FailingAtCall);
    EXPECT_EQ(Import({first, second}), 0x80070459u);
    EXPECT_EQ(Host.Calls, std::vector<std::string>{"SetFileName " + first});
    EXPECT_EQ(CallsMade, 1);
    EXPECT_EQ(Host.OutstandingReferences(), 0);
}

// Every line is converted before the parser is built and again as it is parsed. Should the
// second conversion fail, the import ends with its error all the same, midway through the file,
// and the parser that was built gives back everything it held of the host's.
TEST_F(WindowsImport, ConversionFailingWhileParsingEndsTheImportWithNothingHeld)
{
    const std::string first = Folder.Write("first.m5", Job);
    const std::string second = Folder.Write("second.m5", Job);
    CallsMade = 0;
    FailAtCall = 4;  // two lines converted before the parser, the first again, then the second
    FailureToReport = ERROR_NO_UNICODE_TRANSLATION;
    Platform::ReplaceConversionCall(FailingAtCall);
    EXPECT_EQ(Import({first, second}), 0x80070459u);
    EXPECT_EQ(CallsMade, 4);
    const auto last = std::find(Host.Calls.begin(), Host.Calls.end(), "SetCurrentLine 0");
    ASSERT_NE(last, Host.Calls.end());
    EXPECT_EQ(std::find(last, Host.Calls.end(), "SetCurrentLine 1"), Host.Calls.end());
    EXPECT_EQ(std::find(Host.Calls.begin(), Host.Calls.end(), "SetFileName " + second), Host.Calls.end());
    EXPECT_EQ(Host.OutstandingReferences(), 0);
}

TEST_F(WindowsImport, BufferFoundTooSmallIsGrownAndTriedOnceMore)
{
    const std::string path = Folder.Write("job.m5", Job);
    CallsMade = 0;
    Platform::ReplaceConversionCall(TooSmallOnce);
    EXPECT_EQ(Import({path}), 0u);
    EXPECT_NE(std::find(Host.Calls.begin(), Host.Calls.end(), "AddStation 7"), Host.Calls.end());
    EXPECT_EQ(CallsMade, 6) << "before the parser, the first line: offered, size asked, converted; the second: "
                               "converted; then each line converted again as it is parsed";

    CRecordingHost again;
    Host.Calls.clear();
    CallsMade = 0;
    Platform::ReplaceConversionCall(AlwaysTooSmall);
    EXPECT_EQ(Import({path}), 0x8007007Au);
    EXPECT_EQ(CallsMade, 3);
    EXPECT_EQ(Host.Calls, std::vector<std::string>{"SetFileName " + path});
}

// Lines past the 128 units of the stack buffer go through a heap buffer of their own size.
TEST_F(WindowsImport, LongCyrillicNamesConvertWhole)
{
    const std::string name(14, '\xCF');  // П in Windows-1251
    std::string line = M5Line(2, PointInfo(name, "S"), Value("X", "1", "m"));
    line += std::string(300, ' ');
    ASSERT_GT(line.size(), 128u);
    Import({Folder.Write("long.m5", CrLf({M5Line(1, TextInfo("KN STAT")), line}))});
    std::string expected = "AddStation ";
    for (int i = 0; i < 14; ++i)
        expected += "П";
    EXPECT_NE(std::find(Host.Calls.begin(), Host.Calls.end(), expected), Host.Calls.end());
}

TEST_F(WindowsImport, CyrillicFileNamesOpen)
{
    const std::string path = Folder.Write("Станция 1.m5", Job);
    EXPECT_EQ(Import({path}), 0u);
    EXPECT_EQ(Host.Calls.front(), "SetFileName " + path);
    EXPECT_NE(std::find(Host.Calls.begin(), Host.Calls.end(), "AddStation 7"), Host.Calls.end());
}

// Locked for reading by another process without sharing: message 101, and the next file follows.
TEST_F(WindowsImport, FileLockedWithoutSharingIsReportedAndSkipped)
{
    const std::string locked = Folder.Write("locked.m5", Job);
    const std::string good = Folder.Write("good.m5", Job);
    const HANDLE lock = ::CreateFileW(Wide(locked).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    Import({locked, good});
    ::CloseHandle(lock);
    ASSERT_GE(Host.Calls.size(), 3u);
    EXPECT_EQ(Host.Calls[1], "ReportMessage Не удается открыть файл");
    EXPECT_EQ(Host.Calls[2], "SetFileName " + good);
}

TEST_F(WindowsImport, FoldersAndDevicesAreNotFieldFiles)
{
    Platform::TextModeFile file;
    EXPECT_FALSE(file.Read(Platform::Utf8ToUtf16(Folder.Path())));
    EXPECT_FALSE(file.Read(u"NUL"));
    EXPECT_FALSE(file.Read(u"CON"));
}

// The run-time's own text mode, on real files.
TEST_F(WindowsImport, TextModeIsTheRunTimeOwn)
{
    using Lines = std::vector<std::string>;
    const std::pair<std::string, Lines> cases[] = {
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\rb\n", {"a\rb"}},
        {"a\r\r\nb", {"a\r", "b"}},
        {"a\r", {"a\r"}},
        {"a\nb\x1A" "c\nd\n", {"a", "b"}},
        {std::string("a\0b\nc\n", 6), {"a", "c"}},
    };
    for (const auto& [bytes, expected] : cases) {
        Platform::TextModeFile file;
        ASSERT_TRUE(file.Read(Platform::Utf8ToUtf16(Folder.Write("mode.m5", bytes))));
        Lines lines;
        for (std::size_t i = 0; i < file.LineCount(); ++i)
            lines.emplace_back(file.NextLine());
        EXPECT_EQ(lines, expected) << "[" << bytes << "]";
    }
}

}  // namespace
