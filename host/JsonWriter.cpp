#include "host/JsonWriter.h"

#include "host/MessageCatalog.h"

namespace Host {

namespace {

using json = nlohmann::ordered_json;

struct ValueKey {
    const char* Key;
    std::optional<double> ImportedPoint::*Member;
    bool IsAngle;
};

const ValueKey ValueKeys[] = {
    {"x", &ImportedPoint::X, false},
    {"y", &ImportedPoint::Y, false},
    {"z", &ImportedPoint::Z, false},
    {"instrumentHeight", &ImportedPoint::InstrumentHeight, false},
    {"targetHeight", &ImportedPoint::TargetHeight, false},
    {"horizontalAngle", &ImportedPoint::HorizontalAngle, true},
    {"verticalAngle", &ImportedPoint::VerticalAngle, true},
    {"slopeDistance", &ImportedPoint::SlopeDistance, false},
    {"horizontalDistance", &ImportedPoint::HorizontalDistance, false},
    {"heightDifference", &ImportedPoint::HeightDifference, false},
    {"pressure", &ImportedPoint::Pressure, false},
    {"temperature", &ImportedPoint::Temperature, false},
};

json AngleJson(double radians, AngleUnit angles)
{
    if (angles == AngleUnit::Dms)
        return FormatDms(radians);
    return AngleFromRadians(radians, angles);
}

json PointJson(const ImportedPoint& point, AngleUnit angles)
{
    json object = json::object();
    object["name"] = point.Name;
    if (point.Code)
        object["code"] = *point.Code;
    if (point.Kind)
        object["kind"] = *point.Kind;
    if (point.Flag)
        object["flag"] = *point.Flag;
    for (const ValueKey& value : ValueKeys)
        if (const std::optional<double>& held = point.*value.Member)
            object[value.Key] = value.IsAngle ? AngleJson(*held, angles) : json(*held);
    return object;
}

json PointsJson(const std::vector<ImportedPoint>& points, AngleUnit angles)
{
    json array = json::array();
    for (const ImportedPoint& point : points)
        array.push_back(PointJson(point, angles));
    return array;
}

json NoticeJson(const ImportNotice& notice)
{
    json object = {{"severity", notice.IsWarning ? "warning" : "message"}, {"text", notice.Text}};
    if (notice.Line)
        object["line"] = *notice.Line;
    if (const std::optional<KnownMessage> known = RecogniseMessage(notice.Text)) {
        if (known->Id != DefaultStationNoticeId)
            object["id"] = known->Id;
        object["english"] = EnglishMessage(notice.Text);
    }
    return object;
}

json FileJson(const ImportedFile& file, AngleUnit angles)
{
    json messages = json::array();
    for (const ImportNotice& notice : file.Notices)
        messages.push_back(NoticeJson(notice));
    json stations = json::array();
    for (const ImportedStation& station : file.Stations) {
        json object = PointJson(station.Station, angles);
        object["targets"] = PointsJson(station.Targets, angles);
        stations.push_back(std::move(object));
    }
    json object = {{"name", file.Name}, {"messages", std::move(messages)}, {"stations", std::move(stations)}};
    object["looseTargets"] = PointsJson(file.LooseTargets, angles);
    object["points"] = PointsJson(file.Points, angles);
    return object;
}

}  // namespace

json CJsonWriter::ToJson(const ImportData& data, AngleUnit angles)
{
    json files = json::array();
    for (const ImportedFile& file : data.Files)
        files.push_back(FileJson(file, angles));
    json units = {{"length", "m"}, {"angle", AngleUnitName(angles)}, {"pressure", "hPa"}, {"temperature", "°C"}};
    return {{"units", std::move(units)}, {"files", std::move(files)}};
}

void CJsonWriter::Write(const ImportData& data)
{
    // Texts come from the plug-in as UTF-8 already; anything malformed is replaced, never fatal.
    Out << ToJson(data, Angles).dump(2, ' ', false, json::error_handler_t::replace) << "\n";
}

}  // namespace Host
