#include "host/OgrFormat.h"

#include <cstdio>
#include <cstring>
#include <dlfcn.h>

#include <CLI/CLI.hpp>

#include "host/ImportModel.h"
#include "host/OgrModule.h"
#include "host/OutputFolder.h"
#include "host/PluginLibrary.h"

namespace Host {

namespace {

struct NamedFormat {
    const char* Name;
    const char* Driver;
};

const NamedFormat NamedFormats[] = {
    {"gpkg", "GPKG"}, {"shp", "ESRI Shapefile"}, {"geojson", "GeoJSON"}, {"kml", "KML"}, {"dxf", "DXF"},
};

constexpr const char* DriverPrefix = "ogr:";

// The driver's short name for a --format name; empty for a name that is none of these.
std::string DriverFor(const std::string& formatName)
{
    for (const NamedFormat& format : NamedFormats)
        if (formatName == format.Name)
            return format.Driver;
    if (formatName.rfind(DriverPrefix, 0) == 0 && formatName.size() > std::strlen(DriverPrefix))
        return formatName.substr(std::strlen(DriverPrefix));
    return std::string();
}

// KML places hold longitude and latitude in WGS 84 only.
bool NeedsGeographic(const std::string& driver)
{
    return driver == "KML" || driver == "LIBKML";
}

// The writer module, loaded at the first need and kept for the rest of the run (the geodata
// library is not made to be unloaded).
const OgrModuleTable* LoadModule(std::string& reason)
{
    static const OgrModuleTable* table = nullptr;
    static std::string failure;
    if (table || !failure.empty()) {
        reason = failure;
        return table;
    }
    const std::string path = FindProgramLibrary(OgrModuleName);
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    const auto entry = handle ? reinterpret_cast<OgrModuleEntry>(::dlsym(handle, OgrModuleEntryName)) : nullptr;
    table = entry ? entry() : nullptr;
    if (table && table->Size != sizeof(OgrModuleTable))
        table = nullptr;
    if (!table) {
        const char* error = handle ? nullptr : ::dlerror();
        failure = "cannot load the GIS and CAD writer: " + (error ? std::string(error) : path + " is not the writer of this build");
    }
    reason = failure;
    return table;
}

// Builds the model from the plug-in's calls and, once the last file is done, writes it into
// the private folder; the files go into place only when that succeeded.
class COgrFormat final : public IOutputFormat {
public:
    COgrFormat(const OgrModuleTable& module, OgrWriterOptions options, std::string target, bool quiet)
        : Module(module), Options(std::move(options)), Target(std::move(target)), Folder(Target),
          Warn([this, quiet](const std::string& text) {
              if (!quiet)
                  std::fprintf(stderr, "m5import: warning: %s: %s\n", Target.c_str(), text.c_str());
          })
    {
    }

    bool Open(std::string& reason) { return Folder.Open(reason); }
    void OnCall(const HostCall& call) override { Model.OnCall(call); }
    void Finish() override
    {
        Written = Module.Write(Options, Warn, Model.Data(), Folder.Path(), Folder.TargetName(), Failure);
    }

    bool Commit(std::string& reason) override
    {
        if (!Written) {
            reason = "cannot write " + Target + ": " + Failure;
            return false;
        }
        return Folder.Commit(reason);
    }

private:
    const OgrModuleTable& Module;
    OgrWriterOptions Options;
    std::string Target;
    COutputFolder Folder;
    COgrWriter::WarningSink Warn;
    CImportModel Model;
    bool Written = false;
    std::string Failure;
};

}  // namespace

std::string OgrFormatNamesForHelp()
{
    return "gpkg, shp, geojson, kml, dxf, ogr:DRIVER";
}

bool IsOgrFormatName(const std::string& name)
{
    return !DriverFor(name).empty();
}

void AddOgrOptions(CLI::App& app, ImportOptions& options)
{
    app.add_option("--crs", options.Crs,
                   "coordinate reference system of the GIS formats: EPSG:NNNN or any definition PROJ reads "
                   "(KML needs one; without it the layers have none)")
        ->type_name("CRS");
}

bool CheckOgrOptions(const ImportOptions& options, std::string& reason)
{
    if (!IsOgrFormatName(options.Output.Format)) {
        if (options.Crs.empty())
            return true;
        reason = "--crs applies to the GIS and CAD formats only (gpkg, shp, geojson, kml, dxf, ogr:DRIVER)";
        return false;
    }
    if (options.OutputPath.empty() || options.OutputPath == "-") {
        reason = "--format " + options.Output.Format + " writes files, not a stream: name one with -o FILE";
        return false;
    }
    if (!CheckFileTarget(options.OutputPath, reason))
        return false;
    const std::string driver = DriverFor(options.Output.Format);
    const OgrModuleTable* module = LoadModule(reason);
    if (!module || !module->CheckDriver(driver, reason))
        return false;
    if (!options.Crs.empty() && !module->CheckCrs(options.Crs, reason))
        return false;
    if (options.Crs.empty() && NeedsGeographic(driver)) {
        reason = "--format " + options.Output.Format +
                 " needs longitude and latitude: name the coordinate reference system of the points with --crs";
        return false;
    }
    return true;
}

std::unique_ptr<IOutputFormat> MakeOgrFormat(const ImportOptions& options, std::string& reason)
{
    const OgrModuleTable* module = LoadModule(reason);
    if (!module)
        return nullptr;
    OgrWriterOptions writerOptions;
    writerOptions.Driver = DriverFor(options.Output.Format);
    writerOptions.Crs = options.Crs;
    writerOptions.Geographic = NeedsGeographic(writerOptions.Driver);
    writerOptions.Angles = options.Output.Angles.value_or(AngleUnit::Radian);
    auto format = std::make_unique<COgrFormat>(*module, std::move(writerOptions), options.OutputPath, options.Quiet);
    if (!format->Open(reason))
        return nullptr;
    return format;
}

}  // namespace Host
