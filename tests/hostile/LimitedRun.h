#pragma once
// Runs m5import the way a constrained system does: a file-size limit set in the child before
// the program starts (a full disk, as far as the program can tell), standard output sent to
// a file or device of the test's choice, or the program left running for a signal.
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "tests/support/M5Lines.h"
#include "tests/support/TestFiles.h"

namespace Testing {

// A field file that does not end: a FIFO made at path, a station header written into it and
// its writer kept open, so that an import reading it is still reading when a test interrupts
// it. The writer's descriptor, or -1 when the FIFO cannot be made or written.
inline int OpenEndlessFieldFile(const std::string& path)
{
    if (::mkfifo(path.c_str(), 0600) != 0)
        return -1;
    const int writer = ::open(path.c_str(), O_RDWR);
    if (writer < 0)
        return -1;
    const std::string header = CrLf({M5Line(1, TextInfo("KN STAT"))});
    if (::write(writer, header.data(), header.size()) != static_cast<ssize_t>(header.size())) {
        ::close(writer);
        return -1;
    }
    return writer;
}

struct LimitedRun {
    int Status = -1;
    std::string Err;
};

// The plug-in of the build tree and a settings store in the folder, then the arguments.
inline std::vector<std::string> M5ImportCommand(const std::vector<std::string>& arguments,
                                                const std::string& settingsFolder)
{
    std::vector<std::string> full = {M5IMPORT_PATH, "--plugin", M5PLUGIN_PATH, "--settings",
                                     settingsFolder + "/settings.ini"};
    full.insert(full.end(), arguments.begin(), arguments.end());
    return full;
}

// Starts the command with the file-size limit (RLIM_INFINITY for none), standard output to
// the named file and standard error to errFd (-1: both to /dev/null); returns its process id.
inline pid_t StartLimited(std::vector<std::string> command, rlim_t fileSizeLimit, const std::string& standardOutput,
                          int errFd)
{
    std::vector<char*> argv;
    for (std::string& argument : command)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit limit{fileSizeLimit, fileSizeLimit};
        const int out = ::open(standardOutput.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0 || out < 0)
            ::_exit(126);
        ::dup2(out, 1);
        ::dup2(errFd >= 0 ? errFd : out, 2);
        ::close(out);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    if (child < 0)
        throw std::runtime_error("fork failed");
    return child;
}

inline int ExitStatusOf(pid_t child)
{
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

inline LimitedRun RunM5ImportLimited(const std::vector<std::string>& arguments, rlim_t fileSizeLimit,
                                     const std::string& settingsFolder, const std::string& standardOutput = "/dev/null")
{
    int err[2];
    if (::pipe(err) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t child = StartLimited(M5ImportCommand(arguments, settingsFolder), fileSizeLimit, standardOutput, err[1]);
    ::close(err[1]);
    LimitedRun result;
    char buffer[4096];
    for (ssize_t got; (got = ::read(err[0], buffer, sizeof buffer)) > 0;)
        result.Err.append(buffer, static_cast<std::size_t>(got));
    ::close(err[0]);
    result.Status = ExitStatusOf(child);
    return result;
}

}  // namespace Testing
