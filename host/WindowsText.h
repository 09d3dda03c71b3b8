#pragma once
// Text as the Windows services of m5import take and give it: UTF-16 names from the host's
// UTF-8, and the system's own words for an error code. Windows only.
#include <string>
#include <windows.h>

namespace Host {

std::wstring WideFromUtf8(const std::string& utf8);
std::string Utf8FromWide(const std::wstring& wide);

// FormatMessageW's text for a system error code, on one line, in UTF-8 ("error N" when the
// system has none).
std::string SystemMessage(DWORD code);

}  // namespace Host
