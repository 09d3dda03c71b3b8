// The GIS and CAD outputs of the examples, a Cyrillic fixture and the real instrument files,
// read back through GDAL: the layers and their features equal the rows of the CSV of the same
// import, coordinates and attributes alike, the layers carry the coordinate reference system
// asked for, and KML points lie where PROJ puts them.
#include <cmath>
#include <dirent.h>

#include <gtest/gtest.h>

#include "tests/gis/GisReading.h"
#include "tests/support/TestFiles.h"

using namespace Testing;

namespace {

struct GisFormat {
    const char* Name;       // --format
    const char* Driver;     // the driver that reads it back
    const char* Extension;
    bool FilePerLayer;
    bool KeepsItemsWithoutPosition;
    bool ShortFieldNames;   // dBase's ten characters
    bool Geographic;        // longitude and latitude in WGS 84
    bool FlatPointsGetZero; // a point without elevation reads back with elevation 0
    bool NamesNoCrs;        // without --crs: a reader takes the format's own (GeoJSON: WGS 84)
    double Tolerance;       // relative, for numbers the format keeps as decimal text
};

const GisFormat Formats[] = {
    {"gpkg", "GPKG", ".gpkg", false, true, false, false, false, false, 0},
    {"shp", "ESRI Shapefile", ".shp", true, false, true, false, true, false, 1e-13},
    {"geojson", "GeoJSON", ".geojson", true, true, false, false, false, true, 1e-15},
    {"kml", "LIBKML", ".kml", false, false, false, true, false, false, 1e-13},
    {"ogr:SQLite", "SQLite", ".sqlite", false, true, false, false, false, false, 0},
};

void PrintTo(const GisFormat& format, std::ostream* out)
{
    *out << format.Name;
}

// Hungary's national grid: the real files' coordinates lie in it.
constexpr const char* Crs = "EPSG:23700";

struct Input {
    std::string Label;
    std::vector<std::string> Files;
    std::vector<std::string> Options;
};

std::vector<Input> ExampleInputs()
{
    const std::string examples = std::string(M5_SOURCE_DIR) + "/examples/";
    return {
        {"traverse", {examples + "traverse.m5"}, {}},
        {"separate", {examples + "separate.m5"}, {"--set", "Mode=1"}},
        {"feet-dms", {examples + "feet-dms.m5"}, {}},
        {"two files", {examples + "traverse.m5", examples + "feet-dms.m5"}, {}},
        {"cyrillic", {std::string(M5_TEST_DATA_DIR) + "/cyrillic.m5"}, {}},
    };
}

std::vector<Input> SampleInputs()
{
    std::vector<Input> inputs;
    const std::string folder = SamplesFolder();
    if (DIR* dir = folder.empty() ? nullptr : ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.size() > 3 && name.substr(name.size() - 3) == ".m5")
                inputs.push_back({name, {folder + "/" + name}, {}});
        }
        ::closedir(dir);
    }
    return inputs;
}

RunResult RunImport(const Input& input, const std::string& format, const std::string& out, bool withCrs)
{
    std::vector<std::string> arguments = {"--quiet", "--format", format, "-o", out};
    if (withCrs)
        arguments.insert(arguments.end(), {"--crs", Crs});
    arguments.insert(arguments.end(), input.Options.begin(), input.Options.end());
    arguments.insert(arguments.end(), input.Files.begin(), input.Files.end());
    return RunM5Import(arguments);
}

bool HasPosition(const CsvRow& row)
{
    return !row.at("x").empty() && !row.at("y").empty();
}

// The CSV's rows by the layer they belong in: a target without a station is a loose one.
std::map<std::string, std::vector<CsvRow>> ExpectedLayers(const std::vector<CsvRow>& rows, bool keepsWithoutPosition)
{
    std::map<std::string, std::vector<CsvRow>> layers = {{"stations", {}}, {"targets", {}}, {"points", {}}};
    for (const CsvRow& row : rows) {
        if (!keepsWithoutPosition && !HasPosition(row))
            continue;
        const std::string& role = row.at("role");
        const std::string layer = role == "target" ? (row.at("station").empty() ? "loose_targets" : "targets") : role + "s";
        layers[layer].push_back(row);
    }
    return layers;
}

