#include <algorithm>

#include <gtest/gtest.h>

#include "plugin/PluginInterfaces.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TestFiles.h"

using namespace Testing;

namespace {

std::vector<std::string> SampleFiles()
{
    std::vector<std::string> files;
    const std::string folder = SamplesFolder();
    if (folder.empty())
        return files;
    for (const std::string& name : FolderEntries(folder)) {
        if (name.size() > 3 && name.substr(name.size() - 3) == ".m5")
            files.push_back(folder + "/" + name);
    }
    return files;
}

// Every value call follows a begin call of the same file, and progress ends at 100.
void ExpectWellFormed(const std::vector<std::string>& calls, const std::string& what)
{
    bool begun = false;
    std::string lastProgress;
    for (const std::string& call : calls) {
        const std::string op = call.substr(0, call.find(' '));
        if (op == "SetFileName")
            begun = false;
        if (op == "AddPoint" || op == "AddStation" || op == "AddTarget")
            begun = true;
        if (op.rfind("Set", 0) == 0 && op != "SetFileName" && op != "SetCurrentLine" && op != "SetProgress") {
            EXPECT_TRUE(begun) << what << ": " << call;
        }
        if (op == "SetProgress")
            lastProgress = call;
    }
    EXPECT_EQ(lastProgress, "SetProgress 100") << what;
}

TEST(RealFiles, ImportInEveryModeWithBalancedReferences)
{
    const std::vector<std::string> files = SampleFiles();
    if (files.empty())
        GTEST_SKIP() << "the folder of real instrument files is absent";
    for (const std::string& file : files) {
        for (int mode : {0, 1, 2}) {
            for (int fromAddress : {0, 1}) {
                CRecordingHost host;
                CFakeSettingsStore store;
                store.Values = {{"Mode", mode}, {"TakePointNameFromAddr", fromAddress}};
                Plugin::IGroundBasedMIP* plugin = CreatePlugin();
                plugin->LoadSettings(&store);
                CFakeFileList list({file});
                plugin->Import(&list, &host);
                EXPECT_TRUE(plugin->Release());
                const std::string what = file + " mode " + std::to_string(mode) + " address " + std::to_string(fromAddress);
                EXPECT_EQ(host.OutstandingReferences(), 0) << what;
                EXPECT_EQ(host.LiveObjects(), 0) << what;
                ExpectWellFormed(host.Calls, what);
            }
        }
    }
}

TEST(RealFiles, StartHeaderColumnsNameTheTargets)
{
    const std::string folder = SamplesFolder();
    if (folder.empty())
        GTEST_SKIP() << "the folder of real instrument files is absent";
    CRecordingHost host;
    Plugin::IGroundBasedMIP* plugin = CreatePlugin();
    CFakeFileList list({folder + "/180416-4.m5"});
    plugin->Import(&list, &host);
    plugin->Release();
    // The header puts the code at column 11 and the name at column 16: station 1 with its
    // backsight 0 (code A) and targets 2, 3, 10 ... as the surveyor numbered them.
    const std::vector<std::string> begun = host.CallsOf({"AddStation", "AddTarget"});
    ASSERT_GE(begun.size(), 5u);
    EXPECT_EQ(begun[0], "AddStation Default");
    EXPECT_EQ(begun[1], "AddStation 1");
    EXPECT_EQ(begun[2], "AddTarget 0");
    EXPECT_EQ(begun[3], "AddTarget 2");
    EXPECT_EQ(begun[4], "AddTarget 3");
    EXPECT_EQ(host.CallsOf({"ReportMessage"}).size(), 2u);  // target 1 named like its station, twice
}

}  // namespace
