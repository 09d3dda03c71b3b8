#include "host/PluginLibrary.h"

#include <climits>
#include <cstring>
#include <dlfcn.h>
#include <elf.h>
#include <fstream>
#include <iterator>
#include <unistd.h>
#include <vector>

namespace Host {

namespace {

constexpr const char* LibraryName = "libm5plugin.so";

std::string ExecutableDirectory()
{
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return ".";
    std::string path(buffer, static_cast<std::size_t>(length));
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

bool Exists(const std::string& path)
{
    return ::access(path.c_str(), F_OK) == 0;
}

template <typename T>
bool ReadAt(const std::vector<char>& bytes, std::size_t offset, T& value)
{
    if (offset > bytes.size() || bytes.size() - offset < sizeof(T))
        return false;
    std::memcpy(&value, bytes.data() + offset, sizeof(T));
    return true;
}

}  // namespace

CPluginLibrary::~CPluginLibrary()
{
    if (Handle)
        ::dlclose(Handle);
}

bool CPluginLibrary::Open(const std::string& path, std::string& reason)
{
    LibraryPath = path;
    Handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!Handle) {
        const char* error = ::dlerror();
        reason = "cannot load plug-in: " + std::string(error ? error : path);
        return false;
    }
    void* entry = ::dlsym(Handle, "CreatePlugin");
    if (!entry) {
        reason = "cannot load plug-in " + path + ": it exports no CreatePlugin";
        return false;
    }
    Create = reinterpret_cast<CreatePluginFunction>(entry);
    return true;
}

std::string FindProgramLibrary(const std::string& name)
{
    const std::string directory = ExecutableDirectory();
    const std::string beside = directory + "/" + name;
    if (Exists(beside))
        return beside;
    const std::string installed = directory + "/../lib/m5import/" + name;
    if (Exists(installed))
        return installed;
    const std::string multiarch = directory + "/../lib/x86_64-linux-gnu/m5import/" + name;
    if (Exists(multiarch))
        return multiarch;
    return beside;
}

std::string CPluginLibrary::DefaultPath()
{
    return FindProgramLibrary(LibraryName);
}

std::map<std::string, std::string> ReadVersionRecord(const std::string& libraryPath)
{
    std::map<std::string, std::string> record;
    std::ifstream in(libraryPath, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Elf64_Ehdr header{};
    if (!ReadAt(bytes, 0, header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != ELFCLASS64)
        return record;
    Elf64_Shdr names{};
    if (!ReadAt(bytes, header.e_shoff + std::size_t{header.e_shstrndx} * sizeof(Elf64_Shdr), names))
        return record;
    for (std::size_t i = 0; i < header.e_shnum; ++i) {
        Elf64_Shdr section{};
        if (!ReadAt(bytes, header.e_shoff + i * sizeof(Elf64_Shdr), section))
            break;
        const std::size_t nameOffset = names.sh_offset + section.sh_name;
        if (nameOffset >= bytes.size())
            continue;
        if (std::strncmp(bytes.data() + nameOffset, ".m5version", bytes.size() - nameOffset) != 0)
            continue;
        if (section.sh_offset > bytes.size() || bytes.size() - section.sh_offset < section.sh_size)
            break;
        const std::string text(bytes.data() + section.sh_offset, section.sh_size);
        for (std::size_t start = 0; start < text.size();) {
            const std::size_t end = text.find('\0', start);
            const std::string field = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
            const auto equals = field.find('=');
            if (equals != std::string::npos)
                record[field.substr(0, equals)] = field.substr(equals + 1);
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
        break;
    }
    return record;
}

}  // namespace Host
