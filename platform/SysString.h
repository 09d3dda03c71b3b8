#pragma once
// OLE system strings as the plug-in boundary knows them: a 32-bit byte length, the UTF-16
// units, then a NUL. On Windows these are OLEAUT32's own; on Linux host and plug-in link
// this one library's stand-in, so either side may free what the other allocated.
#include <cstddef>
#include <cstdint>

namespace Platform {

using BSTR = char16_t*;

// A new system string holding a copy of the NUL-terminated text; null when text is null
// or the allocation fails.
BSTR SysAllocString(const char16_t* text) noexcept;
// A new system string of `length` units copied from text (which need not be terminated).
BSTR SysAllocStringLen(const char16_t* text, std::uint32_t length) noexcept;
// Frees a system string; null is allowed.
void SysFreeString(BSTR text) noexcept;
// Number of UTF-16 units, from the length prefix; 0 for null.
std::uint32_t SysStringLen(BSTR text) noexcept;

}  // namespace Platform
