#include "host/OutputFile.h"

#include <atomic>
#include <random>
#include <streambuf>
#include <windows.h>

#include "platform/Utf16.h"

namespace Host {

namespace {

std::wstring Wide(const std::string& utf8)
{
    const std::u16string units = Platform::Utf8ToUtf16(utf8);
    return std::wstring(units.begin(), units.end());
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
    return Platform::Utf16ToUtf8(std::u16string(message.begin(), message.end()));
}

// Writes through a file handle; a failed write leaves the stream bad.
class HandleBuffer final : public std::streambuf {
public:
    void Attach(HANDLE file) { File = file; setp(Bytes, Bytes + sizeof Bytes); }
    DWORD Error() const noexcept { return LastError; }

protected:
    int_type overflow(int_type c) override
    {
        if (!Drain())
            return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override { return Drain() ? 0 : -1; }

private:
    bool Drain()
    {
        const char* at = pbase();
        while (at < pptr()) {
            DWORD wrote = 0;
            if (!::WriteFile(File, at, static_cast<DWORD>(pptr() - at), &wrote, nullptr) || wrote == 0) {
                LastError = ::GetLastError();
                return false;
            }
            at += wrote;
        }
        setp(Bytes, Bytes + sizeof Bytes);
        return true;
    }

    HANDLE File = INVALID_HANDLE_VALUE;
    DWORD LastError = 0;
    char Bytes[1 << 16];
};

// One output file is written at a time. The console's control handler runs on a thread of
// its own: it marks the open temporary file for deletion, so that the file goes with the
// process, which the system ends after the handler.
HandleBuffer Buffer;
std::atomic<HANDLE> PendingFile{INVALID_HANDLE_VALUE};

void DeleteOnClose(HANDLE file)
{
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
}

BOOL WINAPI OnConsoleControl(DWORD)
{
    const HANDLE file = PendingFile.exchange(INVALID_HANDLE_VALUE);
    if (file != INVALID_HANDLE_VALUE)
        DeleteOnClose(file);
    return FALSE;  // on to the default handling, which ends the process
}

std::string UnpredictableSuffix()
{
    std::random_device random;
    const auto value = (static_cast<unsigned long long>(random()) << 32) ^ random();
    char text[32];
    std::snprintf(text, sizeof text, ".tmp.%016llx", value);
    return text;
}

}  // namespace

void RemoveOutputOnInterrupt()
{
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

COutputFile::COutputFile(std::string path) : Path(std::move(path)) {}

COutputFile::~COutputFile()
{
    const HANDLE file = PendingFile.exchange(INVALID_HANDLE_VALUE);
    if (file != INVALID_HANDLE_VALUE) {
        DeleteOnClose(file);
        ::CloseHandle(file);
    }
}

// A new file beside the target, created exclusively under a name no one can guess, open for
// deletion by the control handler.
bool COutputFile::Open(std::string& reason)
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        Temporary = Path + UnpredictableSuffix();
        const HANDLE file = ::CreateFileW(Wide(Temporary).c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                          nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            PendingFile = file;
            Buffer.Attach(file);
            Out.std::basic_ios<char>::rdbuf(&Buffer);
            Out.clear();
            return true;
        }
        if (::GetLastError() != ERROR_FILE_EXISTS) {
            reason = "cannot write " + Path + ": " + SystemMessage(::GetLastError());
            break;
        }
    }
    Temporary.clear();
    if (reason.empty())
        reason = "cannot write " + Path + ": no temporary file name was free";
    return false;
}

// Everything on the disk, then the temporary file put in the target's place in one step.
bool COutputFile::Commit(std::string& reason)
{
    Out.flush();
    const HANDLE file = PendingFile.exchange(INVALID_HANDLE_VALUE);
    if (file == INVALID_HANDLE_VALUE) {
        reason = "cannot write " + Path + ": the output was interrupted";
        return false;
    }
    DWORD error = Out ? 0 : (Buffer.Error() ? Buffer.Error() : ERROR_WRITE_FAULT);
    if (!error && !::FlushFileBuffers(file))
        error = ::GetLastError();
    if (error) {
        DeleteOnClose(file);
        ::CloseHandle(file);
        reason = "cannot write " + Path + ": " + SystemMessage(error);
        return false;
    }
    ::CloseHandle(file);
    if (!::MoveFileExW(Wide(Temporary).c_str(), Wide(Path).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = ::GetLastError();
        ::DeleteFileW(Wide(Temporary).c_str());
        reason = "cannot write " + Path + ": " + SystemMessage(error);
        return false;
    }
    Committed = true;
    return true;
}

}  // namespace Host
