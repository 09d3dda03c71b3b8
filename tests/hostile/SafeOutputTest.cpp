// What `-o PATH` and the settings store do to what PATH already is: a link planted under a
// guessable temporary name, a symbolic link, a FIFO with a reader, a device, a file with a
// narrow mode or several hard links, a folder that cannot be written, and inputs that
// cannot be read. Every object is made by the test in its own temporary folder.
#include <dirent.h>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/hostile/LimitedRun.h"
#include "tests/support/M5Lines.h"
#include "tests/support/TestFiles.h"

using namespace Testing;

namespace {

constexpr uid_t Nobody = 65534;

std::string Job()
{
    return CrLf({M5Line(1, TextInfo("KN STAT")), M5Line(2, PointInfo("7", "S"), Value("X", "10.5", "m"))});
}

struct stat StatusOf(const std::string& path, bool followLinks = true)
{
    struct stat info {};
    EXPECT_EQ(followLinks ? ::stat(path.c_str(), &info) : ::lstat(path.c_str(), &info), 0) << path;
    return info;
}

std::vector<std::string> Names(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir))
            if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..")
                names.push_back(entry->d_name);
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Runs m5import from a child that first does what prepare says with its own process id,
// which the program keeps across exec; as root, dropToNobody runs it without privileges.
int RunPrepared(const std::vector<std::string>& command, const std::function<void(pid_t)>& prepare,
                bool dropToNobody = false)
{
    std::vector<std::string> arguments = command;
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        prepare(::getpid());
        if (dropToNobody && ::geteuid() == 0 && (::setgid(Nobody) != 0 || ::setuid(Nobody) != 0))
            ::_exit(126);
        const int quiet = ::open("/dev/null", O_WRONLY);
        ::dup2(quiet, 1);
        ::dup2(quiet, 2);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return ExitStatusOf(child);
}

// The old writer's temporary name was the target's with ".tmp." and the process id: a link
// planted there ahead of time must not redirect either the output or the settings store.
TEST(SafeOutput, LinkPlantedUnderAGuessableTemporaryNameIsNotFollowed)
{
    const CTempFolder folder;
    const std::string job = folder.Write("job.m5", Job());
    const std::string victim = folder.Write("victim", "secret\n");
    const std::string out = folder.Path() + "/out.csv";
    const std::string store = folder.Path() + "/settings.ini";
    const std::vector<std::vector<std::string>> commands = {
        M5ImportCommand({"--format", "csv", "-o", out, job}, folder.Path()),
        {M5IMPORT_PATH, "settings", "--plugin", M5PLUGIN_PATH, "--settings", store, "--set", "Mode=1"},
    };
    for (const auto& command : commands) {
        const std::string& target = command[1] == "settings" ? store : out;
        const int status = RunPrepared(command, [&](pid_t self) {
            ::symlink(victim.c_str(), (target + ".tmp." + std::to_string(self)).c_str());
        });
        EXPECT_EQ(status, 0) << target;
        EXPECT_EQ(ReadFile(victim), "secret\n") << target;
        EXPECT_TRUE(S_ISREG(StatusOf(target, false).st_mode)) << target;
    }
    EXPECT_NE(ReadFile(out).find("7"), std::string::npos);
    EXPECT_NE(ReadFile(store).find("Mode=1"), std::string::npos);
}

