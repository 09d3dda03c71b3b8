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
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.Get() < 0)
        return false;
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0 || S_ISDIR(info.st_mode))
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

// One pass: ends the data at 0x1A, drops the CR of each CR LF in place, and records lines.
void TextModeFile::Split()
{
    const std::size_t end = Bytes.find('\x1A');
    if (end != std::string::npos)
        Bytes.resize(end);
    const std::size_t size = Bytes.size();
    char* data = Bytes.data();
    std::size_t write = 0;
    std::size_t lineStart = 0;
    for (std::size_t read = 0; read < size; ++read) {
        const char c = data[read];
        if (c == '\r' && read + 1 < size && data[read + 1] == '\n')
            continue;
        if (c == '\n') {
            Lines.push_back({lineStart, write - lineStart});
            lineStart = write;
            continue;
        }
        data[write++] = c;
    }
    if (write > lineStart)
        Lines.push_back({lineStart, write - lineStart});
    Bytes.resize(write);
}

std::string_view TextModeFile::Line(std::size_t i) const noexcept
{
    const LineSpan& span = Lines[i];
    std::string_view line(Bytes.data() + span.Offset, span.Length);
    const std::size_t nul = line.find('\0');
    return nul == std::string_view::npos ? line : line.substr(0, nul);
}

}  // namespace Platform
