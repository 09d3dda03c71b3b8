#include <algorithm>
#include <map>
#include <set>
#include <sstream>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "host/LandXmlWriter.h"
#include "tests/support/TestFiles.h"

using namespace Host;

namespace {

std::tm NewYear2024()
{
    std::tm time{};
    time.tm_year = 124;
    time.tm_mon = 0;
    time.tm_mday = 2;
    time.tm_hour = 13;
    time.tm_min = 4;
    time.tm_sec = 5;
    return time;
}

ImportedPoint At(const std::string& name, double x, double y, std::optional<double> z = std::nullopt)
{
    ImportedPoint point;
    point.Name = name;
    point.X = x;
    point.Y = y;
    point.Z = z;
    return point;
}

// A traverse: the forward target of the first set-up is the next station, with the same
// coordinates; a detail point is measured twice with different coordinates; a second file
// uses a name of the first for another point.
ImportData Traverse()
{
    ImportedFile first;
    first.Name = "traverse.m5";
    ImportedStation a;
    a.Station = At("1000", 5000.0, 2000.0, 150.0);
    a.Station.InstrumentHeight = 1.55;
    ImportedPoint backsight;
    backsight.Name = "999";
    backsight.Code = "A";
    backsight.HorizontalAngle = 5.46;
    backsight.VerticalAngle = 1.557;
    a.Targets.push_back(backsight);
    ImportedPoint forward = At("1001", 5087.216, 2131.604, 151.842);
    forward.SlopeDistance = 157.892;
    forward.HorizontalAngle = 0.98;
    forward.VerticalAngle = 1.56;
    forward.TargetHeight = 1.6;
    a.Targets.push_back(forward);
    ImportedPoint detail = At("2001", 5031.554, 2012.339);
    detail.Code = "FENCE";
    detail.HorizontalDistance = 33.8;
    detail.HeightDifference = 0.6;
    a.Targets.push_back(detail);
    ImportedPoint positionOnly = At("2002", 4985.12, 2040.88);
    a.Targets.push_back(positionOnly);
    first.Stations.push_back(a);
    ImportedStation b;
    b.Station = At("1001", 5087.216, 2131.604, 151.842);
    ImportedPoint again = At("2001", 5031.559, 2012.331);
    again.HorizontalAngle = 3.0;
    b.Targets.push_back(again);
    first.Stations.push_back(b);

    ImportedFile second;
    second.Name = "other.m5";
    second.Points.push_back(At("2001", 1.0, 2.0, 3.0));
    second.Points.push_back(At("2001_2", 9.0, 9.0));
    ImportedPoint noPosition;
    noPosition.Name = "Z only";
    noPosition.Z = 10.0;
    second.Points.push_back(noPosition);
    second.LooseTargets.push_back(At("", 7.0, 8.0));

    ImportData data;
    data.Files = {first, second};
    return data;
}

std::string Write(const ImportData& data)
{
    std::ostringstream out;
    CLandXmlWriter(out, NewYear2024()).Write(data);
    return out.str();
}

TEST(LandXmlWriter, PointsAreUniqueAndEveryReferenceResolves)
{
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(Write(Traverse()).c_str()));
    const pugi::xml_node root = document.child("LandXML");
    std::map<std::string, std::string> points;  // name -> "north east [elevation]"
    std::map<std::string, std::string> codes;
    for (const pugi::xml_node point : root.child("CgPoints").children("CgPoint")) {
        const std::string name = point.attribute("name").value();
        EXPECT_TRUE(points.emplace(name, point.text().get()).second) << "CgPoint " << name << " twice";
        codes[name] = point.attribute("code").value();
    }
    const std::map<std::string, std::string> expected = {
        {"1000", "5000 2000 150"},    {"1001", "5087.216 2131.604 151.842"}, {"2001", "5031.554 2012.339"},
        {"2002", "4985.12 2040.88"},  {"2001_3", "5031.559 2012.331"},       {"2001_4", "1 2 3"},
        {"2001_2", "9 9"},            {"unnamed", "7 8"},
    };
    EXPECT_EQ(points, expected);
    EXPECT_EQ(codes["2001"], "FENCE");

    std::vector<std::string> references;
    for (const pugi::xpath_node node : document.select_nodes("//@pntRef")) {
        references.push_back(node.attribute().value());
        EXPECT_EQ(points.count(node.attribute().value()), 1u) << node.attribute().value();
    }
    EXPECT_EQ(references, (std::vector<std::string>{"1000", "1001", "2001", "1001", "2001_3"}));
}

