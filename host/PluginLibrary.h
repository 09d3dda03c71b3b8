#pragma once
// Loads the plug-in library at run time, as a surveying application does, and owns the
// handle: the library is closed when the holder goes.
#include <map>
#include <string>

#include "plugin/PluginInterfaces.h"

namespace Host {

class CPluginLibrary {
public:
    CPluginLibrary() = default;
    ~CPluginLibrary();
    CPluginLibrary(const CPluginLibrary&) = delete;
    CPluginLibrary& operator=(const CPluginLibrary&) = delete;

    // dlopen(RTLD_NOW) (LoadLibraryW with the full path on Windows) and find CreatePlugin;
    // false with a one-line reason (dlerror's, or FormatMessageW's text) on failure.
    bool Open(const std::string& path, std::string& reason);
    CreatePluginFunction Entry() const noexcept { return Create; }
    const std::string& Path() const noexcept { return LibraryPath; }

    // The plug-in installed beside the program (or, on Linux, in the library folder of its prefix).
    static std::string DefaultPath();

private:
    void* Handle = nullptr;
    CreatePluginFunction Create = nullptr;
    std::string LibraryPath;
};

// A library of the program by its file name: beside the program, or in the program's library
// folder of its installation prefix; the path beside the program when it is in neither.
std::string FindProgramLibrary(const std::string& name);

// The library's version record ("FileDescription", "FileVersion", "ProductVersion"), read
// without loading it: its ".m5version" section on Linux, its VERSIONINFO resource on
// Windows; empty when the file has none.
std::map<std::string, std::string> ReadVersionRecord(const std::string& libraryPath);

// Releases the plug-in object when the holder goes.
class CPluginObject {
public:
    explicit CPluginObject(Plugin::IGroundBasedMIP* plugin) : Object(plugin) {}
    ~CPluginObject() { if (Object) Object->Release(); }
    CPluginObject(const CPluginObject&) = delete;
    CPluginObject& operator=(const CPluginObject&) = delete;
    Plugin::IGroundBasedMIP* operator->() const noexcept { return Object; }
    Plugin::IGroundBasedMIP* Get() const noexcept { return Object; }
private:
    Plugin::IGroundBasedMIP* Object;
};

}  // namespace Host
