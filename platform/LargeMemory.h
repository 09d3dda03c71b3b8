#pragma once
// Memory for the few arrays of an import that grow with the file (the names of a whole file,
// say). Taken in small pages, such an array costs a page fault for every 4 KiB it grows by,
// which on a virtual machine costs more than filling the page; from a quarter of a megabyte
// on, it is taken straight from the system and backed by huge pages where there are any.
#include <cstddef>
#include <limits>
#include <new>

#include "platform/Sanitizers.h"

namespace Platform {

// Under the address sanitizer every array stays with the standard allocator, which it watches.
constexpr std::size_t LargeMemorySize = M5_ADDRESS_SANITIZER ? ~std::size_t(0) : std::size_t(256) << 10;

// Zeroed memory of at least bytes bytes, in whole huge pages; throws std::bad_alloc when the
// system has none to give. Freed with the same size.
void* AllocateLarge(std::size_t bytes);
void FreeLarge(void* memory, std::size_t bytes) noexcept;

// The standard allocator below LargeMemorySize, large memory from there on.
template <typename T>
class LargeArrayAllocator {
public:
    using value_type = T;

    LargeArrayAllocator() noexcept = default;
    template <typename U>
    LargeArrayAllocator(const LargeArrayAllocator<U>&) noexcept {}

    T* allocate(std::size_t count)
    {
        if (count > std::numeric_limits<std::size_t>::max() / sizeof(T))
            throw std::bad_alloc();
        const std::size_t bytes = count * sizeof(T);
        if (bytes < LargeMemorySize)
            return static_cast<T*>(::operator new(bytes));
        return static_cast<T*>(AllocateLarge(bytes));
    }
    void deallocate(T* memory, std::size_t count) noexcept
    {
        const std::size_t bytes = count * sizeof(T);
        if (bytes < LargeMemorySize)
            ::operator delete(memory);
        else
            FreeLarge(memory, bytes);
    }

    template <typename U>
    bool operator==(const LargeArrayAllocator<U>&) const noexcept { return true; }
    template <typename U>
    bool operator!=(const LargeArrayAllocator<U>&) const noexcept { return false; }
};

}  // namespace Platform
