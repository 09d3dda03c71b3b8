// Plug-in libraries that are not the importer or that fail it, and field files that are not
// files: each ends with a one-line reason, and an output begun is left whole or not at all.
#include <gtest/gtest.h>

#include "tests/support/M5Lines.h"
#include "tests/support/TestFiles.h"

using namespace Testing;

namespace {

// Names in the folder that a writer left as its temporary file.
std::vector<std::string> Leftovers(const std::string& folder)
{
    std::vector<std::string> names;
    for (const std::string& name : FolderEntries(folder)) {
        if (name.find(".tmp.") != std::string::npos)
            names.push_back(name);
    }
    return names;
}

bool IsOneLine(const std::string& text)
{
    return !text.empty() && text.find('\n') == text.size() - 1;
}

TEST(HostFault, BrokenPlugInLibrariesEndWithTwoAndOneLine)
{
    const CTempFolder folder;
    const std::string job = folder.Write("job.m5", CrLf({M5Line(1, TextInfo("KN STAT"))}));
    const std::pair<const char*, const char*> cases[] = {
        {M5_NO_ENTRY_PLUGIN, "it exports no CreatePlugin"},
        {M5_FAULT_NullObject_PLUGIN, "the plug-in returned no object"},
        {M5_FAULT_ForeignPlugin_PLUGIN, "the plug-in is not the M5 importer"},
    };
    for (const auto& [library, reason] : cases) {
        const RunResult run = RunM5Import({"--plugin", library, job});
        EXPECT_EQ(run.Status, 2) << library;
        EXPECT_TRUE(run.Out.empty()) << library;
        EXPECT_TRUE(IsOneLine(run.Err)) << run.Err;
        EXPECT_EQ(run.Err.rfind("m5import: ", 0), 0u) << run.Err;
        EXPECT_NE(run.Err.find(reason), std::string::npos) << run.Err;
    }
}

TEST(HostFault, ImportThatThrowsLeavesThePreviousOutputWhole)
{
    const CTempFolder folder;
    const std::string job = folder.Write("job.m5", CrLf({M5Line(1, TextInfo("KN STAT"))}));
    const std::string out = folder.Write("out.csv", "previous output\n");
    const RunResult run = RunM5Import({"--plugin", M5_FAULT_ThrowingImport_PLUGIN, "--format", "csv", "-o", out, job});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err.rfind("m5import: import failed: the instrument file broke the importer", 0), 0u) << run.Err;
    EXPECT_EQ(ReadFile(out), "previous output\n");
    EXPECT_TRUE(Leftovers(folder.Path()).empty());
}

// The trace streams the calls: those made before the import failed reach standard output.
TEST(HostFault, TraceOfAnImportThatThrowsKeepsTheCallsBeforeTheFailure)
{
    const CTempFolder folder;
    const std::string job = folder.Write("job.m5", CrLf({M5Line(1, TextInfo("KN STAT"))}));
    const RunResult run = RunM5Import({"--plugin", M5_FAULT_ThrowingImport_PLUGIN, "--format", "trace", job});
    EXPECT_EQ(run.Status, 1);
    const std::string expected = "{\"op\":\"SetFileName\",\"text\":\"" + job + "\"}\n"
                                 "{\"op\":\"GetConverterFactory\"}\n"
                                 "{\"op\":\"AddStation\",\"name\":\"S1\"}\n"
                                 "{\"op\":\"SetX\",\"value\":1.5}\n";
    EXPECT_EQ(run.Out, expected);
}

TEST(HostFault, FolderGivenAsAFieldFileIsReportedAndTheNextFileFollows)
{
    const CTempFolder folder;
    const std::string job = folder.Write("job.m5", CrLf({M5Line(1, TextInfo("KN STAT")), M5Line(2, PointInfo("7", "S"))}));
    const RunResult run = RunM5Import({"--format", "trace", "--lang", "ru", folder.Path(), job});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err.rfind(folder.Path() + ": Не удается открыть файл\n", 0), 0u) << run.Err;
    EXPECT_NE(run.Out.find("{\"op\":\"AddStation\",\"name\":\"7\"}"), std::string::npos);
}

}  // namespace
