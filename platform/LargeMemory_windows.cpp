#include "platform/LargeMemory.h"

#include <windows.h>

namespace Platform {

// Committed pages from the system come zeroed; large pages need a privilege a user seldom
// has, so these are the system's ordinary pages.
void* AllocateLarge(std::size_t bytes)
{
    void* memory = ::VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!memory)
        throw std::bad_alloc();
    return memory;
}

void FreeLarge(void* memory, std::size_t) noexcept
{
    if (memory)
        ::VirtualFree(memory, 0, MEM_RELEASE);
}

}  // namespace Platform
