// Names that are not plain readable files: a FIFO, a file without read permission, a file
// removed after the host listed it. Each is reported as unopenable or read as what it holds,
// never waited on, and the import goes on with the next file.
#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/hostile/HostileImport.h"
#include "tests/support/M5Lines.h"
#include "tests/support/TestFiles.h"

using namespace Testing;

namespace {

const std::string Header = M5Line(1, TextInfo("KN STAT"));

// The calls from the SetFileName of this path up to the next SetFileName.
std::vector<std::string> CallsForFile(const HostileImport& import, const std::string& path)
{
    auto first = std::find(import.Calls.begin(), import.Calls.end(), "SetFileName " + path);
    if (first == import.Calls.end())
        return {};
    auto last = std::find_if(first + 1, import.Calls.end(),
                             [](const std::string& call) { return call.rfind("SetFileName ", 0) == 0; });
    return std::vector<std::string>(first, last);
}

TEST(UnusualFile, FifoWithoutWriterReadsAsEmptyInsteadOfWaiting)
{
    const CTempFolder folder;
    const std::string fifo = folder.Path() + "/pipe.m5";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string empty = folder.Write("empty.m5", "");
    auto running = std::async(std::launch::async, [&] { return ImportPaths({fifo}); });
    if (running.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        // Give the blocked reader its end of file so that the test can end, then fail.
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            ::close(writer);
        running.wait();
        FAIL() << "the import waited for a writer of the FIFO";
    }
    const HostileImport fromFifo = running.get();
    const HostileImport fromEmpty = ImportPaths({empty});
    // Read as an empty file: parsed, no line, the end-of-file notices.
    std::vector<std::string> fifoCalls(fromFifo.Calls.begin() + 1, fromFifo.Calls.end());
    std::vector<std::string> emptyCalls(fromEmpty.Calls.begin() + 1, fromEmpty.Calls.end());
    EXPECT_EQ(fifoCalls, emptyCalls);
    EXPECT_FALSE(fromFifo.Has(CannotOpen));
}

TEST(UnusualFile, UnreadableFileIsReportedAndTheNextFileFollows)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop root from reading";
    const CTempFolder folder;
    const std::string locked = folder.Write("locked.m5", CrLf({Header}));
    ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
    const std::string good = folder.Write("good.m5", CrLf({Header}));
    const HostileImport import = ImportPaths({locked, good});
    EXPECT_EQ(CallsForFile(import, locked), (std::vector<std::string>{"SetFileName " + locked, CannotOpen}));
    EXPECT_EQ(import.Calls.back(), "SetProgress 100");
}

// A host's list whose files vanish between the listing and the open: each name is removed
// from the disk when the plug-in asks for it.
class CVanishingFiles final : public Plugin::IFileNameEnumerator {
public:
    CVanishingFiles(std::vector<std::string> paths, std::vector<bool> vanish)
        : Paths(std::move(paths)), Vanish(std::move(vanish)) {}
    bool IsValid() override { return Position < Paths.size(); }
    void MoveNext() override { ++Position; }
    const char16_t* Current() override
    {
        if (Vanish[Position])
            ::unlink(Paths[Position].c_str());
        Name = Utf16(Paths[Position]);
        return Name.c_str();
    }
    void Reset() override { Position = 0; }
private:
    std::vector<std::string> Paths;
    std::vector<bool> Vanish;
    std::u16string Name;
    std::size_t Position = 0;
};

TEST(UnusualFile, FileRemovedBeforeItIsOpenedIsReportedAndTheNextFileFollows)
{
    const CTempFolder folder;
    const std::string gone = folder.Write("gone.m5", CrLf({Header}));
    const std::string kept = folder.Write("kept.m5", CrLf({Header, M5Line(2, PointInfo("1", "S"))}));
    CVanishingFiles files({gone, kept}, {true, false});
    CFakeSettingsStore store;
    const HostileImport import = ImportThrough(files, store);
    EXPECT_EQ(CallsForFile(import, gone), (std::vector<std::string>{"SetFileName " + gone, CannotOpen}));
    EXPECT_TRUE(import.Has("AddStation 1"));
    EXPECT_EQ(import.Calls.back(), "SetProgress 100");
    EXPECT_TRUE(import.Balanced);
}

}  // namespace
