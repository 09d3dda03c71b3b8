#include "host/OutputArguments.h"

#include "host/OgrFormat.h"

namespace Host {

namespace {

// The options that only some formats take, and those formats.
struct FormatBoundOption {
    const char* Name;
    const char* Formats;  // as the refusal names them
    bool (*Applies)(const std::string& format);
};

// The GIS formats hold Hz and V as attributes; a drawing holds none.
bool HasAngles(const std::string& format)
{
    const bool drawing = format == "dxf" || format == "ogr:DXF";
    return format == "table" || format == "csv" || format == "json" || (IsOgrFormatName(format) && !drawing);
}

bool IsPointList(const std::string& format)
{
    return format == "points";
}

constexpr const char* AngleFormats = "table, csv, json and the GIS formats (not dxf)";

const FormatBoundOption FormatBoundOptions[] = {
    {"--angles", AngleFormats, HasAngles},
    {"--columns", "points", IsPointList},
    {"--delimiter", "points", IsPointList},
    {"--decimals", "points", IsPointList},
    {"--no-header", "points", IsPointList},
    {"--duplicates", "points", IsPointList},
};

}  // namespace

void AddOutputArguments(CLI::App& app, OutputArguments& arguments)
{
    app.add_option("--angles", arguments.Angles,
                   "angles of the table, csv, json and GIS formats in rad, deg, gon or dms (default: dms in the table, "
                   "rad elsewhere)")
        ->check(CLI::IsMember(AngleUnitNames()))
        ->type_name("UNIT");
    app.add_option("--lang", arguments.Language,
                   "language of the messages: en or ru (default: from LC_ALL, LC_MESSAGES or LANG)")
        ->check(CLI::IsMember(LanguageNames()))
        ->type_name("LANG");
    app.add_option("--columns", arguments.Columns,
                   "points: the columns, from P (name), N (northing), E (easting), Z (elevation), D (code)")
        ->default_str("PNEZD");
    app.add_option("--delimiter", arguments.Delimiter, "points: the field delimiter, one character or tab")
        ->default_str(",");
    app.add_option("--decimals", arguments.Decimals, "points: decimals of the coordinates")
        ->check(CLI::Range(0, MostDecimals))
        ->default_str("3");
    app.add_flag("--no-header", arguments.NoHeader, "points: no header row");
    app.add_option("--duplicates", arguments.Duplicates,
                   "points: of a name given more than once, list the last, the first or all")
        ->check(CLI::IsMember({"last", "first", "all"}))
        ->default_str("last");
}

bool ReadOutputArguments(const CLI::App& app, const OutputArguments& arguments, OutputOptions& options,
                         std::string& reason)
{
    for (const FormatBoundOption& bound : FormatBoundOptions) {
        if (app.count(bound.Name) > 0 && !bound.Applies(options.Format)) {
            reason = std::string(bound.Name) + " applies to --format " + bound.Formats + ", not to " + options.Format;
            return false;
        }
    }
    if (!arguments.Angles.empty())
        options.Angles = ParseAngleUnit(arguments.Angles);
    options.Shown = arguments.Language.empty() ? LanguageFromEnvironment()
                                               : ParseLanguage(arguments.Language).value_or(Language::English);
    PointListOptions& points = options.Points;
    if (!ReadPointColumns(arguments.Columns, points.Columns, reason) ||
        !ReadDelimiter(arguments.Delimiter, points.Delimiter, reason))
        return false;
    points.Decimals = arguments.Decimals;
    points.Header = !arguments.NoHeader;
    points.Duplicates = ParseDuplicateNames(arguments.Duplicates).value_or(DuplicateNames::Last);
    return true;
}

}  // namespace Host
