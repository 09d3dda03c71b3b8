#pragma once
// Reading the GIS and CAD outputs back through GDAL, and the CSV of the same import that they
// are compared with.
#include <algorithm>
#include <dirent.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

namespace Testing {

using CsvRow = std::map<std::string, std::string>;

// RFC 4180 records with CR LF between them, keyed by the header's names.
inline std::vector<CsvRow> ParseCsv(const std::string& text)
{
    std::vector<std::vector<std::string>> records(1, std::vector<std::string>(1));
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        std::string& field = records.back().back();
        if (quoted && c == '"' && i + 1 < text.size() && text[i + 1] == '"')
            field += text[++i];
        else if (c == '"')
            quoted = !quoted;
        else if (!quoted && c == ',')
            records.back().emplace_back();
        else if (!quoted && c == '\r' && i + 1 < text.size() && text[i + 1] == '\n' && ++i)
            records.emplace_back(1);
        else
            field += c;
    }
    if (records.back().size() == 1 && records.back()[0].empty())
        records.pop_back();
    std::vector<CsvRow> rows;
    for (std::size_t r = 1; r < records.size(); ++r) {
        CsvRow row;
        for (std::size_t f = 0; f < records[0].size() && f < records[r].size(); ++f)
            row[records[0][f]] = records[r][f];
        rows.push_back(std::move(row));
    }
    return rows;
}

struct ReadLayer {
    std::vector<OGRFeatureUniquePtr> Features;
    std::unique_ptr<OGRSpatialReference> Crs;  // null: none
};

using ReadOutput = std::map<std::string, ReadLayer>;

inline void RegisterGdal()
{
    static const bool registered = (GDALAllRegister(), true);
    (void)registered;
}

// Every layer of the file through the named driver only; the name under which each is kept
// is the layer's own, or `as` when given.
inline void ReadFileInto(const std::string& path, const char* driver, ReadOutput& output, const std::string& as = {})
{
    RegisterGdal();
    const char* const drivers[] = {driver, nullptr};
    GDALDatasetUniquePtr dataset(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, drivers));
    if (!dataset)
        return;
    for (OGRLayer* layer : dataset->GetLayers()) {
        ReadLayer& read = output[as.empty() ? layer->GetName() : as];
        if (const OGRSpatialReference* crs = layer->GetSpatialRef())
            read.Crs.reset(crs->Clone());
        for (auto& feature : *layer)
            read.Features.push_back(std::move(feature));
    }
}

// The files stem_LAYER.extension in the folder, each read as the layer LAYER.
inline ReadOutput ReadFilePerLayer(const std::string& folder, const std::string& stem, const std::string& extension,
                                   const char* driver)
{
    ReadOutput output;
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir))
            names.push_back(entry->d_name);
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const std::string prefix = stem + "_";
        if (name.size() > prefix.size() + extension.size() && name.rfind(prefix, 0) == 0 &&
            name.compare(name.size() - extension.size(), extension.size(), extension) == 0) {
            const std::string layer = name.substr(prefix.size(), name.size() - prefix.size() - extension.size());
            ReadFileInto(folder + "/" + name, driver, output, layer);
        }
    }
    return output;
}

// A coordinate reference system with easting first, as the outputs write coordinates.
inline OGRSpatialReference GisOrderCrs(const char* definition)
{
    OGRSpatialReference crs;
    crs.SetFromUserInput(definition);
    crs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    return crs;
}

}  // namespace Testing
