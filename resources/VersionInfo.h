#pragma once
// The library's version record, written once for both builds: on Windows a VERSIONINFO
// resource (resources/m5plugin.rc), on Linux a section ".m5version" of the shared library,
// so that a host can read it without loading the plug-in or calling into it.
#define M5_FILE_DESCRIPTION "Модуль импорта данных"
#define M5_FILE_VERSION_TEXT "2.00.0041"
#define M5_FILE_VERSION_NUMBERS 2, 0, 0, 41

#ifndef RC_INVOKED
namespace Plugin {

constexpr const char* VersionSectionName = ".m5version";

}  // namespace Plugin

// The record as NUL-separated "Key=Value" fields in UTF-8.
#define M5_VERSION_RECORD                                \
    "FileDescription=" M5_FILE_DESCRIPTION "\0"          \
    "FileVersion=" M5_FILE_VERSION_TEXT "\0"             \
    "ProductVersion=" M5_FILE_VERSION_TEXT "\0"
#endif
