#include "host/System.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <utility>

#include "platform/Utf16.h"

namespace Host {

namespace {

HANDLE HandleOf(std::FILE* stream)
{
    return reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
}

}  // namespace

void PrepareStandardStreams()
{
    // Bytes as written: the trace and CSV keep their line ends, and UTF-8 stays UTF-8.
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
    ::SetConsoleOutputCP(CP_UTF8);
    DWORD mode = 0;
    const HANDLE errors = HandleOf(stderr);
    if (::GetConsoleMode(errors, &mode))
        ::SetConsoleMode(errors, mode | ENABLE_PROCESSED_OUTPUT | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

bool IsTerminal(std::FILE* stream)
{
    DWORD mode = 0;
    return ::GetConsoleMode(HandleOf(stream), &mode) != 0;
}

std::string DefaultSettingsPath()
{
    const wchar_t* appData = ::_wgetenv(L"APPDATA");
    std::wstring base = appData && *appData ? appData : L".";
    base += L"\\m5import\\settings.ini";
    return Platform::Utf16ToUtf8(std::u16string(base.begin(), base.end()));
}

// The console's control handler runs on a thread of its own, whichever threads there are.
std::thread StartBackgroundThread(std::function<void()> work)
{
    return std::thread(std::move(work));
}

}  // namespace Host
