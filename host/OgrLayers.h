#pragma once
// Inside the GIS and CAD writer: the layers of an import as the writer plans them, what the
// writing of one output shares, and the two ways of writing it: as layers of features with
// attributes (every format but a drawing), or as a drawing.
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include "host/ImportModel.h"
#include "host/OgrWriter.h"

namespace Host::Ogr {

// One feature to be: the item, its file and, in the targets layer, its station's name.
struct LayerItem {
    const ImportedFile* File;
    const ImportedPoint* Point;
    const std::string* Station;
};

struct LayerPlan {
    const char* Name;
    bool HasStation;
    std::vector<LayerItem> Items;
};

// stations, targets, points and, when there are any, loose_targets, the items in the order of
// the files and of the model.
std::vector<LayerPlan> PlanLayers(const ImportData& data);

inline bool HasPosition(const ImportedPoint& point)
{
    return point.X && point.Y;
}

bool IsOneOf(const std::string& driver, std::initializer_list<const char*> names);

using DatasetHolder = GDALDatasetUniquePtr;
using TransformHolder = std::unique_ptr<OGRCoordinateTransformation, decltype(&OGRCoordinateTransformation::DestroyCT)>;

// What every layer of one write shares.
struct WriteContext {
    const OgrWriterOptions& Options;
    const COgrWriter::WarningSink& Warn;
    OGRSpatialReference* LayerCrs;              // null: none
    OGRCoordinateTransformation* ToGeographic;  // null: the coordinates go out as sent
    bool KeepsItemsWithoutPosition;
    bool ElevationRequired;  // every point of a layer has an elevation, 0 where none was sent
};

// The item's position in the layer's coordinates: easting, northing and the elevation where
// there is one; empty without both plane coordinates or where the transformation failed.
std::optional<OGRPoint> PositionOf(const ImportedPoint& point, const WriteContext& context);

DatasetHolder CreateDataset(const std::string& driverName, const std::string& path, char** options = nullptr);

// Whether the driver's files hold a feature without a geometry.
bool KeepsItemsWithoutPosition(const std::string& driver);

// Layers of features with attributes, in one file or, for a driver that holds one layer per
// file, in one file per layer named stem_layer.ext after fileName.
bool WriteTables(const std::vector<LayerPlan>& layers, const std::string& folder, const std::string& fileName,
                 const WriteContext& context);

// A drawing: every item on the drawing layer of its code, as a point and a text with its name.
bool WriteDrawing(const std::vector<LayerPlan>& layers, const std::string& folder, const std::string& fileName,
                  const WriteContext& context);

}  // namespace Host::Ogr
