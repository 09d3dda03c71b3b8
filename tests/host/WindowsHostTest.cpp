// m5import.exe as a Windows user runs it: the plug-in from its own folder, file names in any
// script, UTF-8 output, the settings store under %APPDATA%, and DLLs that cannot serve.
#include <gtest/gtest.h>

#include "host/System.h"
#include "tests/support/M5Lines.h"
#include "tests/support/TestFiles.h"

using namespace Testing;

namespace {

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

}  // namespace
