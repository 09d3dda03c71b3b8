#include "platform/TextModeFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Utf16.h"

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

// Read in pieces that stay in the cache until they are scanned.
constexpr std::size_t ReadPiece = std::size_t(256) << 10;

// The memory behind the reading goes back in steps of this many bytes.
constexpr std::size_t DiscardStep = std::size_t(4) << 20;

}  // namespace

// Reads until end of file or the first error; what was read before an error is kept. The
// size of a regular file is known, so its bytes are read into one buffer of that size; the
// byte to spare lets the last read see the end of the file without growing the buffer.
// Each piece is scanned right after it arrived, while it is still in the cache.
void TextModeFile::ReadAll(int fd, std::size_t sizeHint)
{
    Bytes.Clear();
    Bytes.Reserve(sizeHint + 1);
    StartScan();
    std::size_t used = 0;
    for (;;) {
        if (used == Bytes.Capacity())
            Bytes.Reserve(used * 2);
        const std::size_t room = std::min(Bytes.Capacity() - used, ReadPiece);
        const ssize_t got = ::read(fd, Bytes.Data() + used, room);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        Scan(used, static_cast<std::size_t>(got));
        used += static_cast<std::size_t>(got);
    }
    FinishScan(used);
}

bool TextModeFile::Read(const std::u16string& name)
{
    // Names that are not valid UTF-8 came as escaped bytes and go back to those bytes.
    const std::string path = Platform::Utf16ToUtf8(name, true);
    Bytes.Clear();
    Lines = 0;
    // Non-blocking open so that a FIFO without a writer reads as empty instead of hanging.
    // Only regular files and pipes hold field data: a folder or a device (an endless
    // /dev/zero) cannot be opened as a field file.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.Get() < 0)
        return false;
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0 || !(S_ISREG(info.st_mode) || S_ISFIFO(info.st_mode)))
        return false;
    // A pipe is read blocking from here on; a regular file reads the same either way.
    if (S_ISFIFO(info.st_mode)) {
        const int flags = ::fcntl(file.Get(), F_GETFL);
        if (flags >= 0)
            ::fcntl(file.Get(), F_SETFL, flags & ~O_NONBLOCK);
    }
    ReadAll(file.Get(), S_ISREG(info.st_mode) ? static_cast<std::size_t>(info.st_size) : 0);
    return true;
}

void TextModeFile::Assign(std::string_view bytes)
{
    Bytes.Clear();
    Bytes.Reserve(bytes.size() + 1);
    bytes.copy(Bytes.Data(), bytes.size());
    StartScan();
    Scan(0, bytes.size());
    FinishScan(bytes.size());
}

void TextModeFile::StartScan() noexcept
{
    Lines = 0;
    Position = 0;
    DiscardedUpTo = 0;
    DataEnd = std::string_view::npos;
    HasNul = false;
}

// Looks at count new bytes from offset: the first 0x1A ends the data, every LF before it
// ends a line, and whether any NUL lies in the data decides whether lines must be searched
// for one when they are read.
void TextModeFile::Scan(std::size_t offset, std::size_t count) noexcept
{
    if (DataEnd != std::string_view::npos)
        return;
    const char* at = Bytes.Data() + offset;
    const char* end = at + count;
    if (const void* mark = std::memchr(at, '\x1A', count)) {
        end = static_cast<const char*>(mark);
        DataEnd = static_cast<std::size_t>(end - Bytes.Data());
    }
    if (!HasNul)
        HasNul = std::memchr(at, '\0', static_cast<std::size_t>(end - at)) != nullptr;
    while (const void* found = std::memchr(at, '\n', static_cast<std::size_t>(end - at))) {
        ++Lines;
        at = static_cast<const char*>(found) + 1;
    }
}

// A last line without LF still counts.
void TextModeFile::FinishScan(std::size_t used) noexcept
{
    const std::size_t size = std::min(used, DataEnd);
    Bytes.SetSize(size);
    if (size > 0 && Bytes.Data()[size - 1] != '\n')
        ++Lines;
}

// Text mode reads each CR LF as LF, so a CR right before a LF is not part of the line; any
// other CR is.
std::string_view TextModeFile::NextLine() noexcept
{
    const char* const data = Bytes.Data();
    const std::size_t size = Bytes.Size();
    if (Position >= size)
        return {};
    const std::size_t start = Position;
    if (start - DiscardedUpTo >= DiscardStep) {
        Bytes.Discard(start);
        DiscardedUpTo = start;
    }
    const void* found = std::memchr(data + start, '\n', size - start);
    std::size_t length;
    if (found) {
        const std::size_t lf = static_cast<std::size_t>(static_cast<const char*>(found) - data);
        length = lf > start && data[lf - 1] == '\r' ? lf - start - 1 : lf - start;
        Position = lf + 1;
    } else {
        length = size - start;
        Position = size;
    }
    if (!HasNul)
        return {data + start, length};
    const void* nul = std::memchr(data + start, '\0', length);
    return {data + start, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - (data + start)) : length};
}

}  // namespace Platform
