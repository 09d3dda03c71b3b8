#pragma once
// The GIS and CAD formats as outputs of an import (gpkg, shp, geojson, kml, dxf, ogr:DRIVER):
// their command-line option, the checks made before anything is imported, and the output
// that writes the import model into a private folder and moves the files into place.
#include <memory>
#include <string>

#include "host/HostCommands.h"
#include "host/OutputFormat.h"

namespace CLI {
class App;
}

namespace Host {

bool IsOgrFormatName(const std::string& name);
// The names of these formats as --help lists them; empty in a build without them.
std::string OgrFormatNamesForHelp();

// Adds --crs to the import's options.
void AddOgrOptions(CLI::App& app, ImportOptions& options);

// Whether the options make sense together: --crs only for these formats, a file to write to
// (absent or a regular file), a driver that creates files, a coordinate reference system that is one, and one for KML,
// whose coordinates are longitude and latitude. False with a one-line reason (a usage error).
bool CheckOgrOptions(const ImportOptions& options, std::string& reason);

// The output for options that passed CheckOgrOptions, its private folder made beside the
// target; null with a reason when the writer cannot be loaded or the folder cannot be made.
std::unique_ptr<IOutputFormat> MakeOgrFormat(const ImportOptions& options, std::string& reason);

}  // namespace Host
