#pragma once
// What m5import asks of the operating system, one source per system (System_posix.cpp,
// System_windows.cpp): terminals, the standard streams, the settings folder and file names.
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

namespace Host {

// Sets up the standard streams once at start: on Windows output is written as bytes (UTF-8,
// no CR added before LF) and a console is told to show UTF-8 and to understand the progress
// bar's control sequences; on Linux a file-size limit ends in a write error, not a signal.
void PrepareStandardStreams();

// Whether the stream is a terminal (a console on Windows): the progress bar and --edit need one.
bool IsTerminal(std::FILE* stream);

// A thread for the host's own work. On Linux the ending signals (Ctrl-C, kill, a closed
// terminal) are held back on it, so that their handlers, which remove the files being written,
// always run on the main thread, where the sections that create and register those files hold
// the signals back too.
std::thread StartBackgroundThread(std::function<void()> work);

// The settings store when none is named: $XDG_CONFIG_HOME/m5import/settings.ini (or
// ~/.config/...) on Linux, %APPDATA%\m5import\settings.ini on Windows.
std::string DefaultSettingsPath();

// A UTF-8 file name as the file system takes it (wide on Windows).
inline std::filesystem::path FileSystemPath(const std::string& utf8)
{
    return std::filesystem::u8path(utf8);
}

}  // namespace Host
