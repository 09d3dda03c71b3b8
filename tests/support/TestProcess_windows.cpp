#include <cstdlib>
#include <stdexcept>
#include <thread>
#include <windows.h>

#include "platform/Utf16.h"
#include "tests/support/TestFiles.h"

namespace Testing {

namespace {

std::wstring Wide(const std::string& utf8)
{
    const std::u16string units = Platform::Utf8ToUtf16(utf8);
    return std::wstring(units.begin(), units.end());
}

std::string Utf8(const std::wstring& wide)
{
    return Platform::Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

// One argument as the C run-time's command-line parser reads it back.
std::wstring Quoted(const std::wstring& argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos)
        return argument;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

std::string ReadAllFrom(HANDLE pipe)
{
    std::string text;
    char buffer[65536];
    DWORD got = 0;
    while (::ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    return text;
}

struct Pipe {
    HANDLE Read = nullptr;
    HANDLE Write = nullptr;
};

// A pipe whose one end (the child's) is inherited.
Pipe MakePipe(bool childReads)
{
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    Pipe pipe;
    if (!::CreatePipe(&pipe.Read, &pipe.Write, &inherit, 0))
        throw std::runtime_error("pipe failed");
    ::SetHandleInformation(childReads ? pipe.Write : pipe.Read, HANDLE_FLAG_INHERIT, 0);
    return pipe;
}

std::wstring ExecutableDirectory()
{
    wchar_t path[MAX_PATH * 4];
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    std::wstring text(path, length);
    return text.substr(0, text.find_last_of(L"\\/"));
}

}  // namespace

std::string TemporaryBase()
{
    wchar_t path[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, path);
    std::string base = Utf8(std::wstring(path, length));
    for (char& c : base)
        if (c == '\\')
            c = '/';
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    return base;
}

std::string M5ImportPath()
{
    return Utf8(ExecutableDirectory()) + "/m5import.exe";
}

void SetEnvironment(const std::string& name, const std::string& value)
{
    ::SetEnvironmentVariableW(Wide(name).c_str(), Wide(value).c_str());
    ::_wputenv_s(Wide(name).c_str(), Wide(value).c_str());
}

RunResult RunProgram(const std::string& program, const std::vector<std::string>& arguments, const std::string& input)
{
    const Pipe in = MakePipe(true);
    const Pipe out = MakePipe(false);
    const Pipe err = MakePipe(false);
    std::wstring commandLine = Quoted(Wide(program));
    for (const std::string& argument : arguments)
        commandLine += L" " + Quoted(Wide(argument));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in.Read;
    startup.hStdOutput = out.Write;
    startup.hStdError = err.Write;
    PROCESS_INFORMATION process{};
    const BOOL started = ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                          nullptr, nullptr, &startup, &process);
    ::CloseHandle(in.Read);
    ::CloseHandle(out.Write);
    ::CloseHandle(err.Write);
    RunResult result;
    if (!started) {
        ::CloseHandle(in.Write);
        ::CloseHandle(out.Read);
        ::CloseHandle(err.Read);
        result.Status = 127;
        return result;
    }
    std::thread writer([&] {
        DWORD wrote = 0;
        for (std::size_t done = 0; done < input.size(); done += wrote) {
            if (!::WriteFile(in.Write, input.data() + done, static_cast<DWORD>(input.size() - done), &wrote, nullptr))
                break;
        }
        ::CloseHandle(in.Write);
    });
    std::thread errors([&] { result.Err = ReadAllFrom(err.Read); });
    result.Out = ReadAllFrom(out.Read);
    errors.join();
    writer.join();
    ::CloseHandle(out.Read);
    ::CloseHandle(err.Read);
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    ::GetExitCodeProcess(process.hProcess, &status);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
    result.Status = static_cast<int>(status);
    return result;
}

}  // namespace Testing
