#include "host/OgrLayers.h"

#include <algorithm>

namespace Host::Ogr {

bool IsOneOf(const std::string& driver, std::initializer_list<const char*> names)
{
    return std::any_of(names.begin(), names.end(), [&](const char* name) { return driver == name; });
}

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

std::optional<OGRPoint> PositionOf(const ImportedPoint& point, const WriteContext& context)
{
    if (!HasPosition(point))
        return std::nullopt;
    double x = *point.Y, y = *point.X, z = point.Z.value_or(0.0);
    if (context.ToGeographic && !context.ToGeographic->Transform(1, &x, &y, point.Z ? &z : nullptr))
        return std::nullopt;
    return point.Z ? OGRPoint(x, y, z) : OGRPoint(x, y);
}

DatasetHolder CreateDataset(const std::string& driverName, const std::string& path, char** options)
{
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(driverName.c_str());
    if (!driver)
        return nullptr;
    return DatasetHolder(driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, options));
}

}  // namespace Host::Ogr
