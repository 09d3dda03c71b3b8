#pragma once
// The thread's ANSI code page of the field software is Windows-1251 (Cyrillic); every byte
// has a UTF-16 unit, so the conversion cannot fail.
#include <cstddef>
#include <string>

namespace Platform {

char16_t DecodeWindows1251(unsigned char byte) noexcept;
// Replaces out with the decoded bytes (one wide character per byte).
void DecodeWindows1251(const char* bytes, std::size_t count, std::wstring& out);

}  // namespace Platform
