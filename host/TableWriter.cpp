#include "host/TableWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "host/MessageCatalog.h"
#include "host/RepeatedMessages.h"
#include "host/ShortestDecimal.h"

namespace Host {

namespace {

enum class Quantity { Length, Angle, Pressure, Temperature };

struct ValueColumn {
    const char* Title;
    std::optional<double> ImportedPoint::*Member;
    Quantity Unit;
};

// In the order a surveyor reads a set-up: position, heights, observation, atmosphere.
const ValueColumn ValueColumns[] = {
    {"X [m]", &ImportedPoint::X, Quantity::Length},
    {"Y [m]", &ImportedPoint::Y, Quantity::Length},
    {"Z [m]", &ImportedPoint::Z, Quantity::Length},
    {"ih [m]", &ImportedPoint::InstrumentHeight, Quantity::Length},
    {"th [m]", &ImportedPoint::TargetHeight, Quantity::Length},
    {"Hz", &ImportedPoint::HorizontalAngle, Quantity::Angle},
    {"V", &ImportedPoint::VerticalAngle, Quantity::Angle},
    {"SD [m]", &ImportedPoint::SlopeDistance, Quantity::Length},
    {"HD [m]", &ImportedPoint::HorizontalDistance, Quantity::Length},
    {"dh [m]", &ImportedPoint::HeightDifference, Quantity::Length},
    {"P [hPa]", &ImportedPoint::Pressure, Quantity::Pressure},
    {"T [°C]", &ImportedPoint::Temperature, Quantity::Temperature},
};

std::string FormatValue(double value, Quantity unit, AngleUnit angles)
{
    switch (unit) {
    case Quantity::Length: return FormatFixed(value, 3);
    case Quantity::Angle: return FormatAngleForReading(value, angles);
    case Quantity::Pressure:
    case Quantity::Temperature: return FormatFixed(value, 1);
    }
    return std::string();
}

// Width on a terminal: UTF-8 continuation bytes take no column.
std::size_t Columns(const std::string& text)
{
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string OneLine(std::string text)
{
    std::replace_if(text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return text;
}

const char* NoticeKind(bool isWarning) { return isWarning ? "warning" : "message"; }

std::string NoticeText(const ImportNotice& notice, Language language)
{
    std::string text = NoticeKind(notice.IsWarning);
    if (notice.Line)
        text += " (line " + std::to_string(*notice.Line) + ")";
    return text + ": " + OneLine(ShowMessage(notice.Text, language));
}

std::string SummaryText(const CRepeatedMessages::Summary& summary, Language language)
{
    std::string text = summary.Kind + ": " + MoreLikeThis(summary.More, language);
    if (summary.FirstLine)
        text += " (" + LineRange(*summary.FirstLine, *summary.LastLine, language) + ")";
    return text + ": " + OneLine(ShowMessage(summary.Text, language));
}

struct Row {
    std::size_t Sequence = 0;
    std::string Notice;              // a message line, or empty for a data row
    std::vector<std::string> Cells;  // role, name, code, kind, flag, then the value columns
};

Row DataRow(const std::string& role, const ImportedPoint& point, AngleUnit angles)
{
    Row row;
    row.Sequence = point.Sequence;
    row.Cells = {role, point.Name, point.Code.value_or(std::string()),
                 point.Kind ? std::to_string(*point.Kind) : std::string(),
                 point.Flag ? std::to_string(*point.Flag) : std::string()};
    for (const ValueColumn& column : ValueColumns) {
        const std::optional<double>& value = point.*column.Member;
        row.Cells.push_back(value ? FormatValue(*value, column.Unit, angles) : std::string());
    }
    return row;
}

std::vector<Row> RowsInOrder(const ImportedFile& file, AngleUnit angles, Language language)
{
    std::vector<Row> rows;
    for (const ImportedStation& station : file.Stations) {
        rows.push_back(DataRow("station", station.Station, angles));
        for (const ImportedPoint& target : station.Targets)
            rows.push_back(DataRow("  target", target, angles));
    }
    for (const ImportedPoint& target : file.LooseTargets)
        rows.push_back(DataRow("target", target, angles));
    for (const ImportedPoint& point : file.Points)
        rows.push_back(DataRow("point", point, angles));
    CRepeatedMessages repeats;
    for (const ImportNotice& notice : file.Notices)
        if (repeats.Admit(NoticeKind(notice.IsWarning), notice.Text, notice.Line))
            rows.push_back(Row{notice.Sequence, NoticeText(notice, language), {}});
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.Sequence < b.Sequence; });
    for (const CRepeatedMessages::Summary& summary : repeats.TakeSummaries())
        rows.push_back(Row{0, SummaryText(summary, language), {}});
    return rows;
}

std::vector<std::string> HeaderCells(AngleUnit angles)
{
    std::vector<std::string> header = {"role", "name", "code", "kind", "flag"};
    for (const ValueColumn& column : ValueColumns) {
        header.push_back(column.Title);
        if (column.Unit == Quantity::Angle)
            header.back() += std::string(" [") + AngleUnitName(angles) + "]";
    }
    return header;
}

constexpr std::size_t TextColumns = 3;  // role, name and code are left-aligned

std::string Pad(const std::string& cell, std::size_t width, bool left)
{
    const std::string fill(width - std::min(width, Columns(cell)), ' ');
    return left ? cell + fill : fill + cell;
}

std::string JoinCells(const std::vector<std::string>& cells, const std::vector<std::size_t>& widths,
                      const std::vector<std::size_t>& shown)
{
    std::string line;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const std::size_t column = shown[i];
        if (i > 0)
            line += "  ";
        line += Pad(cells[column], widths[column], column < TextColumns);
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line;
}

}  // namespace

std::string CTableWriter::FormatFixed(double value, int decimals)
{
    return Host::FormatFixed(value, decimals);
}

std::string CTableWriter::FormatAngle(double radians)
{
    return FormatDms(radians);
}

void CTableWriter::WriteFile(const ImportedFile& file)
{
    Out << "File " << (file.Name.empty() ? std::string("(unnamed)") : file.Name) << "\n";
    const std::vector<Row> rows = RowsInOrder(file, Angles, Shown);
    const std::vector<std::string> header = HeaderCells(Angles);
    std::vector<std::size_t> widths(header.size(), 0);
    std::vector<bool> used(header.size(), false);
    used[0] = used[1] = true;
    bool anyData = false;
    for (const Row& row : rows) {
        for (std::size_t i = 0; i < row.Cells.size(); ++i) {
            widths[i] = std::max(widths[i], Columns(row.Cells[i]));
            used[i] = used[i] || !row.Cells[i].empty();
        }
        anyData = anyData || !row.Cells.empty();
    }
    std::vector<std::size_t> shown;
    for (std::size_t i = 0; i < header.size(); ++i) {
        if (used[i])
            shown.push_back(i);
        widths[i] = std::max(widths[i], Columns(header[i]));
    }
    if (anyData) {
        const std::string title = JoinCells(header, widths, shown);
        Out << title << "\n" << std::string(Columns(title), '-') << "\n";
    } else {
        Out << "no stations, targets or points\n";
    }
    for (const Row& row : rows)
        Out << (row.Cells.empty() ? row.Notice : JoinCells(row.Cells, widths, shown)) << "\n";
}

void CTableWriter::Write(const ImportData& data)
{
    for (std::size_t i = 0; i < data.Files.size(); ++i) {
        if (i > 0)
            Out << "\n";
        WriteFile(data.Files[i]);
    }
}

}  // namespace Host