std::string FieldName(const std::string& column, const GisFormat& format)
{
    static const std::map<std::string, std::string> dBase = {{"instrument_height", "instr_ht"},
                                                               {"target_height", "target_ht"},
                                                               {"height_difference", "height_dif"},
                                                               {"temperature", "temperatur"}};
    const auto shortName = dBase.find(column);
    return format.ShortFieldNames && shortName != dBase.end() ? shortName->second : column;
}

const char* const TextColumns[] = {"file", "name", "code", "kind", "flag"};
const char* const NumberColumns[] = {"instrument_height", "target_height", "hz", "v", "sd", "hd",
                                     "height_difference", "pressure", "temperature"};

void ExpectNear(double expected, double actual, double tolerance, const std::string& what)
{
    EXPECT_NEAR(actual, expected, tolerance * std::max(1.0, std::fabs(expected))) << what;
}

void ExpectAttributes(const CsvRow& row, OGRFeature& feature, const GisFormat& format, bool target)
{
    std::vector<std::string> texts(std::begin(TextColumns), std::end(TextColumns));
    if (target)
        texts.push_back("station");
    for (const std::string& column : texts) {
        const int index = feature.GetFieldIndex(FieldName(column, format).c_str());
        ASSERT_GE(index, 0) << column;
        const std::string read = feature.IsFieldSetAndNotNull(index) ? feature.GetFieldAsString(index) : "";
        EXPECT_EQ(read, row.at(column)) << column;
    }
    for (const char* column : NumberColumns) {
        const int index = feature.GetFieldIndex(FieldName(column, format).c_str());
        ASSERT_GE(index, 0) << column;
        const bool present = feature.IsFieldSetAndNotNull(index);
        EXPECT_EQ(present, !row.at(column).empty()) << column;
        if (present && !row.at(column).empty())
            ExpectNear(std::stod(row.at(column)), feature.GetFieldAsDouble(index), format.Tolerance, column);
    }
}

// x the easting (the CSV's y), y the northing, z the elevation; in longitude and latitude
// through an independent transformation for a geographic format.
void ExpectPosition(const CsvRow& row, OGRFeature& feature, const GisFormat& format)
{
    const OGRGeometry* geometry = feature.GetGeometryRef();
    if (!HasPosition(row)) {
        EXPECT_TRUE(geometry == nullptr || geometry->IsEmpty());
        return;
    }
    ASSERT_TRUE(geometry && wkbFlatten(geometry->getGeometryType()) == wkbPoint);
    const OGRPoint& point = *geometry->toPoint();
    double x = std::stod(row.at("y")), y = std::stod(row.at("x"));
    if (format.Geographic) {
        // As cs2cs transforms a point with its height, where it has one.
        static OGRSpatialReference source = GisOrderCrs(Crs), wgs84 = GisOrderCrs("WGS84");
        static const std::unique_ptr<OGRCoordinateTransformation> transform(
            OGRCreateCoordinateTransformation(&source, &wgs84));
        double z = row.at("z").empty() ? 0.0 : std::stod(row.at("z"));
        ASSERT_TRUE(transform && transform->Transform(1, &x, &y, row.at("z").empty() ? nullptr : &z));
        EXPECT_NEAR(point.getX(), x, 1e-11) << "longitude";
        EXPECT_NEAR(point.getY(), y, 1e-11) << "latitude";
    } else {
        ExpectNear(x, point.getX(), format.Tolerance, "easting");
        ExpectNear(y, point.getY(), format.Tolerance, "northing");
    }
    if (!row.at("z").empty()) {
        ASSERT_TRUE(point.Is3D());
        ExpectNear(std::stod(row.at("z")), point.getZ(), format.Tolerance, "elevation");
    } else if (format.FlatPointsGetZero) {
        EXPECT_EQ(point.getZ(), 0.0);
    } else {
        EXPECT_FALSE(point.Is3D()) << "an elevation that was never sent";
    }
}

