// Faults on the host's side of m5import: plug-in libraries that are not the importer or that
// fail it, outputs that cannot be written, a disk that fills up, a settings store that cannot
// be replaced. Each ends with a one-line reason and leaves no half-written file behind.
#include <algorithm>
#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <thread>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "host/SettingsStore.h"
#include "host/System.h"
#include "tests/hostile/LimitedRun.h"
#include "tests/support/M5Lines.h"
#include "tests/support/TestFiles.h"

using namespace Testing;

namespace {

// Names in the folder that a writer left as its temporary file.
std::vector<std::string> Leftovers(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.find(".tmp.") != std::string::npos)
                names.push_back(name);
        }
        ::closedir(dir);
    }
    return names;
}

// The program's own lines on standard error (the plug-in's messages name their file).
std::vector<std::string> ProgramLines(const std::string& err)
{
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < err.size();) {
        const std::size_t end = err.find('\n', start);
        const std::string line = err.substr(start, end - start);
        if (line.rfind("m5import: ", 0) == 0)
            lines.push_back(line);
        start = end == std::string::npos ? err.size() : end + 1;
    }
    return lines;
}

// A job with enough lines that its trace runs to many kilobytes.
std::string LongJob()
{
    std::vector<std::string> lines = {M5Line(1, TextInfo("KN STAT")), M5Line(2, PointInfo("1", "S"))};
    for (int i = 0; i < 200; ++i)
        lines.push_back(M5Line(3 + i, PointInfo(std::to_string(100 + i)), Value("Hz", "10", "DEG"), Value("SD", "5", "m")));
    return CrLf(lines);
}

TEST(HostFault, OutputOntoAFolderIsReportedAndNothingIsLeft)
{
    const CTempFolder folder;
    const std::string job = folder.Write("job.m5", CrLf({M5Line(1, TextInfo("KN STAT"))}));
    const std::string target = folder.Path() + "/results";
    ASSERT_EQ(::mkdir(target.c_str(), 0755), 0);
    const RunResult run = RunM5Import({"-o", target, job});
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find("cannot write " + target), std::string::npos) << run.Err;
    struct stat info {};
    EXPECT_TRUE(::stat(target.c_str(), &info) == 0 && S_ISDIR(info.st_mode));
    EXPECT_TRUE(Leftovers(folder.Path()).empty());
}

TEST(HostFault, FullDiskLeavesThePreviousOutputWholeAndNoTemporaryFile)
{
    const CTempFolder folder;
    const std::string job = folder.Write("job.m5", LongJob());
    const std::string out = folder.Write("out.jsonl", "previous output\n");
    const std::string fresh = folder.Path() + "/fresh.jsonl";
    for (const std::string& target : {out, fresh}) {
        const LimitedRun run = RunM5ImportLimited({"--format", "trace", "-o", target, job}, 4096, folder.Path());
        EXPECT_EQ(run.Status, 1) << run.Err;
        EXPECT_EQ(ProgramLines(run.Err), (std::vector<std::string>{"m5import: cannot write " + target + ": File too large"}))
            << run.Err;
        EXPECT_TRUE(Leftovers(folder.Path()).empty());
    }
    EXPECT_EQ(ReadFile(out), "previous output\n");
    EXPECT_FALSE(FileExists(fresh));
    // The same job without the limit writes far more than the limit allowed.
    const LimitedRun unlimited = RunM5ImportLimited({"--format", "trace", "-o", fresh, job}, RLIM_INFINITY, folder.Path());
    EXPECT_EQ(unlimited.Status, 0) << unlimited.Err;
    EXPECT_GT(ReadFile(fresh).size(), 4096u * 4);
}

// The field file is a FIFO whose writer stays open, so the import is still reading when the
// signal comes; the temporary output file it was writing must go with it.
TEST(HostFault, InterruptedImportLeavesNoTemporaryFile)
{
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        const CTempFolder folder;
        const std::string fifo = folder.Path() + "/field.m5";
        const int writer = OpenEndlessFieldFile(fifo);
        ASSERT_GE(writer, 0);
        const std::string out = folder.Write("out.csv", "previous output\n");
        const pid_t child = StartLimited(M5ImportCommand({"--format", "csv", "-o", out, fifo}, folder.Path()),
                                         RLIM_INFINITY, "/dev/null", -1);
        for (int wait = 0; wait < 2000 && Leftovers(folder.Path()).empty(); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_FALSE(Leftovers(folder.Path()).empty()) << "the output was never begun";
        ::kill(child, signal);
        EXPECT_EQ(ExitStatusOf(child), 128 + signal);
        ::close(writer);
        EXPECT_TRUE(Leftovers(folder.Path()).empty()) << "signal " << signal;
        EXPECT_EQ(ReadFile(out), "previous output\n");
    }
}

