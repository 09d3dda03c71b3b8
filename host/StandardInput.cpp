#include "host/StandardInput.h"

#include <algorithm>

namespace Host {

namespace {

constexpr int ExitUsage = 2;
constexpr int ExitFailed = 1;
constexpr int StandardInputDescriptor = 0;  // the C run-time's too on Windows

}  // namespace

bool CStandardInput::Prepare(std::vector<std::string>& files, std::string& reason, int& status)
{
    const auto count = std::count(files.begin(), files.end(), StandardInputArgument);
    if (count > 1) {
        reason = "standard input (-) can be imported only once";
        status = ExitUsage;
        return false;
    }
    if (count == 1 && !Spool(StandardInputDescriptor, reason)) {
        status = ExitFailed;
        return false;
    }
    for (std::string& file : files)
        if (file == StandardInputArgument)
            file = SpoolPath;
    return true;
}

}  // namespace Host
