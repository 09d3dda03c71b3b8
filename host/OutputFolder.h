#pragma once
// The files of a GIS or CAD output, which the geodata library writes under names of its own
// (a shapefile is five files for each layer): written into a private folder beside the target,
// then each put in place by the rules of every output file (COutputFile) only when all of them
// were written. The folder goes in every case, on an interrupt too.
#include <string>

namespace Host {

class COutputFolder {
public:
    explicit COutputFolder(std::string target);
    ~COutputFolder();  // removes the private folder with whatever is left in it
    COutputFolder(const COutputFolder&) = delete;
    COutputFolder& operator=(const COutputFolder&) = delete;

    // Makes the private folder beside the target; false with a one-line reason.
    bool Open(std::string& reason);
    // The private folder, and the target's file name, after which the files written into the
    // folder are named.
    const std::string& Path() const noexcept { return Folder; }
    const std::string& TargetName() const noexcept { return Name; }
    // Puts every file of the private folder in the target's folder under the same name, each as
    // COutputFile writes a file: a replaced file keeps its mode and owner, one with several hard
    // links is rewritten in place, a symbolic link is followed and stays. False with a reason at
    // the first file that is not a regular file or cannot be written.
    bool Commit(std::string& reason);

private:
    std::string Target;       // as given
    std::string Destination;  // the target's folder
    std::string Name;
    std::string Folder;
};

// Whether the path can take a file output: it is absent or, its links followed, a regular
// file. False with a one-line reason naming it (a folder, a device, a FIFO, a socket).
bool CheckFileTarget(const std::string& path, std::string& reason);

// Removes the folder being written, if any, with its files: only system calls that a signal
// handler may make.
void RemovePendingOutputFolder() noexcept;

}  // namespace Host