TEST(LandXmlWriter, OneSurveyPerFileWithASetUpPerStation)
{
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(Write(Traverse()).c_str()));
    const pugi::xml_node root = document.child("LandXML");
    std::vector<pugi::xml_node> surveys;
    for (const pugi::xml_node survey : root.children("Survey"))
        surveys.push_back(survey);
    ASSERT_EQ(surveys.size(), 2u);
    EXPECT_STREQ(surveys[0].child("SurveyHeader").attribute("name").value(), "traverse.m5");
    EXPECT_STREQ(surveys[0].first_child().name(), "SurveyHeader");
    EXPECT_STREQ(surveys[0].first_child().next_sibling().name(), "InstrumentSetup");
    EXPECT_FALSE(surveys[1].child("InstrumentSetup"));

    const pugi::xml_node setup = surveys[0].child("InstrumentSetup");
    EXPECT_STREQ(setup.attribute("id").value(), "setup1");
    EXPECT_STREQ(setup.attribute("stationName").value(), "1000");
    EXPECT_STREQ(setup.attribute("instrumentHeight").value(), "1.55");
    EXPECT_FALSE(setup.child("FieldNote"));
    std::vector<pugi::xml_node> observations;
    for (const pugi::xml_node observation : setup.children("RawObservation"))
        observations.push_back(observation);
    // The target with a position only is a CgPoint, not an observation.
    ASSERT_EQ(observations.size(), 3u);
    EXPECT_STREQ(observations[0].child("TargetPoint").attribute("name").value(), "999");
    EXPECT_STREQ(observations[0].child("TargetPoint").attribute("code").value(), "A");
    EXPECT_FALSE(observations[0].child("TargetPoint").attribute("pntRef"));
    EXPECT_FALSE(observations[0].attribute("targetHeight"));
    EXPECT_STREQ(observations[0].attribute("horizAngle").value(), "5.46");
    EXPECT_STREQ(observations[0].attribute("zenithAngle").value(), "1.557");
    EXPECT_STREQ(observations[1].attribute("slopeDistance").value(), "157.892");
    EXPECT_STREQ(observations[1].attribute("targetHeight").value(), "1.6");
    EXPECT_STREQ(observations[2].attribute("horizDistance").value(), "33.8");
    EXPECT_STREQ(observations[2].attribute("vertDistance").value(), "0.6");
    EXPECT_FALSE(observations[2].attribute("slopeDistance"));

    const pugi::xml_node second = setup.next_sibling("InstrumentSetup");
    EXPECT_STREQ(second.attribute("id").value(), "setup2");
    EXPECT_STREQ(second.attribute("instrumentHeight").value(), "0");
    EXPECT_TRUE(second.child("FieldNote"));
}

// Field files hold what XML cannot: control characters in names and codes, markup
// characters, names that come back with other coordinates, set-ups with nothing in them.
ImportData Awkward()
{
    ImportedFile file;
    file.Name = "job\x01 <1>.m5";
    ImportedStation empty;
    empty.Station.Name = "";
    file.Stations.push_back(empty);
    ImportedStation station;
    station.Station = At("S\x02&\"1'", 1.0, 2.0);
    station.Station.Code = "\x1b[31m";
    ImportedPoint a = At("P\x03", 3.0, 4.0, -0.0);
    a.HorizontalAngle = 1e300;
    a.Code = "<code>";
    ImportedPoint b = At("P\x04", 5.0, 6.0);  // spelled like a once the control character is replaced
    b.SlopeDistance = 2.5e-300;
    ImportedPoint unnamed;
    unnamed.VerticalAngle = 1.5;
    unnamed.Code = "\t\x7f\xc2\x98";
    station.Targets = {a, b, unnamed, At("", 7.0, 8.0), At("", 9.0, 10.0)};
    file.Stations.push_back(station);
    file.Points.push_back(At("\xef\xbf\xbe", 11.0, 12.0, 13.0));
    ImportData data;
    data.Files = {file, ImportedFile{}};
    return data;
}

TEST(LandXmlWriter, ValidatesAgainstTheSchema)
{
    const std::string schema = std::string(M5_SCHEMAS_DIR) + "/LandXML-1.2.xsd";
    if (!Testing::FileExists(schema))
        GTEST_SKIP() << "no LandXML 1.2 schema at " << schema;
    if (!Testing::FileExists("/usr/bin/xmllint"))
        GTEST_SKIP() << "xmllint is not installed";
    const Testing::CTempFolder folder;
    const std::pair<const char*, ImportData> documents[] = {
        {"traverse", Traverse()}, {"awkward", Awkward()}, {"no files", ImportData{}}};
    for (const auto& [what, data] : documents) {
        const std::string path = folder.Write("out.xml", Write(data));
        const Testing::RunResult run = Testing::RunProgram("/usr/bin/xmllint", {"--noout", "--schema", schema, path});
        EXPECT_EQ(run.Status, 0) << what << "\n" << run.Err;
    }
}

TEST(LandXmlWriter, CharactersXmlCannotCarryBecomeReplacementCharacters)
{
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(Write(Awkward()).c_str()));
    std::vector<std::string> names;
    for (const pugi::xml_node point : document.child("LandXML").child("CgPoints").children("CgPoint"))
        names.push_back(point.attribute("name").value());
    EXPECT_EQ(names, (std::vector<std::string>{"S\uFFFD&\"1'", "P\uFFFD", "P\uFFFD_2", "unnamed", "unnamed_2",
                                               "\uFFFD"}));
    EXPECT_STREQ(document.select_node("//SurveyHeader").node().attribute("name").value(), "job\uFFFD <1>.m5");
    EXPECT_STREQ(document.select_node("//CgPoint[@name='P\uFFFD']").node().attribute("code").value(), "<code>");
    EXPECT_STREQ(document.select_node("//TargetPoint[not(@pntRef)]").node().attribute("code").value(),
                 "\t\x7f\xc2\x98");
    for (const pugi::xpath_node node : document.select_nodes("//@pntRef"))
        EXPECT_NE(std::find(names.begin(), names.end(), node.attribute().value()), names.end())
            << node.attribute().value();
}

}  // namespace
