#include "host/OutputFile.h"

#include <atomic>
#include <random>
#include <vector>
#include <windows.h>

#include "host/FirstErrorBuffer.h"
#include "host/StandardInput.h"
#include "host/WindowsText.h"

namespace Host {

namespace {

class CHandle {
public:
    CHandle() = default;
    explicit CHandle(HANDLE handle) : Handle(handle) {}
    ~CHandle() { Close(); }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;
    CHandle& operator=(HANDLE handle)
    {
        Close();
        Handle = handle;
        return *this;
    }
    HANDLE Get() const noexcept { return Handle; }
    bool Valid() const noexcept { return Handle != INVALID_HANDLE_VALUE && Handle != nullptr; }
    // 0, or the error of closing (which may be the last chance to hear of a failed write).
    DWORD Close() noexcept
    {
        DWORD error = 0;
        if (Valid() && !::CloseHandle(Handle))
            error = ::GetLastError();
        Handle = INVALID_HANDLE_VALUE;
        return error;
    }

private:
    HANDLE Handle = INVALID_HANDLE_VALUE;
};

// Writes every byte to a file handle; 0 or the error that stopped it.
DWORD WriteAll(HANDLE file, const char* data, std::size_t size)
{
    while (size > 0) {
        const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        DWORD wrote = 0;
        if (!::WriteFile(file, data, chunk, &wrote, nullptr))
            return ::GetLastError();
        if (wrote == 0)
            return ERROR_WRITE_FAULT;
        data += wrote;
        size -= wrote;
    }
    return 0;
}

// The temporary file being written, for the console's control handler, which runs on a
// thread of its own: it marks the file for deletion, so that the file goes with the process
// the system then ends. One output file is written at a time.
std::atomic<HANDLE> PendingTemporary{INVALID_HANDLE_VALUE};

void DeleteOnClose(HANDLE file) noexcept
{
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
}

std::string RandomSuffix()
{
    std::random_device random;  // the system's cryptographic generator on Windows
    char text[32];
    std::snprintf(text, sizeof text, ".tmp.%08x%08x", random(), random());
    return text;
}

enum class WriteKind { Replace, InPlace, Direct };

}  // namespace

struct COutputFile::State {
    WriteKind Kind = WriteKind::Replace;
    std::wstring Target;     // the file written in the end (a link's target, followed)
    std::string Temporary;   // UTF-8, empty when none
    CHandle File;            // what the stream writes to: the temporary file or the device
    CHandle TargetFile;      // a file with several links, written in place
    CFirstErrorBuffer<HANDLE, DWORD> Buffer{WriteAll};
    std::ostream Out{&Buffer};

