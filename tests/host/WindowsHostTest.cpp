// m5import.exe as a Windows user runs it: the plug-in from its own folder, file names in any
// script, UTF-8 output, the settings store under %APPDATA%, and DLLs that cannot serve.
#include <cstdlib>
#include <fcntl.h>
#include <io.h>
#include <thread>
#include <windows.h>

#include <gtest/gtest.h>

#include "host/OutputFile.h"
#include "host/StandardInput.h"
#include "host/System.h"
#include "platform/Utf16.h"
#include "tests/support/M5Lines.h"
#include "tests/support/TestFiles.h"

using namespace Testing;

namespace Host {
// What the console's control handler does (host/OutputFile_windows.cpp). Wine gives a test
// no console to send Ctrl-C to, so the test calls it.
int HandleConsoleControl(unsigned long event);
}  // namespace Host

namespace {

std::wstring Wide(const std::string& utf8)
{
    const std::u16string units = Platform::Utf8ToUtf16(utf8);
    return std::wstring(units.begin(), units.end());
}

bool IsOneLine(const std::string& text)
{
    return !text.empty() && text.find('\n') == text.size() - 1;
}

TEST(WindowsHost, LoadsThePlugInBesideItselfWithoutBeingTold)
{
    const CTempFolder folder;
    const RunResult run = RunProgram(M5ImportPath(), {"--settings", folder.Path() + "/settings.ini", "--version"});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_NE(run.Out.find("m5plugin.dll"), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("FileDescription: Модуль импорта данных"), std::string::npos) << run.Out;
}

// FormatMessageW's text says why: the reason follows the library's name on the one line.
TEST(WindowsHost, LibrariesThatCannotServeEndWithTheSystemReason)
{
    const CTempFolder folder;
    const std::string job = folder.Write("job.m5", CrLf({M5Line(1, TextInfo("KN STAT"))}));
    const std::string missing = folder.Path() + "/missing.dll";
    const std::string foreign = folder.Write("foreign.dll", "MZ this is no DLL");
    for (const std::string& library : {missing, foreign}) {
        const RunResult run = RunM5Import({"--plugin", library, job});
        EXPECT_EQ(run.Status, 2) << library;
        EXPECT_TRUE(IsOneLine(run.Err)) << run.Err;
        const std::string prefix = "m5import: cannot load plug-in " + library + ": ";
        ASSERT_EQ(run.Err.rfind(prefix, 0), 0u) << run.Err;
        EXPECT_GT(run.Err.size(), prefix.size() + 1) << "a reason from the system";
    }
}

TEST(WindowsHost, CyrillicFileNamesTravelAsUtf16AndComeOutAsUtf8)
{
    const CTempFolder folder;
    const std::string job = folder.Write("Съёмка №1.m5", CrLf({M5Line(1, TextInfo("KN STAT")),
                                                                M5Line(2, PointInfo("\xD1\xF2\x31", "S"))}));
    const RunResult run = RunM5Import({"--format", "trace", job});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out.rfind("{\"op\":\"SetFileName\",\"text\":\"" + job + "\"}\n", 0), 0u) << run.Out;
    EXPECT_NE(run.Out.find("{\"op\":\"AddStation\",\"name\":\"Ст1\"}\n"), std::string::npos) << run.Out;
}

TEST(WindowsHost, SettingsStoreLivesUnderAppData)
{
    SetEnvironment("APPDATA", "C:\\Users\\surveyor\\AppData\\Roaming");
    EXPECT_EQ(Host::DefaultSettingsPath(), "C:\\Users\\surveyor\\AppData\\Roaming\\m5import\\settings.ini");
}

// An import saved to a file replaces it whole and leaves no temporary file beside it.
TEST(WindowsHost, OutputFileIsReplacedWhole)
{
    const CTempFolder folder;
    const std::string job = folder.Write("job.m5", CrLf({M5Line(1, TextInfo("KN STAT"))}));
    const std::string out = folder.Write("out.csv", "previous output\n");
    const RunResult run = RunM5Import({"--format", "csv", "-o", out, job});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(ReadFile(out).rfind("file,role,station,name", 0), 0u);
    EXPECT_EQ(FolderEntries(folder.Path()), (std::vector<std::string>{"job.m5", "out.csv"}));
}

