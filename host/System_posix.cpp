#include "host/System.h"

#include <csignal>
#include <cstdlib>
#include <unistd.h>

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

}  // namespace Host
