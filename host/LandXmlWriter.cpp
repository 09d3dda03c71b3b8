#include "host/LandXmlWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "host/ShortestDecimal.h"

namespace Host {

namespace {

constexpr const char* Namespace = "http://www.landxml.org/schema/LandXML-1.2";

std::string Number(double value)
{
    std::string text;
    AppendShortest(text, value);
    return text;
}

// Attributes of type xs:double take no infinities or NaN in this spelling; such a value is
// left out rather than written in a form a reader would refuse.
void SetNumber(pugi::xml_node node, const char* name, const std::optional<double>& value)
{
    if (value && std::isfinite(*value))
        node.append_attribute(name) = Number(*value).c_str();
}

bool HasPosition(const ImportedPoint& point)
{
    return point.X && point.Y && std::isfinite(*point.X) && std::isfinite(*point.Y) &&
           (!point.Z || std::isfinite(*point.Z));
}

bool HasObservation(const ImportedPoint& point)
{
    return point.HorizontalAngle || point.VerticalAngle || point.SlopeDistance || point.HorizontalDistance ||
           point.HeightDifference;
}

// XML 1.0 has no way to carry the control characters other than tab, line feed and carriage
// return, not even as character references, nor the non-characters U+FFFE and U+FFFF; a
// field file may hold them in a name or code. Each becomes U+FFFD, the replacement character.
std::string XmlText(const std::string& utf8)
{
    std::string text;
    text.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        const bool control = byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r';
        const bool nonCharacter = byte == 0xEF && utf8.compare(i, 2, "\xEF\xBF") == 0 && i + 2 < utf8.size() &&
                                  (utf8[i + 2] == '\xBE' || utf8[i + 2] == '\xBF');
        if (control || nonCharacter) {
            text += "\xEF\xBF\xBD";
            i += nonCharacter ? 2 : 0;
        } else {
            text += utf8[i];
        }
    }
    return text;
}

std::string PointName(const ImportedPoint& point)
{
    return point.Name.empty() ? std::string("unnamed") : XmlText(point.Name);
}

// The CgPoints of the document. A point name can come more than once (a target that becomes
// the next station of a traverse, a point measured twice, several files): the same name with
// the same coordinates is one CgPoint; the same name with other coordinates becomes a CgPoint
// of its own, named with a suffix (_2, _3 ...) that no point of the document has as its name.
class CPointRegistry {
public:
    CPointRegistry(pugi::xml_node points, std::set<std::string> names) : Points(points), Used(std::move(names)) {}

    // The name of the CgPoint for this point, made on first use; the point must have a position.
    std::string Reference(const ImportedPoint& point)
    {
        const std::string base = PointName(point);
        for (const Entry& entry : ByName[base])
            if (entry.X == *point.X && entry.Y == *point.Y && entry.Z == point.Z)
                return entry.Name;
        std::string name = base;
        if (Taken.count(name) > 0) {
            for (int suffix = 2; Used.count(name) > 0; ++suffix)
                name = base + "_" + std::to_string(suffix);
        }
        Taken.insert(name);
        Used.insert(name);
        ByName[base].push_back(Entry{*point.X, *point.Y, point.Z, name});
        Write(point, name);
        return name;
    }

private:
    struct Entry {
        double X, Y;
        std::optional<double> Z;
        std::string Name;
    };

    void Write(const ImportedPoint& point, const std::string& name)
    {
        pugi::xml_node node = Points.append_child("CgPoint");
        node.append_attribute("name") = name.c_str();
        if (point.Code && !point.Code->empty())
            node.append_attribute("code") = XmlText(*point.Code).c_str();
        std::string text = Number(*point.X) + " " + Number(*point.Y);
        if (point.Z)
            text += " " + Number(*point.Z);
        node.text() = text.c_str();
    }

