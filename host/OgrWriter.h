#pragma once
// The GIS and CAD formats, written through the geodata library's vector drivers from the
// import model: layers `stations`, `targets` and `points` (and `loose_targets` when a file has
// targets observed from no known station), one point feature per item with x the easting, y the
// northing and z the elevation, exactly as the plug-in sent them, and the item's values as
// attributes. A drawing (DXF) instead puts each item on the drawing layer of its code, as a
// point and its name as a text beside it.
#include <functional>
#include <string>

#include "host/AngleUnit.h"
#include "host/ImportModel.h"

namespace Host {

struct OgrWriterOptions {
    std::string Driver;  // the library's short name of the driver: "GPKG", "ESRI Shapefile", ...
    std::string Crs;     // any definition the projection library reads; empty for none
    bool Geographic = false;  // the driver takes longitude and latitude in WGS 84 (KML)
    // The unit of the Hz and V attributes: degrees-minutes-seconds are written as text
    // (123°45'30.0"), the others as real numbers.
    AngleUnit Angles = AngleUnit::Radian;
};

class COgrWriter {
public:
    using WarningSink = std::function<void(const std::string&)>;

    COgrWriter(OgrWriterOptions options, WarningSink warn) : Options(std::move(options)), Warn(std::move(warn)) {}

    // Writes the model into folder as fileName, or, for a driver that holds one layer per file,
    // as one file per layer named stem_layer.ext after it. False with a one-line reason when
    // the driver, a layer, a feature or the closing of the file failed.
    bool Write(const ImportData& data, const std::string& folder, const std::string& fileName, std::string& reason);

    // Whether the driver exists, writes vector data and creates files; false with a reason.
    static bool CheckDriver(const std::string& driver, std::string& reason);
    // Whether the definition names a coordinate reference system; false with a reason.
    static bool CheckCrs(const std::string& definition, std::string& reason);

private:
    OgrWriterOptions Options;
    WarningSink Warn;
};

}  // namespace Host
