#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <sstream>

#include <gtest/gtest.h>

#include "host/CsvStream.h"
#include "host/CsvWriter.h"
#include "host/PointListWriter.h"

using namespace Host;

namespace {

using Records = std::vector<std::vector<std::string>>;

// A strict RFC 4180 reader: records end in CR LF, quoted fields may hold the delimiter, doubled
// quotes and line breaks. Anything else (a bare LF, a quote inside an unquoted field) fails the
// test.
Records ReadCsv(const std::string& text, char delimiter = ',')
{
    Records records;
    std::vector<std::string> record;
    std::string field;
    std::size_t i = 0;
    auto endField = [&] { record.push_back(field); field.clear(); };
    while (i < text.size()) {
        if (text[i] == '"' && field.empty()) {
            for (++i;; ++i) {
                if (i >= text.size()) {
                    ADD_FAILURE() << "unterminated quoted field";
                    return records;
                }
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        field += '"';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += text[i];
            }
        }
        if (i >= text.size())
            break;
        if (text[i] == delimiter) {
            endField();
            ++i;
        } else if (text.compare(i, 2, "\r\n") == 0) {
            endField();
            records.push_back(record);
            record.clear();
            i += 2;
        } else if (text[i] == '"' || text[i] == '\n' || text[i] == '\r') {
            ADD_FAILURE() << "stray character at " << i;
            return records;
        } else {
            field += text[i++];
        }
    }
    EXPECT_TRUE(record.empty() && field.empty()) << "the last record has no CR LF";
    return records;
}

TEST(CsvField, QuotesOnlyWhatRfc4180Requires)
{
    EXPECT_EQ(CCsvWriter::Field("plain"), "plain");
    EXPECT_EQ(CCsvWriter::Field(""), "");
    EXPECT_EQ(CCsvWriter::Field("a,b"), "\"a,b\"");
    EXPECT_EQ(CCsvWriter::Field("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(CCsvWriter::Field("two\nlines"), "\"two\nlines\"");
    EXPECT_EQ(CCsvWriter::Field("cr\r"), "\"cr\r\"");
}

// The CSV is written as the calls come, so its tests are calls.
HostCall Call(Op op, const std::string& text = std::string())
{
    HostCall call;
    call.Operation = op;
    call.Text = text;
    return call;
}

HostCall Value(Op op, double value)
{
    HostCall call = Call(op);
    call.Double = value;
    return call;
}

HostCall Integer(Op op, std::int32_t value)
{
    HostCall call = Call(op);
    call.Integer = value;
    return call;
}

Records StreamCsv(const std::vector<HostCall>& calls, AngleUnit angles = AngleUnit::Radian)
{
    std::ostringstream out;
    CCsvStream csv(out, angles);
    for (const HostCall& call : calls)
        csv.OnCall(call);
    csv.Finish();
    return ReadCsv(out.str());
}

TEST(CsvStream, OneRowPerItemThatReadsBackExactly)
{
    const std::string file = "C:\\jobs\\a,b.m5";
    const Records records = StreamCsv({
        Call(Op::SetFileName, file),
        Call(Op::GetConverterFactory),
        Call(Op::AddStation, "100"),
        Integer(Op::SetPointKind, 1),
        Value(Op::SetX, 0.1 + 0.2),  // needs all 17 digits
        Value(Op::SetPressure, 996.0),
        Call(Op::AddTarget, "a \"quoted\" name"),
        Call(Op::SetPointCode, "line1\nline2"),
        Value(Op::SetHorizontalAngle, 5.462924191973552),
        Value(Op::SetTargetHeight, 1.7),
        Value(Op::SetTargetHeight, 1.6),  // sent again: the last value stands
        Value(Op::SetHeightDifference, -1e-300),
        Value(Op::SetProgress, 50),
        Call(Op::AddPoint, "P"),
        Value(Op::SetTemperature, -12.25),
        Value(Op::SetVerticalAngle, std::numeric_limits<double>::infinity()),
        Call(Op::AddTarget, "L"),  // after a plain point: observed from no known station
        Integer(Op::SetPointFlag, 0),
    });
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[0], CCsvWriter::Header());
    for (const auto& record : records)
        ASSERT_EQ(record.size(), 19u);

    const Records expected = {
        {file, "station", "", "100", "", "1", "", "", "", "", "", "", "", "", "", "", "", "", ""},
        {file, "target", "100", "a \"quoted\" name", "line1\nline2", "", "", "", "", "", "", "", "", "", "", "", "",
         "", ""},
        {file, "point", "", "P", "", "", "", "", "", "", "", "", "", "", "", "", "", "", ""},
        {file, "target", "", "L", "", "", "0", "", "", "", "", "", "", "", "", "", "", "", ""},
    };
    // Text columns first; the numbers are checked by reading them back.
    for (std::size_t row = 0; row < expected.size(); ++row)
        for (std::size_t column = 0; column < 7; ++column)
            EXPECT_EQ(records[row + 1][column], expected[row][column]) << "row " << row + 1 << " column " << column;

    auto number = [&](std::size_t row, const char* name) {
        const auto& header = CCsvWriter::Header();
        const auto column = static_cast<std::size_t>(std::find(header.begin(), header.end(), name) - header.begin());
        return records.at(row).at(column);
    };
    EXPECT_EQ(std::strtod(number(1, "x").c_str(), nullptr), 0.1 + 0.2);
    EXPECT_EQ(number(1, "x"), "0.30000000000000004");
    EXPECT_EQ(number(1, "pressure"), "996");
    EXPECT_EQ(number(1, "hz"), "");
    EXPECT_EQ(std::strtod(number(2, "hz").c_str(), nullptr), 5.462924191973552);
    EXPECT_EQ(number(2, "target_height"), "1.6");
    EXPECT_EQ(std::strtod(number(2, "height_difference").c_str(), nullptr), -1e-300);
    EXPECT_EQ(number(3, "temperature"), "-12.25");
    EXPECT_EQ(number(3, "v"), "inf");
}

// A target belongs to the station sent last, until a plain point or another file comes; a
// value sent before any item of a file concerns none.
TEST(CsvStream, TargetsBelongToTheOpenStationOnly)
{
    const Records records = StreamCsv({
        Value(Op::SetX, 1.0),
        Call(Op::SetFileName, "a.m5"),
        Value(Op::SetX, 2.0),
        Call(Op::AddTarget, "t0"),
        Call(Op::AddStation, "S1"),
        Call(Op::AddTarget, "t1"),
        Call(Op::AddTarget, "t2"),
        Call(Op::AddPoint, "p1"),
        Call(Op::AddTarget, "t3"),
        Call(Op::AddStation, "S2"),
        Call(Op::AddTarget, "t4"),
        Call(Op::SetFileName, "b.m5"),
        Call(Op::AddTarget, "t5"),
    });
    std::vector<std::string> order;
    for (std::size_t row = 1; row < records.size(); ++row)
        order.push_back(records[row][0] + ":" + records[row][1] + " " + records[row][2] + "/" + records[row][3] +
                        (records[row][7].empty() ? "" : " x=" + records[row][7]));
    const std::vector<std::string> expected = {
        "a.m5:target /t0", "a.m5:station /S1", "a.m5:target S1/t1", "a.m5:target S1/t2", "a.m5:point /p1",
        "a.m5:target /t3", "a.m5:station /S2", "a.m5:target S2/t4", "b.m5:target /t5",
    };
    EXPECT_EQ(order, expected);
    // An import that sent nothing still has the header.
    EXPECT_EQ(StreamCsv({}), Records{CCsvWriter::Header()});
}

TEST(CsvStream, AnglesInTheChosenUnitAreNamedInTheHeader)
{
    constexpr double Pi = 3.14159265358979323846;
    constexpr double Hz = 0.37276354313150006;
    struct Case {
        AngleUnit Unit;
        const char* Hz;
        const char* V;
        double Scale;  // of the number, per radian; 0 for texts
    };
    const Case cases[] = {
        {AngleUnit::Radian, "hz", "v", 1.0},
        {AngleUnit::Degree, "hz_deg", "v_deg", 180.0 / Pi},
        {AngleUnit::Gon, "hz_gon", "v_gon", 200.0 / Pi},
        {AngleUnit::Dms, "hz_dms", "v_dms", 0.0},
    };
    for (const Case& test : cases) {
        const Records records = StreamCsv({Call(Op::SetFileName, "job.m5"), Call(Op::AddPoint, "P"),
                                           Value(Op::SetHorizontalAngle, Hz), Value(Op::SetVerticalAngle, Pi / 2)},
                                          test.Unit);
        ASSERT_EQ(records.size(), 2u);
        EXPECT_EQ(records[0], CCsvWriter::Header(test.Unit));
        const auto hz = std::find(records[0].begin(), records[0].end(), test.Hz) - records[0].begin();
        const auto v = std::find(records[0].begin(), records[0].end(), test.V) - records[0].begin();
        ASSERT_EQ(v, hz + 1) << test.Hz;
        const std::string& hzCell = records[1][static_cast<std::size_t>(hz)];
        const std::string& vCell = records[1][static_cast<std::size_t>(v)];
        if (test.Scale == 0) {
            EXPECT_EQ(hzCell, "21°21'28.0\"");  // quoted in the file, whole when read back
            EXPECT_EQ(vCell, "90°00'00.0\"");
        } else {
            EXPECT_EQ(std::strtod(hzCell.c_str(), nullptr), Hz * test.Scale);
            EXPECT_EQ(std::strtod(vCell.c_str(), nullptr), Pi / 2 * test.Scale);
        }
    }
}

ImportedPoint ListedPoint(const std::string& name, std::size_t sequence, std::optional<double> x,
                          std::optional<double> y, std::optional<double> z = std::nullopt,
                          std::optional<std::string> code = std::nullopt)
{
    ImportedPoint point;
    point.Name = name;
    point.Sequence = sequence;
    point.X = x;
    point.Y = y;
    point.Z = z;
    point.Code = code;
    return point;
}

// Two files: a station observing targets, a plain point, a target observed from no station, and
// names that come again: 1001 with the same coordinates, 2001 with others.
ImportData PointListSample()
{
    ImportedFile first;
    first.Name = "a.m5";
    first.Stations.push_back({ListedPoint("1000", 0, 5000.0, 2000.0, 150.0),
                              {ListedPoint("2001", 1, 5031.5544, 2012.3391, 150.611, std::string("FENCE")),
                               ListedPoint("999", 2, std::nullopt, std::nullopt),  // a direction only
                               ListedPoint("1001", 4, 5087.216, 2131.604, std::nullopt)}});
    first.Points.push_back(ListedPoint("P,1", 3, -0.0004, 1.0, 2.0, std::string("say \"x\"")));
    ImportedFile second;
    second.Name = "b.m5";
    second.Stations.push_back({ListedPoint("1001", 0, 5087.216, 2131.604, std::nullopt), {}});
    second.LooseTargets.push_back(ListedPoint("2001", 1, 5031.6, 2012.3, 150.6, std::string("FENCE")));
    ImportData data;
    data.Files = {first, second};
    return data;
}

struct PointListCase {
    const char* Name;
    PointListOptions Options;
    Records Expected;
    const char* Warning;  // the start of the warning; empty for none
};

class PointList : public testing::TestWithParam<PointListCase> {};

TEST_P(PointList, ListsEveryPointWithCoordinatesOnce)
{
    const PointListCase& test = GetParam();
    std::ostringstream out;
    std::vector<std::string> warnings;
    CPointListWriter(out, test.Options, Language::English, [&](const std::string& text) { warnings.push_back(text); })
        .Write(PointListSample());
    EXPECT_EQ(ReadCsv(out.str(), test.Options.Delimiter), test.Expected);
    if (*test.Warning) {
        ASSERT_EQ(warnings.size(), 1u);
        EXPECT_EQ(warnings[0].rfind(test.Warning, 0), 0u) << warnings[0];
    } else {
        EXPECT_TRUE(warnings.empty());
    }
}

PointListOptions Options(const char* columns, char delimiter, int decimals, bool header, DuplicateNames duplicates)
{
    return PointListOptions{columns, delimiter, decimals, header, duplicates};
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PointList,
    testing::Values(
        PointListCase{"LastOfEachNameAtItsFirstPlace",
                      Options("PNEZD", ',', 3, true, DuplicateNames::Last),
                      {{"name", "northing", "easting", "elevation", "code"},
                       {"1000", "5000.000", "2000.000", "150.000", ""},
                       {"2001", "5031.600", "2012.300", "150.600", "FENCE"},
                       {"P,1", "0.000", "1.000", "2.000", "say \"x\""},
                       {"1001", "5087.216", "2131.604", "", ""}},
                      "2 point names occur more than once (1 of them with other coordinates or code); the last"},
        PointListCase{"FirstOfEachName",
                      Options("PNE", ',', 1, false, DuplicateNames::First),
                      {{"1000", "5000.0", "2000.0"},
                       {"2001", "5031.6", "2012.3"},
                       {"P,1", "0.0", "1.0"},
                       {"1001", "5087.2", "2131.6"}},
                      // At one decimal the two 2001 agree.
                      "2 point names occur more than once (always with the same values); the first"},
        PointListCase{"AllOccurrencesWithAnotherDelimiter",
                      Options("ENP", ';', 0, true, DuplicateNames::All),
                      {{"easting", "northing", "name"},
                       {"2000", "5000", "1000"},
                       {"2012", "5032", "2001"},
                       {"1", "0", "P,1"},
                       {"2132", "5087", "1001"},
                       {"2132", "5087", "1001"},
                       {"2012", "5032", "2001"}},
                      "2 point names occur more than once (always with the same values); every occurrence"},
        PointListCase{"NamesAloneAreNotDuplicatesWhenTheRowsAgree",
                      Options("PD", '\t', 3, false, DuplicateNames::Last),
                      {{"1000", ""}, {"2001", "FENCE"}, {"P,1", "say \"x\""}, {"1001", ""}},
                      "2 point names occur more than once (always with the same values)"}),
    [](const testing::TestParamInfo<PointListCase>& test) { return std::string(test.param.Name); });

TEST(PointList, OptionsThatWouldMakeRowsAmbiguousAreRefused)
{
    std::string columns, reason;
    EXPECT_TRUE(ReadPointColumns("pnezd", columns, reason));
    EXPECT_EQ(columns, "PNEZD");
    for (const char* text : {"", "PNX", "PNN", "P N"})
        EXPECT_FALSE(ReadPointColumns(text, columns, reason)) << text;
    char delimiter = 0;
    for (const auto& [text, expected] : std::vector<std::pair<std::string, char>>{{";", ';'}, {"tab", '\t'}, {"\\t", '\t'}, {" ", ' '}}) {
        EXPECT_TRUE(ReadDelimiter(text, delimiter, reason)) << text;
        EXPECT_EQ(delimiter, expected) << text;
    }
    for (const char* text : {"", ";;", "\"", "\n", "5", ".", "-"})
        EXPECT_FALSE(ReadDelimiter(text, delimiter, reason)) << text;
    EXPECT_EQ(ParseDuplicateNames("first"), DuplicateNames::First);
    EXPECT_FALSE(ParseDuplicateNames("First"));
}

}  // namespace
