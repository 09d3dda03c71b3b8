// Feeds arbitrary bytes to the host's layout detection as a field file, and checks what the
// layout command and --layout auto rely on: the columns found make a layout the settings
// editor accepts, they read a name from every record that has a value in the name field
// and a code from every record that has one in the code field, settings that read the file
// alike are kept as they were given, and the mode changes only with a reason.
//
// The first byte chooses the settings given: bit 0 TakePointNameFromAddr, bit 1 Mode 1,
// bit 2 the code before the name (code in columns 1-14, name in columns 15-27).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "host/FieldFileScan.h"
#include "host/LayoutDetector.h"
#include "host/SettingsRules.h"

using Fuzz::Require;

namespace {

Host::SettingsValues Given(std::uint8_t byte)
{
    Host::SettingsValues given;
    given.TakePointNameFromAddr = byte & 1;
    given.Mode = (byte >> 1) & 1;
    if (byte & 4) {
        given.CodeStart = 1;
        given.CodeLen = 14;
        given.PointStart = 15;
        given.PointLen = 13;
    }
    return given;
}

void CheckFoundColumns(const Host::CFieldFileScan& scan, const Host::DetectedLayout& layout)
{
    Require(!Host::CheckLayout(layout.Values).Refused(), "the columns found make a layout the editor refuses");
    std::size_t named = 0, coded = 0;
    for (const Host::PointLine& point : scan.Points()) {
        const Host::NameAndCode read = Host::ReadNameAndCode(scan, point, layout.Values);
        named += read.Name.empty() ? 0 : 1;
        coded += read.Code.empty() ? 0 : 1;
    }
    if (!layout.Name)
        Require(layout.Values.TakePointNameFromAddr == 1, "no name field, yet the name is not the address");
    // Only names over all 27 columns give one up to the code, and the layout says so.
    else if (layout.Note.empty())
        Require(named >= layout.Name->Filled, "a record with a value in the name field reads no name");
    if (layout.Code)
        Require(coded >= layout.Code->Filled, "a record with a value in the code field reads no code");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const Host::SettingsValues given = Given(data[0]);
    Host::CFieldFileScan scan;
    scan.Assign(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
    Require(scan.Points().size() <= scan.PointCount(), "more point records kept than counted");
    const Host::DetectedLayout layout = Host::DetectLayout(scan, given);
    Host::SettingsValues columns = layout.Values;
    columns.Mode = given.Mode;
    if (layout.Agrees)
        Require(columns == given, "settings that read the file alike were not kept");
    else if (!layout.FromStartBlock)
        CheckFoundColumns(scan, layout);
    Require(layout.ModeReason.empty() == (layout.Values.Mode == given.Mode &&
                                          std::find(layout.Keys.begin(), layout.Keys.end(), "Mode") == layout.Keys.end()),
            "the mode changed without a reason");
    Host::CountUnnamed(scan, layout.Values);
    return 0;
}
