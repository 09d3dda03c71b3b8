#include "platform/TextModeFile.h"

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

// Reads until end of file or the first error; what was read before an error is kept. The
// size of a regular file is known, so its bytes are read into one buffer of that size; the
// byte to spare lets the last read see the end of the file without growing the buffer.
void ReadAll(int fd, std::size_t sizeHint, FileBytes& bytes)
{
    bytes.Clear();
    bytes.Reserve(sizeHint + 1);
    std::size_t used = 0;
    for (;;) {
        if (used == bytes.Capacity())
            bytes.Reserve(used * 2);
        const ssize_t got = ::read(fd, bytes.Data() + used, bytes.Capacity() - used);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        used += static_cast<std::size_t>(got);
    }
    bytes.SetSize(used);
}

// The memory behind the reading goes back in steps of this many bytes.
constexpr std::size_t DiscardStep = std::size_t(4) << 20;

}  // namespace

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
    const int flags = ::fcntl(file.Get(), F_GETFL);
    if (flags >= 0)
        ::fcntl(file.Get(), F_SETFL, flags & ~O_NONBLOCK);
    ReadAll(file.Get(), S_ISREG(info.st_mode) ? static_cast<std::size_t>(info.st_size) : 0, Bytes);
    EndDataAndCountLines();
    return true;
}

void TextModeFile::Assign(std::string_view bytes)
{
    Bytes.Clear();
    Bytes.Reserve(bytes.size() + 1);
    bytes.copy(Bytes.Data(), bytes.size());
    Bytes.SetSize(bytes.size());
    EndDataAndCountLines();
}

// Ends the data at 0x1A and counts the lines: one per LF, and one more for a last line
// without LF.
void TextModeFile::EndDataAndCountLines()
{
    Lines = 0;
    Position = 0;
    DiscardedUpTo = 0;
    if (Bytes.Size() == 0)
        return;
    const char* data = Bytes.Data();
    if (const void* eof = std::memchr(data, '\x1A', Bytes.Size()))
        Bytes.SetSize(static_cast<std::size_t>(static_cast<const char*>(eof) - data));
    const char* const end = data + Bytes.Size();
    for (const char* at = data; at < end; ++Lines) {
        const void* found = std::memchr(at, '\n', static_cast<std::size_t>(end - at));
        at = found ? static_cast<const char*>(found) + 1 : end;
    }
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
    const void* nul = std::memchr(data + start, '\0', length);
    return {data + start, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - (data + start)) : length};
}

}  // namespace Platform
