#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <sstream>

#include <gtest/gtest.h>

#include "host/CsvWriter.h"

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

TEST(CsvWriter, OneRowPerItemThatReadsBackExactly)
{
    ImportedFile file;
    file.Name = "C:\\jobs\\a,b.m5";
    ImportedStation station;
    station.Station.Name = "100";
    station.Station.Sequence = 0;
    station.Station.Kind = 1;
    station.Station.X = 0.1 + 0.2;  // needs all 17 digits
    station.Station.Pressure = 996.0;
    ImportedPoint target;
    target.Name = "a \"quoted\" name";
    target.Sequence = 1;
    target.Code = "line1\nline2";
    target.HorizontalAngle = 5.462924191973552;
    target.TargetHeight = 1.6;
    target.HeightDifference = -1e-300;
    station.Targets.push_back(target);
    file.Stations.push_back(station);
    ImportedPoint loose;
    loose.Name = "L";
    loose.Sequence = 3;
    loose.Flag = 0;
    file.LooseTargets.push_back(loose);
    ImportedPoint point;
    point.Name = "P";
    point.Sequence = 2;  // came before the loose target: rows keep the order of arrival
    point.Temperature = -12.25;
    point.VerticalAngle = std::numeric_limits<double>::infinity();
    file.Points.push_back(point);
    ImportData data;
    data.Files.push_back(file);

    std::ostringstream out;
    CCsvWriter(out).Write(data);
    const Records records = ReadCsv(out.str());
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[0], CCsvWriter::Header());
    ASSERT_EQ(records[0].size(), 19u);
    for (const auto& record : records)
        ASSERT_EQ(record.size(), 19u);

    const Records expected = {
        {file.Name, "station", "", "100", "", "1", "", "", "", "", "", "", "", "", "", "", "", "", ""},
        {file.Name, "target", "100", "a \"quoted\" name", "line1\nline2", "", "", "", "", "", "", "", "", "", "", "",
         "", "", ""},
        {file.Name, "point", "", "P", "", "", "", "", "", "", "", "", "", "", "", "", "", "", ""},
        {file.Name, "target", "", "L", "", "", "0", "", "", "", "", "", "", "", "", "", "", "", ""},
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

// Stations with their targets, plain points and targets observed from no known station come
// from three lists; the rows interleave them back into the order the plug-in sent them.
TEST(CsvWriter, RowsFollowTheOrderOfArrivalAcrossTheLists)
{
    ImportedFile file;
    file.Name = "job.m5";
    std::size_t sequence = 0;
    auto item = [&](const std::string& name) {
        ImportedPoint point;
        point.Name = name;
        point.Sequence = sequence++;
        return point;
    };
    file.LooseTargets.push_back(item("t0"));
    file.Stations.push_back({item("S1"), {item("t1"), item("t2")}});
    file.Points.push_back(item("p1"));
    file.LooseTargets.push_back(item("t3"));
    file.Points.push_back(item("p2"));
    file.Stations.push_back({item("S2"), {item("t4")}});
    file.Points.push_back(item("p3"));
    ImportData data;
    data.Files.push_back(file);

    std::ostringstream out;
    CCsvWriter(out).Write(data);
    const Records records = ReadCsv(out.str());
    std::vector<std::string> order;
    for (std::size_t row = 1; row < records.size(); ++row)
        order.push_back(records[row][1] + " " + records[row][2] + "/" + records[row][3]);
    const std::vector<std::string> expected = {
        "target /t0", "station /S1", "target S1/t1", "target S1/t2", "point /p1", "target /t3",
        "point /p2", "station /S2", "target S2/t4", "point /p3",
    };
    EXPECT_EQ(order, expected);
}

TEST(CsvWriter, AnglesInTheChosenUnitAreNamedInTheHeader)
{
    constexpr double Pi = 3.14159265358979323846;
    ImportedFile file;
    file.Name = "job.m5";
    ImportedPoint point;
    point.Name = "P";
    point.HorizontalAngle = 0.37276354313150006;
    point.VerticalAngle = Pi / 2;
    file.Points.push_back(point);
    ImportData data;
    data.Files.push_back(file);
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
        std::ostringstream out;
        CCsvWriter(out, test.Unit).Write(data);
        const Records records = ReadCsv(out.str());
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
            EXPECT_EQ(std::strtod(hzCell.c_str(), nullptr), point.HorizontalAngle.value() * test.Scale);
            EXPECT_EQ(std::strtod(vCell.c_str(), nullptr), Pi / 2 * test.Scale);
        }
    }
}

}  // namespace
