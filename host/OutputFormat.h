#pragma once
// The formats `m5import` writes. Each is a sink of the plug-in's calls: the trace streams
// them as they come; the others build the import model and write it at the end.
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "host/HostCall.h"

namespace Host {

class IOutputFormat : public ICallSink {
public:
    // Called once after the last file; writes whatever the format keeps until the end.
    virtual void Finish() = 0;
};

// The format of that name writing to out; null for an unknown name.
std::unique_ptr<IOutputFormat> MakeOutputFormat(const std::string& name, std::ostream& out);
// The formats of this build; LandXML only where it was built with pugixml (M5_LANDXML).
std::vector<std::string> OutputFormatNames();

}  // namespace Host
