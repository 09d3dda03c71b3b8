#pragma once
// `--format points`: a plain list of the points with coordinates, for CAD or a total
// station's job file. One row per station, target or point that has a northing and an
// easting, in the order the plug-in sent them, with the columns chosen from P (name),
// N (northing, X), E (easting, Y), Z (elevation) and D (code); delimited text in UTF-8 with
// CR LF line ends, fields quoted as in the CSV, coordinates with a fixed number of decimals.
// A name that comes more than once is listed once (its first or its last occurrence, at the
// place it first came) or every time, and a warning counts such names.
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "host/ImportModel.h"
#include "host/Language.h"

namespace Host {

enum class DuplicateNames { Last, First, All };

struct PointListOptions {
    std::string Columns = "PNEZD";
    char Delimiter = ',';
    int Decimals = 3;
    bool Header = true;
    DuplicateNames Duplicates = DuplicateNames::Last;
};

// The options as typed: columns (letters of PNEZD, each once, any case), a delimiter of one
// character ("tab" and "\t" for a tab; not a quote, a line break, a digit, "." or "-", which
// would make rows ambiguous), decimals from 0 to 12 and last|first|all. False with reason.
bool ReadPointColumns(std::string_view text, std::string& columns, std::string& reason);
bool ReadDelimiter(std::string_view text, char& delimiter, std::string& reason);
std::optional<DuplicateNames> ParseDuplicateNames(std::string_view name);
constexpr int MostDecimals = 12;

class CPointListWriter {
public:
    using WarningSink = std::function<void(const std::string&)>;

    CPointListWriter(std::ostream& out, PointListOptions options, Language language = Language::English,
                     WarningSink warn = WarningSink())
        : Out(out), Options(std::move(options)), Shown(language), Warn(std::move(warn))
    {
    }
    void Write(const ImportData& data);

private:
    void WriteRow(const std::vector<std::string>& fields);

    std::ostream& Out;
    PointListOptions Options;
    Language Shown;
    WarningSink Warn;
};

}  // namespace Host
