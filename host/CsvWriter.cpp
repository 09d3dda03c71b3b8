#include "host/CsvWriter.h"

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
            Row.append(buffer, static_cast<std::size_t>(std::to_chars(buffer, buffer + sizeof buffer, **integer).ptr - buffer));
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

void CCsvWriter::WriteHeader()
{
    WriteRecord(Header(Angles));
}

}  // namespace Host