// A symbolic link is followed, stays a link, and its target gets the content. Output and the
// store (kept as a link to a dotfiles folder, say) alike.
TEST(SafeOutput, SymbolicLinkStaysALinkAndItsTargetIsWritten)
{
    const CTempFolder folder;
    const std::string job = folder.Write("job.m5", Job());
    ASSERT_EQ(::mkdir((folder.Path() + "/kept").c_str(), 0755), 0);
    const std::string out = folder.Write("kept/out.csv", "old\n");
    const std::string store = folder.Write("kept/settings.ini", "# mine\nPointStart=1\n");
    ASSERT_EQ(::symlink("kept/out.csv", (folder.Path() + "/out-link").c_str()), 0);
    ASSERT_EQ(::symlink((folder.Path() + "/kept/settings.ini").c_str(), (folder.Path() + "/store-link").c_str()), 0);
    // A link to a file that does not exist yet: the file is made where the link points.
    ASSERT_EQ(::symlink("kept/new.csv", (folder.Path() + "/new-link").c_str()), 0);

    for (const char* link : {"/out-link", "/new-link"}) {
        const RunResult run = RunM5Import({"--format", "csv", "-o", folder.Path() + link, job});
        EXPECT_EQ(run.Status, 0) << run.Err;
        EXPECT_TRUE(S_ISLNK(StatusOf(folder.Path() + link, false).st_mode)) << link;
    }
    EXPECT_EQ(ReadFile(out).rfind("file,role,", 0), 0u);
    EXPECT_EQ(ReadFile(folder.Path() + "/kept/new.csv").rfind("file,role,", 0), 0u);

    const RunResult settings = RunM5Import({"settings", "--settings", folder.Path() + "/store-link", "--set", "Mode=1"});
    EXPECT_EQ(settings.Status, 0) << settings.Err;
    EXPECT_TRUE(S_ISLNK(StatusOf(folder.Path() + "/store-link", false).st_mode));
    EXPECT_EQ(ReadFile(store).rfind("# mine\n", 0), 0u);
    EXPECT_NE(ReadFile(store).find("Mode=1"), std::string::npos);
    EXPECT_EQ(Names(folder.Path() + "/kept"), (std::vector<std::string>{"new.csv", "out.csv", "settings.ini"}));
}

// A replaced file keeps its permission bits and, where the process may set them, its owner
// and group; a file with two hard links is written in place so that both links see it.
TEST(SafeOutput, ReplacedFileKeepsItsModeOwnerAndLinks)
{
    const CTempFolder folder;
    const std::string job = folder.Write("job.m5", Job());
    const std::string narrow = folder.Write("narrow.csv", "old\n");
    const std::string store = folder.Write("settings.ini", "PointStart=1\n");
    for (const std::string& path : {narrow, store}) {
        ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
        if (::geteuid() == 0) {
            ASSERT_EQ(::chown(path.c_str(), Nobody, Nobody), 0);
        }
    }
    const std::string linked = folder.Write("linked.csv", "old\n");
    const std::string second = folder.Path() + "/second-name.csv";
    ASSERT_EQ(::link(linked.c_str(), second.c_str()), 0);
    const ino_t inode = StatusOf(linked).st_ino;

    for (const std::string& target : {narrow, linked})
        EXPECT_EQ(RunM5Import({"--format", "csv", "-o", target, job}).Status, 0) << target;
    EXPECT_EQ(RunM5Import({"settings", "--settings", store, "--set", "Mode=1"}).Status, 0);

    for (const std::string& path : {narrow, store}) {
        const struct stat info = StatusOf(path);
        EXPECT_EQ(info.st_mode & 07777, 0600u) << path;
        if (::geteuid() == 0) {
            EXPECT_EQ(info.st_uid, Nobody) << path;
        }
    }
    EXPECT_EQ(ReadFile(narrow).rfind("file,role,", 0), 0u);
    EXPECT_EQ(StatusOf(linked).st_ino, inode);
    EXPECT_EQ(StatusOf(linked).st_nlink, 2u);
    EXPECT_EQ(ReadFile(second), ReadFile(linked));
    EXPECT_EQ(ReadFile(second).rfind("file,role,", 0), 0u);
}

// A FIFO is written into, not replaced: its reader gets the output.
TEST(SafeOutput, FifoIsWrittenToItsReaderAndStaysAFifo)
{
    const CTempFolder folder;
    const std::string job = folder.Write("job.m5", Job());
    const std::string fifo = folder.Path() + "/pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto reader = std::async(std::launch::async, [&] { return ReadFile(fifo); });
    const RunResult run = RunM5Import({"--format", "csv", "-o", fifo, job});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(reader.get().rfind("file,role,", 0), 0u);
    EXPECT_TRUE(S_ISFIFO(StatusOf(fifo).st_mode));
    EXPECT_EQ(Names(folder.Path()), (std::vector<std::string>{"job.m5", "pipe"}));
}

