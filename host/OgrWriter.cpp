#include "host/OgrWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <unistd.h>
#include <vector>

#include <cpl_error.h>
#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include "host/TableWriter.h"
#include "platform/CodePage.h"
#include "platform/Utf16.h"

namespace Host {

namespace {

bool IsOneOf(const std::string& driver, std::initializer_list<const char*> names)
{
    return std::any_of(names.begin(), names.end(), [&](const char* name) { return driver == name; });
}

// Drivers whose files hold a feature without a geometry; every other driver gets only the
// items with a position, so that no driver refuses the import halfway.
bool KeepsItemsWithoutPosition(const std::string& driver)
{
    return IsOneOf(driver, {"GPKG", "GeoJSON", "GeoJSONSeq", "CSV", "SQLite", "ODS", "XLSX"});
}

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

std::vector<LayerPlan> PlanLayers(const ImportData& data)
{
    std::vector<LayerPlan> layers = {
        {"stations", false, {}}, {"targets", true, {}}, {"points", false, {}}, {"loose_targets", false, {}}};
    for (const ImportedFile& file : data.Files) {
        for (const ImportedStation& station : file.Stations) {
            layers[0].Items.push_back({&file, &station.Station, nullptr});
            for (const ImportedPoint& target : station.Targets)
                layers[1].Items.push_back({&file, &target, &station.Station.Name});
        }
        for (const ImportedPoint& point : file.Points)
            layers[2].Items.push_back({&file, &point, nullptr});
        for (const ImportedPoint& target : file.LooseTargets)
            layers[3].Items.push_back({&file, &target, nullptr});
    }
    if (layers[3].Items.empty())
        layers.pop_back();
    return layers;
}

bool HasPosition(const ImportedPoint& point)
{
    return point.X && point.Y;
}

enum class FieldType { Text, Integer, Real, Angle };

struct FieldSpec {
    const char* Name;
    const char* ShortName;  // for ten-character field names
    FieldType Type;
    const std::optional<double> ImportedPoint::*Value;  // for real numbers and angles
};

// The attributes in the order they appear; the first six are read by TextOf and IntegerOf.
const FieldSpec Fields[] = {
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

double AngleIn(AngleUnit unit, double radians)
{
    constexpr double Pi = 3.14159265358979323846;
    switch (unit) {
    case AngleUnit::Degrees: return radians * (180.0 / Pi);
    case AngleUnit::Gon: return radians * (200.0 / Pi);
    default: return radians;
    }
}

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

// The item's position in the layer's coordinates: easting, northing and the elevation where
// there is one; empty without both plane coordinates or where the transformation failed.
std::optional<OGRPoint> PositionOf(const ImportedPoint& point, const WriteContext& context)
{
    if (!HasPosition(point))
        return std::nullopt;
    double x = *point.Y, y = *point.X, z = point.Z.value_or(0.0);
    if (context.ToGeographic && !context.ToGeographic->Transform(1, &x, &y, point.Z ? &z : nullptr))
        return std::nullopt;
    return point.Z ? OGRPoint(x, y, z) : OGRPoint(x, y);
}

// Field indices of the layer, in the order of Fields; -1 for a field the layer lacks.
bool CreateFields(OGRLayer& layer, const LayerPlan& plan, const WriteContext& context, std::vector<int>& indices)
{
    const bool shortNames = HasShortFieldNames(context.Options.Driver);
    for (std::size_t field = 0; field < std::size(Fields); ++field) {
        const FieldSpec& spec = Fields[field];
        if (field == StationField && !plan.HasStation) {
            indices.push_back(-1);
            continue;
        }
        const bool asText = spec.Type == FieldType::Text ||
                            (spec.Type == FieldType::Angle && context.Options.Angles == AngleUnit::Dms);
        OGRFieldDefn definition(shortNames ? spec.ShortName : spec.Name,
                                asText ? OFTString : spec.Type == FieldType::Integer ? OFTInteger : OFTReal);
        if (shortNames && spec.Type == FieldType::Text) {
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
        const FieldSpec& spec = Fields[field];
        if (spec.Type == FieldType::Text) {
            if (const std::string* text = TextOf(field, item))
                feature.SetField(index, text->c_str());
        } else if (spec.Type == FieldType::Integer) {
            if (const auto& value = IntegerOf(field, item))
                feature.SetField(index, *value);
        } else if (const std::optional<double>& value = item.Point->*spec.Value) {
            if (spec.Type == FieldType::Angle && angles == AngleUnit::Dms)
                feature.SetField(index, CTableWriter::FormatAngle(*value).c_str());
            else
                feature.SetField(index, spec.Type == FieldType::Angle ? AngleIn(angles, *value) : *value);
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
    const bool transaction = dataset.StartTransaction() == OGRERR_NONE;
    if (!WriteItems(layer, plan, indices, context))
        return false;
    return !transaction || dataset.CommitTransaction() == OGRERR_NONE;
}

DatasetHolder CreateDataset(const std::string& driverName, const std::string& path, char** options = nullptr)
{
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(driverName.c_str());
    if (!driver)
        return nullptr;
    return DatasetHolder(driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, options));
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

// A drawing layer's name from an item's code: "0" for none, and the characters that drawing
// layer names may not hold replaced. The drawing's code page is Windows-1251, so a Cyrillic
// code keeps its letters; a character outside that code page becomes "_".
std::string DrawingLayerOf(const ImportedPoint& point)
{
    if (!point.Code || point.Code->empty())
        return "0";
    std::string name;
    for (const char16_t c : Platform::Utf8ToUtf16(*point.Code)) {
        if (c < 0x80) {
            name += c < 0x20 || std::strchr("<>/\\\":;?*|=`,", static_cast<int>(c)) ? '_' : static_cast<char>(c);
            continue;
        }
        char byte = '_';
        for (unsigned candidate = 0x80; candidate <= 0xFF; ++candidate)
            if (Platform::DecodeWindows1251(static_cast<unsigned char>(candidate)) == c)
                byte = static_cast<char>(candidate);
        name += byte;
    }
    return name;
}

// The driver's drawing header with the Windows-1251 code page in place of Windows-1252,
// written to path; false when the driver's header cannot be found.
bool WriteCyrillicHeader(const std::string& path)
{
    const char* found = CPLFindFile("GDAL", "header.dxf");
    std::ifstream in(found ? found : "", std::ios::binary);
    std::string header((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t at = header.find("\nANSI_1252");
    if (!in || at == std::string::npos)
        return false;
    header.replace(at, 10, "\nANSI_1251");
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << header;
    return static_cast<bool>(out.flush());
}

// The label's style: the name as text beside the point, half a metre high in the drawing's units.
std::string LabelStyle(const std::string& name)
{
    std::string quoted;
    for (const char c : name) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return "LABEL(f:\"Arial\",t:\"" + quoted + "\",s:0.5g,dx:0.3g,dy:0.3g,p:1)";
}

bool WriteDrawingItem(OGRLayer& layer, const LayerItem& item, const OGRPoint& position)
{
    const std::string drawingLayer = DrawingLayerOf(*item.Point);
    for (const bool label : {false, true}) {
        OGRFeatureUniquePtr feature(OGRFeature::CreateFeature(layer.GetLayerDefn()));
        feature->SetField("Layer", drawingLayer.c_str());
        if (label)
            feature->SetStyleString(LabelStyle(item.Point->Name).c_str());
        feature->SetGeometry(&position);
        if (layer.CreateFeature(feature.get()) != OGRERR_NONE)
            return false;
    }
    return true;
}

// A drawing: every item on the drawing layer of its code, as a point entity and a text entity
// with its name. Items without both plane coordinates have no place in a drawing.
bool WriteDrawing(const std::vector<LayerPlan>& layers, const std::string& folder, const std::string& fileName,
                  const WriteContext& context)
{
    // The header lives beside the drawing only while the drawing is written.
    struct Header {
        std::string Path;
        ~Header() { ::unlink(Path.c_str()); }
    } header{folder + "/.header.dxf"};
    CPLStringList options;
    if (WriteCyrillicHeader(header.Path))
        options.SetNameValue("HEADER", header.Path.c_str());
    DatasetHolder dataset = CreateDataset(context.Options.Driver, folder + "/" + fileName, options.List());
    OGRLayer* layer = dataset ? dataset->CreateLayer("entities", nullptr, wkbUnknown, nullptr) : nullptr;
    if (!layer)
        return false;
    for (const LayerPlan& plan : layers) {
        std::size_t leftOut = 0;
        for (const LayerItem& item : plan.Items) {
            const std::optional<OGRPoint> position = PositionOf(*item.Point, context);
            if (!position)
                ++leftOut;
            else if (!WriteDrawingItem(*layer, item, *position))
                return false;
        }
        if (leftOut > 0)
            context.Warn(std::string(plan.Name) + ": " + std::to_string(leftOut) + (leftOut == 1 ? " item" : " items") +
                         " without both plane coordinates left out of the drawing");
    }
    return true;
}

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
