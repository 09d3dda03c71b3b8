#pragma once
// Texts the plug-in hands to the host: results as new system strings, arguments as
// NUL-terminated UTF-16 that the plug-in keeps.
#include <string>
#include <string_view>

namespace Plugin {

// A new system string with the text; null when it cannot be allocated. The host frees it.
char16_t* AllocSystemString(std::wstring_view text) noexcept;

// A NUL-terminated UTF-16 copy of a wide text, kept alive by the object for the call; throws
// HResultError E_OUTOFMEMORY when the copy cannot be allocated.
class CBoundaryText {
public:
    explicit CBoundaryText(std::wstring_view text);
    const char16_t* c_str() const noexcept { return Text.c_str(); }
private:
    std::u16string Text;
};

}  // namespace Plugin
