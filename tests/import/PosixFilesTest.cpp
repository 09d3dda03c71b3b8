// Files as POSIX systems have them: pipes, devices, and names that are bytes rather than text.
#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/TextModeFile.h"
#include "platform/Utf16.h"
#include "plugin/PluginInterfaces.h"
#include "tests/support/M5Lines.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TestFiles.h"

using namespace Testing;

namespace {

// A pipe's size is not known beforehand: the buffer grows as the bytes come, past the first
// page and into sizes held by huge pages, and no byte is lost or doubled where it grows. The
// lines read are given back in steps of a few megabytes as the reading moves on, and every
// line read after that is whole.
TEST(TextModeReading, PipeIsReadWholeWhateverItsLength)
{
    const CTempFolder folder;
    const std::string fifo = folder.Path() + "/field.m5";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string bytes;
    std::size_t lines = 0;
    for (; bytes.size() < (std::size_t(13) << 20); ++lines)
        bytes += "line " + std::to_string(lines) + (lines % 3 == 0 ? "\r\n" : "\n");
    bytes += "last";
    ++lines;
    // Opened for reading and writing, the pipe does not wait for a reader; the bytes that
    // do not fit in it wait for the import to read them.
    const int fd = ::open(fifo.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    std::thread writer([&] {
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (wrote <= 0)
                break;
            done += static_cast<std::size_t>(wrote);
        }
        ::close(fd);
    });
    Platform::TextModeFile file;
    const bool read = file.Read(Platform::Utf8ToUtf16(fifo));
    writer.join();
    ASSERT_TRUE(read);
    ASSERT_EQ(file.LineCount(), lines);
    for (std::size_t i = 0; i + 1 < lines; ++i)
        ASSERT_EQ(file.NextLine(), "line " + std::to_string(i)) << "line " << i;
    EXPECT_EQ(file.NextLine(), "last");
}

TEST(TextModeReading, DevicesAreNotFieldFiles)
{
    Platform::TextModeFile file;
    EXPECT_FALSE(file.Read(u"/dev/zero"));
    EXPECT_FALSE(file.Read(u"/dev/null"));
    EXPECT_FALSE(file.Read(u"/"));
}

// A name is bytes here: one that is not UTF-8 travels to the plug-in as escaped bytes and
// opens as it was given.
TEST(PosixFileNames, FileNamesThatAreNotUtf8StillOpen)
{
    const CTempFolder folder;
    const std::string path = folder.Write("job\xE9.m5", CrLf({M5Line(1, TextInfo("KN STAT"))}));
    CRecordingHost host;
    Plugin::IGroundBasedMIP* plugin = CreatePlugin();
    CFakeFileList files({path});
    plugin->Import(&files, &host);
    plugin->Release();
    EXPECT_EQ(std::count(host.Calls.begin(), host.Calls.end(), "ReportMessage Не удается открыть файл"), 0);
    EXPECT_NE(std::find(host.Calls.begin(), host.Calls.end(), "GetConverterFactory"), host.Calls.end());
}

}  // namespace
