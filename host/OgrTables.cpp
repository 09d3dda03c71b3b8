// Layers of features with attributes: every GIS format but a drawing.
#include "host/OgrLayers.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <unistd.h>

#include "host/AngleUnit.h"

namespace Host::Ogr {

// Drivers whose files hold a feature without a geometry; every other driver gets only the
// items with a position, so that no driver refuses the import halfway.
bool KeepsItemsWithoutPosition(const std::string& driver)
{
    return IsOneOf(driver, {"GPKG", "GeoJSON", "GeoJSONSeq", "CSV", "SQLite", "ODS", "XLSX"});
}

namespace {

// Drivers that take points without an elevation into a layer of points with one.
bool MixesElevations(const std::string& driver)
{
    return IsOneOf(driver, {"GPKG", "GeoJSON", "GeoJSONSeq", "KML", "LIBKML"});
}

// dBase tables hold field names of ten characters.
bool HasShortFieldNames(const std::string& driver)
{
    return driver == "ESRI Shapefile";
}

// Drivers that write a single layer into a file, or a folder of files for several.
bool HoldsOneLayerPerFile(const std::string& driver)
{
    return IsOneOf(driver, {"ESRI Shapefile", "GeoJSON", "GeoJSONSeq", "CSV", "FlatGeobuf", "MapInfo File"});
}

enum class FieldType { Text, Integer, Real, Angle };

struct AttributeField {
    const char* Name;
    const char* ShortName;  // for ten-character field names
    FieldType Type;
    const std::optional<double> ImportedPoint::*Value;  // for real numbers and angles
};

// The attributes in the order they appear; the first six are read by TextOf and IntegerOf.
const AttributeField Fields[] = {
    {"file", "file", FieldType::Text, nullptr},
    {"name", "name", FieldType::Text, nullptr},
    {"code", "code", FieldType::Text, nullptr},
    {"kind", "kind", FieldType::Integer, nullptr},
    {"flag", "flag", FieldType::Integer, nullptr},
    {"station", "station", FieldType::Text, nullptr},
    {"instrument_height", "instr_ht", FieldType::Real, &ImportedPoint::InstrumentHeight},
    {"target_height", "target_ht", FieldType::Real, &ImportedPoint::TargetHeight},
    {"hz", "hz", FieldType::Angle, &ImportedPoint::HorizontalAngle},
    {"v", "v", FieldType::Angle, &ImportedPoint::VerticalAngle},
    {"sd", "sd", FieldType::Real, &ImportedPoint::SlopeDistance},
    {"hd", "hd", FieldType::Real, &ImportedPoint::HorizontalDistance},
    {"height_difference", "height_dif", FieldType::Real, &ImportedPoint::HeightDifference},
    {"pressure", "pressure", FieldType::Real, &ImportedPoint::Pressure},
    {"temperature", "temperatur", FieldType::Real, &ImportedPoint::Temperature},
};
constexpr std::size_t StationField = 5;

const std::string* TextOf(std::size_t field, const LayerItem& item)
{
    switch (field) {
    case 0: return &item.File->Name;
    case 1: return &item.Point->Name;
    case 2: return item.Point->Code ? &*item.Point->Code : nullptr;
    default: return item.Station;
    }
}

const std::optional<std::int32_t>& IntegerOf(std::size_t field, const LayerItem& item)
{
    return field == 3 ? item.Point->Kind : item.Point->Flag;
}

// Points with elevation where the driver takes the odd point without one among them (or, for
// a shapefile, where one point has an elevation); otherwise points with elevation, points
// without or, when the layer has both, any geometry.
OGRwkbGeometryType GeometryTypeOf(const LayerPlan& plan, const std::string& driver)
{
    if (MixesElevations(driver))
        return wkbPoint25D;
    bool withElevation = false, withoutElevation = false;
    for (const LayerItem& item : plan.Items) {
        withElevation = withElevation || (HasPosition(*item.Point) && item.Point->Z);
        withoutElevation = withoutElevation || (HasPosition(*item.Point) && !item.Point->Z);
    }
    if (withElevation && withoutElevation && !HasShortFieldNames(driver))
        return wkbUnknown;
    return withElevation || !withoutElevation ? wkbPoint25D : wkbPoint;
}

// Field indices of the layer, in the order of Fields; -1 for a field the layer lacks.
bool CreateFields(OGRLayer& layer, const LayerPlan& plan, const WriteContext& context, std::vector<int>& indices)
{
    const bool shortNames = HasShortFieldNames(context.Options.Driver);
    for (std::size_t field = 0; field < std::size(Fields); ++field) {
        const AttributeField& attribute = Fields[field];
        if (field == StationField && !plan.HasStation) {
            indices.push_back(-1);
            continue;
        }
        const bool asText = attribute.Type == FieldType::Text ||
                            (attribute.Type == FieldType::Angle && context.Options.Angles == AngleUnit::Dms);
        OGRFieldDefn definition(shortNames ? attribute.ShortName : attribute.Name,
                                asText ? OFTString : attribute.Type == FieldType::Integer ? OFTInteger : OFTReal);
        if (shortNames && attribute.Type == FieldType::Text) {
            // A dBase text column is as wide as its longest value, 254 bytes at most.
            std::size_t width = 1;
            for (const LayerItem& item : plan.Items)
                if (const std::string* text = TextOf(field, item))
                    width = std::max(width, text->size());
            definition.SetWidth(static_cast<int>(std::min<std::size_t>(width, 254)));
        }
        if (layer.CreateField(&definition) != OGRERR_NONE)
            return false;
        indices.push_back(layer.GetLayerDefn()->GetFieldCount() - 1);
    }
    return true;
}

// A value the plug-in did not send is null, not left out, so that formats that keep no schema
// of their own (GeoJSON) still give every feature the same attributes.
void SetAttributes(OGRFeature& feature, const LayerItem& item, const std::vector<int>& indices, AngleUnit angles)
{
    for (std::size_t field = 0; field < std::size(Fields); ++field) {
        const int index = indices[field];
        if (index < 0)
            continue;
        feature.SetFieldNull(index);
        const AttributeField& attribute = Fields[field];
        if (attribute.Type == FieldType::Text) {
            if (const std::string* text = TextOf(field, item))
                feature.SetField(index, text->c_str());
        } else if (attribute.Type == FieldType::Integer) {
            if (const auto& value = IntegerOf(field, item))
                feature.SetField(index, *value);
        } else if (const std::optional<double>& value = item.Point->*attribute.Value) {
            if (attribute.Type == FieldType::Angle && angles == AngleUnit::Dms)
                feature.SetField(index, FormatDms(*value).c_str());
            else
                feature.SetField(index, attribute.Type == FieldType::Angle ? AngleFromRadians(*value, angles) : *value);
        }
    }
}

// Writes the layer's items; an item without a position is written without geometry where
// the format holds that, and left out with one warning for the layer where it does not.
bool WriteItems(OGRLayer& layer, const LayerPlan& plan, const std::vector<int>& indices, const WriteContext& context)
{
    std::size_t leftOut = 0, flat = 0;
    for (const LayerItem& item : plan.Items) {
        const std::optional<OGRPoint> position = PositionOf(*item.Point, context);
        if (!position && (HasPosition(*item.Point) || !context.KeepsItemsWithoutPosition)) {
            ++leftOut;
            continue;
        }
        flat += position && !item.Point->Z ? 1 : 0;
        OGRFeatureUniquePtr feature(OGRFeature::CreateFeature(layer.GetLayerDefn()));
        SetAttributes(*feature, item, indices, context.Options.Angles);
        if (position)
            feature->SetGeometry(&*position);
        if (layer.CreateFeature(feature.get()) != OGRERR_NONE)
            return false;
    }
    if (leftOut > 0)
        context.Warn(std::string(plan.Name) + ": " + std::to_string(leftOut) +
                     (leftOut == 1 ? " item" : " items") +
                     (context.ToGeographic ? " without a position in WGS 84" : " without both plane coordinates") +
                     " left out (the format holds no feature without a position)");
    if (flat > 0 && context.ElevationRequired)
        context.Warn(std::string(plan.Name) + ": " + std::to_string(flat) + (flat == 1 ? " item" : " items") +
                     " without an elevation written with elevation 0 (the format's points all have one)");
    return true;
}

OGRLayer* CreateLayer(GDALDataset& dataset, const LayerPlan& plan, const WriteContext& context)
{
    const std::string& driver = context.Options.Driver;
    CPLStringList options;
    if (HasShortFieldNames(driver))
        options.SetNameValue("ENCODING", "UTF-8");
    // Coordinates as the shortest decimals that read back to the same doubles.
    if (driver == "GeoJSON" || driver == "GeoJSONSeq")
        options.SetNameValue("SIGNIFICANT_FIGURES", "17");
    OGRSpatialReference* crs = context.LayerCrs;
    // A GeoPackage layer without a reference system would otherwise be taken for degrees on
    // an unknown ellipsoid; local coordinates are the package's undefined Cartesian system.
    OGRSpatialReference local;
    if (!crs && driver == "GPKG") {
        local.SetLocalCS("Undefined Cartesian SRS");
        crs = &local;
    }
    return dataset.CreateLayer(plan.Name, crs, GeometryTypeOf(plan, driver), options.List());
}

bool WriteLayer(GDALDataset& dataset, OGRLayer& layer, const LayerPlan& plan, const WriteContext& context)
{
    std::vector<int> indices;
    if (!CreateFields(layer, plan, context, indices))
        return false;
    // One transaction per layer where the driver has them: a database format would otherwise
    // commit every feature by itself.
    const bool transaction = dataset.TestCapability(ODsCTransactions) && dataset.StartTransaction() == OGRERR_NONE;
    if (!WriteItems(layer, plan, indices, context))
        return false;
    return !transaction || dataset.CommitTransaction() == OGRERR_NONE;
}

void ClearFolder(const std::string& folder)
{
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir))
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                ::unlink((folder + "/" + entry->d_name).c_str());
        ::closedir(dir);
    }
}

