// A build without the GIS and CAD outputs: no format of theirs is known, so none is made.
#include "host/OgrFormat.h"
#include "host/OutputFolder.h"

namespace Host {

bool IsOgrFormatName(const std::string&)
{
    return false;
}

std::string OgrFormatNamesForHelp()
{
    return std::string();
}

void AddOgrOptions(CLI::App&, ImportOptions&) {}

bool CheckOgrOptions(const ImportOptions& options, std::string& reason)
{
    if (options.Crs.empty())
        return true;
    reason = "--crs applies to the GIS and CAD formats, which this build does not have";
    return false;
}

std::unique_ptr<IOutputFormat> MakeOgrFormat(const ImportOptions&, std::string& reason)
{
    reason = "this build has no GIS and CAD formats";
    return nullptr;
}

void RemovePendingOutputFolder() noexcept {}

}  // namespace Host
