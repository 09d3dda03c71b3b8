#include "host/LayoutDetector.h"

#include <algorithm>
#include <map>
#include <set>
#include <unordered_set>

namespace Host {

namespace {

constexpr int Width = InfoWidth;

// Columns here count from 0 to 26; settings count from 1.
struct Span {
    int First;
    int Last;
};

// Which columns of the information text hold something other than white space, one bit per
// column, and which of them hold a digit. Where the fields of a file lie depends on these
// patterns only, and a file has few of them, so they are weighed once each with the count of
// records that share them.
using ColumnMask = std::uint32_t;

struct Pattern {
    ColumnMask Used = 0;
    ColumnMask Digits = 0;
    bool operator<(const Pattern& other) const
    {
        return Used != other.Used ? Used < other.Used : Digits < other.Digits;
    }
};
using PatternCounts = std::map<Pattern, std::size_t>;

bool IsDigit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

Pattern PatternOf(const std::wstring& text)
{
    Pattern pattern;
    for (int c = 0; c < Width && static_cast<std::size_t>(c) < text.size(); ++c) {
        const wchar_t character = text[static_cast<std::size_t>(c)];
        if (!IsBlank(character))
            pattern.Used |= ColumnMask{1} << c;
        if (IsDigit(character))
            pattern.Digits |= ColumnMask{1} << c;
    }
    return pattern;
}

ColumnMask MaskOf(const std::wstring& text)
{
    return PatternOf(text).Used;
}

ColumnMask SpanMask(Span span)
{
    return ((ColumnMask{1} << (span.Last + 1)) - 1) & ~((ColumnMask{1} << span.First) - 1);
}

// The first and last used column of a mask within the span; First is -1 when none is used.
Span Occupied(ColumnMask mask, Span span)
{
    mask &= SpanMask(span);
    if (mask == 0)
        return Span{-1, -1};
    return Span{__builtin_ctz(mask), 31 - __builtin_clz(mask)};
}

// The runs of columns that some record uses within the span.
std::vector<Span> Blocks(const PatternCounts& patterns, Span span)
{
    ColumnMask used = 0;
    for (const auto& [pattern, count] : patterns)
        used |= pattern.Used;
    used &= SpanMask(span);
    std::vector<Span> blocks;
    for (int c = span.First; c <= span.Last; ++c) {
        if ((used >> c & 1) == 0)
            continue;
        if (blocks.empty() || blocks.back().Last != c - 1)
            blocks.push_back(Span{c, c});
        else
            blocks.back().Last = c;
    }
    return blocks;
}

// How strongly a block parts into two fields before column b. A field shows an aligned edge
// at b when all its values end just before b (right-aligned numbers) or all start at b, while
// their lengths differ. Records with a blank beside that edge and more text beyond it support
// the boundary; a block whose both parts keep their edges at b is parted even where every
// record runs them together. Evidence 0: nothing speaks for a boundary there. Where values
// touch, a change between digits and other characters at b tells boundaries of equal
// evidence apart.
struct Boundary {
    std::size_t Evidence = 0;
    std::size_t ClassChanges = 0;
    bool operator>(const Boundary& other) const
    {
        return Evidence != other.Evidence ? Evidence > other.Evidence : ClassChanges > other.ClassChanges;
    }
};

Boundary WeighBoundary(const PatternCounts& patterns, Span span, int b)
{
    bool leftEdge = true, rightEdge = true, leftSeen = false, rightSeen = false;
    std::set<int> leftStarts, rightEnds;
    Boundary boundary;
    std::size_t gaps = 0;
    for (const auto& [pattern, count] : patterns) {
        const Span left = Occupied(pattern.Used, Span{span.First, b - 1});
        const Span right = Occupied(pattern.Used, Span{b, span.Last});
        if (left.First >= 0) {
            leftSeen = true;
            leftEdge = leftEdge && left.Last == b - 1;
            leftStarts.insert(left.First);
        }
        if (right.First >= 0) {
            rightSeen = true;
            rightEdge = rightEdge && right.First == b;
            rightEnds.insert(right.Last);
        }
        if (left.First >= 0 && right.First >= 0 && (left.Last < b - 1 || right.First > b))
            gaps += count;
        if (left.Last == b - 1 && right.First == b && (pattern.Digits >> (b - 1) & 1) != (pattern.Digits >> b & 1))
            boundary.ClassChanges += count;
    }
    if (!leftSeen || !rightSeen)
        return Boundary{};
    const bool leftAligned = leftEdge && leftStarts.size() > 1;
    const bool rightAligned = rightEdge && rightEnds.size() > 1;
    if (leftAligned && rightAligned)
        boundary.Evidence = gaps + 1;
    else if (leftAligned || rightAligned)
        boundary.Evidence = gaps;
    return boundary;
}

// A block of columns split at its best-supported boundary, and its parts again, until no
// boundary is supported.
void SplitFields(const PatternCounts& patterns, Span span, std::vector<Span>& fields)
{
    int best = -1;
    Boundary bestBoundary;
    for (int b = span.First + 1; b <= span.Last; ++b) {
        const Boundary boundary = WeighBoundary(patterns, span, b);
        if (boundary.Evidence > 0 && boundary > bestBoundary) {
            best = b;
            bestBoundary = boundary;
        }
    }
    if (best < 0) {
        fields.push_back(span);
        return;
    }
    for (const Span part : {Span{span.First, best - 1}, Span{best, span.Last}}) {
        const std::vector<Span> used = Blocks(patterns, part);
        if (!used.empty())
            SplitFields(patterns, Span{used.front().First, used.back().Last}, fields);
    }
}

FieldShape Shape(const std::vector<PointLine>& points, Span span)
{
    FieldShape shape{span.First + 1, span.Last + 1, Alignment::Fixed, 0, 0, 0};
    std::set<int> starts, ends;
    std::unordered_set<std::wstring> values;
    for (const PointLine& point : points) {
        const Span occupied = Occupied(MaskOf(point.Text), span);
        if (occupied.First < 0)
            continue;
        ++shape.Filled;
        starts.insert(occupied.First);
        ends.insert(occupied.Last);
        const std::wstring value = point.Text.substr(static_cast<std::size_t>(occupied.First),
                                                     static_cast<std::size_t>(occupied.Last - occupied.First + 1));
        shape.Numeric += std::any_of(value.begin(), value.end(), IsDigit) ? 1 : 0;
        values.insert(value);
    }
    shape.Distinct = values.size();
    if (starts.size() == 1 && ends.size() > 1)
        shape.Align = Alignment::Left;
    else if (ends.size() == 1 && starts.size() > 1)
        shape.Align = Alignment::Right;
    else if (starts.size() > 1)
        shape.Align = Alignment::Mixed;
    return shape;
}

}  // namespace

namespace {

// The fields of the records' information texts, left to right.
std::vector<Span> FindFields(const std::vector<PointLine>& points)
{
    PatternCounts patterns;
    for (const PointLine& point : points)
        ++patterns[PatternOf(point.Text)];
    std::vector<Span> fields;
    for (const Span& block : Blocks(patterns, Span{0, Width - 1}))
        SplitFields(patterns, block, fields);
    return fields;
}

// The name is the field that at least half of the records fill and whose values differ most
// from record to record: a point number changes with every point, a code repeats; between
// equals, the one more often holding digits. A field standing alone is taken for codes, and
// the names for the addresses', only when its values repeat and are mostly words.
std::optional<std::size_t> PickName(const std::vector<FieldShape>& shapes, std::size_t records)
{
    std::optional<std::size_t> best;
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        const FieldShape& shape = shapes[i];
        if (shape.Filled * 2 < records)
            continue;
        const FieldShape* held = best ? &shapes[*best] : nullptr;
        const std::size_t score = shape.Filled * shape.Distinct;
        if (!held || score > held->Filled * held->Distinct ||
            (score == held->Filled * held->Distinct && shape.Numeric > held->Numeric))
            best = i;
    }
    if (best && shapes.size() == 1) {
        const FieldShape& only = shapes[*best];
        if (only.Distinct * 4 <= only.Filled && only.Numeric * 2 < only.Filled)
            return std::nullopt;
    }
    return best;
}

std::size_t FilledBy(const std::vector<PointLine>& points, const std::vector<Span>& fields, std::size_t from,
                     std::size_t to)
{
    if (from >= to)
        return 0;
    const Span span{fields[from].First, fields[to - 1].Last};
    std::size_t filled = 0;
    for (const PointLine& point : points)
        filled += Occupied(MaskOf(point.Text), span).First >= 0 ? 1 : 0;
    return filled;
}

bool GrowsLeft(Alignment align) { return align == Alignment::Right || align == Alignment::Mixed; }
bool GrowsRight(Alignment align) { return align != Alignment::Right; }

// The settings' columns for the chosen fields. Blank columns beside a field go to it on the
// side its values grow: right-aligned values grow to the left, others to the right (a field
// whose values start anywhere grows both ways). Between name and code the blank columns go
// to the right-hand field when it is right-aligned, else to the left-hand one.
void PlaceTwo(FieldShape& left, FieldShape& right, int leftBound, int rightBound)
{
    if (right.Align == Alignment::Right)
        right.First = left.Last + 1;
    else
        left.Last = right.First - 1;
    if (GrowsLeft(left.Align))
        left.First = leftBound;
    if (GrowsRight(right.Align))
        right.Last = rightBound;
}

void SetColumns(SettingsValues& values, const FieldShape* name, const FieldShape& code)
{
    values.TakePointNameFromAddr = name ? 0 : 1;
    if (name) {
        values.PointStart = name->First;
        values.PointLen = name->Last - name->First + 1;
    }
    values.CodeStart = code.First;
    values.CodeLen = code.Last - code.First + 1;
}

// A name field with nothing beside it: the code takes the blank columns after it, or before
// it when there are none after. A field over all 27 columns has to leave one to the code:
// the last, or the first when its values are right-aligned and reach the last.
void PlaceAlone(FieldShape name, DetectedLayout& layout)
{
    FieldShape code{1, Width, Alignment::Left, 0, 0, 0};
    if (name.Last < Width) {
        code.First = name.Last + 1;
        name.First = GrowsLeft(name.Align) ? 1 : name.First;
    } else if (name.First > 1) {
        code.Last = name.First - 1;
    } else if (name.Align == Alignment::Right) {
        code.Last = 1;
        name.First = 2;
        layout.Note = "the values fill all 27 columns; column 1 is left for the code";
    } else {
        code.First = Width;
        name.Last = Width - 1;
        layout.Note = "the values fill all 27 columns; column 27 is left for the code";
    }
    layout.Name = name;
    layout.Code = code;
    SetColumns(layout.Values, &*layout.Name, *layout.Code);
}

// The guessed columns over the given settings in the layout's values.
void GuessColumns(const std::vector<PointLine>& points, DetectedLayout& layout)
{
    const std::vector<Span> fields = FindFields(points);
    std::vector<FieldShape> shapes;
    for (const Span& field : fields)
        shapes.push_back(Shape(points, field));
    const std::optional<std::size_t> name = PickName(shapes, points.size());
    if (!name) {
        // Nothing in the information text names the points: the address does.
        FieldShape code = fields.empty() ? FieldShape{1, Width, Alignment::Left, 0, 0, 0}
                                         : Shape(points, Span{fields.front().First, fields.back().Last});
        code.First = GrowsLeft(code.Align) ? 1 : code.First;
        code.Last = GrowsRight(code.Align) ? Width : code.Last;
        layout.Code = code;
        SetColumns(layout.Values, nullptr, code);
        return;
    }
    // The code is what stands on the side of the name that more records fill.
    const std::size_t before = FilledBy(points, fields, 0, *name);
    const std::size_t after = FilledBy(points, fields, *name + 1, fields.size());
    FieldShape nameShape = shapes[*name];
    if (before == 0 && after == 0) {
        PlaceAlone(nameShape, layout);
        return;
    }
    const bool codeAfter = after >= before;
    const Span codeSpan = codeAfter ? Span{fields[*name + 1].First, fields.back().Last}
                                    : Span{fields.front().First, fields[*name - 1].Last};
    FieldShape code = Shape(points, codeSpan);
    // Fields on the other side of the name are not read; the chosen ones stop short of them.
    const int leftBound = codeAfter && *name > 0 ? fields[*name - 1].Last + 2 : 1;
    const int rightBound = !codeAfter && *name + 1 < fields.size() ? fields[*name + 1].First : Width;
    if (codeAfter)
        PlaceTwo(nameShape, code, leftBound, rightBound);
    else
        PlaceTwo(code, nameShape, leftBound, rightBound);
    layout.Name = nameShape;
    layout.Code = code;
    SetColumns(layout.Values, &*layout.Name, *layout.Code);
}

std::wstring Cut(std::wstring_view text, std::int32_t start, std::int32_t length)
{
    const std::size_t first = start < 1 ? 0 : static_cast<std::size_t>(start) - 1;
    if (first >= text.size())
        return std::wstring();
    const std::size_t left = text.size() - first;
    const std::size_t count = length < 0 ? left : std::min(left, static_cast<std::size_t>(length));
    return std::wstring(TrimBlanks(text.substr(first, count)));
}

std::int32_t Saturate(std::int64_t value)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

// The lengths a START block leaves when it closes: the earlier field runs up to the later
// one, the later one to the end of the information text.
void FitLengths(SettingsValues& v)
{
    if (v.TakePointNameFromAddr == 1) {
        v.CodeLen = Saturate(std::int64_t{Width} - v.CodeStart + 1);
    } else if (v.CodeStart < v.PointStart) {
        v.PointLen = Saturate(std::int64_t{Width} - v.PointStart + 1);
        v.CodeLen = Saturate(std::int64_t{v.PointStart} - v.CodeStart);
    } else {
        v.PointLen = Saturate(std::int64_t{v.CodeStart} - v.PointStart);
        v.CodeLen = Saturate(std::int64_t{Width} - v.CodeStart + 1);
    }
}

bool IsStation(const PointLine& point, const NameAndCode& read, std::int32_t mode)
{
    return read.Code == L"S" || (mode == 1 && point.First == FirstValue::Coordinate);
}

// Mode 0 is the only one that reads station headers. Without them, a record that gives a new
// point's coordinates first and is followed by measurements to other points is how separate
// measurements open a set-up; coordinates alone are points, which mode 1 would make stations.
std::optional<std::int32_t> DecideMode(const CFieldFileScan& scan, const SettingsValues& values, std::string& reason)
{
    if (scan.HasStationHeaders()) {
        reason = "the file has station headers (KN STAT, UN STAT or EL STAT), which only mode 0 reads";
        return 0;
    }
    // A point's coordinates on the line after its own measurement do not open a set-up.
    bool coordinatesFirst = false, opened = false, measuredFromOpened = false;
    std::wstring openedName, previousName;
    for (const PointLine& point : scan.Points()) {
        const NameAndCode read = ReadNameAndCode(scan, point, values);
        const bool byCoordinates = point.First == FirstValue::Coordinate && read.Code != L"S";
        coordinatesFirst = coordinatesFirst || byCoordinates;
        if (byCoordinates && read.Name != previousName) {
            opened = true;
            openedName = read.Name;
        } else if (opened && point.Measured && read.Name != openedName) {
            measuredFromOpened = true;
        }
        previousName = read.Name;
    }
    if (measuredFromOpened) {
        reason = "no station headers; points given by their coordinates are followed by measurements to other "
                 "points, as separate measurements open their set-ups";
        return 1;
    }
    if (coordinatesFirst) {
        reason = "no station headers and no measurements from points given by their coordinates: mode 1 would "
                 "make each of them a station";
        return 0;
    }
    return std::nullopt;
}

bool ReadAlike(const CFieldFileScan& scan, const SettingsValues& a, const SettingsValues& b)
{
    for (const PointLine& point : scan.Points()) {
        const NameAndCode first = ReadNameAndCode(scan, point, a);
        const NameAndCode second = ReadNameAndCode(scan, point, b);
        if (first.Name != second.Name || first.Code != second.Code)
            return false;
    }
    return true;
}

}  // namespace

