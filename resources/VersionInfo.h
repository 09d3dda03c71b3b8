#pragma once
// The library's version record. It is stored in the library file itself (section
// ".m5version") so a host can read it without loading the plug-in or calling into it.
namespace Plugin {

constexpr const char* VersionSectionName = ".m5version";

}  // namespace Plugin

// The record as NUL-separated "Key=Value" fields in UTF-8.
#define M5_VERSION_RECORD                         \
    "FileDescription=Модуль импорта данных\0"     \
    "FileVersion=2.00.0041\0"                     \
    "ProductVersion=2.00.0041\0"
