#include "host/OgrWriter.h"

#include <cpl_error.h>

#include "host/OgrLayers.h"

namespace Host {

namespace {

using namespace Ogr;

void RegisterDrivers()
{
    static const bool registered = (GDALAllRegister(), true);
    (void)registered;
}

// What the library reports while a file is written: the first failure becomes the reason
// the write failed, warnings go to the user as they come.
class CLibraryReports {
public:
    explicit CLibraryReports(COgrWriter::WarningSink warn) : Warn(std::move(warn)) { CPLPushErrorHandlerEx(&Handle, this); }
    ~CLibraryReports() { CPLPopErrorHandler(); }
    CLibraryReports(const CLibraryReports&) = delete;
    CLibraryReports& operator=(const CLibraryReports&) = delete;

    bool Failed() const noexcept { return !Failure.empty(); }
    // The reason of the first failure, or what of the caller's failed when the library said nothing.
    std::string Reason(const std::string& fallback) const { return Failure.empty() ? fallback : Failure; }

private:
    static void CPL_STDCALL Handle(CPLErr level, CPLErrorNum, const char* message)
    {
        auto* self = static_cast<CLibraryReports*>(CPLGetErrorHandlerUserData());
        if (level >= CE_Failure && self->Failure.empty())
            self->Failure = message && *message ? message : "the library failed";
        else if (level == CE_Warning && message)
            self->Warn(message);
    }

    COgrWriter::WarningSink Warn;
    std::string Failure;
};

bool ReadCrs(const std::string& definition, OGRSpatialReference& crs)
{
    if (crs.SetFromUserInput(definition.c_str()) != OGRERR_NONE)
        return false;
    // Easting first, as the features are written, whatever order the definition's authority gives.
    crs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    return true;
}

}  // namespace

bool COgrWriter::CheckDriver(const std::string& driverName, std::string& reason)
{
    RegisterDrivers();
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(driverName.c_str());
    if (!driver) {
        reason = "no driver named " + driverName + " (ogrinfo --formats lists the vector drivers)";
        return false;
    }
    if (!driver->GetMetadataItem(GDAL_DCAP_VECTOR)) {
        reason = "the " + driverName + " driver writes no vector data";
        return false;
    }
    if (!driver->GetMetadataItem(GDAL_DCAP_CREATE)) {
        reason = "the " + driverName + " driver cannot create files";
        return false;
    }
    return true;
}

bool COgrWriter::CheckCrs(const std::string& definition, std::string& reason)
{
    RegisterDrivers();
    OGRSpatialReference crs;
    CLibraryReports quiet([](const std::string&) {});
    if (!ReadCrs(definition, crs)) {
        reason = "--crs " + definition + ": not a coordinate reference system the projection library knows";
        return false;
    }
    return true;
}

bool COgrWriter::Write(const ImportData& data, const std::string& folder, const std::string& fileName,
                       std::string& reason)
{
    RegisterDrivers();
    CLibraryReports reports(Warn);
    OGRSpatialReference crs, geographic;
    if (!Options.Crs.empty() && !ReadCrs(Options.Crs, crs)) {
        reason = reports.Reason("--crs " + Options.Crs + ": not a coordinate reference system");
        return false;
    }
    TransformHolder toGeographic(nullptr, &OGRCoordinateTransformation::DestroyCT);
    if (Options.Geographic && !Options.Crs.empty()) {
        geographic.SetWellKnownGeogCS("WGS84");
        geographic.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
        toGeographic.reset(OGRCreateCoordinateTransformation(&crs, &geographic));
        if (!toGeographic) {
            reason = reports.Reason("no transformation from " + Options.Crs + " to WGS 84");
            return false;
        }
    }
    OGRSpatialReference* layerCrs = toGeographic ? &geographic : Options.Crs.empty() ? nullptr : &crs;
    const WriteContext context{Options, Warn, layerCrs, toGeographic.get(), KeepsItemsWithoutPosition(Options.Driver),
                               Options.Driver == "ESRI Shapefile"};
    const std::vector<LayerPlan> layers = PlanLayers(data);
    bool written = false;
    if (Options.Driver == "DXF") {
        if (!Options.Crs.empty())
            Warn("a drawing holds no coordinate reference system: --crs " + Options.Crs + " is not written");
        written = WriteDrawing(layers, folder, fileName, context);
    } else {
        written = WriteTables(layers, folder, fileName, context);
    }
    // The datasets are closed by now, so a failure while flushing them is among the reports.
    if (!written || reports.Failed()) {
        reason = reports.Reason("the " + Options.Driver + " driver failed");
        return false;
    }
    return true;
}

}  // namespace Host
