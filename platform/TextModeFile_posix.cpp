#include "platform/TextModeFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "platform/ByteScan.h"
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
    int Release() { return std::exchange(Fd, -1); }
private:
    int Fd;
};

// Read in pieces that stay in the cache until they are scanned.
constexpr std::size_t ReadPiece = std::size_t(256) << 10;

// The memory behind the reading goes back in steps of this many bytes.
constexpr std::size_t DiscardStep = std::size_t(4) << 20;

// From this size on a regular file is read twice rather than held whole: fresh memory costs
// more than reading the file again from the system's cache.
constexpr std::size_t ReadTwiceFrom = DiscardStep;

ssize_t ReadSome(int fd, char* into, std::size_t count)
{
    ssize_t got;
    do
        got = ::read(fd, into, count);
    while (got < 0 && errno == EINTR);
    return got;
}

ssize_t ReadSomeAt(int fd, char* into, std::size_t count, std::size_t offset)
{
    ssize_t got;
    do
        got = ::pread(fd, into, count, static_cast<off_t>(offset));
    while (got < 0 && errno == EINTR);
    return got;
}

}  // namespace

TextModeFile::~TextModeFile()
{
    Close();
}

void TextModeFile::Close() noexcept
{
    if (Descriptor >= 0)
        ::close(Descriptor);
    Descriptor = -1;
    Unread = 0;
}

// Reads until end of file or the first error; what was read before an error is kept. The
// size of a regular file is known, so its bytes are read into one buffer of that size, and
// once that many have come the reading stops: one more read only to see the end would cost
// a call per file, a good part of the import of many small files. A pipe, or a file whose
// size the system does not know (0), is read until a read gives nothing.
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
        const ssize_t got = ReadSome(fd, Bytes.Data() + used, room);
        if (got <= 0)
            break;
        Scan(Bytes.Data() + used, static_cast<std::size_t>(got), used);
        used += static_cast<std::size_t>(got);
        if (sizeHint != 0 && used >= sizeHint)
            break;
    }
    FinishScan(used);
}

// The first reading of a large file: its lines counted, the end of its data and any NUL
// found, nothing kept. The lines are read from the start again as they are taken.
void TextModeFile::CountLines(int fd)
{
    Bytes.Clear();
    Bytes.Reserve(ReadPiece);
    StartScan();
    std::size_t total = 0;
    for (;;) {
        const ssize_t got = ReadSome(fd, Bytes.Data(), ReadPiece);
        if (got <= 0)
            break;
        Scan(Bytes.Data(), static_cast<std::size_t>(got), total);
        total += static_cast<std::size_t>(got);
    }
    FinishScan(0);
    Unread = std::min(total, DataEnd);
    if (Unread > 0 && LastByte != '\n')
        ++Lines;
    ReadOffset = 0;
}

bool TextModeFile::Read(const std::u16string& name)
{
    // Names that are not valid UTF-8 came as escaped bytes and go back to those bytes.
    const std::string path = Platform::Utf16ToUtf8(name, true);
    Close();
    Bytes.Clear();
    Lines = 0;
    Position = 0;
    // Non-blocking open so that a FIFO without a writer reads as empty instead of hanging.
    // Only regular files and pipes hold field data: a folder or a device (an endless
    // /dev/zero) cannot be opened as a field file.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.Get() < 0)
        return false;
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0 || !(S_ISREG(info.st_mode) || S_ISFIFO(info.st_mode)))
        return false;
    // A pipe is read blocking from here on, and only once; a regular file reads the same
    // either way, and a large one is read twice.
    if (S_ISFIFO(info.st_mode)) {
        const int flags = ::fcntl(file.Get(), F_GETFL);
        if (flags >= 0)
            ::fcntl(file.Get(), F_SETFL, flags & ~O_NONBLOCK);
        ReadAll(file.Get(), 0);
    } else if (static_cast<std::size_t>(info.st_size) < ReadTwiceFrom) {
        ReadAll(file.Get(), static_cast<std::size_t>(info.st_size));
    } else {
        CountLines(file.Get());
        Descriptor = file.Release();
    }
    return true;
}

