#include <sstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "host/JsonWriter.h"

using namespace Host;
using nlohmann::json;

namespace {

ImportData Sample()
{
    ImportedFile file;
    file.Name = "job.m5";
    file.Notices.push_back({true, "Не определена точка стояния.\nDefault.", 1, 0});
    file.Notices.push_back({false, "refused", std::nullopt, 5});
    ImportedStation station;
    station.Station.Name = "Default";
    file.Stations.push_back(station);
    station = ImportedStation{};
    station.Station.Name = "1000";
    station.Station.Kind = 1;
    station.Station.X = 5000.0;
    station.Station.Y = 2000.0;
    station.Station.Z = 150.0;
    station.Station.InstrumentHeight = 1.55;
    station.Station.Pressure = 1013.2075888;
    station.Station.Temperature = 20.0;
    ImportedPoint target;
    target.Name = "22";
    target.Code = "2";
    target.Flag = 0;
    target.HorizontalAngle = 2.1246523242312416;
    target.HorizontalDistance = 28.7508696;
    target.TargetHeight = 1.5605760000000002;
    target.HeightDifference = -1.02108;
    station.Targets.push_back(target);
    file.Stations.push_back(station);
    ImportedPoint point;
    point.Name = "P";
    point.SlopeDistance = 12.5;
    point.VerticalAngle = 1.5;
    file.Points.push_back(point);
    file.LooseTargets.push_back(point);
    ImportData data;
    data.Files.push_back(file);
    data.Files.push_back(ImportedFile{"second.m5", {}, {}, {}, {}});
    return data;
}

TEST(JsonWriter, ReadsBackToTheSameModel)
{
    std::ostringstream out;
    CJsonWriter(out).Write(Sample());
    const json document = json::parse(out.str());

    EXPECT_EQ(document["units"], json::parse(R"({"length":"m","angle":"rad","pressure":"hPa","temperature":"°C"})"));
    ASSERT_EQ(document["files"].size(), 2u);
    const json& file = document["files"][0];
    EXPECT_EQ(file["name"], "job.m5");
    EXPECT_EQ(file["messages"], json::parse(R"([
        {"severity": "warning", "text": "Не определена точка стояния.\nDefault.", "line": 1},
        {"severity": "message", "text": "refused"}])"));
    ASSERT_EQ(file["stations"].size(), 2u);
    // Absent values are left out, not written as null or zero.
    EXPECT_EQ(file["stations"][0], json::parse(R"({"name": "Default", "targets": []})"));
    const json& station = file["stations"][1];
    EXPECT_EQ(station["kind"], 1);
    EXPECT_EQ(station["x"].get<double>(), 5000.0);
    EXPECT_EQ(station["z"].get<double>(), 150.0);
    EXPECT_EQ(station["instrumentHeight"].get<double>(), 1.55);
    EXPECT_EQ(station["pressure"].get<double>(), 1013.2075888);
    EXPECT_EQ(station["temperature"].get<double>(), 20.0);
    EXPECT_FALSE(station.contains("code"));
    EXPECT_FALSE(station.contains("flag"));
    ASSERT_EQ(station["targets"].size(), 1u);
    const json& target = station["targets"][0];
    EXPECT_EQ(target["code"], "2");
    EXPECT_EQ(target["flag"], 0);
    EXPECT_FALSE(target.contains("kind"));
    EXPECT_EQ(target["horizontalAngle"].get<double>(), 2.1246523242312416);
    EXPECT_EQ(target["horizontalDistance"].get<double>(), 28.7508696);
    EXPECT_EQ(target["targetHeight"].get<double>(), 1.5605760000000002);
    EXPECT_EQ(target["heightDifference"].get<double>(), -1.02108);
    EXPECT_FALSE(target.contains("x"));
    EXPECT_FALSE(target.contains("slopeDistance"));
    const json point = json::parse(R"({"name": "P", "verticalAngle": 1.5, "slopeDistance": 12.5})");
    EXPECT_EQ(file["points"], json::array({point}));
    EXPECT_EQ(file["looseTargets"], json::array({point}));

    EXPECT_EQ(document["files"][1],
              json::parse(R"({"name": "second.m5", "messages": [], "stations": [], "looseTargets": [], "points": []})"));
}

TEST(JsonWriter, KnownMessagesCarryTheirIdAndEnglishTextBesideThePluginsText)
{
    ImportData data;
    data.Files.emplace_back();
    data.Files[0].Notices = {
        {false, "Не задано имя точки.", 9, 0},
        {false, "Имя цели  51  совпадает с именем станции.", 10, 1},
        {true, "Не определена точка стояния.\nПо умолчанию создается станция с именем Default.", 1, 2},
        {false, "something else", std::nullopt, 3},
    };
    const json messages = CJsonWriter::ToJson(data)["files"][0]["messages"];
    EXPECT_EQ(messages, json::parse(R"([
        {"severity": "message", "text": "Не задано имя точки.", "line": 9, "id": 116,
         "english": "No point name given."},
        {"severity": "message", "text": "Имя цели  51  совпадает с именем станции.", "line": 10, "id": 119,
         "english": "Target 51 has the same name as the station."},
        {"severity": "warning",
         "text": "Не определена точка стояния.\nПо умолчанию создается станция с именем Default.", "line": 1,
         "english": "No station point is defined.\nA station named Default is created by default."},
        {"severity": "message", "text": "something else"}])"));
}

TEST(JsonWriter, AnglesInTheChosenUnitAreNamedInTheUnits)
{
    const ImportData data = Sample();
    const json gon = CJsonWriter::ToJson(data, AngleUnit::Gon);
    EXPECT_EQ(gon["units"]["angle"], "gon");
    const json& target = gon["files"][0]["stations"][1]["targets"][0];
    EXPECT_EQ(target["horizontalAngle"].get<double>(), 2.1246523242312416 * 200.0 / 3.14159265358979323846);
    EXPECT_EQ(target["horizontalDistance"].get<double>(), 28.7508696);  // lengths stay as they are
    const json dms = CJsonWriter::ToJson(data, AngleUnit::Dms);
    EXPECT_EQ(dms["units"]["angle"], "dms");
    EXPECT_EQ(dms["files"][0]["points"][0]["verticalAngle"], "85°56'37.2\"");
}

}  // namespace
