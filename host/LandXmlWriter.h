#pragma once
// `--format landxml`: the import as one LandXML 1.2 document. Every station, target and point
// with a northing and an easting becomes a CgPoint ("north east [elevation]"); each file is a
// Survey whose InstrumentSetups are its stations, holding a RawObservation for every target
// with a measured angle or distance. Units are metres, radians, hPa and °C as the host holds
// them, so no value is rounded or converted on the way.
#include <ctime>
#include <ostream>

#include "host/ImportModel.h"

namespace Host {

class CLandXmlWriter {
public:
    // documentTime gives the document's date and time attributes.
    CLandXmlWriter(std::ostream& out, const std::tm& documentTime) : Out(out), DocumentTime(documentTime) {}
    void Write(const ImportData& data);

    // SOURCE_DATE_EPOCH (seconds since 1970, as UTC) when it is set, so that a document can be
    // made again byte for byte; otherwise the local time now.
    static std::tm DocumentTimeFromEnvironment();

private:
    std::ostream& Out;
    std::tm DocumentTime;
};

}  // namespace Host
