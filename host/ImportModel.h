#pragma once
// What an import handed over, as plain data: the files in order, each with its messages, its
// stations (each owning the targets observed from it) and its plain points. CImportModel
// fills it from the plug-in's calls; the table, CSV, JSON and LandXML writers read it.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/HostCall.h"

namespace Host {

// A station, target or point with the values the plug-in sent for it, in the host's internal
// units: metres, radians, hPa, °C. X is the northing, Y the easting. A value never sent stays
// empty; a value sent twice keeps the last one (the plug-in sends a target height again when it
// replaces it by the instrument height for a height difference).
struct ImportedPoint {
    std::string Name;
    std::optional<std::string> Code;
    std::optional<std::int32_t> Kind;
    std::optional<std::int32_t> Flag;
    std::optional<double> X, Y, Z;
    std::optional<double> InstrumentHeight;
    std::optional<double> TargetHeight;
    std::optional<double> HorizontalAngle;
    std::optional<double> VerticalAngle;
    std::optional<double> SlopeDistance;
    std::optional<double> HorizontalDistance;
    std::optional<double> HeightDifference;
    std::optional<double> Pressure;
    std::optional<double> Temperature;
    // Position among everything reported for the file (points, targets, stations, messages),
    // so that a writer can show messages where they occurred.
    std::size_t Sequence = 0;
};

struct ImportedStation {
    ImportedPoint Station;
    std::vector<ImportedPoint> Targets;  // in the order they were sent
};

struct ImportNotice {
    bool IsWarning = false;         // ReportWarning rather than ReportMessage
    std::string Text;               // as the plug-in sent it, line feeds included
    std::optional<std::int64_t> Line;  // counted from 1; empty when related to no line
    std::size_t Sequence = 0;
};

struct ImportedFile {
    std::string Name;  // as the plug-in announced it
    std::vector<ImportNotice> Notices;
    std::vector<ImportedStation> Stations;
    // Targets sent when no station was open: before the file's first station, or after a
    // plain point (the plug-in sends a set-up's station as a point when the file has no
    // station header); they are observed from no station the host knows of.
    std::vector<ImportedPoint> LooseTargets;
    std::vector<ImportedPoint> Points;
};

struct ImportData {
    std::vector<ImportedFile> Files;
};

// Applies a value call (SetX ... SetHeightDifference, SetPointKind, SetPointFlag,
// SetPointCode) to the item it concerns; other calls change nothing.
void ApplyValueCall(ImportedPoint& item, const HostCall& call);

// Builds ImportData from the calls of one import. Value calls apply to the item begun last in
// the current file; a value call before any item of the file is dropped. Data reported before
// any SetFileName open a file with an empty name.
class CImportModel final : public ICallSink {
public:
    void OnCall(const HostCall& call) override;
    const ImportData& Data() const noexcept { return Model; }

private:
    enum class CurrentKind { None, Station, Target, LooseTarget, Point };

    ImportedFile& File();
    void BeginFile(const std::string& name);
    void BeginItem(Op op, const std::string& name);
    void AddNotice(bool isWarning, const std::string& text);
    ImportedPoint* Current();
    void ApplyValue(const HostCall& call);

    ImportData Model;
    std::optional<std::int64_t> Line;
    CurrentKind Kind = CurrentKind::None;
    bool StationOpen = false;  // targets now belong to the file's last station
    std::size_t NextSequence = 0;
};

}  // namespace Host