void ExpectCrs(const ReadLayer& layer, const GisFormat& format)
{
    ASSERT_TRUE(layer.Crs) << "no coordinate reference system";
    OGRSpatialReference expected = GisOrderCrs(format.Geographic ? "WGS84" : Crs);
    EXPECT_TRUE(layer.Crs->IsSame(&expected)) << layer.Crs->GetName();
}

void ExpectReadsBackAsItsCsv(const Input& input, const GisFormat& format)
{
    SCOPED_TRACE(input.Label);
    const CTempFolder folder;
    const RunResult csv = RunImport(input, "csv", folder.Path() + "/out.csv", false);
    ASSERT_LE(csv.Status, 1) << csv.Err;
    const std::string out = folder.Path() + "/out" + format.Extension;
    const RunResult run = RunImport(input, format.Name, out, true);
    ASSERT_EQ(run.Status, csv.Status) << run.Err;
    const std::map<std::string, std::vector<CsvRow>> expected =
        ExpectedLayers(ParseCsv(ReadFile(folder.Path() + "/out.csv")), format.KeepsItemsWithoutPosition);
    ReadOutput read;
    if (format.FilePerLayer)
        read = ReadFilePerLayer(folder.Path(), "out", format.Extension, format.Driver);
    else
        ReadFileInto(out, format.Driver, read);
    std::vector<std::string> expectedNames, readNames;
    for (const auto& layer : expected)
        expectedNames.push_back(layer.first);
    for (const auto& layer : read)
        readNames.push_back(layer.first);
    ASSERT_EQ(readNames, expectedNames);
    for (const auto& [name, rows] : expected) {
        SCOPED_TRACE(name);
        const ReadLayer& layer = read.at(name);
        ASSERT_EQ(layer.Features.size(), rows.size());
        ExpectCrs(layer, format);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            SCOPED_TRACE(rows[i].at("name"));
            ExpectAttributes(rows[i], *layer.Features[i], format, name == "targets");
            ExpectPosition(rows[i], *layer.Features[i], format);
        }
    }
}

class GisReadBack : public testing::TestWithParam<GisFormat> {};

TEST_P(GisReadBack, ExamplesEqualTheirCsv)
{
    for (const Input& input : ExampleInputs())
        ExpectReadsBackAsItsCsv(input, GetParam());
}

TEST_P(GisReadBack, RealFilesEqualTheirCsv)
{
    const std::vector<Input> inputs = SampleInputs();
    if (inputs.empty())
        GTEST_SKIP() << "the folder of real instrument files is absent";
    for (const Input& input : inputs)
        ExpectReadsBackAsItsCsv(input, GetParam());
}

// Local coordinates are the normal case: without --crs no layer claims a reference system
// (a GeoPackage's layers are in its undefined Cartesian one).
class GisWithoutCrs : public testing::TestWithParam<GisFormat> {};

TEST_P(GisWithoutCrs, LayersClaimNone)
{
    const GisFormat& format = GetParam();
    const CTempFolder folder;
    const std::string out = folder.Path() + "/out" + format.Extension;
    ASSERT_EQ(RunImport(ExampleInputs()[0], format.Name, out, false).Status, 0);
    ReadOutput read;
    if (format.FilePerLayer)
        read = ReadFilePerLayer(folder.Path(), "out", format.Extension, format.Driver);
    else
        ReadFileInto(out, format.Driver, read);
    ASSERT_EQ(read.size(), 3u);
    if (format.NamesNoCrs) {
        EXPECT_EQ(ReadFile(folder.Path() + "/out_targets" + format.Extension).find("\"crs\""), std::string::npos);
        return;
    }
    for (const auto& [name, layer] : read) {
        const bool none = !layer.Crs || (layer.Crs->IsLocal() && std::string(layer.Crs->GetName()) == "Undefined Cartesian SRS");
        EXPECT_TRUE(none) << name << ": " << layer.Crs->GetName();
    }
}

std::string FormatTestName(const testing::TestParamInfo<GisFormat>& format)
{
    std::string name = format.param.Driver;
    name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
    return name;
}

