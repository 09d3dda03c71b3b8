#include <gtest/gtest.h>

#include "host/ImportModel.h"

using namespace Host;

namespace {

HostCall Text(Op op, const std::string& text)
{
    HostCall call;
    call.Operation = op;
    call.Text = text;
    return call;
}

HostCall Integer(Op op, std::int32_t value)
{
    HostCall call;
    call.Operation = op;
    call.Integer = value;
    return call;
}

HostCall Value(Op op, double value)
{
    HostCall call;
    call.Operation = op;
    call.Double = value;
    return call;
}

ImportData Feed(const std::vector<HostCall>& calls)
{
    CImportModel model;
    for (const HostCall& call : calls)
        model.OnCall(call);
    return model.Data();
}

TEST(ImportModel, ValuesApplyToTheItemBegunLast)
{
    const ImportData data = Feed({
        Text(Op::SetFileName, "job.m5"),
        Text(Op::AddStation, "100"),
        Value(Op::SetPressure, 1013.25),
        Value(Op::SetTemperature, 18.5),
        Integer(Op::SetPointKind, 1),
        Value(Op::SetInstrumentHeight, 1.55),
        Value(Op::SetX, 5000.0),
        Value(Op::SetY, 2000.0),
        Text(Op::AddTarget, "101"),
        Integer(Op::SetPointFlag, 0),
        Text(Op::SetPointCode, "FENCE"),
        Value(Op::SetSlopeDistance, 33.887),
        Value(Op::SetHorizontalAngle, 0.25),
        Value(Op::SetVerticalAngle, 1.5),
        Value(Op::SetHorizontalDistance, 33.8),
        Value(Op::SetTargetHeight, 1.6),
        // The plug-in replaces the target height by the instrument height for a height
        // difference: the second value is the one that counts.
        Value(Op::SetTargetHeight, 1.55),
        Value(Op::SetHeightDifference, -0.4),
        Text(Op::AddTarget, "102"),
        Value(Op::SetZ, 151.0),
    });
    ASSERT_EQ(data.Files.size(), 1u);
    const ImportedFile& file = data.Files[0];
    EXPECT_EQ(file.Name, "job.m5");
    ASSERT_EQ(file.Stations.size(), 1u);
    const ImportedPoint& station = file.Stations[0].Station;
    EXPECT_EQ(station.Name, "100");
    EXPECT_EQ(station.Pressure, 1013.25);
    EXPECT_EQ(station.Temperature, 18.5);
    EXPECT_EQ(station.Kind, 1);
    EXPECT_EQ(station.InstrumentHeight, 1.55);
    EXPECT_EQ(station.X, 5000.0);
    EXPECT_EQ(station.Y, 2000.0);
    EXPECT_FALSE(station.Z);
    EXPECT_FALSE(station.Code);
    ASSERT_EQ(file.Stations[0].Targets.size(), 2u);
    const ImportedPoint& target = file.Stations[0].Targets[0];
    EXPECT_EQ(target.Name, "101");
    EXPECT_EQ(target.Flag, 0);
    EXPECT_FALSE(target.Kind);
    EXPECT_EQ(target.Code, "FENCE");
    EXPECT_EQ(target.SlopeDistance, 33.887);
    EXPECT_EQ(target.HorizontalAngle, 0.25);
    EXPECT_EQ(target.VerticalAngle, 1.5);
    EXPECT_EQ(target.HorizontalDistance, 33.8);
    EXPECT_EQ(target.TargetHeight, 1.55);
    EXPECT_EQ(target.HeightDifference, -0.4);
    EXPECT_FALSE(target.X);
    EXPECT_EQ(file.Stations[0].Targets[1].Z, 151.0);
    EXPECT_FALSE(file.Stations[0].Targets[1].SlopeDistance);
}

TEST(ImportModel, TargetsFollowTheirStationUntilAPlainPoint)
{
    const ImportData data = Feed({
        Text(Op::SetFileName, "a.m5"),
        Text(Op::AddTarget, "1"),  // before any station
        Text(Op::AddStation, "S1"),
        Text(Op::AddTarget, "2"),
        Text(Op::AddStation, "S2"),
        Text(Op::AddTarget, "3"),
        Text(Op::AddPoint, "P"),
        Text(Op::AddTarget, "4"),  // after a plain point: observed from no known station
        Value(Op::SetHorizontalAngle, 1.0),
    });
    const ImportedFile& file = data.Files.at(0);
    ASSERT_EQ(file.Stations.size(), 2u);
    ASSERT_EQ(file.Stations[0].Targets.size(), 1u);
    EXPECT_EQ(file.Stations[0].Targets[0].Name, "2");
    ASSERT_EQ(file.Stations[1].Targets.size(), 1u);
    EXPECT_EQ(file.Stations[1].Targets[0].Name, "3");
    ASSERT_EQ(file.Points.size(), 1u);
    EXPECT_EQ(file.Points[0].Name, "P");
    ASSERT_EQ(file.LooseTargets.size(), 2u);
    EXPECT_EQ(file.LooseTargets[0].Name, "1");
    EXPECT_EQ(file.LooseTargets[1].Name, "4");
    EXPECT_EQ(file.LooseTargets[1].HorizontalAngle, 1.0);
    EXPECT_FALSE(file.Points[0].HorizontalAngle);
}

TEST(ImportModel, MessagesKeepTheirLineAndPlaceAndEachFileStartsAfresh)
{
    const ImportData data = Feed({
        Text(Op::SetFileName, "a.m5"),
        Integer(Op::SetCurrentLine, 4),
        Text(Op::ReportWarning, "first\nsecond"),
        Text(Op::AddStation, "S"),
        Integer(Op::SetCurrentLine, -1),
        Text(Op::ReportMessage, "no line"),
        Text(Op::AddTarget, "T"),
        Integer(Op::SetCurrentLine, 9),
        Text(Op::SetFileName, "b.m5"),
        Text(Op::ReportMessage, "line not set in this file"),
        Value(Op::SetX, 1.0),  // nothing begun in this file yet: dropped
        Text(Op::AddPoint, "P"),
    });
    ASSERT_EQ(data.Files.size(), 2u);
    const ImportedFile& a = data.Files[0];
    ASSERT_EQ(a.Notices.size(), 2u);
    EXPECT_TRUE(a.Notices[0].IsWarning);
    EXPECT_EQ(a.Notices[0].Text, "first\nsecond");
    EXPECT_EQ(a.Notices[0].Line, 5);
    EXPECT_FALSE(a.Notices[1].IsWarning);
    EXPECT_FALSE(a.Notices[1].Line);
    // Order of occurrence: warning, station, message, target.
    EXPECT_EQ(a.Notices[0].Sequence, 0u);
    EXPECT_EQ(a.Stations[0].Station.Sequence, 1u);
    EXPECT_EQ(a.Notices[1].Sequence, 2u);
    EXPECT_EQ(a.Stations[0].Targets[0].Sequence, 3u);

    const ImportedFile& b = data.Files[1];
    EXPECT_EQ(b.Name, "b.m5");
    ASSERT_EQ(b.Notices.size(), 1u);
    EXPECT_FALSE(b.Notices[0].Line);
    ASSERT_EQ(b.Points.size(), 1u);
    EXPECT_FALSE(b.Points[0].X);
    EXPECT_EQ(b.Points[0].Sequence, 1u);
    EXPECT_TRUE(b.Stations.empty());
}

TEST(ImportModel, DataBeforeAnyFileNameOpenAnUnnamedFile)
{
    const ImportData data = Feed({
        Value(Op::SetZ, 3.0),  // no item at all: dropped
        Text(Op::AddPoint, "P"),
        Value(Op::SetZ, 4.0),
        HostCall{Op::GetConverterFactory, {}, 0, 0, 0},
        Integer(Op::SetCurrentLine, 2147483647),
        Text(Op::ReportMessage, "last line"),
    });
    ASSERT_EQ(data.Files.size(), 1u);
    EXPECT_EQ(data.Files[0].Name, "");
    ASSERT_EQ(data.Files[0].Points.size(), 1u);
    EXPECT_EQ(data.Files[0].Points[0].Z, 4.0);
    EXPECT_EQ(data.Files[0].Notices.at(0).Line, 2147483648LL);
}

}  // namespace
