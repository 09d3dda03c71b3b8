#include "platform/SysString.h"

#include <windows.h>
#include <oleauto.h>

// The genuine OLE automation strings. wchar_t is UTF-16 here, so a system string is the
// boundary's char16_t text without any conversion.
static_assert(sizeof(wchar_t) == sizeof(char16_t), "wide characters are UTF-16 units on Windows");

namespace Platform {

namespace {

const OLECHAR* Units(const char16_t* text) { return reinterpret_cast<const OLECHAR*>(text); }

}  // namespace

BSTR SysAllocString(const char16_t* text) noexcept
{
    return text ? reinterpret_cast<BSTR>(::SysAllocString(Units(text))) : nullptr;
}

BSTR SysAllocStringLen(const char16_t* text, std::uint32_t length) noexcept
{
    // The system takes the length as a UINT and fails (null) when the bytes do not fit.
    return reinterpret_cast<BSTR>(::SysAllocStringLen(Units(text), length));
}

void SysFreeString(BSTR text) noexcept
{
    ::SysFreeString(reinterpret_cast<::BSTR>(text));
}

std::uint32_t SysStringLen(BSTR text) noexcept
{
    return ::SysStringLen(reinterpret_cast<::BSTR>(text));
}

}  // namespace Platform
