#include "host/JsonWriter.h"

#include "host/MessageCatalog.h"

namespace Host {

namespace {

using json = nlohmann::ordered_json;

struct ValueKey {
    const char* Key;
    std::optional<double> ImportedPoint::*Member;
};

const ValueKey ValueKeys[] = {
    {"x", &ImportedPoint::X},
    {"y", &ImportedPoint::Y},
    {"z", &ImportedPoint::Z},
    {"instrumentHeight", &ImportedPoint::InstrumentHeight},
    {"targetHeight", &ImportedPoint::TargetHeight},
    {"horizontalAngle", &ImportedPoint::HorizontalAngle},
    {"verticalAngle", &ImportedPoint::VerticalAngle},
    {"slopeDistance", &ImportedPoint::SlopeDistance},
    {"horizontalDistance", &ImportedPoint::HorizontalDistance},
    {"heightDifference", &ImportedPoint::HeightDifference},
    {"pressure", &ImportedPoint::Pressure},
    {"temperature", &ImportedPoint::Temperature},
};

json PointJson(const ImportedPoint& point)
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
            object[value.Key] = *held;
    return object;
}

json PointsJson(const std::vector<ImportedPoint>& points)
{
    json array = json::array();
    for (const ImportedPoint& point : points)
        array.push_back(PointJson(point));
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

json FileJson(const ImportedFile& file)
{
    json messages = json::array();
    for (const ImportNotice& notice : file.Notices)
        messages.push_back(NoticeJson(notice));
    json stations = json::array();
    for (const ImportedStation& station : file.Stations) {
        json object = PointJson(station.Station);
        object["targets"] = PointsJson(station.Targets);
        stations.push_back(std::move(object));
    }
    json object = {{"name", file.Name}, {"messages", std::move(messages)}, {"stations", std::move(stations)}};
    object["looseTargets"] = PointsJson(file.LooseTargets);
    object["points"] = PointsJson(file.Points);
    return object;
}

}  // namespace

json CJsonWriter::ToJson(const ImportData& data)
{
    json files = json::array();
    for (const ImportedFile& file : data.Files)
        files.push_back(FileJson(file));
    json units = {{"length", "m"}, {"angle", "rad"}, {"pressure", "hPa"}, {"temperature", "°C"}};
    return {{"units", std::move(units)}, {"files", std::move(files)}};
}

void CJsonWriter::Write(const ImportData& data)
{
    // Texts come from the plug-in as UTF-8 already; anything malformed is replaced, never fatal.
    Out << ToJson(data).dump(2, ' ', false, json::error_handler_t::replace) << "\n";
}

}  // namespace Host
