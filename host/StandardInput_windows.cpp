#include "host/StandardInput.h"

#include <cstdio>
#include <io.h>
#include <random>
#include <vector>
#include <windows.h>

#include "host/WindowsText.h"

namespace Host {

namespace {

// The copy as the console's control handler, on a thread of its own, finds it: while it is
// written, the handle it is written through (opened for deletion); once written, its name.
// The lock keeps the handler from marking a handle that is being closed. Standard input is
// copied once per run.
SRWLOCK CopyLock = SRWLOCK_INIT;
HANDLE CopyBeingWritten = INVALID_HANDLE_VALUE;
std::wstring CopyName;
bool CopyTakenAway = false;

class CCopyLock {
public:
    CCopyLock() { ::AcquireSRWLockExclusive(&CopyLock); }
    ~CCopyLock() { ::ReleaseSRWLockExclusive(&CopyLock); }
    CCopyLock(const CCopyLock&) = delete;
    CCopyLock& operator=(const CCopyLock&) = delete;
};

// While the plug-in or the layout scan reads the copy, the file is open without sharing
// deletion and cannot be removed; they read a file whole and close it, so the removal is
// tried again for a while before it is given up.
constexpr DWORD RemovalPatienceMs = 3000;
constexpr DWORD RemovalRetryMs = 10;

bool RemoveByName(const std::wstring& name) noexcept
{
    for (DWORD waited = 0;; waited += RemovalRetryMs) {
        if (::DeleteFileW(name.c_str()))
            return true;
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return true;
        if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) || waited >= RemovalPatienceMs)
            return false;
        ::Sleep(RemovalRetryMs);
    }
}

std::wstring TemporaryFolder()
{
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH)
        return L".\\";
    return std::wstring(folder, length);  // ends with a backslash
}

std::wstring UnpredictableName(const std::wstring& folder)
{
    std::random_device random;  // the system's cryptographic generator on Windows
    wchar_t suffix[32];
    std::swprintf(suffix, 32, L"%08x%08x", random(), random());
    return folder + L"m5import-stdin." + suffix;
}

// A security descriptor whose access list lets the user running the program alone open the
// copy, whatever the temporary folder would pass on to it.
class CPrivateFileSecurity {
public:
    CPrivateFileSecurity()
    {
        HANDLE token = nullptr;
        if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
            return;
        DWORD size = 0;
        ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        User.resize(size);
        const bool known = size > 0 && ::GetTokenInformation(token, TokenUser, User.data(), size, &size);
        ::CloseHandle(token);
        if (!known)
            return;
        const PSID sid = reinterpret_cast<TOKEN_USER*>(User.data())->User.Sid;
        Acl.resize(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + ::GetLengthSid(sid));
        auto* acl = reinterpret_cast<ACL*>(Acl.data());
        if (::InitializeAcl(acl, static_cast<DWORD>(Acl.size()), ACL_REVISION) &&
            ::AddAccessAllowedAce(acl, ACL_REVISION, GENERIC_ALL, sid) &&
            ::InitializeSecurityDescriptor(&Descriptor, SECURITY_DESCRIPTOR_REVISION) &&
            ::SetSecurityDescriptorDacl(&Descriptor, TRUE, acl, FALSE)) {
            Attributes.lpSecurityDescriptor = &Descriptor;
        }
    }
    CPrivateFileSecurity(const CPrivateFileSecurity&) = delete;
    CPrivateFileSecurity& operator=(const CPrivateFileSecurity&) = delete;

    // Null when the descriptor could not be made: the folder's own rules apply then.
    SECURITY_ATTRIBUTES* Get() { return Attributes.lpSecurityDescriptor ? &Attributes : nullptr; }

private:
    std::vector<BYTE> User;
    std::vector<BYTE> Acl;
    SECURITY_DESCRIPTOR Descriptor{};
    SECURITY_ATTRIBUTES Attributes{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
};

// Creates the copy exclusively under a new unpredictable name and registers it for removal
// in the same step; INVALID_HANDLE_VALUE with the error when no name could be had.
HANDLE CreateCopy(const std::wstring& folder, DWORD& error)
{
    CPrivateFileSecurity security;
    error = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < 16 && error == ERROR_FILE_EXISTS; ++attempt) {
        const std::wstring name = UnpredictableName(folder);
        const CCopyLock lock;
        const HANDLE file = ::CreateFileW(name.c_str(), GENERIC_WRITE | DELETE, 0, security.Get(), CREATE_NEW,
                                          FILE_ATTRIBUTE_TEMPORARY, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CopyBeingWritten = file;
            CopyName = name;
            CopyTakenAway = false;
            return file;
        }
        error = ::GetLastError();
    }
    return INVALID_HANDLE_VALUE;
}

// Copies everything from standard input's handle, as bytes: 0 or the error that stopped it.
// A pipe whose writer has gone has simply ended; a console ends at a Ctrl-Z line.
DWORD Copy(HANDLE from, HANDLE to)
{
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
            const DWORD error = ::GetLastError();
            return error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF ? 0 : error;
        }
        if (got == 0)
            return 0;
        for (DWORD done = 0; done < got;) {
            DWORD wrote = 0;
            if (!::WriteFile(to, buffer.data() + done, got - done, &wrote, nullptr))
                return ::GetLastError();
            if (wrote == 0)
                return ERROR_WRITE_FAULT;
            done += wrote;
        }
    }
}

// Closes the copy once written; false when the control handler took it away meanwhile.
bool FinishCopy(HANDLE file, DWORD& error)
{
    const CCopyLock lock;
    if (!::CloseHandle(file) && error == 0)
        error = ::GetLastError();
    CopyBeingWritten = INVALID_HANDLE_VALUE;
    if (CopyTakenAway && error == 0)
        error = ERROR_OPERATION_ABORTED;
    return error == 0;
}

}  // namespace

void RemoveStandardInputCopy() noexcept
{
    const CCopyLock lock;
    if (CopyBeingWritten != INVALID_HANDLE_VALUE) {
        // Goes when the copying thread closes its handle, or with the process.
        FILE_DISPOSITION_INFO disposition{};
        disposition.DeleteFile = TRUE;
        ::SetFileInformationByHandle(CopyBeingWritten, FileDispositionInfo, &disposition, sizeof disposition);
        CopyTakenAway = true;
    } else if (!CopyName.empty() && RemoveByName(CopyName)) {
        CopyName.clear();
    }
}

CStandardInput::~CStandardInput()
{
    if (SpoolPath.empty())
        return;
    const CCopyLock lock;
    if (!CopyName.empty()) {
        RemoveByName(CopyName);
        CopyName.clear();
    }
}

bool CStandardInput::Spool(int fd, std::string& reason)
{
    const HANDLE input = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    if (input == INVALID_HANDLE_VALUE || input == nullptr) {
        reason = "cannot copy standard input: it is not open";
        return false;
    }
    const std::wstring folder = TemporaryFolder();
    DWORD error = 0;
    const HANDLE copy = CreateCopy(folder, error);
    if (copy == INVALID_HANDLE_VALUE) {
        reason = "cannot copy standard input to a temporary file in " + Utf8FromWide(folder) + ": " +
                 SystemMessage(error);
        return false;
    }
    {
        const CCopyLock lock;
        SpoolPath = Utf8FromWide(CopyName);
    }
    error = Copy(input, copy);
    if (!FinishCopy(copy, error)) {
        reason = "cannot copy standard input to " + SpoolPath + ": " + SystemMessage(error);
        return false;
    }
    return true;
}

}  // namespace Host
