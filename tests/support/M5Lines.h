#pragma once
// Builders of M5 lines as instruments write them: "For M5|Adr 00001|PI1 <name><code>|<value
// block>|<value block>|<value block>|", with the name in columns 1-14 and the code in columns
// 15-27 of the information text (the default settings).
#include <cstdint>
#include <string>

#include "host/SettingsRules.h"

namespace Testing {

// A point record: kind "PI1 ", the name padded to 14 characters, the code padded to 13.
std::string PointInfo(const std::string& name, const std::string& code = std::string());
// A text record: kind "TI  " and the text padded to 27 characters.
std::string TextInfo(const std::string& text);
// A value block: the type identifier, the value right-aligned, one blank and the unit
// padded to four characters (22 characters for short values).
std::string Value(const std::string& type, const std::string& value, const std::string& unit = std::string());
// A whole line with its address number and up to three value blocks.
std::string M5Line(int address, const std::string& info, const std::string& v1 = std::string(),
                   const std::string& v2 = std::string(), const std::string& v3 = std::string());

// The settings that place the name and the code (whether the name is taken from the
// address block, where the name and the code start and how long they are), the rest at
// their defaults.
Host::SettingsValues NameAndCodeLayout(std::int32_t takeFromAddress, std::int32_t pointStart,
                                       std::int32_t pointLen, std::int32_t codeStart, std::int32_t codeLen);

}  // namespace Testing