// The sinks run on the host's own thread during an import. An ending signal must never be
// handled there: the main thread holds the signals back while it creates and registers a file
// the handler removes, and a handler on the other thread would run in the middle of that.
TEST(HostFault, EndingSignalsAreHeldBackOnTheHostsOwnThreadOnly)
{
    sigset_t before, inside, after;
    ASSERT_EQ(::pthread_sigmask(SIG_BLOCK, nullptr, &before), 0);
    std::thread thread = Host::StartBackgroundThread([&inside] { ::pthread_sigmask(SIG_BLOCK, nullptr, &inside); });
    thread.join();
    ASSERT_EQ(::pthread_sigmask(SIG_BLOCK, nullptr, &after), 0);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        EXPECT_EQ(::sigismember(&inside, signal), 1) << signal;
        EXPECT_EQ(::sigismember(&after, signal), ::sigismember(&before, signal)) << signal;
    }
    EXPECT_EQ(::sigismember(&inside, SIGPIPE), ::sigismember(&before, SIGPIPE)) << "a write error's signal stays as it was";
}

// Standard input stays open, so the import is still copying it when the signal comes; the
// copy and the temporary output file must both go.
TEST(StandardInput, TheCopyIsRemovedWhenTheImportIsInterrupted)
{
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        const CTempFolder folder;
        const std::string out = folder.Write("out.csv", "previous output\n");
        int input[2];
        ASSERT_EQ(::pipe(input), 0);
        const std::vector<std::string> arguments = {M5IMPORT_PATH, "--plugin", M5PLUGIN_PATH, "--settings",
                                                    folder.Path() + "/settings.ini", "--format", "csv", "-o", out, "-"};
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::dup2(input[0], 0);
            ::close(input[0]);
            ::close(input[1]);
            ::setenv("TMPDIR", folder.Path().c_str(), 1);
            std::vector<char*> argv;
            for (const std::string& argument : arguments)
                argv.push_back(const_cast<char*>(argument.c_str()));
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(input[0]);
        const std::string header = CrLf({M5Line(1, TextInfo("KN STAT"))});
        ASSERT_EQ(::write(input[1], header.data(), header.size()), static_cast<ssize_t>(header.size()));
        // Standard input is copied whole before anything is imported, so the copy is what is
        // being written while the input stays open.
        const auto copies = [&] {
            const std::vector<std::string> names = FolderEntries(folder.Path());
            return std::count_if(names.begin(), names.end(),
                                 [](const std::string& name) { return name.rfind("m5import-stdin.", 0) == 0; });
        };
        for (int wait = 0; wait < 2000 && copies() == 0; ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(copies(), 1) << "the copy was never begun";
        ::kill(child, signal);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::close(input[1]);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "signal " << signal;
        EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::string>{"out.csv"}) << "signal " << signal;
        EXPECT_EQ(ReadFile(out), "previous output\n");
    }
}

TEST(HostFault, StandardOutputThatCannotBeWrittenIsReported)
{
    const CTempFolder folder;
    const std::string job = folder.Write("job.m5", LongJob());
    const LimitedRun run = RunM5ImportLimited({"--format", "trace", job}, RLIM_INFINITY, folder.Path(), "/dev/full");
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(ProgramLines(run.Err), (std::vector<std::string>{"m5import: cannot write standard output"})) << run.Err;
}

// Saving writes a temporary file and renames it over the store, so a save that fails on the
// way leaves the previous store byte for byte.
TEST(SettingsStoreSave, FailedSaveKeepsThePreviousStore)
{
    const CTempFolder folder;
    const std::string previous = "# the surveyor's store\nPointStart=5\n" + std::string(64 * 1024, '#') + "\n";
    const std::string path = folder.Write("settings.ini", previous);
    // In a child: a file-size limit below the store's size makes the temporary file fail.
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        Host::CSettingsStore store;
        std::string reason;
        if (!store.Load(path, reason))
            ::_exit(3);
        store.Set("PointStart", 6);
        const bool saved = store.Save(reason);
        ::_exit(saved ? 1 : reason.find(path) != std::string::npos ? 0 : 2);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: saved despite the limit, 2: no reason naming the store";
    EXPECT_EQ(ReadFile(path), previous);
    EXPECT_TRUE(Leftovers(folder.Path()).empty());
}

TEST(SettingsStoreSave, StoreThatIsAFolderIsReportedAndLeftAlone)
{
    const CTempFolder folder;
    const std::string path = folder.Path() + "/settings.ini";
    ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
    Host::CSettingsStore store;
    std::string reason;
    store.Load(path, reason);
    store.Set("Mode", 1);
    EXPECT_FALSE(store.Save(reason));
    EXPECT_NE(reason.find(path), std::string::npos) << reason;
    struct stat info {};
    EXPECT_TRUE(::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode));
    EXPECT_TRUE(Leftovers(folder.Path()).empty());
}

}  // namespace