// A device that refuses every write (the "full" device, made here as a node of its own):
// the error is seen, one line names the path, and the node is left a device.
TEST(SafeOutput, WriteErrorOnADeviceIsReportedAndTheDeviceStays)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "making a device node needs root";
    const CTempFolder folder;
    const std::string job = folder.Write("job.m5", Job());
    const std::string full = folder.Path() + "/full";
    ASSERT_EQ(::mknod(full.c_str(), S_IFCHR | 0666, ::makedev(1, 7)), 0);
    for (const char* format : {"csv", "trace"}) {
        const RunResult run = RunM5Import({"--format", format, "-o", full, job});
        EXPECT_EQ(run.Status, 1) << format;
        EXPECT_NE(run.Err.find("m5import: cannot write " + full + ": No space left on device\n"), std::string::npos)
            << run.Err;
        EXPECT_TRUE(S_ISCHR(StatusOf(full).st_mode));
    }
    const RunResult settings = RunM5Import({"settings", "--settings", full, "--set", "Mode=1"});
    EXPECT_NE(settings.Status, 0);
    EXPECT_TRUE(S_ISCHR(StatusOf(full).st_mode));
    EXPECT_EQ(Names(folder.Path()), (std::vector<std::string>{"full", "job.m5"}));
}

// A folder that cannot be written holds no temporary file: the run fails with the reason and
// the old output stays. As root the folder would not stop it, so the program runs as nobody.
TEST(SafeOutput, ReadOnlyFolderFailsAndKeepsTheOldOutput)
{
    const CTempFolder folder;
    const std::string job = folder.Write("job.m5", Job());
    const std::string locked = folder.Path() + "/locked";
    ASSERT_EQ(::mkdir(locked.c_str(), 0755), 0);
    const std::string out = folder.Write("locked/out.csv", "previous output\n");
    ASSERT_EQ(::chmod(locked.c_str(), 0555), 0);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chmod(folder.Path().c_str(), 0755), 0);
        ASSERT_EQ(::chown(locked.c_str(), Nobody, Nobody), 0);
        ASSERT_EQ(::chown(out.c_str(), Nobody, Nobody), 0);
    }
    const int status = RunPrepared(M5ImportCommand({"--format", "csv", "-o", out, job}, folder.Path()),
                                   [](pid_t) {}, true);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(ReadFile(out), "previous output\n");
    EXPECT_EQ(Names(locked), (std::vector<std::string>{"out.csv"}));
    ::chmod(locked.c_str(), 0755);
}

// A mistyped input name, a folder or nothing readable at all: no output file is written, an
// existing one keeps its content, and the run says why.
TEST(SafeOutput, ImportThatReadNoFileWritesNoOutput)
{
    const CTempFolder folder;
    const std::string out = folder.Write("job.csv", "good results\n");
    const std::string fresh = folder.Path() + "/fresh.csv";
    const std::vector<std::vector<std::string>> inputs = {
        {folder.Path() + "/typo.m5"},
        {folder.Path()},
        {folder.Path() + "/typo.m5", folder.Path() + "/other.m5"},
    };
    for (const auto& input : inputs) {
        for (const std::string& target : {out, fresh}) {
            std::vector<std::string> arguments = {"-q", "--format", "csv", "-o", target};
            arguments.insert(arguments.end(), input.begin(), input.end());
            const RunResult run = RunM5Import(arguments);
            EXPECT_EQ(run.Status, 1) << input[0];
            EXPECT_NE(run.Err.find("was not written"), std::string::npos) << run.Err;
        }
        EXPECT_EQ(ReadFile(out), "good results\n");
        EXPECT_FALSE(FileExists(fresh));
    }
    EXPECT_EQ(Names(folder.Path()), (std::vector<std::string>{"job.csv"}));
}

}  // namespace
