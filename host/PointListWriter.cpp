#include "host/PointListWriter.h"

#include <algorithm>
#include <map>

#include "host/CsvWriter.h"
#include "host/ShortestDecimal.h"

namespace Host {

namespace {

struct ColumnName {
    char Letter;
    const char* Title;
};

constexpr ColumnName ColumnNames[] = {
    {'P', "name"}, {'N', "northing"}, {'E', "easting"}, {'Z', "elevation"}, {'D', "code"},
};

const char* ColumnTitle(char letter)
{
    for (const ColumnName& column : ColumnNames)
        if (column.Letter == letter)
            return column.Title;
    return "";
}

// Everything of the file that was sent with a northing and an easting, in the order sent.
void AppendPointsInOrder(const ImportedFile& file, std::vector<const ImportedPoint*>& points)
{
    std::vector<const ImportedPoint*> all;
    for (const ImportedStation& station : file.Stations) {
        all.push_back(&station.Station);
        for (const ImportedPoint& target : station.Targets)
            all.push_back(&target);
    }
    for (const ImportedPoint& target : file.LooseTargets)
        all.push_back(&target);
    for (const ImportedPoint& point : file.Points)
        all.push_back(&point);
    std::stable_sort(all.begin(), all.end(),
                     [](const ImportedPoint* a, const ImportedPoint* b) { return a->Sequence < b->Sequence; });
    for (const ImportedPoint* point : all)
        if (point->X && point->Y)
            points.push_back(point);
}

std::string Cell(const ImportedPoint& point, char column, int decimals)
{
    switch (column) {
    case 'P': return point.Name;
    case 'N': return FormatFixed(*point.X, decimals);
    case 'E': return FormatFixed(*point.Y, decimals);
    case 'Z': return point.Z ? FormatFixed(*point.Z, decimals) : std::string();
    case 'D': return point.Code.value_or(std::string());
    default: return std::string();
    }
}

std::string DuplicatesWarning(std::size_t names, std::size_t differing, DuplicateNames kept, Language language)
{
    const std::string count = std::to_string(names);
    const std::string other = std::to_string(differing);
    if (language == Language::Russian) {
        const char* listed = kept == DuplicateNames::All    ? "в список вошли все вхождения"
                             : kept == DuplicateNames::First ? "в список вошло первое вхождение каждого"
                                                             : "в список вошло последнее вхождение каждого";
        const std::string values = differing == 0 ? "всюду с теми же значениями"
                                                  : "с другими координатами или кодом: " + other;
        return "имён точек, встречающихся больше одного раза: " + count + " (" + values + "); " + listed +
               " (--duplicates)";
    }
    const char* listed = kept == DuplicateNames::All    ? "every occurrence is listed"
                         : kept == DuplicateNames::First ? "the first occurrence of each is listed"
                                                         : "the last occurrence of each is listed";
    const std::string values = differing == 0 ? "always with the same values"
                                              : other + " of them with other coordinates or code";
    return count + (names == 1 ? " point name occurs" : " point names occur") + " more than once (" + values +
           "); " + listed + " (--duplicates)";
}

}  // namespace

bool ReadPointColumns(std::string_view text, std::string& columns, std::string& reason)
{
    columns.clear();
    for (char c : text) {
        const char letter = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        if (!*ColumnTitle(letter) || columns.find(letter) != std::string::npos) {
            reason = "--columns " + std::string(text) + ": expected each of the letters P (name), N (northing), "
                     "E (easting), Z (elevation), D (code) at most once";
            return false;
        }
        columns += letter;
    }
    if (columns.empty()) {
        reason = "--columns: no column chosen (letters of PNEZD)";
        return false;
    }
    return true;
}

bool ReadDelimiter(std::string_view text, char& delimiter, std::string& reason)
{
    if (text == "tab" || text == "\\t")
        text = "\t";
    const bool ambiguous = text.size() != 1 || text[0] == '"' || text[0] == '\r' || text[0] == '\n' ||
                           (text[0] >= '0' && text[0] <= '9') || text[0] == '.' || text[0] == '-';
    if (ambiguous) {
        reason = "--delimiter " + std::string(text) + ": expected one character (or tab) that is not a quote, a line "
                 "break, a digit, '.' or '-'";
        return false;
    }
    delimiter = text[0];
    return true;
}

std::optional<DuplicateNames> ParseDuplicateNames(std::string_view name)
{
    if (name == "last")
        return DuplicateNames::Last;
    if (name == "first")
        return DuplicateNames::First;
    if (name == "all")
        return DuplicateNames::All;
    return std::nullopt;
}

void CPointListWriter::WriteRow(const std::vector<std::string>& fields)
{
    std::string row;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            row += Options.Delimiter;
        CCsvWriter::AppendField(row, fields[i], Options.Delimiter);
    }
    row += "\r\n";
    Out.write(row.data(), static_cast<std::streamsize>(row.size()));
}

void CPointListWriter::Write(const ImportData& data)
{
    if (Options.Header) {
        std::vector<std::string> titles;
        for (char column : Options.Columns)
            titles.emplace_back(ColumnTitle(column));
        WriteRow(titles);
    }
    std::vector<const ImportedPoint*> points;
    for (const ImportedFile& file : data.Files)
        AppendPointsInOrder(file, points);
    std::vector<std::vector<std::string>> rows;
    std::map<std::string, std::vector<std::size_t>> byName;
    for (const ImportedPoint* point : points) {
        rows.emplace_back();
        for (char column : Options.Columns)
            rows.back().push_back(Cell(*point, column, Options.Decimals));
        byName[point->Name].push_back(rows.size() - 1);
    }
    std::size_t repeatedNames = 0;
    std::size_t differingNames = 0;
    for (const auto& [name, occurrences] : byName) {
        if (occurrences.size() < 2)
            continue;
        ++repeatedNames;
        const auto& first = rows[occurrences.front()];
        differingNames += std::any_of(occurrences.begin(), occurrences.end(),
                                      [&](std::size_t i) { return rows[i] != first; })
                              ? 1
                              : 0;
    }
    for (std::size_t i = 0; i < points.size(); ++i) {
        const std::vector<std::size_t>& occurrences = byName[points[i]->Name];
        if (Options.Duplicates == DuplicateNames::All)
            WriteRow(rows[i]);
        else if (occurrences.front() == i)
            WriteRow(rows[Options.Duplicates == DuplicateNames::First ? i : occurrences.back()]);
    }
    if (repeatedNames > 0 && Warn)
        Warn(DuplicatesWarning(repeatedNames, differingNames, Options.Duplicates, Shown));
}

}  // namespace Host
