#pragma once
// The formats `m5import` writes. Each is a sink of the plug-in's calls: the trace streams
// them as they come; the others build the import model and write it at the end.
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "host/AngleUnit.h"
#include "host/HostCall.h"
#include "host/Language.h"
#include "host/PointListWriter.h"

namespace Host {

class IOutputFormat : public ICallSink {
public:
    // Called once after the last file; writes whatever the format keeps until the end.
    virtual void Finish() = 0;
    // Called after Finish: puts what was written into place. False with a one-line reason
    // when the output could not be written; the formats that write as they go have nothing
    // left to do here.
    virtual bool Commit(std::string& reason)
    {
        (void)reason;
        return true;
    }
};

// What is written and how.
struct OutputOptions {
    std::string Format = "table";
    // Angles of the table, CSV, JSON and GIS formats; by default DMS in the table, radians
    // elsewhere.
    std::optional<AngleUnit> Angles;
    PointListOptions Points;
    Language Shown = Language::English;  // of the messages in the table and the warnings
    std::function<void(const std::string&)> Warn;  // the host's own warnings about the output
};

// The format named in options writing to out; null for an unknown name. The GIS and CAD
// formats, which write files rather than a stream, are made by MakeOgrFormat.
std::unique_ptr<IOutputFormat> MakeOutputFormat(const OutputOptions& options, std::ostream& out);
// The format of that name with its defaults.
std::unique_ptr<IOutputFormat> MakeOutputFormat(const std::string& name, std::ostream& out);
// The formats of this build; LandXML only where it was built with pugixml (M5_LANDXML).
std::vector<std::string> OutputFormatNames();
// Whether --format accepts the name: a stream format, a GIS or CAD format, or ogr:DRIVER.
bool IsOutputFormatName(const std::string& name);
// What --help says of --format in this build.
std::string FormatHelp();

}  // namespace Host
