#pragma once
// `--format json`: the whole import as one JSON document (UTF-8):
//   {"units": {...}, "files": [{"name", "messages": [{"severity", "text", "line", "id",
//    "english"}], "stations": [{..., "targets": [...]}], "looseTargets": [...],
//    "points": [...]}]}
// A message keeps the plug-in's own text; "id" (its string-table id) and "english" are there
// when the host knows the text. A point holds "name" and whichever of "code", "kind", "flag",
// "x", "y", "z", "instrumentHeight", "targetHeight", "horizontalAngle", "verticalAngle",
// "slopeDistance", "horizontalDistance", "heightDifference", "pressure", "temperature" the
// plug-in sent; numbers in metres, radians (or the angle unit chosen: degrees, gon, or
// degrees-minutes-seconds texts), hPa and °C, written so that they read back exactly.
#include <ostream>

#include <nlohmann/json.hpp>

#include "host/AngleUnit.h"
#include "host/ImportModel.h"

namespace Host {

class CJsonWriter {
public:
    explicit CJsonWriter(std::ostream& out, AngleUnit angles = AngleUnit::Radian) : Out(out), Angles(angles) {}
    void Write(const ImportData& data);

    static nlohmann::ordered_json ToJson(const ImportData& data, AngleUnit angles = AngleUnit::Radian);

private:
    std::ostream& Out;
    AngleUnit Angles;
};

}  // namespace Host
