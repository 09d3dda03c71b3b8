#include "tests/support/TestFiles.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace Testing {

namespace {

void RemoveTree(const std::string& path)
{
    const std::string command = "rm -rf '" + path + "'";
    if (std::system(command.c_str()) != 0) {
        // Leftovers in the temporary folder do no harm.
    }
}

std::string ReadAllFrom(int fd)
{
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return text;
}

}  // namespace

CTempFolder::CTempFolder()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/m5test.XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary folder");
    Folder = pattern;
}

CTempFolder::~CTempFolder()
{
    RemoveTree(Folder);
}

std::string CTempFolder::Write(const std::string& name, const std::string& bytes) const
{
    const std::string path = Folder + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

RunResult RunProgram(const std::string& program, const std::vector<std::string>& arguments, const std::string& input)
{
    int in[2], out[2], err[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0 || ::pipe(err) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
            ::close(fd);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    std::thread writer([&] {
        std::size_t written = 0;
        while (written < input.size()) {
            const ssize_t n = ::write(in[1], input.data() + written, input.size() - written);
            if (n <= 0)
                break;
            written += static_cast<std::size_t>(n);
        }
        ::close(in[1]);
    });
    RunResult result;
    std::thread errors([&] { result.Err = ReadAllFrom(err[0]); });
    result.Out = ReadAllFrom(out[0]);
    errors.join();
    writer.join();
    ::close(out[0]);
    ::close(err[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

RunResult RunM5Import(const std::vector<std::string>& arguments, const std::string& input)
{
    std::vector<std::string> full;
    bool hasPlugin = false;
    bool hasSettings = false;
    for (const std::string& argument : arguments) {
        hasPlugin = hasPlugin || argument == "--plugin";
        hasSettings = hasSettings || argument == "--settings";
    }
    const CTempFolder scratch;
    const bool isSettingsCommand = !arguments.empty() && arguments[0] == "settings";
    if (isSettingsCommand)
        full.push_back("settings");
    if (!hasPlugin) {
        full.push_back("--plugin");
        full.push_back(M5PLUGIN_PATH);
    }
    if (!hasSettings) {
        full.push_back("--settings");
        full.push_back(scratch.Path() + "/settings.ini");
    }
    for (std::size_t i = isSettingsCommand ? 1 : 0; i < arguments.size(); ++i)
        full.push_back(arguments[i]);
    return RunProgram(M5IMPORT_PATH, full, input);
}

std::string CrLf(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

std::string SamplesFolder()
{
    const std::string folder = M5_SAMPLES_DIR;
    return FileExists(folder + "/README.md") ? folder : std::string();
}

}  // namespace Testing
