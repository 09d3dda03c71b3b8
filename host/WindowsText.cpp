#include "host/WindowsText.h"

#include "platform/Utf16.h"

namespace Host {

std::wstring WideFromUtf8(const std::string& utf8)
{
    const std::u16string units = Platform::Utf8ToUtf16(utf8);
    return std::wstring(units.begin(), units.end());
}

std::string Utf8FromWide(const std::wstring& wide)
{
    return Platform::Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

std::string SystemMessage(DWORD code)
{
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
        reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length && text ? std::wstring(text, length) : L"error " + std::to_wstring(code);
    ::LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
        message.pop_back();
    for (wchar_t& c : message)
        if (c == L'\r' || c == L'\n')
            c = L' ';
    return Utf8FromWide(message);
}

}  // namespace Host