// stem_layer.ext after the target's name; a name without an extension takes the driver's.
std::string LayerFileName(const std::string& fileName, const char* layer, const std::string& driverName)
{
    const std::size_t dot = fileName.find_last_of('.');
    std::string stem = dot == std::string::npos || dot == 0 ? fileName : fileName.substr(0, dot);
    std::string extension = dot == std::string::npos || dot == 0 ? std::string() : fileName.substr(dot);
    if (extension.empty())
        if (GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(driverName.c_str()))
            if (const char* own = driver->GetMetadataItem(GDAL_DMD_EXTENSION))
                extension = *own ? std::string(".") + own : std::string();
    return stem + "_" + layer + extension;
}

// A driver that holds one layer per file (shapefiles, GeoJSON) gets a file for each layer.
bool WriteFilePerLayer(const std::vector<LayerPlan>& layers, const std::string& folder, const std::string& fileName,
                       const WriteContext& context)
{
    for (const LayerPlan& plan : layers) {
        DatasetHolder dataset =
            CreateDataset(context.Options.Driver, folder + "/" + LayerFileName(fileName, plan.Name, context.Options.Driver));
        OGRLayer* layer = dataset ? CreateLayer(*dataset, plan, context) : nullptr;
        if (!layer || !WriteLayer(*dataset, *layer, plan, context))
            return false;
    }
    return true;
}

}  // namespace

bool WriteTables(const std::vector<LayerPlan>& layers, const std::string& folder, const std::string& fileName,
                 const WriteContext& context)
{
    if (HoldsOneLayerPerFile(context.Options.Driver))
        return WriteFilePerLayer(layers, folder, fileName, context);
    {
        DatasetHolder dataset = CreateDataset(context.Options.Driver, folder + "/" + fileName);
        if (!dataset)
            return false;
        // Each layer is written whole before the next is made: some drivers write their
        // file in one pass, layer after layer.
        std::size_t written = 0;
        for (; written < layers.size(); ++written) {
            if (written > 0 && !dataset->TestCapability(ODsCCreateLayer))
                break;
            OGRLayer* layer = CreateLayer(*dataset, layers[written], context);
            if (!layer || !WriteLayer(*dataset, *layer, layers[written], context))
                return false;
        }
        if (written == layers.size())
            return true;
    }
    // A driver that turned out to take one layer per file starts again with a file for each.
    ClearFolder(folder);
    return WriteFilePerLayer(layers, folder, fileName, context);
}

}  // namespace Host::Ogr
