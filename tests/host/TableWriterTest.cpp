#include <cmath>
#include <sstream>

#include <gtest/gtest.h>

#include "host/TableWriter.h"

using namespace Host;

namespace {

constexpr double Pi = 3.14159265358979323846;

double Dms(int degrees, int minutes, double seconds)
{
    return (degrees + minutes / 60.0 + seconds / 3600.0) * Pi / 180.0;
}

struct AngleCase {
    const char* Name;
    double Radians;
    const char* Text;
};

class TableAngle : public testing::TestWithParam<AngleCase> {};

TEST_P(TableAngle, IsWrittenInDegreesMinutesSeconds)
{
    EXPECT_EQ(CTableWriter::FormatAngle(GetParam().Radians), GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TableAngle,
    testing::Values(AngleCase{"Zero", 0.0, "0°00'00.0\""}, AngleCase{"HalfCircle", Pi, "180°00'00.0\""},
                    AngleCase{"Seconds", Dms(123, 45, 30), "123°45'30.0\""},
                    AngleCase{"TenthsOfASecond", Dms(5, 3, 7.54), "5°03'07.5\""},
                    // 59.96" rounds up and carries into the minutes and the degrees.
                    AngleCase{"CarryIntoDegrees", Dms(89, 59, 59.96), "90°00'00.0\""},
                    AngleCase{"Negative", -Dms(0, 30, 0), "-0°30'00.0\""},
                    // A negative angle that rounds to zero has no sign.
                    AngleCase{"NegativeRoundingToZero", -1e-9, "0°00'00.0\""},
                    AngleCase{"NotANumber", std::nan(""), "?"}),
    [](const testing::TestParamInfo<AngleCase>& test) { return std::string(test.param.Name); });

TEST(TableFixed, RoundsAndNeverShowsMinusZero)
{
    EXPECT_EQ(CTableWriter::FormatFixed(5031.5544, 3), "5031.554");
    EXPECT_EQ(CTableWriter::FormatFixed(-0.0004, 3), "0.000");
    EXPECT_EQ(CTableWriter::FormatFixed(-0.0006, 3), "-0.001");
    EXPECT_EQ(CTableWriter::FormatFixed(1013.25, 1), "1013.2");
}

ImportedPoint Point(const std::string& name, std::size_t sequence)
{
    ImportedPoint point;
    point.Name = name;
    point.Sequence = sequence;
    return point;
}

TEST(TableWriter, StationsWithTargetsBeneathAndMessagesInPlace)
{
    ImportedFile file;
    file.Name = "job.m5";
    file.Notices.push_back({true, "Станция\nпо умолчанию", 1, 0});
    ImportedStation station;
    station.Station = Point("Станция", 1);
    station.Station.Kind = 1;
    station.Station.X = 5000.0;
    station.Station.Y = 2000.0;
    station.Station.InstrumentHeight = 1.55;
    station.Station.Temperature = 18.0;
    ImportedPoint target = Point("2001", 2);
    target.Code = "FENCE";
    target.X = 5031.554;
    target.Y = 2012.3394;
    target.HorizontalAngle = Dms(21, 21, 28);
    target.SlopeDistance = 33.887;
    station.Targets.push_back(target);
    file.Stations.push_back(station);
    file.Notices.push_back({false, "no line", std::nullopt, 3});
    ImportedPoint point = Point("P1", 4);
    point.Flag = 0;
    point.Z = -2.5;
    file.Points.push_back(point);
    ImportData data;
    data.Files.push_back(file);
    data.Files.push_back(ImportedFile{"empty.m5", {}, {}, {}, {}});

    std::ostringstream out;
    CTableWriter(out).Write(data);
    // Columns without any value in the file (th, V, HD, dh, P) are left out.
    EXPECT_EQ(out.str(),
              "File job.m5\n"
              "role      name     code   kind  flag     X [m]     Y [m]   Z [m]  ih [m]     Hz [dms]  SD [m]  T [°C]\n"
              "-----------------------------------------------------------------------------------------------------\n"
              "warning (line 1): Станция по умолчанию\n"
              "station   Станция            1        5000.000  2000.000           1.550                         18.0\n"
              "  target  2001     FENCE              5031.554  2012.339                  21°21'28.0\"  33.887\n"
              "message: no line\n"
              "point     P1                       0                      -2.500\n"
              "\n"
              "File empty.m5\n"
              "no stations, targets or points\n");
}

}  // namespace