SettingsValues SettingsAtLine(const CFieldFileScan& scan, const SettingsValues& values, int line)
{
    const std::optional<StartBlock>& block = scan.Start();
    if (!block || line <= block->Line)
        return values;
    SettingsValues moved = values;
    moved.CodeStart = block->CodeStart.value_or(moved.CodeStart);
    moved.PointStart = block->PointStart.value_or(moved.PointStart);
    if (block->EndLine != 0 && line > block->EndLine)
        FitLengths(moved);
    return moved;
}

NameAndCode ReadNameAndCode(const CFieldFileScan& scan, const PointLine& point, const SettingsValues& values)
{
    constexpr std::size_t AddressNameLength = 5;
    const SettingsValues v = SettingsAtLine(scan, values, point.Line);
    NameAndCode read;
    if (v.TakePointNameFromAddr == 1) {
        const std::wstring_view address = point.Address;
        const std::size_t from = address.size() > AddressNameLength ? address.size() - AddressNameLength : 0;
        read.Name = std::wstring(TrimBlanks(address.substr(from)));
    } else {
        read.Name = Cut(point.Text, v.PointStart, v.PointLen);
    }
    read.Code = Cut(point.Text, v.CodeStart, v.CodeLen);
    return read;
}

std::size_t CountUnnamed(const CFieldFileScan& scan, const SettingsValues& values)
{
    std::size_t unnamed = 0;
    for (const PointLine& point : scan.Points()) {
        const NameAndCode read = ReadNameAndCode(scan, point, values);
        if (read.Name.empty() && !IsStation(point, read, values.Mode))
            ++unnamed;
    }
    return unnamed;
}