    pugi::xml_node Points;
    std::map<std::string, std::vector<Entry>> ByName;
    std::set<std::string> Used;   // every point name of the document, and the names made here
    std::set<std::string> Taken;  // the names of the CgPoints written so far
};

std::set<std::string> AllPointNames(const ImportData& data)
{
    std::set<std::string> names;
    for (const ImportedFile& file : data.Files) {
        for (const ImportedStation& station : file.Stations) {
            names.insert(PointName(station.Station));
            for (const ImportedPoint& target : station.Targets)
                names.insert(PointName(target));
        }
        for (const ImportedPoint& point : file.LooseTargets)
            names.insert(PointName(point));
        for (const ImportedPoint& point : file.Points)
            names.insert(PointName(point));
    }
    return names;
}

void WriteObservation(pugi::xml_node setup, const ImportedPoint& target, CPointRegistry& registry)
{
    pugi::xml_node observation = setup.append_child("RawObservation");
    SetNumber(observation, "targetHeight", target.TargetHeight);
    SetNumber(observation, "horizAngle", target.HorizontalAngle);
    SetNumber(observation, "slopeDistance", target.SlopeDistance);
    SetNumber(observation, "zenithAngle", target.VerticalAngle);
    SetNumber(observation, "horizDistance", target.HorizontalDistance);
    SetNumber(observation, "vertDistance", target.HeightDifference);
    pugi::xml_node point = observation.append_child("TargetPoint");
    if (HasPosition(target)) {
        point.append_attribute("pntRef") = registry.Reference(target).c_str();
        return;
    }
    // Without a position there is no CgPoint to refer to: the target is named in place.
    point.append_attribute("name") = XmlText(target.Name).c_str();
    if (target.Code && !target.Code->empty())
        point.append_attribute("code") = XmlText(*target.Code).c_str();
}

void WriteSetup(pugi::xml_node survey, const ImportedStation& station, int id, CPointRegistry& registry)
{
    const ImportedPoint& point = station.Station;
    pugi::xml_node setup = survey.append_child("InstrumentSetup");
    setup.append_attribute("id") = ("setup" + std::to_string(id)).c_str();
    setup.append_attribute("stationName") = XmlText(point.Name).c_str();
    // The schema requires an instrument height; a set-up without one says so in a note.
    const bool knownHeight = point.InstrumentHeight && std::isfinite(*point.InstrumentHeight);
    setup.append_attribute("instrumentHeight") = knownHeight ? Number(*point.InstrumentHeight).c_str() : "0";
    if (HasPosition(point))
        setup.append_child("InstrumentPoint").append_attribute("pntRef") = registry.Reference(point).c_str();
    for (const ImportedPoint& target : station.Targets) {
        if (HasObservation(target))
            WriteObservation(setup, target, registry);
        else if (HasPosition(target))
            registry.Reference(target);
    }
    if (!knownHeight)
        setup.append_child("FieldNote").text() = "instrument height not recorded; written as 0";
}

// Everything of a file that is not a set-up: its plain points and the targets observed from
// no known station, in the order they came, as CgPoints where they have a position.
void RegisterOthers(const ImportedFile& file, CPointRegistry& registry)
{
    std::vector<const ImportedPoint*> others;
    for (const ImportedPoint& point : file.LooseTargets)
        others.push_back(&point);
    for (const ImportedPoint& point : file.Points)
        others.push_back(&point);
    std::stable_sort(others.begin(), others.end(),
                     [](const ImportedPoint* a, const ImportedPoint* b) { return a->Sequence < b->Sequence; });
    for (const ImportedPoint* point : others)
        if (HasPosition(*point))
            registry.Reference(*point);
}

void WriteUnits(pugi::xml_node root)
{
    pugi::xml_node metric = root.append_child("Units").append_child("Metric");
    metric.append_attribute("areaUnit") = "squareMeter";
    metric.append_attribute("linearUnit") = "meter";
    metric.append_attribute("volumeUnit") = "cubicMeter";
    metric.append_attribute("temperatureUnit") = "celsius";
    metric.append_attribute("pressureUnit") = "HPA";
    metric.append_attribute("angularUnit") = "radians";
    metric.append_attribute("directionUnit") = "radians";
}

std::string FormatTime(const std::tm& time, const char* format)
{
    char buffer[32];
    const std::size_t length = std::strftime(buffer, sizeof buffer, format, &time);
    return std::string(buffer, length);
}

}  // namespace

std::tm CLandXmlWriter::DocumentTimeFromEnvironment()
{
    std::tm result{};
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    if (epoch && *epoch) {
        char* end = nullptr;
        const long long seconds = std::strtoll(epoch, &end, 10);
        if (*end == '\0' && seconds >= 0) {
            const auto time = static_cast<std::time_t>(seconds);
            if (gmtime_r(&time, &result))
                return result;
        }
    }
    const std::time_t now = std::time(nullptr);
    localtime_r(&now, &result);
    return result;
}

void CLandXmlWriter::Write(const ImportData& data)
{
    pugi::xml_document document;
    pugi::xml_node declaration = document.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    pugi::xml_node root = document.append_child("LandXML");
    root.append_attribute("xmlns") = Namespace;
    root.append_attribute("xmlns:xsi") = "http://www.w3.org/2001/XMLSchema-instance";
    root.append_attribute("xsi:schemaLocation") =
        (std::string(Namespace) + " http://www.landxml.org/schema/LandXML-1.2/LandXML-1.2.xsd").c_str();
    root.append_attribute("version") = "1.2";
    root.append_attribute("date") = FormatTime(DocumentTime, "%Y-%m-%d").c_str();
    root.append_attribute("time") = FormatTime(DocumentTime, "%H:%M:%S").c_str();
    WriteUnits(root);
    root.append_child("Application").append_attribute("name") = "m5import";

    pugi::xml_node points = root.append_child("CgPoints");
    CPointRegistry registry(points, AllPointNames(data));
    int setupId = 0;
    for (const ImportedFile& file : data.Files) {
        pugi::xml_node survey = root.append_child("Survey");
        survey.append_child("SurveyHeader").append_attribute("name") = XmlText(file.Name).c_str();
        for (const ImportedStation& station : file.Stations)
            WriteSetup(survey, station, ++setupId, registry);
        RegisterOthers(file, registry);
    }
    if (!points.first_child())
        root.remove_child(points);
    std::ostringstream text;
    document.save(text, "  ", pugi::format_default, pugi::encoding_utf8);
    Out << text.str();
}

}  // namespace Host
