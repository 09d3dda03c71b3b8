// A drawing (DXF) of an import: the items as points and their names as texts, on the drawing
// layers of their codes.
#include "host/OgrLayers.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include <cpl_conv.h>

#include "platform/CodePage.h"
#include "platform/Utf16.h"

namespace Host::Ogr {

namespace {

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

}  // namespace

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

}  // namespace Host::Ogr
