#pragma once
// The C run-time's text-mode read of a whole file, shared for reading and writing by others:
// CR LF reads as LF, a lone CR stays, the first byte 0x1A ends the data. Lines are runs of
// bytes up to LF (not kept); a last line without LF still counts, and a final LF gives no
// empty line after it. The bytes stay in the file's 8-bit code page. On Windows the run-time
// itself reads (`_wfsopen`, text mode, `_SH_DENYNO`); on Linux the reader applies those rules.
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/FileBytes.h"

namespace Platform {

class TextModeFile {
public:
    TextModeFile() = default;
    ~TextModeFile();
    TextModeFile(const TextModeFile&) = delete;
    TextModeFile& operator=(const TextModeFile&) = delete;

    // Opens and reads the file of that name (UTF-16, as the host gave it). False when the file
    // cannot be opened for reading or is neither a regular file nor a pipe; a read error later
    // on stops reading silently and keeps what was read.
    bool Read(const std::u16string& name);

    std::size_t LineCount() const noexcept { return Lines; }
    // The next line, from the first, cut at its first NUL byte as a C string conversion sees
    // it; empty once the lines are all read. Lines are read once, in order: the view holds
    // until the next call, and the memory of the lines behind is given back as reading moves
    // on, so that a large file does not stay whole in memory while it is parsed.
    std::string_view NextLine();

    // Takes raw file bytes as text mode reads them (for tests and benchmarks).
    void Assign(std::string_view bytes);

#ifdef _WIN32
    // The line that starts offset bytes into the data, cut as NextLine cuts it, with offset
    // moved past it; nothing is given back, so the lines can be walked before they are taken.
    // The run-time reads the whole file, so every line is there until NextLine passes it.
    std::string_view LineAt(std::size_t& offset) const noexcept;
#endif

private:
    void ReadAll(int fd, std::size_t sizeHint);  // the POSIX reader's, piece by piece
    void CountLines(int fd);                     // the POSIX reader's first pass
    bool Refill();                               // false where nothing is left to read
    void Close() noexcept;
    void StartScan() noexcept;
    void Scan(const char* piece, std::size_t count, std::size_t offset) noexcept;
    void FinishScan(std::size_t used) noexcept;

    FileBytes Bytes;
    std::size_t Lines = 0;
    std::size_t Position = 0;       // where the next line starts in Bytes
    std::size_t DiscardedUpTo = 0;  // where the memory was last given back
    std::size_t DataEnd = std::string_view::npos;  // where the first 0x1A stands
    bool HasNul = false;            // whether any line holds a NUL byte
    char LastByte = '\n';           // the last byte of the data scanned so far
    // A large regular file is read twice: once to count its lines, then piece by piece as
    // the lines are taken, so that its bytes never need fresh memory of the file's size.
    int Descriptor = -1;            // the file being read the second time, or none
    std::size_t ReadOffset = 0;     // where in it the next piece starts
    std::size_t Unread = 0;         // bytes of its data not yet read the second time
};

}  // namespace Platform
