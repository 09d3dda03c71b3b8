#include "host/OutputFormat.h"

#include "host/TraceWriter.h"

namespace Host {

namespace {

class CTraceFormat final : public IOutputFormat {
public:
    explicit CTraceFormat(std::ostream& out) : Writer(out) {}
    void OnCall(const HostCall& call) override { Writer.OnCall(call); }
    void Finish() override {}
private:
    CTraceWriter Writer;
};

}  // namespace

std::unique_ptr<IOutputFormat> MakeOutputFormat(const std::string& name, std::ostream& out)
{
    if (name == "trace")
        return std::make_unique<CTraceFormat>(out);
    return nullptr;
}

std::vector<std::string> OutputFormatNames()
{
    return {"trace"};
}

}  // namespace Host
