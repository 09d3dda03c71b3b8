#include "platform/LargeMemory.h"

#include <sys/mman.h>

namespace Platform {

namespace {

constexpr std::size_t HugePage = std::size_t(2) << 20;

std::size_t WholeHugePages(std::size_t bytes) noexcept
{
    return (bytes + HugePage - 1) / HugePage * HugePage;
}

}  // namespace

void* AllocateLarge(std::size_t bytes)
{
    if (bytes > ~std::size_t(0) - HugePage)
        throw std::bad_alloc();
    const std::size_t size = WholeHugePages(bytes);
    void* memory = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        throw std::bad_alloc();
    // Only advice: where huge pages are not to be had the memory works with small ones.
    ::madvise(memory, size, MADV_HUGEPAGE);
    return memory;
}

void FreeLarge(void* memory, std::size_t bytes) noexcept
{
    if (memory)
        ::munmap(memory, WholeHugePages(bytes));
}

}  // namespace Platform
