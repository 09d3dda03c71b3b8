#include "plugin/SystemStrings.h"

#include <new>

#include "platform/SysString.h"
#include "platform/Utf16.h"
#include "plugin/HResultError.h"

namespace Plugin {

char16_t* AllocSystemString(std::wstring_view text) noexcept
{
    try {
        const std::u16string units = Platform::WideToUtf16(text);
        return Platform::SysAllocStringLen(units.data(), static_cast<std::uint32_t>(units.size()));
    } catch (...) {
        return nullptr;
    }
}

CBoundaryText::CBoundaryText(std::wstring_view text)
{
    try {
        Text = Platform::WideToUtf16(text);
    } catch (const std::bad_alloc&) {
        throw HResultError(HResultError::OutOfMemory);
    }
}

}  // namespace Plugin
