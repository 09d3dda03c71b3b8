#include "host/PluginLibrary.h"

#include <vector>
#include <windows.h>

#include "host/WindowsText.h"

namespace Host {

namespace {

constexpr const wchar_t* LibraryName = L"m5plugin.dll";

// A relative name would be looked for along the DLL search path; the plug-in is loaded from
// exactly the file named.
std::wstring FullPath(const std::wstring& path)
{
    const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return path;
    std::wstring full(needed, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    full.resize(length < needed ? length : 0);
    return full.empty() ? path : full;
}

std::wstring ExecutableDirectory()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return L".";
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

}  // namespace

CPluginLibrary::~CPluginLibrary()
{
    if (Handle)
        ::FreeLibrary(static_cast<HMODULE>(Handle));
}

bool CPluginLibrary::Open(const std::string& path, std::string& reason)
{
    LibraryPath = path;
    // A library that cannot be loaded is reported here, not in a dialog box.
    DWORD previousMode = 0;
    ::SetThreadErrorMode(SEM_FAILCRITICALERRORS, &previousMode);
    Handle = ::LoadLibraryW(FullPath(WideFromUtf8(path)).c_str());
    const DWORD loadError = ::GetLastError();
    ::SetThreadErrorMode(previousMode, nullptr);
    if (!Handle) {
        reason = "cannot load plug-in " + path + ": " + SystemMessage(loadError);
        return false;
    }
    const FARPROC entry = ::GetProcAddress(static_cast<HMODULE>(Handle), "CreatePlugin");
    if (!entry) {
        reason = "cannot load plug-in " + path + ": it exports no CreatePlugin (" + SystemMessage(::GetLastError()) + ")";
        return false;
    }
    Create = reinterpret_cast<CreatePluginFunction>(reinterpret_cast<void*>(entry));
    return true;
}

std::string CPluginLibrary::DefaultPath()
{
    return Utf8FromWide(ExecutableDirectory() + L"\\" + LibraryName);
}

// The VERSIONINFO resource, as Explorer's Properties shows it: the strings of the first
// language and code page the record lists.
std::map<std::string, std::string> ReadVersionRecord(const std::string& libraryPath)
{
    std::map<std::string, std::string> record;
    const std::wstring path = WideFromUtf8(libraryPath);
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0)
        return record;
    std::vector<unsigned char> data(size);
    if (!::GetFileVersionInfoW(path.c_str(), 0, size, data.data()))
        return record;
    struct Translation {
        WORD Language;
        WORD CodePage;
    };
    void* value = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &value, &length) || length < sizeof(Translation))
        return record;
    const Translation translation = *static_cast<const Translation*>(value);
    wchar_t block[64];
    for (const wchar_t* key : {L"FileDescription", L"FileVersion", L"ProductVersion"}) {
        ::swprintf(block, 64, L"\\StringFileInfo\\%04x%04x\\%ls", translation.Language, translation.CodePage, key);
        if (::VerQueryValueW(data.data(), block, &value, &length) && length > 0)
            record[Utf8FromWide(key)] = Utf8FromWide(static_cast<const wchar_t*>(value));
    }
    return record;
}

}  // namespace Host
