#pragma once
// The exception of platform-level failures, carrying a Windows HRESULT.
#include <cstdint>
#include <exception>

namespace Plugin {

class HResultError : public std::exception {
public:
    static constexpr std::uint32_t Fail = 0x80004005;         // E_FAIL
    static constexpr std::uint32_t OutOfMemory = 0x8007000E;  // E_OUTOFMEMORY
    static constexpr std::uint32_t InvalidArg = 0x80070057;   // E_INVALIDARG

    explicit HResultError(std::uint32_t code) noexcept : Code(code) {}
    // The HRESULT of a failed system call: a positive last-error value v becomes
    // 0x80070000 | (v & 0xFFFF); 0 or below is taken unchanged.
    static HResultError FromLastError(std::int32_t lastError) noexcept;

    std::uint32_t GetCode() const noexcept { return Code; }
    const char* what() const noexcept override { return "platform call failed"; }

private:
    std::uint32_t Code;
};

inline HResultError HResultError::FromLastError(std::int32_t lastError) noexcept
{
    if (lastError <= 0)
        return HResultError(static_cast<std::uint32_t>(lastError));
    return HResultError(0x80070000u | (static_cast<std::uint32_t>(lastError) & 0xFFFFu));
}

}  // namespace Plugin
