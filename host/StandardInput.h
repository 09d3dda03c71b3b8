#pragma once
// "-" among the files to import means standard input. The plug-in opens its files by name,
// so standard input is first copied whole to a private temporary file (created exclusively,
// with an unpredictable name, readable by the owner only) whose name the plug-in is given;
// the file is removed when the import is over, and also when an interrupt, a termination
// request or a hang-up ends the program (on Windows: Ctrl-C, Ctrl-Break or the console
// closing). Messages and outputs call it "<stdin>"; only the
// trace, which records the plug-in's calls exactly as they were made, shows the copy's name.
#include <string>
#include <vector>

namespace Host {

constexpr const char* StandardInputArgument = "-";
constexpr const char* StandardInputShownName = "<stdin>";

class CStandardInput {
public:
    CStandardInput() = default;
    ~CStandardInput();
    CStandardInput(const CStandardInput&) = delete;
    CStandardInput& operator=(const CStandardInput&) = delete;

    // Replaces "-" among the files with the copy of standard input, which the context should
    // be told to show as "<stdin>". False with a reason when "-" is given more than once
    // (status 2: the input can be read only once) or when standard input cannot be copied
    // (status 1).
    bool Prepare(std::vector<std::string>& files, std::string& reason, int& status);

    // Copies everything readable from fd into a new private temporary file; false with a reason.
    bool Spool(int fd, std::string& reason);
    const std::string& Path() const noexcept { return SpoolPath; }

private:
    std::string SpoolPath;
};

// Removes the copy of standard input at once, whatever the import is doing: what the handler
// that ends the program on an interrupt does first (the signal handler on Linux, the
// console's control handler on Windows). Safe from that handler's context; a copy still being
// written goes when its handle closes.
void RemoveStandardInputCopy() noexcept;

}  // namespace Host
