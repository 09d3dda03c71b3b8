#include "host/CsvWriter.h"

#include <algorithm>
#include <charconv>
#include <iterator>

#include "host/ShortestDecimal.h"

namespace Host {

namespace {

// The value columns after file, role, station, name, code, kind and flag, in header order.
struct ValueColumn {
    std::optional<double> ImportedPoint::*Member;
    bool IsAngle;
};

const ValueColumn ValueColumns[] = {
    {&ImportedPoint::X, false},
    {&ImportedPoint::Y, false},
    {&ImportedPoint::Z, false},
    {&ImportedPoint::InstrumentHeight, false},
    {&ImportedPoint::TargetHeight, false},
    {&ImportedPoint::HorizontalAngle, true},
    {&ImportedPoint::VerticalAngle, true},
    {&ImportedPoint::SlopeDistance, false},
    {&ImportedPoint::HorizontalDistance, false},
    {&ImportedPoint::HeightDifference, false},
    {&ImportedPoint::Pressure, false},
    {&ImportedPoint::Temperature, false},
};

constexpr std::size_t FirstValueColumn = 7;

struct PendingRow {
    const ImportedPoint* Point;
    const char* Role;
    const std::string* Station;  // the observing station's name for a target
};

const std::string NoStation;

bool NeedsQuotes(const std::string& text, char delimiter)
{
    for (const char c : text)
        if (c == delimiter || c == '"' || c == '\r' || c == '\n')
            return true;
    return false;
}

}  // namespace

const std::vector<std::string>& CCsvWriter::Header()
{
    static const std::vector<std::string> header = {
        "file", "role", "station", "name", "code", "kind", "flag", "x", "y", "z", "instrument_height",
        "target_height", "hz", "v", "sd", "hd", "height_difference", "pressure", "temperature"};
    return header;
}

std::vector<std::string> CCsvWriter::Header(AngleUnit angles)
{
    std::vector<std::string> header = Header();
    if (angles == AngleUnit::Radian)
        return header;
    for (std::size_t i = 0; i < std::size(ValueColumns); ++i)
        if (ValueColumns[i].IsAngle)
            header[FirstValueColumn + i] += std::string("_") + AngleUnitName(angles);
    return header;
}

std::string CCsvWriter::Field(const std::string& text)
{
    std::string field;
    AppendField(field, text);
    return field;
}

void CCsvWriter::WriteRecord(const std::vector<std::string>& fields)
{
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += ',';
        AppendField(line, fields[i]);
    }
    line += "\r\n";
    Out.write(line.data(), static_cast<std::streamsize>(line.size()));
}

void CCsvWriter::AppendField(std::string& row, const std::string& text, char delimiter)
{
    if (!NeedsQuotes(text, delimiter)) {
        row += text;
        return;
    }
    row += '"';
    for (char c : text) {
        if (c == '"')
            row += '"';
        row += c;
    }
    row += '"';
}

void CCsvWriter::WritePoint(const std::string& fileField, const char* role, const std::string& station,
                            const ImportedPoint& point)
{
    Row.assign(fileField);
    Row += ',';
    Row += role;
    Row += ',';
    AppendField(Row, station);
    Row += ',';
    AppendField(Row, point.Name);
    Row += ',';
    if (point.Code)
        AppendField(Row, *point.Code);
    char buffer[64];
    for (const std::optional<std::int32_t>* integer : {&point.Kind, &point.Flag}) {
        Row += ',';
        if (*integer)
            Row.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, **integer).ptr);
    }
    for (const ValueColumn& column : ValueColumns) {
        Row += ',';
        const std::optional<double>& value = point.*column.Member;
        if (!value)
            continue;
        if (column.IsAngle)
            AppendAngle(*value);
        else
            AppendShortest(Row, *value);
    }
    Row += "\r\n";
    Out.write(Row.data(), static_cast<std::streamsize>(Row.size()));
}

void CCsvWriter::AppendAngle(double radians)
{
    if (Angles == AngleUnit::Dms)
        AppendField(Row, FormatDms(radians));
    else
        AppendShortest(Row, AngleFromRadians(radians, Angles));
}

void CCsvWriter::Write(const ImportData& data)
{
    WriteRecord(Header(Angles));
    for (const ImportedFile& file : data.Files) {
        // Rows in the order the plug-in sent the items, as in the table and the trace.
        // Each of the three lists is in that order already, so merging them is enough.
        std::size_t count = file.Stations.size() + file.LooseTargets.size() + file.Points.size();
        for (const ImportedStation& station : file.Stations)
            count += station.Targets.size();
        std::vector<PendingRow> rows;
        rows.reserve(count);
        for (const ImportedStation& station : file.Stations) {
            rows.push_back({&station.Station, "station", &NoStation});
            for (const ImportedPoint& target : station.Targets)
                rows.push_back({&target, "target", &station.Station.Name});
        }
        const auto looseTargets = static_cast<std::ptrdiff_t>(rows.size());
        for (const ImportedPoint& target : file.LooseTargets)
            rows.push_back({&target, "target", &NoStation});
        const auto points = static_cast<std::ptrdiff_t>(rows.size());
        for (const ImportedPoint& point : file.Points)
            rows.push_back({&point, "point", &NoStation});
        const auto bySequence = [](const PendingRow& a, const PendingRow& b) {
            return a.Point->Sequence < b.Point->Sequence;
        };
        std::inplace_merge(rows.begin(), rows.begin() + looseTargets, rows.begin() + points, bySequence);
        std::inplace_merge(rows.begin(), rows.begin() + points, rows.end(), bySequence);
        std::string fileField;
        AppendField(fileField, file.Name);
        for (const PendingRow& row : rows)
            WritePoint(fileField, row.Role, *row.Station, *row.Point);
    }
}

}  // namespace Host
