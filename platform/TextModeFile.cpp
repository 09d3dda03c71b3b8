#include "platform/TextModeFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : Fd(fd) {}
    ~FileDescriptor() { if (Fd >= 0) ::close(Fd); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return Fd; }
private:
    int Fd;
};

// Reads until end of file or the first error; what was read before an error is kept.
void ReadAll(int fd, std::size_t sizeHint, std::string& bytes)
{
    bytes.clear();
    bytes.reserve(sizeHint + 1);
    std::size_t used = 0;
    for (;;) {
        if (bytes.size() - used < 65536)
            bytes.resize(used + 65536 > bytes.capacity() ? used + 65536 : bytes.capacity());
        const ssize_t got = ::read(fd, &bytes[used], bytes.size() - used);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        used += static_cast<std::size_t>(got);
    }
    bytes.resize(used);
}

}  // namespace

bool TextModeFile::Read(const std::string& path)
{
    Bytes.clear();
    Lines.clear();
    // Non-blocking open so that a FIFO without a writer reads as empty instead of hanging.
    // Only regular files and pipes hold field data: a folder or a device (an endless
    // /dev/zero) cannot be opened as a field file.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.Get() < 0)
        return false;
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0 || !(S_ISREG(info.st_mode) || S_ISFIFO(info.st_mode)))
        return false;
    const int flags = ::fcntl(file.Get(), F_GETFL);
    if (flags >= 0)
        ::fcntl(file.Get(), F_SETFL, flags & ~O_NONBLOCK);
    std::string bytes;
    ReadAll(file.Get(), S_ISREG(info.st_mode) ? static_cast<std::size_t>(info.st_size) : 0, bytes);
    Assign(std::move(bytes));
    return true;
}

void TextModeFile::Assign(std::string bytes)
{
    Bytes = std::move(bytes);
    Lines.clear();
    Split();
}

// Ends the data at 0x1A and records the lines. Text mode reads each CR LF as LF, so a CR
// right before a LF is not part of the line; any other CR is.
void TextModeFile::Split()
{
    const void* eof = std::memchr(Bytes.data(), '\x1A', Bytes.size());
    if (eof)
        Bytes.resize(static_cast<std::size_t>(static_cast<const char*>(eof) - Bytes.data()));
    const char* data = Bytes.data();
    const std::size_t size = Bytes.size();
    Lines.reserve(size / 100 + 1);
    std::size_t start = 0;
    while (start < size) {
        const void* found = std::memchr(data + start, '\n', size - start);
        if (!found) {
            Lines.push_back({start, size - start});
            break;
        }
        const std::size_t end = static_cast<std::size_t>(static_cast<const char*>(found) - data);
        const std::size_t length = end > start && data[end - 1] == '\r' ? end - start - 1 : end - start;
        Lines.push_back({start, length});
        start = end + 1;
    }
}

std::string_view TextModeFile::Line(std::size_t i) const noexcept
{
    const LineSpan& span = Lines[i];
    std::string_view line(Bytes.data() + span.Offset, span.Length);
    const std::size_t nul = line.find('\0');
    return nul == std::string_view::npos ? line : line.substr(0, nul);
}

}  // namespace Platform
