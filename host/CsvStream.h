#pragma once
// `--format csv` written as the import goes: the rows come in the order the plug-in sent the
// items, and an item is complete once the next one begins (the plug-in applies every value to
// the item begun last), so each row is written then, and nothing of the import is kept. The
// rows are those CCsvWriter writes from the whole model.
#include <ostream>
#include <string>

#include "host/CsvWriter.h"
#include "host/OutputFormat.h"

namespace Host {

class CCsvStream final : public IOutputFormat {
public:
    CCsvStream(std::ostream& out, AngleUnit angles) : Writer(out, angles) {}
    void OnCall(const HostCall& call) override;
    void Finish() override;

private:
    void Begin(const char* role, const std::string& name);
    void WritePending();

    CCsvWriter Writer;
    bool HeaderWritten = false;
    std::string FileField;     // the current file's name as a CSV field
    std::string StationName;   // the station whose targets are being sent
    bool StationOpen = false;  // targets now belong to StationName
    const char* Role = nullptr;  // the item being received, null before the first of a file
    std::string Station;         // the observing station of that item, when it is a target
    ImportedPoint Item;
};

}  // namespace Host
