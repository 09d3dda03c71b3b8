#pragma once
// An output file that appears whole or not at all: written to a temporary file beside the
// target and renamed over it only when everything was written.
#include <fstream>
#include <string>

namespace Host {

class COutputFile {
public:
    explicit COutputFile(std::string path);
    ~COutputFile();
    COutputFile(const COutputFile&) = delete;
    COutputFile& operator=(const COutputFile&) = delete;

    // False (with reason) when the temporary file cannot be created.
    bool Open(std::string& reason);
    std::ostream& Stream() { return Out; }
    // Flushes and renames into place; false (with reason) when anything failed, in which
    // case the temporary file is removed and the target left as it was.
    bool Commit(std::string& reason);

private:
    std::string Path;
    std::string Temporary;
    std::ofstream Out;
    bool Committed = false;
};

// Makes an interrupt, a termination request or a hang-up remove the temporary file of the
// output being written before the program ends by that signal, so that no half-written
// file is left beside the target.
void RemoveOutputOnInterrupt();

}  // namespace Host
