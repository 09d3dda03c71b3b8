#pragma once
// The body of Import: walks the host's file names and feeds each file, line by line, to a
// fresh parser, reporting the file, the current line and the progress to the host.
#include <string>

namespace Plugin {
class IFileNameEnumerator;
class IImportContext;
struct ImportSettings;

// Imports every file the enumerator yields, in order. A file that cannot be opened is
// reported and skipped; a file the parser refuses ends at its fatal error; any other
// exception ends the whole import.
void ImportFiles(IFileNameEnumerator& files, IImportContext& context, const ImportSettings& settings);

// Imports one file. The settings are copied when the file's parser is built.
void ImportFile(const std::u16string& name, IImportContext& context, const ImportSettings& settings);

}  // namespace Plugin
