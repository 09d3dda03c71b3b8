#pragma once
// `--format table`: for each file an aligned table, each station with its values and the
// targets observed from it beneath it, plain points where they came, and the file's messages
// where they occurred, in the reader's language (ten of a kind, then one line that counts the
// rest). Lengths in metres with three decimals, angles in degrees, minutes and seconds
// (123°45'30.0") or the unit chosen, pressure in hPa and temperature in °C with one decimal.
// Columns that hold no value in a file are left out of that file's table.
#include <optional>
#include <ostream>
#include <string>

#include "host/AngleUnit.h"
#include "host/ImportModel.h"
#include "host/Language.h"

namespace Host {

class CTableWriter {
public:
    explicit CTableWriter(std::ostream& out, AngleUnit angles = AngleUnit::Dms, Language language = Language::English)
        : Out(out), Angles(angles), Shown(language)
    {
    }
    void Write(const ImportData& data);

    // The cell texts, shared with tests that read a table back.
    static std::string FormatAngle(double radians);
    static std::string FormatFixed(double value, int decimals);

private:
    void WriteFile(const ImportedFile& file);

    std::ostream& Out;
    AngleUnit Angles;
    Language Shown;
};

}  // namespace Host
