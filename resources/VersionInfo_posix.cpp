#include "resources/VersionInfo.h"

namespace Plugin {

// Kept in a section of its own although no code refers to it.
__attribute__((used, section(".m5version"))) extern const char VersionRecordSection[] = M5_VERSION_RECORD;

}  // namespace Plugin