INSTANTIATE_TEST_SUITE_P(Formats, GisReadBack, testing::ValuesIn(Formats), FormatTestName);

// KML is refused without --crs.
INSTANTIATE_TEST_SUITE_P(Formats, GisWithoutCrs,
                         testing::Values(Formats[0], Formats[1], Formats[2], Formats[4]), FormatTestName);

// The drawing layer of a code: "0" without one, "_" for what a layer name cannot hold.
std::string DrawingLayer(const std::string& code)
{
    std::string layer = code.empty() ? "0" : code;
    for (char& c : layer)
        if (std::string("<>/\\\":;?*|=`,").find(c) != std::string::npos)
            c = '_';
    return layer;
}

// Every item with a position, layer after layer, as a point on the drawing layer of its code
// followed by its name as a text beside it.
void ExpectDrawingOf(const Input& input)
{
    SCOPED_TRACE(input.Label);
    const CTempFolder folder;
    const RunResult csv = RunImport(input, "csv", folder.Path() + "/out.csv", false);
    ASSERT_LE(csv.Status, 1) << csv.Err;
    const RunResult run = RunImport(input, "dxf", folder.Path() + "/out.dxf", false);
    ASSERT_EQ(run.Status, csv.Status) << run.Err;
    auto layers = ExpectedLayers(ParseCsv(ReadFile(folder.Path() + "/out.csv")), false);
    std::vector<CsvRow> items;
    for (const char* layer : {"stations", "targets", "points", "loose_targets"})
        items.insert(items.end(), layers[layer].begin(), layers[layer].end());
    ReadOutput read;
    ReadFileInto(folder.Path() + "/out.dxf", "DXF", read);
    ASSERT_EQ(read.count("entities"), 1u);
    const std::vector<OGRFeatureUniquePtr>& entities = read["entities"].Features;
    ASSERT_EQ(entities.size(), 2 * items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        SCOPED_TRACE(items[i].at("name"));
        OGRFeature& point = *entities[2 * i];
        OGRFeature& label = *entities[2 * i + 1];
        EXPECT_EQ(std::string(point.GetFieldAsString("Layer")), DrawingLayer(items[i].at("code")));
        EXPECT_EQ(std::string(label.GetFieldAsString("Layer")), DrawingLayer(items[i].at("code")));
        EXPECT_EQ(std::string(label.GetFieldAsString("Text")), items[i].at("name"));
        const OGRGeometry* at = point.GetGeometryRef();
        const OGRGeometry* beside = label.GetGeometryRef();
        ASSERT_TRUE(at && beside && wkbFlatten(at->getGeometryType()) == wkbPoint &&
                    wkbFlatten(beside->getGeometryType()) == wkbPoint);
        // The drawing keeps numbers as decimal text of fifteen figures.
        ExpectNear(std::stod(items[i].at("y")), at->toPoint()->getX(), 1e-13, "easting");
        ExpectNear(std::stod(items[i].at("x")), at->toPoint()->getY(), 1e-13, "northing");
        ExpectNear(items[i].at("z").empty() ? 0.0 : std::stod(items[i].at("z")), at->toPoint()->getZ(), 1e-13, "elevation");
        EXPECT_NEAR(beside->toPoint()->getX() - at->toPoint()->getX(), 0.3, 1e-9);
        EXPECT_NEAR(beside->toPoint()->getY() - at->toPoint()->getY(), 0.3, 1e-9);
    }
}

TEST(GisDrawing, ExamplesAsPointsAndNamesOnTheLayersOfTheirCodes)
{
    for (const Input& input : ExampleInputs())
        ExpectDrawingOf(input);
}

TEST(GisDrawing, RealFilesAsPointsAndNamesOnTheLayersOfTheirCodes)
{
    const std::vector<Input> inputs = SampleInputs();
    if (inputs.empty())
        GTEST_SKIP() << "the folder of real instrument files is absent";
    for (const Input& input : inputs)
        ExpectDrawingOf(input);
}

}  // namespace
