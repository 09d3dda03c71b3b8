#include "platform/FileBytes.h"

#include <cstring>
#include <new>
#include <utility>
#include <windows.h>

namespace Platform {

namespace {

constexpr std::size_t Page = 4096;

std::size_t RoundUp(std::size_t size)
{
    if (size > ~std::size_t(0) - Page)
        throw std::bad_alloc();
    return (size + Page - 1) / Page * Page;
}

void Release(char* bytes)
{
    if (bytes)
        ::VirtualFree(bytes, 0, MEM_RELEASE);
}

}  // namespace

// Pages straight from the system, committed as a whole; the memory of lines already parsed is
// decommitted and committed again (zeroed) when the buffer is cleared for another file.
FileBytes::~FileBytes()
{
    Release(Bytes);
}

void FileBytes::SetSize(std::size_t size) noexcept
{
    Used = size;
}

void FileBytes::Clear() noexcept
{
    if (Bytes && Discarded > 0)
        ::VirtualAlloc(Bytes, Discarded, MEM_COMMIT, PAGE_READWRITE);
    Used = 0;
    Discarded = 0;
}

void FileBytes::Discard(std::size_t offset) noexcept
{
    const std::size_t upTo = (offset < Used ? offset : Used) / Page * Page;
    if (upTo <= Discarded)
        return;
    ::VirtualFree(Bytes + Discarded, upTo - Discarded, MEM_DECOMMIT);
    Discarded = upTo;
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
        Release(Bytes);
        Bytes = std::exchange(other.Bytes, nullptr);
        Used = std::exchange(other.Used, 0);
        Mapped = std::exchange(other.Mapped, 0);
        Discarded = std::exchange(other.Discarded, 0);
    }
    return *this;
}

// Windows cannot grow a mapping in place: a larger one is taken and the bytes in use copied.
void FileBytes::Reserve(std::size_t capacity)
{
    if (capacity <= Mapped)
        return;
    const std::size_t size = RoundUp(capacity);
    auto* grown = static_cast<char*>(::VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (!grown)
        throw std::bad_alloc();
    if (Bytes && Used > Discarded)
        std::memcpy(grown + Discarded, Bytes + Discarded, Used - Discarded);
    if (Discarded > 0)
        ::VirtualFree(grown, Discarded / Page * Page, MEM_DECOMMIT);
    Release(Bytes);
    Bytes = grown;
    Mapped = size;
}

}  // namespace Platform
