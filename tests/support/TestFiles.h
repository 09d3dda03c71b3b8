#pragma once
// Files and processes for tests: temporary files with exact bytes, and runs of m5import.
#include <string>
#include <vector>

namespace Testing {

// A fresh temporary folder, removed with the object.
class CTempFolder {
public:
    CTempFolder();
    ~CTempFolder();
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;
    const std::string& Path() const noexcept { return Folder; }
    // Writes bytes exactly to name inside the folder; returns the full path.
    std::string Write(const std::string& name, const std::string& bytes) const;
private:
    std::string Folder;
};

std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
// Makes one folder; false when it cannot be made (or exists).
bool MakeFolder(const std::string& path);
// The names in a folder, sorted.
std::vector<std::string> FolderEntries(const std::string& folder);
// A text cut at its line feeds, without them.
std::vector<std::string> TextLines(const std::string& text);

// Where temporary folders go: $TMPDIR or /tmp on Linux, the user's temporary folder on
// Windows (written with forward slashes, which Windows takes too, so that paths in expected
// outputs need no escaping).
std::string TemporaryBase();
// The built m5import (beside the test programs on Windows, where the build tree's absolute
// Linux path is not a Windows path).
std::string M5ImportPath();
// Sets an environment variable for this process and the programs it starts.
void SetEnvironment(const std::string& name, const std::string& value);

struct RunResult {
    int Status = -1;
    std::string Out;
    std::string Err;
};

// Runs the built m5import with these arguments (the plug-in of the build tree and a settings
// store in a scratch folder unless the arguments name their own), no terminal attached.
RunResult RunM5Import(const std::vector<std::string>& arguments, const std::string& input = std::string());
// Runs any program with arguments, no terminal attached; the exit status, or 128 plus the
// signal that ended it.
RunResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const std::string& input = std::string());

// M5 lines as instruments write them, joined with CR LF.
std::string CrLf(const std::vector<std::string>& lines);

// Folder of the real instrument files; empty when it is absent.
std::string SamplesFolder();

}  // namespace Testing
