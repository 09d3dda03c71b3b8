#include "platform/TextModeFile.h"

#include <cstdio>
#include <cstring>
#include <io.h>
#include <share.h>
#include <windows.h>

#include "platform/ByteScan.h"

namespace Platform {

namespace {

class CrtFile {
public:
    explicit CrtFile(std::FILE* file) : File(file) {}
    ~CrtFile() { if (File) std::fclose(File); }
    CrtFile(const CrtFile&) = delete;
    CrtFile& operator=(const CrtFile&) = delete;
    std::FILE* Get() const { return File; }
private:
    std::FILE* File;
};

// Field data is on a disk or comes through a pipe; a console, NUL or a serial port is no
// field file (reading the console would wait for the user).
bool IsFieldFileKind(std::FILE* file, std::size_t& sizeHint)
{
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(file)));
    const DWORD type = ::GetFileType(handle);
    LARGE_INTEGER size{};
    sizeHint = type == FILE_TYPE_DISK && ::GetFileSizeEx(handle, &size) ? static_cast<std::size_t>(size.QuadPart) : 0;
    return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE;
}

// Reads through the run-time until the end of the data or the first error; text mode has
// already turned CR LF into LF and stops at 0x1A, so the bytes need no further work.
void ReadThroughRuntime(std::FILE* file, std::size_t sizeHint, FileBytes& bytes)
{
    bytes.Clear();
    bytes.Reserve(sizeHint + 1);
    std::size_t used = 0;
    for (;;) {
        if (used == bytes.Capacity())
            bytes.Reserve(used * 2);
        const std::size_t got = std::fread(bytes.Data() + used, 1, bytes.Capacity() - used, file);
        used += got;
        if (got == 0 || std::feof(file) || std::ferror(file))
            break;
    }
    bytes.SetSize(used);
}

constexpr std::size_t DiscardStep = std::size_t(4) << 20;

}  // namespace

// The run-time reads the whole file at once; nothing is read a second time.
TextModeFile::~TextModeFile() = default;

void TextModeFile::Close() noexcept {}

bool TextModeFile::Refill()
{
    return false;
}

bool TextModeFile::Read(const std::u16string& name)
{
    Bytes.Clear();
    Lines = 0;
    // Text mode, and others may read and write the file meanwhile.
    CrtFile file(::_wfsopen(reinterpret_cast<const wchar_t*>(name.c_str()), L"rt", _SH_DENYNO));
    std::size_t sizeHint = 0;
    if (!file.Get() || !IsFieldFileKind(file.Get(), sizeHint))
        return false;
    ReadThroughRuntime(file.Get(), sizeHint, Bytes);
    StartScan();
    Scan(Bytes.Data(), Bytes.Size(), 0);
    FinishScan(Bytes.Size());
    return true;
}

// Raw bytes as text mode would read them: each CR LF becomes LF and the first 0x1A ends the data.
void TextModeFile::Assign(std::string_view bytes)
{
    Bytes.Clear();
    Bytes.Reserve(bytes.size() + 1);
    std::size_t used = 0;
    for (std::size_t i = 0; i < bytes.size() && bytes[i] != '\x1A'; ++i) {
        if (!(bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n'))
            Bytes.Data()[used++] = bytes[i];
    }
    StartScan();
    Scan(Bytes.Data(), used, 0);
    FinishScan(used);
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

// The run-time has ended the data at 0x1A already; counts the lines, one per LF, and notes
// whether any NUL lies in the data, so that only then lines are searched for one.
void TextModeFile::Scan(const char* piece, std::size_t count, std::size_t) noexcept
{
    HasNul = HasNul || std::memchr(piece, '\0', count) != nullptr;
    Lines += CountLineFeeds(piece, count);
}

// A last line without LF still counts.
void TextModeFile::FinishScan(std::size_t used) noexcept
{
    Bytes.SetSize(used);
    if (used > 0 && Bytes.Data()[used - 1] != '\n')
        ++Lines;
}

// The run-time has taken the CR of every CR LF away already: a CR still before a LF was a
// CR of its own in the file and belongs to the line.
std::string_view TextModeFile::LineAt(std::size_t& offset) const noexcept
{
    const char* const data = Bytes.Data();
    const std::size_t size = Bytes.Size();
    if (offset >= size)
        return {};
    const std::size_t start = offset;
    const void* found = std::memchr(data + start, '\n', size - start);
    const std::size_t stop = found ? static_cast<std::size_t>(static_cast<const char*>(found) - data) : size;
    offset = found ? stop + 1 : size;
    const std::size_t length = stop - start;
    if (!HasNul)
        return {data + start, length};
    const void* nul = std::memchr(data + start, '\0', length);
    return {data + start, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - (data + start)) : length};
}

std::string_view TextModeFile::NextLine()
{
    if (Position < Bytes.Size() && Position - DiscardedUpTo >= DiscardStep) {
        Bytes.Discard(Position);
        DiscardedUpTo = Position;
    }
    return LineAt(Position);
}

}  // namespace Platform
