// The traces of files that cannot live in the repository, held by digest. The digests and the
// generated file come from the build machine's sha256sum and Python; the Windows build's traces
// of the same files are compared with the Linux build's byte for byte by scripts/compare-traces.
#include <fstream>
#include <map>

#include <gtest/gtest.h>

#include "tests/support/TestFiles.h"

using namespace Testing;

namespace {

// Files that cannot live in the repository (the real instrument files, a generated file of
// twenty thousand lines) are held to their traces by digest: tests/data/expected/traces.sha256,
// written by tests/data/update-expected.sh, names each file as it lies in its folder.
std::map<std::string, std::string> ExpectedTraceDigests()
{
    std::map<std::string, std::string> digests;  // "NAME Mode=M" -> SHA-256
    std::ifstream in(std::string(M5_TEST_DATA_DIR) + "/expected/traces.sha256");
    std::string digest, name, mode;
    while (in >> digest >> name >> mode)
        digests[name + " " + mode] = digest;
    return digests;
}

std::string Sha256(const std::string& bytes)
{
    const CTempFolder folder;
    const RunResult run = RunProgram("/usr/bin/sha256sum", {folder.Write("trace", bytes)});
    EXPECT_EQ(run.Status, 0) << run.Err;
    return run.Out.substr(0, run.Out.find(' '));
}

// The trace of a file in one mode, with the file named as it lies in its folder.
std::string TraceOf(const std::string& folder, const std::string& name, int mode)
{
    RunResult run = RunM5Import({"--no-progress", "--quiet", "--lang", "en", "--set", "Mode=" + std::to_string(mode),
                                 "--format", "trace", folder + "/" + name});
    EXPECT_LE(run.Status, 1) << run.Err;
    const std::string prefix = folder + "/";
    for (std::size_t at; (at = run.Out.find(prefix)) != std::string::npos;)
        run.Out.erase(at, prefix.size());
    return run.Out;
}

TEST(TraceIdentity, RealInstrumentFilesInBothModes)
{
    const std::string folder = SamplesFolder();
    if (folder.empty())
        GTEST_SKIP() << "the folder of real instrument files is absent";
    const std::map<std::string, std::string> expected = ExpectedTraceDigests();
    int compared = 0;
    for (const auto& [file, digest] : expected) {
        const std::string name = file.substr(0, file.find(' '));
        if (name == "generated.m5")
            continue;
        const int mode = file.back() - '0';
        EXPECT_EQ(Sha256(TraceOf(folder, name, mode)), digest) << file;
        ++compared;
    }
    EXPECT_GE(compared, 12) << "digests of the real instrument files are missing";
}

TEST(TraceIdentity, GeneratedFileInBothModes)
{
    const CTempFolder folder;
    const std::string generator = std::string(M5_SOURCE_DIR) + "/bench/generate-m5";
    const RunResult generated = RunProgram("/usr/bin/env", {"python3", generator, folder.Path() + "/generated.m5", "20000", "1"});
    if (generated.Status == 127)
        GTEST_SKIP() << "no python3 to generate the file";
    ASSERT_EQ(generated.Status, 0) << generated.Err;
    const std::map<std::string, std::string> expected = ExpectedTraceDigests();
    for (int mode : {0, 1}) {
        const std::string file = "generated.m5 Mode=" + std::to_string(mode);
        ASSERT_EQ(expected.count(file), 1u) << file;
        EXPECT_EQ(Sha256(TraceOf(folder.Path(), "generated.m5", mode)), expected.at(file)) << file;
    }
}

}  // namespace
