#pragma once
// Everything known about one station, point or target while a file is read. Values are in
// the host's internal units (angles in radians); NotSet marks a value that was not given.
#include <limits>
#include <string>

namespace Plugin {

constexpr double NotSet = std::numeric_limits<double>::max();

inline bool IsSet(double value) noexcept { return value != NotSet; }

struct PointRecord {
    std::wstring Name;
    std::wstring Code;
    double SlopeDistance = NotSet;
    double HorizontalDistance = NotSet;
    double HorizontalAngle = NotSet;
    double VerticalAngle = NotSet;
    double X = NotSet;  // northing
    double Y = NotSet;  // easting
    double Z = NotSet;
    double HeightDifference = NotSet;
    double TargetHeight = NotSet;

    PointRecord() = default;
    PointRecord(std::wstring name, std::wstring code) : Name(std::move(name)), Code(std::move(code)) {}
};

}  // namespace Plugin
