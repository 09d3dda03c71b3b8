#include "platform/SysString.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace Platform {

namespace {
constexpr std::size_t PrefixSize = sizeof(std::uint32_t);
}

BSTR SysAllocStringLen(const char16_t* text, std::uint32_t length) noexcept
{
    const std::uint64_t bytes = std::uint64_t{length} * sizeof(char16_t);
    if (bytes > std::numeric_limits<std::uint32_t>::max() - 8)
        return nullptr;
    auto* block = static_cast<unsigned char*>(std::malloc(PrefixSize + bytes + sizeof(char16_t)));
    if (!block)
        return nullptr;
    const auto byteLength = static_cast<std::uint32_t>(bytes);
    std::memcpy(block, &byteLength, PrefixSize);
    auto* units = reinterpret_cast<char16_t*>(block + PrefixSize);
    if (text && length)
        std::memcpy(units, text, bytes);
    units[length] = u'\0';
    return units;
}

BSTR SysAllocString(const char16_t* text) noexcept
{
    if (!text)
        return nullptr;
    std::size_t length = 0;
    while (text[length])
        ++length;
    if (length > std::numeric_limits<std::uint32_t>::max() / 2)
        return nullptr;
    return SysAllocStringLen(text, static_cast<std::uint32_t>(length));
}

void SysFreeString(BSTR text) noexcept
{
    if (text)
        std::free(reinterpret_cast<unsigned char*>(text) - PrefixSize);
}

std::uint32_t SysStringLen(BSTR text) noexcept
{
    if (!text)
        return 0;
    std::uint32_t byteLength = 0;
    std::memcpy(&byteLength, reinterpret_cast<unsigned char*>(text) - PrefixSize, PrefixSize);
    return static_cast<std::uint32_t>(byteLength / sizeof(char16_t));
}

}  // namespace Platform
