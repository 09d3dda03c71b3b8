#include "host/OutputFormat.h"

#include <algorithm>

#include "host/CsvStream.h"
#include "host/ImportModel.h"
#include "host/JsonWriter.h"
#if M5_LANDXML
#include "host/LandXmlWriter.h"
#endif
#include "host/OgrFormat.h"
#include "host/PointListWriter.h"
#include "host/TableWriter.h"
#include "host/TraceWriter.h"

namespace Host {

namespace {

class CTraceFormat final : public IOutputFormat {
public:
    explicit CTraceFormat(std::ostream& out) : Writer(out) {}
    void OnCall(const HostCall& call) override { Writer.OnCall(call); }
    void Finish() override { Writer.Flush(); }
    // The trace records every call as it was made.
    bool WantsNamesAsPassed() const override { return true; }
private:
    CTraceWriter Writer;
};

// The formats that need the whole import: the model collects the calls, the writer writes
// it once the last file is done.
template <typename Writer>
class CModelFormat final : public IOutputFormat {
public:
    explicit CModelFormat(Writer writer) : Output(std::move(writer)) {}
    void OnCall(const HostCall& call) override { Model.OnCall(call); }
    void Finish() override { Output.Write(Model.Data()); }
private:
    CImportModel Model;
    Writer Output;
};

template <typename Writer>
std::unique_ptr<IOutputFormat> MakeModelFormat(Writer writer)
{
    return std::make_unique<CModelFormat<Writer>>(std::move(writer));
}

}  // namespace

std::unique_ptr<IOutputFormat> MakeOutputFormat(const OutputOptions& options, std::ostream& out)
{
    const std::string& name = options.Format;
    if (name == "table")
        return MakeModelFormat(CTableWriter(out, options.Angles.value_or(AngleUnit::Dms), options.Shown));
    if (name == "csv")
        return std::make_unique<CCsvStream>(out, options.Angles.value_or(AngleUnit::Radian));
    if (name == "json")
        return MakeModelFormat(CJsonWriter(out, options.Angles.value_or(AngleUnit::Radian)));
    if (name == "points")
        return MakeModelFormat(CPointListWriter(out, options.Points, options.Shown, options.Warn));
#if M5_LANDXML
    if (name == "landxml")
        return MakeModelFormat(CLandXmlWriter(out, CLandXmlWriter::DocumentTimeFromEnvironment()));
#endif
    if (name == "trace")
        return std::make_unique<CTraceFormat>(out);
    return nullptr;
}

std::unique_ptr<IOutputFormat> MakeOutputFormat(const std::string& name, std::ostream& out)
{
    OutputOptions options;
    options.Format = name;
    return MakeOutputFormat(options, out);
}

std::vector<std::string> OutputFormatNames()
{
#if M5_LANDXML
    return {"table", "csv", "json", "landxml", "points", "trace"};
#else
    return {"table", "csv", "json", "points", "trace"};
#endif
}

std::string FormatHelp()
{
    std::string help = "what is written:";
    for (const std::string& name : OutputFormatNames())
        help += " " + name + ",";
    help.pop_back();
    const std::string files = OgrFormatNamesForHelp();
    if (!files.empty())
        help += "; or the files " + files;
    if (!M5_LANDXML)
        help += " (LandXML is not part of this build)";
    return help;
}

bool IsOutputFormatName(const std::string& name)
{
    const std::vector<std::string> names = OutputFormatNames();
    return std::find(names.begin(), names.end(), name) != names.end() || IsOgrFormatName(name);
}

}  // namespace Host
