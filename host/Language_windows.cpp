#include "host/Language.h"

#include <cstdlib>
#include <windows.h>

#include "host/WindowsText.h"

namespace Host {

namespace {

// A locale variable's value: locale names are ASCII, and anything else decides for English
// as an unknown name would.
std::string Variable(const wchar_t* name)
{
    const wchar_t* value = ::_wgetenv(name);
    return value ? Utf8FromWide(value) : std::string();
}

}  // namespace

// The variables a Unix-like shell (MSYS2, Cygwin, Git Bash) sets decide as on Linux; a plain
// Windows session has none of them, and there the user's interface language decides.
Language LanguageFromEnvironment()
{
    const std::string lcAll = Variable(L"LC_ALL");
    const std::string lcMessages = Variable(L"LC_MESSAGES");
    const std::string lang = Variable(L"LANG");
    return LanguageOfLocale(lcAll.c_str(), lcMessages.c_str(), lang.c_str(),
                            LanguageOfUserInterface(::GetUserDefaultUILanguage()));
}

}  // namespace Host
