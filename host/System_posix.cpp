#include "host/System.h"

#include <csignal>
#include <cstdlib>
#include <pthread.h>
#include <unistd.h>
#include <utility>

namespace Host {

void PrepareStandardStreams()
{
    // A full disk or a file-size limit must end in a message, not a signal.
    std::signal(SIGXFSZ, SIG_IGN);
}

bool IsTerminal(std::FILE* stream)
{
    return ::isatty(::fileno(stream)) == 1;
}

std::string DefaultSettingsPath()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (config && *config) {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : ".") + "/.config";
    }
    return base + "/m5import/settings.ini";
}

std::thread StartBackgroundThread(std::function<void()> work)
{
    // A new thread starts with its creator's signal mask.
    sigset_t ending, previous;
    sigemptyset(&ending);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&ending, signal);
    ::pthread_sigmask(SIG_BLOCK, &ending, &previous);
    try {
        std::thread thread(std::move(work));
        ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        return thread;
    } catch (...) {
        ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        throw;
    }
}

}  // namespace Host
