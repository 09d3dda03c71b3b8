#pragma once
// Memory for the bytes of a whole field file, taken straight from the system: it is not
// cleared before the file is read into it, and a large buffer is backed by huge pages.
// Reading an archive-sized file into freshly touched small pages costs several times more
// than the reading itself, one page fault for every 4 KiB.
#include <cstddef>

namespace Platform {

class FileBytes {
public:
    FileBytes() = default;
    ~FileBytes();
    FileBytes(FileBytes&& other) noexcept;
    FileBytes& operator=(FileBytes&& other) noexcept;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    char* Data() noexcept { return Bytes; }
    const char* Data() const noexcept { return Bytes; }
    std::size_t Size() const noexcept { return Used; }
    std::size_t Capacity() const noexcept { return Mapped; }

    // Makes room for at least capacity bytes, keeping those in use; throws std::bad_alloc
    // when the system has no memory to give.
    void Reserve(std::size_t capacity);
    // Sets the count of bytes in use; size must not exceed the capacity. Under the address
    // sanitizer the bytes beyond it are marked unreadable, as those past a string's end are.
    void SetSize(std::size_t size) noexcept;
    // No bytes in use, and the whole capacity free to be written (by a read, say).
    void Clear() noexcept;
    // Gives the memory of the bytes before offset back to the system, in whole pages: a file
    // read once from start to end need not stay whole in memory. Those bytes must not be read
    // again (they would read as zeros); write them again only after Clear.
    void Discard(std::size_t offset) noexcept;

private:
    char* Bytes = nullptr;
    std::size_t Used = 0;
    std::size_t Mapped = 0;
    std::size_t Discarded = 0;  // bytes at the start whose memory went back to the system
};

}  // namespace Platform
