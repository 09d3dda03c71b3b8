#include "host/CsvStream.h"

namespace Host {

void CCsvStream::OnCall(const HostCall& call)
{
    switch (call.Operation) {
    case Op::SetFileName:
        WritePending();
        FileField.clear();
        CCsvWriter::AppendField(FileField, call.Text);
        StationOpen = false;
        break;
    case Op::AddStation:
        Begin("station", call.Text);
        StationName = call.Text;
        StationOpen = true;
        break;
    case Op::AddTarget:
        Begin("target", call.Text);
        if (StationOpen)
            Station = StationName;
        break;
    case Op::AddPoint:
        // A plain point ends the station's list of targets: what follows it is not known to
        // be observed from that station.
        Begin("point", call.Text);
        StationOpen = false;
        break;
    default:
        // A value before any item of the file concerns none, and is dropped.
        if (Role)
            ApplyValueCall(Item, call);
        break;
    }
}

void CCsvStream::Begin(const char* role, const std::string& name)
{
    WritePending();
    Role = role;
    Station.clear();
    Item = ImportedPoint();
    Item.Name = name;
}

void CCsvStream::WritePending()
{
    if (!HeaderWritten) {
        Writer.WriteHeader();
        HeaderWritten = true;
    }
    if (!Role)
        return;
    Writer.WritePoint(FileField, Role, Station, Item);
    Role = nullptr;
}

void CCsvStream::Finish()
{
    WritePending();
}

}  // namespace Host
