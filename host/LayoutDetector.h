#pragma once
// Where the point names and codes of a field file stand, guessed from its point records.
// Instruments place them at columns of their own in the 27-character information text (the
// name right-aligned up to column 27 after a code in column 11, the name right-aligned up to
// column 19 with the code straight after it, ...). The guess looks at which columns hold
// something across the records, splits them into fields where an aligned edge meets a blank,
// takes as the name the field that every record fills with values that differ from record to
// record, and as the code the fields beside it. A file whose first line opens a START block
// keeps the columns that block gives. The guess is for the user to check: the layout command
// prints what was found and how the first records read with it.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "host/FieldFileScan.h"
#include "host/SettingsRules.h"

namespace Host {

enum class Alignment { Left, Right, Fixed, Mixed };

// Columns (from 1) that a field's values occupy across the records, and how they sit there.
struct FieldShape {
    int First = 0;
    int Last = 0;
    Alignment Align = Alignment::Fixed;
    std::size_t Filled = 0;    // records with a value in these columns
    std::size_t Distinct = 0;  // different values among them
    std::size_t Numeric = 0;   // records whose value holds a digit
};

struct DetectedLayout {
    // The settings to read the file with: the given ones with what was detected over them.
    SettingsValues Values;
    // The keys the detection decided, in key order; Mode only when the file tells.
    std::vector<std::string> Keys;
    std::optional<FieldShape> Name;  // absent when the name comes from the address
    std::optional<FieldShape> Code;
    bool FromStartBlock = false;     // the file's START block gives the columns
    bool Agrees = false;             // the given settings read every record the same way
    std::string ModeReason;          // why Mode was decided; empty when the file does not tell
    std::string Note;                // what the columns found cannot read, if anything
};

// The layout of the scanned file, starting from the settings given for the import.
DetectedLayout DetectLayout(const CFieldFileScan& scan, const SettingsValues& given);

// The name and code the plug-in reads from a point record with these settings, after the
// file's START block (if any) has moved the columns for the records it precedes.
struct NameAndCode {
    std::wstring Name;
    std::wstring Code;
};
NameAndCode ReadNameAndCode(const CFieldFileScan& scan, const PointLine& point, const SettingsValues& values);

// The settings in force for a record of this line: a START block replaces the starts while it
// is open and fits the lengths when it closes.
SettingsValues SettingsAtLine(const CFieldFileScan& scan, const SettingsValues& values, int line);

// Point records left without a name (the plug-in's "no point name given") with these settings:
// records whose name reads empty, except those that declare a station.
std::size_t CountUnnamed(const CFieldFileScan& scan, const SettingsValues& values);

// The --set flags that select the detected keys, as "--set KEY=VALUE" joined by blanks.
std::string SetFlags(const DetectedLayout& layout);

}  // namespace Host
