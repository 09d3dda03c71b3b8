#include "platform/FileBytes.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <sys/mman.h>
#include <utility>

#include "platform/Sanitizers.h"

namespace Platform {

namespace {

constexpr std::size_t SmallPage = 4096;
constexpr std::size_t HugePage = std::size_t(2) << 20;

// Whole small pages, and whole huge pages once the buffer is big enough for one.
std::size_t RoundUp(std::size_t size)
{
    const std::size_t unit = size >= HugePage ? HugePage : SmallPage;
    if (size > ~std::size_t(0) - unit)
        throw std::bad_alloc();
    return (size + unit - 1) / unit * unit;
}

#if M5_ADDRESS_SANITIZER
void MarkUnreadable(const char* bytes, std::size_t size) { ASAN_POISON_MEMORY_REGION(bytes, size); }
void MarkReadable(const char* bytes, std::size_t size) { ASAN_UNPOISON_MEMORY_REGION(bytes, size); }
#else
void MarkUnreadable(const char*, std::size_t) {}
void MarkReadable(const char*, std::size_t) {}
#endif

void AdviseHugePages(char* bytes, std::size_t size)
{
    // Only advice: where huge pages are not to be had the buffer works with small ones.
    if (size >= HugePage)
        ::madvise(bytes, size, MADV_HUGEPAGE);
}

}  // namespace

FileBytes::~FileBytes()
{
    if (Bytes) {
        MarkReadable(Bytes, Mapped);
        ::munmap(Bytes, Mapped);
    }
}

void FileBytes::SetSize(std::size_t size) noexcept
{
    Used = size;
    MarkReadable(Bytes, Used);
    MarkUnreadable(Bytes + Used, Mapped - Used);
}

void FileBytes::Clear() noexcept
{
    Used = 0;
    Discarded = 0;
    MarkReadable(Bytes, Mapped);
}

void FileBytes::Discard(std::size_t offset) noexcept
{
    // Whole huge pages where the buffer has them, so that none is split.
    const std::size_t unit = Mapped >= HugePage ? HugePage : SmallPage;
    const auto start = reinterpret_cast<std::uintptr_t>(Bytes);
    const std::uintptr_t boundary = (start + std::min(offset, Used)) / unit * unit;
    if (boundary <= start + Discarded)
        return;
    const std::size_t upTo = boundary - start;
    ::madvise(Bytes + Discarded, upTo - Discarded, MADV_DONTNEED);
    Discarded = upTo;
    MarkUnreadable(Bytes, Discarded);
}

FileBytes::FileBytes(FileBytes&& other) noexcept
    : Bytes(std::exchange(other.Bytes, nullptr)),
      Used(std::exchange(other.Used, 0)),
      Mapped(std::exchange(other.Mapped, 0)),
      Discarded(std::exchange(other.Discarded, 0))
{
}

FileBytes& FileBytes::operator=(FileBytes&& other) noexcept
{
    if (this != &other) {
        if (Bytes) {
            MarkReadable(Bytes, Mapped);
            ::munmap(Bytes, Mapped);
        }
        Bytes = std::exchange(other.Bytes, nullptr);
        Used = std::exchange(other.Used, 0);
        Mapped = std::exchange(other.Mapped, 0);
        Discarded = std::exchange(other.Discarded, 0);
    }
    return *this;
}

void FileBytes::Reserve(std::size_t capacity)
{
    if (capacity <= Mapped)
        return;
    const std::size_t size = RoundUp(capacity);
    if (Bytes)
        MarkReadable(Bytes, Mapped);
    // A grown mapping moves its pages rather than copying the bytes.
    void* mapped = Bytes ? ::mremap(Bytes, Mapped, size, MREMAP_MAYMOVE)
                         : ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    Bytes = static_cast<char*>(mapped);
    Mapped = size;
    AdviseHugePages(Bytes, Mapped);
    MarkReadable(Bytes, Mapped);
}

}  // namespace Platform