    DWORD Replace();
    DWORD CopyInPlace();
};

namespace {

// The file a path names in the end: a symbolic link or junction is followed, so that the link
// stays a link and what it points to gets the new content.
std::wstring FollowLinks(const std::wstring& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return path;
    CHandle file(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return path;
    wchar_t final[32768];
    const DWORD length = ::GetFinalPathNameByHandleW(file.Get(), final, 32768, FILE_NAME_NORMALIZED);
    return length > 0 && length < 32768 ? std::wstring(final, length) : path;
}

}  // namespace

// Everything on the disk, then the temporary file put in the target's place in one step.
DWORD COutputFile::State::Replace()
{
    if (!::FlushFileBuffers(File.Get()))
        return ::GetLastError();
    if (const DWORD error = File.Close())
        return error;
    if (!::MoveFileExW(WideFromUtf8(Temporary).c_str(), Target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return ::GetLastError();
    Temporary.clear();
    return 0;
}

// A file with several links keeps its identity: the finished temporary file is copied into it.
DWORD COutputFile::State::CopyInPlace()
{
    if (::SetFilePointer(File.Get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
        ::SetFilePointer(TargetFile.Get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
        return ::GetLastError();
    std::vector<char> chunk(64 * 1024);
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(File.Get(), chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr))
            return ::GetLastError();
        if (got == 0)
            break;
        if (const DWORD error = WriteAll(TargetFile.Get(), chunk.data(), got))
            return error;
    }
    if (!::SetEndOfFile(TargetFile.Get()) || !::FlushFileBuffers(TargetFile.Get()))
        return ::GetLastError();
    return TargetFile.Close();
}

COutputFile::COutputFile(std::string path) : TargetPath(std::move(path)) {}

COutputFile::~COutputFile()
{
    Discard();
}

bool COutputFile::Open(std::string& reason)
{
    Impl = std::make_unique<State>();
    State& state = *Impl;
    const auto failed = [&](const std::string& why) {
        reason = "cannot write " + TargetPath + ": " + why;
        Impl.reset();
        return false;
    };
    state.Target = FollowLinks(WideFromUtf8(TargetPath));
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    CHandle existing(::CreateFileW(state.Target.c_str(), 0, share, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                   nullptr));
    if (existing.Valid()) {
        BY_HANDLE_FILE_INFORMATION info{};
        const DWORD type = ::GetFileType(existing.Get());
        const bool onDisk = type == FILE_TYPE_DISK && ::GetFileInformationByHandle(existing.Get(), &info);
        if (onDisk && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            return failed("it is a folder");
        if (!onDisk) {
            // NUL, CON, a serial port or a pipe: written directly, never replaced.
            state.Kind = WriteKind::Direct;
            state.File = ::CreateFileW(state.Target.c_str(), GENERIC_WRITE, share, nullptr, OPEN_EXISTING, 0, nullptr);
            if (!state.File.Valid())
                return failed(SystemMessage(::GetLastError()));
        } else if (info.nNumberOfLinks > 1) {
            state.Kind = WriteKind::InPlace;
            state.TargetFile = ::CreateFileW(state.Target.c_str(), GENERIC_WRITE, share, nullptr, OPEN_EXISTING, 0, nullptr);
            if (!state.TargetFile.Valid())
                return failed(SystemMessage(::GetLastError()));
        }
    }
    if (state.Kind != WriteKind::Direct) {
        const std::string target = Utf8FromWide(state.Target);
        DWORD error = ERROR_FILE_EXISTS;
        for (int attempt = 0; attempt < 16 && error == ERROR_FILE_EXISTS; ++attempt) {
            state.Temporary = target + RandomSuffix();
            // Created exclusively; open for deletion, which the control handler may ask for.
            state.File = ::CreateFileW(WideFromUtf8(state.Temporary).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                       FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                       nullptr);
            error = state.File.Valid() ? 0 : ::GetLastError();
        }
        if (error != 0) {
            state.Temporary.clear();
            return failed("cannot create a temporary file beside it: " + SystemMessage(error));
        }
        PendingTemporary = state.File.Get();
    }
    state.Buffer.Attach(state.File.Get());
    return true;
}

std::ostream& COutputFile::Stream()
{
    return Impl->Out;
}

bool COutputFile::Commit(std::string& reason)
{
    State& state = *Impl;
    state.Out.flush();
    DWORD error = state.Buffer.Error();
    if (error == 0 && !state.Out)
        error = ERROR_WRITE_FAULT;
    // The control handler took the temporary file away: the output was interrupted.
    if (error == 0 && state.Kind != WriteKind::Direct && PendingTemporary.load() != state.File.Get())
        error = ERROR_OPERATION_ABORTED;
    if (error == 0) {
        switch (state.Kind) {
        case WriteKind::Replace: error = state.Replace(); break;
        case WriteKind::InPlace: error = state.CopyInPlace(); break;
        case WriteKind::Direct: ::FlushFileBuffers(state.File.Get()); error = state.File.Close(); break;
        }
    }
    Discard();
    if (error != 0) {
        reason = "cannot write " + TargetPath + ": " + SystemMessage(error);
        return false;
    }
    return true;
}

// The stream stays valid until the object goes, but writes nothing more.
void COutputFile::Discard() noexcept
{
    if (!Impl)
        return;
    State& state = *Impl;
    state.Buffer.Detach();
    HANDLE expected = state.File.Get();
    PendingTemporary.compare_exchange_strong(expected, INVALID_HANDLE_VALUE);
    if (!state.Temporary.empty() && state.File.Valid())
        DeleteOnClose(state.File.Get());
    state.File.Close();
    state.TargetFile.Close();
    if (!state.Temporary.empty()) {
        ::DeleteFileW(WideFromUtf8(state.Temporary).c_str());
        state.Temporary.clear();
    }
}

bool WriteFileSafely(const std::string& path, const std::string& content, std::string& reason)
{
    COutputFile file(path);
    if (!file.Open(reason))
        return false;
    file.Stream().write(content.data(), static_cast<std::streamsize>(content.size()));
    return file.Commit(reason);
}

// Ctrl-C, Ctrl-Break, closing the console, logging off and shutting down: the temporary file
// is marked for deletion, the copy of standard input goes, and the default handling ends the
// process.
int HandleConsoleControl(unsigned long)
{
    const HANDLE file = PendingTemporary.exchange(INVALID_HANDLE_VALUE);
    if (file != INVALID_HANDLE_VALUE)
        DeleteOnClose(file);
    RemoveStandardInputCopy();
    return FALSE;
}

namespace {

BOOL WINAPI OnConsoleControl(DWORD event)
{
    return HandleConsoleControl(event);
}

}  // namespace

void RemoveOutputOnInterrupt()
{
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

}  // namespace Host