std::string SetFlags(const DetectedLayout& layout)
{
    std::string flags;
    for (const std::string& key : layout.Keys)
        flags += (flags.empty() ? "" : " ") + std::string("--set ") + key + "=" + std::to_string(layout.Values.Get(key));
    return flags;
}

DetectedLayout DetectLayout(const CFieldFileScan& scan, const SettingsValues& given)
{
    DetectedLayout layout;
    layout.Values = given;
    const std::optional<StartBlock>& block = scan.Start();
    if (block && (block->PointStart || block->CodeStart)) {
        // The file says where its columns are; a name column it gives is read from the text.
        layout.FromStartBlock = true;
        if (block->PointStart && given.TakePointNameFromAddr == 1) {
            layout.Values.TakePointNameFromAddr = 0;
            layout.Keys.push_back("TakePointNameFromAddr");
        }
    } else if (!scan.Points().empty()) {
        // The guess is a layout the editor takes by construction; the import checks it again
        // before loading it, and the fuzz target checks it on every file.
        GuessColumns(scan.Points(), layout);
        layout.Agrees = ReadAlike(scan, given, layout.Values);
        if (layout.Agrees)
            layout.Values = given;
        else if (layout.Values.TakePointNameFromAddr == 1)
            layout.Keys = {"TakePointNameFromAddr", "CodeStart", "CodeLen"};
        else
            layout.Keys = {"TakePointNameFromAddr", "PointStart", "PointLen", "CodeStart", "CodeLen"};
    } else {
        layout.Agrees = true;  // no point record to read otherwise
    }
    if (const auto mode = DecideMode(scan, layout.Values, layout.ModeReason)) {
        layout.Values.Mode = *mode;
        layout.Keys.push_back("Mode");
    }
    return layout;
}

}  // namespace Host