// Ctrl-C or a closed console while the output is written: the temporary file is marked for
// deletion, goes when its handle closes (with the process), and the target keeps its content.
TEST(WindowsOutputFile, ControlHandlerTakesTheTemporaryFileAway)
{
    const CTempFolder folder;
    const std::string target = folder.Write("out.csv", "previous output\n");
    {
        Host::COutputFile file(target);
        std::string reason;
        ASSERT_TRUE(file.Open(reason)) << reason;
        file.Stream() << "half of the new output";
        file.Stream().flush();
        EXPECT_EQ(FolderEntries(folder.Path()).size(), 2u) << "the temporary file is being written";
        EXPECT_EQ(Host::HandleConsoleControl(CTRL_C_EVENT), FALSE) << "the default handling ends the process";
        EXPECT_FALSE(file.Commit(reason));
        EXPECT_NE(reason.find("cannot write " + target), std::string::npos) << reason;
    }
    EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::string>{"out.csv"});
    EXPECT_EQ(ReadFile(target), "previous output\n");
}

// Ctrl-C or a closed console while standard input is still being copied, or once the copy
// is whole and the import reads it: the copy goes either way.
TEST(WindowsStandardInput, ControlHandlerTakesTheCopyAway)
{
    const CTempFolder folder;
    const char* previous = std::getenv("TMP");
    const std::string previousTmp = previous ? previous : "";
    SetEnvironment("TMP", folder.Path());  // where the copy is made
    const std::string bytes = "some field data\r\n";
    for (const bool whileCopying : {true, false}) {
        SCOPED_TRACE(whileCopying ? "while copying" : "once copied");
        int ends[2];
        ASSERT_EQ(::_pipe(ends, 4096, _O_BINARY), 0);
        ASSERT_EQ(::_write(ends[1], bytes.data(), static_cast<unsigned>(bytes.size())), static_cast<int>(bytes.size()));
        if (!whileCopying)
            ::_close(ends[1]);
        Host::CStandardInput input;
        std::string reason;
        bool copied = false;
        std::thread copying([&] { copied = input.Spool(ends[0], reason); });
        if (whileCopying) {
            // The copy exists and has the bytes written so far; the writer is still there.
            for (int wait = 0; wait < 500 && FolderEntries(folder.Path()).empty(); ++wait)
                ::Sleep(10);
            ASSERT_EQ(FolderEntries(folder.Path()).size(), 1u);
            ::Sleep(50);
            EXPECT_EQ(Host::HandleConsoleControl(CTRL_CLOSE_EVENT), FALSE);
            ::_close(ends[1]);
            copying.join();
            EXPECT_FALSE(copied) << "a copy taken away is not imported";
        } else {
            copying.join();
            ASSERT_TRUE(copied) << reason;
            EXPECT_EQ(ReadFile(input.Path()), bytes);
            EXPECT_EQ(Host::HandleConsoleControl(CTRL_C_EVENT), FALSE);
        }
        ::_close(ends[0]);
        EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::string>{});
    }
    SetEnvironment("TMP", previousTmp);
}

// A file with several links keeps them: every name sees the new content.
TEST(WindowsOutputFile, HardLinkedFileIsWrittenInPlace)
{
    const CTempFolder folder;
    const std::string job = folder.Write("job.m5", CrLf({M5Line(1, TextInfo("KN STAT"))}));
    const std::string first = folder.Write("out.jsonl", "previous output\n");
    const std::string second = folder.Path() + "/same.jsonl";
    ASSERT_TRUE(::CreateHardLinkW(Wide(second).c_str(), Wide(first).c_str(), nullptr)) << ::GetLastError();
    const RunResult run = RunM5Import({"--format", "trace", "-o", first, job});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(ReadFile(first).rfind("{\"op\":\"SetFileName\"", 0), 0u);
    EXPECT_EQ(ReadFile(second), ReadFile(first));
    EXPECT_EQ(FolderEntries(folder.Path()), (std::vector<std::string>{"job.m5", "out.jsonl", "same.jsonl"}));
}

TEST(WindowsOutputFile, FolderIsRefusedAndLeftAlone)
{
    const CTempFolder folder;
    const std::string job = folder.Write("job.m5", CrLf({M5Line(1, TextInfo("KN STAT"))}));
    const std::string target = folder.Path() + "/results";
    ASSERT_TRUE(MakeFolder(target));
    const RunResult run = RunM5Import({"-o", target, job});
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find("cannot write " + target + ": it is a folder"), std::string::npos) << run.Err;
    EXPECT_EQ(FolderEntries(folder.Path()), (std::vector<std::string>{"job.m5", "results"}));
}

// The settings store is saved the same way: replaced whole, unknown lines kept.
TEST(WindowsOutputFile, SettingsStoreIsReplacedWhole)
{
    const CTempFolder folder;
    const std::string store = folder.Write("settings.ini", "# the surveyor's store\nPointStart=5\n");
    const RunResult run = RunM5Import({"settings", "--settings", store, "--set", "PointStart=1"});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(ReadFile(store).rfind("# the surveyor's store\nPointStart=1\n", 0), 0u) << ReadFile(store);
    EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::string>{"settings.ini"});
}

}  // namespace
