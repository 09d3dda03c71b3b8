// The entry of libm5ogr.so: the module's only exported symbol hands m5import its table.
#include "host/OgrModule.h"

namespace {

bool Write(const Host::OgrWriterOptions& options, const Host::COgrWriter::WarningSink& warn,
           const Host::ImportData& data, const std::string& folder, const std::string& fileName, std::string& reason)
{
    return Host::COgrWriter(options, warn).Write(data, folder, fileName, reason);
}

const Host::OgrModuleTable Table = {sizeof(Host::OgrModuleTable), &Host::COgrWriter::CheckDriver,
                                    &Host::COgrWriter::CheckCrs, &Write};

}  // namespace

extern "C" __attribute__((visibility("default"))) const Host::OgrModuleTable* M5OgrModule()
{
    return &Table;
}
