#pragma once
// The GIS and CAD writer is a module of its own, libm5ogr.so, that m5import loads only when one
// of those formats is asked for: the geodata library it links brings some hundred shared
// libraries with it, whose loading would otherwise slow down every start of the program.
// Host and module are built together from the same sources, so the table passes C++ types.
#include <cstddef>
#include <string>

#include "host/ImportModel.h"
#include "host/OgrWriter.h"

namespace Host {

struct OgrModuleTable {
    std::size_t Size;  // sizeof(OgrModuleTable) as the module was built
    bool (*CheckDriver)(const std::string& driver, std::string& reason);
    bool (*CheckCrs)(const std::string& definition, std::string& reason);
    // COgrWriter::Write with these options.
    bool (*Write)(const OgrWriterOptions& options, const COgrWriter::WarningSink& warn, const ImportData& data,
                  const std::string& folder, const std::string& fileName, std::string& reason);
};

using OgrModuleEntry = const OgrModuleTable* (*)();
constexpr const char* OgrModuleEntryName = "M5OgrModule";
constexpr const char* OgrModuleName = "libm5ogr.so";

}  // namespace Host
