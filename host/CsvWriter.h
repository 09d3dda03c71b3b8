#pragma once
// `--format csv`: one row per station, target and point (RFC 4180: fields with a comma, a
// quote or a line break are quoted, quotes doubled, CR LF between records). The header row
// names the columns; a value the plug-in did not send is an empty cell. Numbers are the
// shortest decimals that read back to the same double, in the host's units: metres, radians,
// hPa, °C; angles may be written in degrees or gon instead, or as degrees-minutes-seconds
// texts, and their columns then say so (hz_deg, v_deg).
#include <ostream>
#include <string>
#include <vector>

#include "host/AngleUnit.h"
#include "host/ImportModel.h"

namespace Host {

class CCsvWriter {
public:
    explicit CCsvWriter(std::ostream& out, AngleUnit angles = AngleUnit::Radian) : Out(out), Angles(angles) {}

    // The header row with angles in radians, and with angles in the unit given.
    static const std::vector<std::string>& Header();
    static std::vector<std::string> Header(AngleUnit angles);
    // One field, quoted when RFC 4180 requires it.
    static std::string Field(const std::string& text);
    // Appends one field to a row whose fields are separated by delimiter, quoted when it
    // holds the delimiter, a quote or a line break (quotes doubled). Shared by the writers of
    // delimited text.
    static void AppendField(std::string& row, const std::string& text, char delimiter = ',');

    // The header row, then one row per item in the order the plug-in sent them (fileField already quoted where it must be, role "station",
    // "target" or "point", station the observing station's name for a target).
    void WriteHeader();
    void WritePoint(const std::string& fileField, const char* role, const std::string& station, const ImportedPoint& point);

private:
    void WriteRecord(const std::vector<std::string>& fields);
    void AppendAngle(double radians);

    std::string Row;  // reused for every row

    std::ostream& Out;
    AngleUnit Angles;
};

}  // namespace Host
