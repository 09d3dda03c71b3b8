#pragma once
// The files of a GIS or CAD output, which the geodata library writes under names of its own
// (a shapefile is five files for each layer): written into a private folder beside the target
// and moved into place one by one only when everything was written. The folder goes in every
// case, on an interrupt too.
#include <string>
#include <sys/types.h>

namespace Host {

class COutputFolder {
public:
    explicit COutputFolder(std::string target);
    ~COutputFolder();
    COutputFolder(const COutputFolder&) = delete;
    COutputFolder& operator=(const COutputFolder&) = delete;

    // Follows the target's symbolic links, refuses a target that exists and is not a regular
    // file, and makes the private folder beside it. False with a one-line reason.
    bool Open(std::string& reason);
    // The private folder, and the target's file name once its links are followed: the files
    // written into the folder are named after it.
    const std::string& Path() const noexcept { return Folder; }
    const std::string& TargetName() const noexcept { return Name; }
    // Moves every file of the private folder to the target's folder under the same name, each
    // flushed to the disk first; a replaced file keeps its mode and owner, one with several
    // hard links is rewritten in place, a symbolic link is followed and stays. False with a
    // reason at the first file that cannot be put in place.
    bool Commit(std::string& reason);

private:
    bool PlaceFile(const std::string& name, std::string& reason);

    std::string Target;       // as given
    std::string Destination;  // the folder the files go to, the target's links followed
    std::string Name;
    std::string Folder;
};

// Removes the folder being written, if any, with its files: only system calls that a signal
// handler may make.
void RemovePendingOutputFolder() noexcept;

}  // namespace Host