void TextModeFile::Assign(std::string_view bytes)
{
    Close();
    Bytes.Clear();
    Bytes.Reserve(bytes.size() + 1);
    bytes.copy(Bytes.Data(), bytes.size());
    StartScan();
    Scan(Bytes.Data(), bytes.size(), 0);
    FinishScan(bytes.size());
}

void TextModeFile::StartScan() noexcept
{
    Lines = 0;
    Position = 0;
    DiscardedUpTo = 0;
    DataEnd = std::string_view::npos;
    HasNul = false;
    LastByte = '\n';
}

// Looks at count new bytes, the first of them offset bytes into the file: the first 0x1A
// ends the data, every LF before it ends a line, and whether any NUL lies in the data
// decides whether lines must be searched for one when they are read.
void TextModeFile::Scan(const char* piece, std::size_t count, std::size_t offset) noexcept
{
    if (DataEnd != std::string_view::npos)
        return;
    const char* at = piece;
    const char* end = piece + count;
    if (const void* mark = std::memchr(at, '\x1A', count)) {
        end = static_cast<const char*>(mark);
        DataEnd = offset + static_cast<std::size_t>(end - piece);
    }
    if (end != at)
        LastByte = end[-1];
    if (!HasNul)
        HasNul = std::memchr(at, '\0', static_cast<std::size_t>(end - at)) != nullptr;
    Lines += CountLineFeeds(at, static_cast<std::size_t>(end - at));
}

// Keeps the data read whole, up to the first 0x1A; a last line without LF still counts.
void TextModeFile::FinishScan(std::size_t used) noexcept
{
    const std::size_t size = std::min(used, DataEnd);
    Bytes.SetSize(size);
    if (size > 0 && LastByte != '\n')
        ++Lines;
}

// The second reading of a large file: the start of the line being taken moves to the front
// of the buffer and the next piece is read behind it. The file may have changed since its
// lines were counted, so each piece is looked at again for the end-of-data mark and a NUL.
bool TextModeFile::Refill()
{
    if (Descriptor < 0 || Unread == 0)
        return false;
    const std::size_t kept = Bytes.Size() - Position;
    std::memmove(Bytes.Data(), Bytes.Data() + Position, kept);
    Position = 0;
    Bytes.Clear();
    Bytes.Reserve(kept + ReadPiece);  // a line longer than the buffer grows it
    const std::size_t room = std::min(ReadPiece, Unread);
    const ssize_t got = ReadSomeAt(Descriptor, Bytes.Data() + kept, room, ReadOffset);
    if (got <= 0) {
        Bytes.SetSize(kept);
        Close();
        return false;
    }
    const char* const piece = Bytes.Data() + kept;
    std::size_t count = static_cast<std::size_t>(got);
    ReadOffset += count;
    Unread -= count;
    if (const void* mark = std::memchr(piece, '\x1A', count)) {
        count = static_cast<std::size_t>(static_cast<const char*>(mark) - piece);
        Unread = 0;
    }
    HasNul = HasNul || std::memchr(piece, '\0', count) != nullptr;
    Bytes.SetSize(kept + count);
    return true;
}

// Text mode reads each CR LF as LF, so a CR right before a LF is not part of the line; any
// other CR is.
std::string_view TextModeFile::NextLine()
{
    const void* found = nullptr;
    while (!(Position < Bytes.Size() && (found = std::memchr(Bytes.Data() + Position, '\n', Bytes.Size() - Position))))
        if (!Refill())
            break;
    const char* const data = Bytes.Data();
    const std::size_t size = Bytes.Size();
    if (Position >= size)
        return {};
    const std::size_t start = Position;
    if (Descriptor < 0 && start - DiscardedUpTo >= DiscardStep) {
        Bytes.Discard(start);
        DiscardedUpTo = start;
    }
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
