// `m5import layout FILE...`: for each file, where its point names and codes were found, the
// settings that read them, and its first point records under a ruler that counts the columns
// of the information text as the settings count them, with the name (P) and code (C) columns
// marked and what each record reads as.
#include <algorithm>
#include <iostream>
#include <set>

#include "host/FieldFileScan.h"
#include "host/HostCommands.h"
#include "host/LayoutDetector.h"
#include "host/SettingsRules.h"
#include "host/SettingsStore.h"
#include "platform/Utf16.h"

namespace Host {

namespace {

constexpr int ExitDone = 0;
constexpr int ExitUnread = 1;
constexpr int ExitUsage = 2;
constexpr std::size_t ValuesListed = 8;
constexpr std::size_t LabelWidth = 16;

std::string Utf8(std::wstring_view text)
{
    return Platform::WideToUtf8(text);
}

std::string Columns(std::int32_t start, std::int32_t length)
{
    if (length == 1)
        return "column " + std::to_string(start);
    const std::string last = length < 0 ? std::to_string(InfoWidth) : std::to_string(start + length - 1);
    return "columns " + std::to_string(start) + "-" + last;
}

const char* AlignmentWords(Alignment align)
{
    switch (align) {
    case Alignment::Left: return ", left-aligned";
    case Alignment::Right: return ", right-aligned";
    case Alignment::Mixed: return ", placed freely";
    case Alignment::Fixed: break;
    }
    return "";
}

// The first different values a field reads as, in the order of the records.
std::string ValuesRead(const CFieldFileScan& scan, const SettingsValues& values, bool names)
{
    std::vector<std::wstring> listed;
    std::set<std::wstring> seen;
    for (const PointLine& point : scan.Points()) {
        const NameAndCode read = ReadNameAndCode(scan, point, values);
        const std::wstring& value = names ? read.Name : read.Code;
        if (!value.empty() && seen.insert(value).second && listed.size() < ValuesListed)
            listed.push_back(value);
    }
    std::string text;
    for (const std::wstring& value : listed)
        text += (text.empty() ? "" : ", ") + Utf8(value);
    if (seen.size() > listed.size())
        text += ", ... (" + std::to_string(seen.size()) + " different)";
    return text.empty() ? "none" : text;
}

void Row(std::ostream& out, const std::string& label, const std::string& text)
{
    out << "  " << label << std::string(LabelWidth - std::min(LabelWidth, label.size()), ' ') << text << "\n";
}

void DescribeColumns(const CFieldFileScan& scan, const DetectedLayout& layout, std::ostream& out)
{
    if (layout.FromStartBlock) {
        const StartBlock& block = *scan.Start();
        std::string text = "line " + std::to_string(block.Line) +
                           (block.EndLine ? " to " + std::to_string(block.EndLine) : std::string(", never closed"));
        if (block.CodeStart)
            text += "; code from column " + std::to_string(*block.CodeStart) + " (record 21)";
        if (block.PointStart)
            text += "; name from column " + std::to_string(*block.PointStart) + " (record 22)";
        Row(out, "START block", text + ": these columns are kept");
    }
    const int lastLine = scan.Points().empty() ? 0 : scan.Points().back().Line;
    const SettingsValues v = SettingsAtLine(scan, layout.Values, lastLine);
    const std::string nameWhere = v.TakePointNameFromAddr == 1 ? std::string("the last five characters of the address")
                                                               : Columns(v.PointStart, v.PointLen);
    Row(out, "names", nameWhere + (layout.Name ? AlignmentWords(layout.Name->Align) : "") + ": " +
                          ValuesRead(scan, layout.Values, true));
    Row(out, "codes", Columns(v.CodeStart, v.CodeLen) + (layout.Code ? AlignmentWords(layout.Code->Align) : "") +
                          ": " + ValuesRead(scan, layout.Values, false));
    if (!layout.Note.empty())
        Row(out, "note", layout.Note);
}

void DescribeSettings(const CFieldFileScan& scan, const DetectedLayout& layout, const SettingsValues& given,
                      std::ostream& out)
{
    if (!layout.ModeReason.empty())
        Row(out, "mode", std::to_string(layout.Values.Mode) + ": " + layout.ModeReason);
    const std::size_t unnamed = CountUnnamed(scan, given);
    std::string inForce;
    for (const std::string& key : SettingsKeys())
        inForce += (inForce.empty() ? "" : " ") + key + "=" + std::to_string(given.Get(key));
    Row(out, "in force", inForce);
    Row(out, "", unnamed == 0 ? std::string("every point record gets a name with these")
                              : std::to_string(unnamed) + " of " + std::to_string(scan.Points().size()) +
                                    " point records get no name with these");
    if (layout.Agrees && layout.Keys.empty())
        Row(out, "to read it", "the settings in force read it as found");
    else
        Row(out, "to read it", SetFlags(layout) + (layout.Agrees ? " (the columns in force read it as found)" : ""));
    Row(out, "", "or --layout auto, which reads each file with what it finds there");
}

// The ruler over the information text, counted from 1 as the settings count: labels at 1,
// 10, 20 and 27, a tick at every fifth column; then the columns the name (P) and the code
// (C) are read from.
void PrintRuler(std::ostream& out, std::size_t indent, const SettingsValues& v, std::size_t addressNameAt)
{
    std::string labels(InfoWidth, ' '), ticks(InfoWidth, '.'), marks(InfoWidth, '.');
    for (int column : {1, 10, 20, 27}) {
        const std::string label = std::to_string(column);
        labels.replace(static_cast<std::size_t>(column) - label.size(), label.size(), label);
        ticks[static_cast<std::size_t>(column) - 1] = '|';
    }
    for (int column : {5, 15, 25})
        ticks[static_cast<std::size_t>(column) - 1] = '+';
    auto mark = [&](std::int32_t start, std::int32_t length, char letter) {
        const std::int64_t last = length < 0 ? InfoWidth : std::int64_t{start} + length - 1;
        for (std::int64_t c = std::max(1, start); c <= std::min<std::int64_t>(last, InfoWidth); ++c)
            marks[static_cast<std::size_t>(c) - 1] = letter;
    };
    if (v.TakePointNameFromAddr != 1)
        mark(v.PointStart, v.PointLen, 'P');
    mark(v.CodeStart, v.CodeLen, 'C');
    std::string prefix(indent, ' ');
    if (v.TakePointNameFromAddr == 1 && addressNameAt + 5 <= indent)
        prefix.replace(addressNameAt, 5, "PPPPP");
    out << std::string(indent, ' ') << labels << "\n" << std::string(indent, ' ') << ticks << "\n"
        << prefix << marks << "\n";
}

void PrintFirstRecords(const CFieldFileScan& scan, const DetectedLayout& layout, std::size_t count, std::ostream& out)
{
    std::vector<const PointLine*> shown;
    for (const PointLine& point : scan.Points())
        if (shown.size() < count && !point.Shown.empty())
            shown.push_back(&point);
    if (shown.empty())
        return;
    constexpr std::size_t NumberWidth = 7;
    std::size_t textAt = 0;
    for (const PointLine* point : shown)
        textAt = std::max(textAt, point->TextOffset);
    out << "\n   line  the first point records; P name, C code\n";
    const std::size_t separator = shown.front()->Shown.find(L'|');
    const std::size_t addressNameAt = NumberWidth + 2 + (textAt - shown.front()->TextOffset) + separator + 1 +
                                      (shown.front()->Address.size() > 5 ? shown.front()->Address.size() - 5 : 0);
    PrintRuler(out, NumberWidth + 2 + textAt, SettingsAtLine(scan, layout.Values, shown.back()->Line), addressNameAt);
    for (const PointLine* point : shown) {
        const std::string number = std::to_string(point->Line);
        const NameAndCode read = ReadNameAndCode(scan, *point, layout.Values);
        out << std::string(NumberWidth - std::min(NumberWidth, number.size()), ' ') << number << "  "
            << std::string(textAt - point->TextOffset, ' ') << Utf8(point->Shown) << "  name "
            << (read.Name.empty() ? "(none)" : Utf8(read.Name)) << ", code " << (read.Code.empty() ? "(none)" : Utf8(read.Code))
            << "\n";
    }
}

// One file, after a blank line when others were shown before; false when it could not be
// read or the plug-in would refuse it.
bool DescribeFile(const std::string& path, const SettingsValues& given, int lines, bool& shown, std::ostream& out)
{
    CFieldFileScan scan;
    std::string reason;
    if (!scan.Read(path, reason)) {
        std::cerr << "m5import: " << reason << "\n";
        return false;
    }
    out << (shown ? "\n" : "") << path << "\n";
    shown = true;
    Row(out, "point records", std::to_string(scan.PointCount()) +
                                  (scan.HasStationHeaders() ? "; station headers" : "; no station headers"));
    if (scan.RefusedLine() != 0)
        Row(out, "refused", "the plug-in stops reading at line " + std::to_string(scan.RefusedLine()) + ": " +
                                scan.Refusal());
    if (scan.Points().empty()) {
        Row(out, "", "no point record to find names in");
        return scan.RefusedLine() == 0;
    }
    const DetectedLayout layout = DetectLayout(scan, given);
    DescribeColumns(scan, layout, out);
    DescribeSettings(scan, layout, given, out);
    PrintFirstRecords(scan, layout, static_cast<std::size_t>(std::max(0, lines)), out);
    return scan.RefusedLine() == 0;
}

}  // namespace

int RunLayoutCommand(const LayoutCommandOptions& options, std::ostream& out)
{
    CSettingsStore store;
    std::string reason;
    GivenSettings given;
    if (!store.Load(options.SettingsPath, reason) ||
        !ResolveGivenSettings(store, options.Overrides, false, given, reason)) {
        std::cerr << "m5import: " << reason << "\n";
        return ExitUsage;
    }
    bool allRead = true, shown = false;
    for (const std::string& file : options.Files)
        allRead = DescribeFile(file, given.Values, options.Lines, shown, out) && allRead;
    return allRead ? ExitDone : ExitUnread;
}

}  // namespace Host
