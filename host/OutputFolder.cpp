#include "host/OutputFolder.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

#include "host/OutputFile.h"

namespace Host {

namespace {

// The folder being written, as the signal handler reads it: a fixed buffer and a flag,
// nothing that allocates. One output is written at a time.
char PendingFolder[PATH_MAX];
volatile std::sig_atomic_t HasPendingFolder = 0;

std::string Failure(const std::string& path, int error)
{
    return "cannot write " + path + ": " + std::strerror(error);
}

std::string ParentOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Writes the file's bytes to target as an output file.
bool CopyToOutput(const std::string& source, const std::string& target, std::string& reason)
{
    std::ifstream in(source, std::ios::binary);
    if (!in) {
        reason = Failure(target, errno ? errno : EIO);
        return false;
    }
    COutputFile out(target);
    if (!out.Open(reason))
        return false;
    std::vector<char> buffer(1 << 16);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        out.Stream().write(buffer.data(), in.gcount());
    }
    if (in.bad()) {
        reason = Failure(target, EIO);
        return false;
    }
    return out.Commit(reason);
}

}  // namespace

namespace {

// Empties the open folder, and its folders a few levels down with it. The entries are read
// with the raw system call: the C library's directory stream allocates, which a signal
// handler must not. Passes go on while they remove something, since removing entries while
// reading them may hide some from the pass.
void EmptyFolder(int folder, int depth) noexcept
{
    alignas(8) char entries[4096];
    for (bool removed = true; removed;) {
        removed = false;
        ::lseek(folder, 0, SEEK_SET);
        for (long got; (got = ::syscall(SYS_getdents64, folder, entries, sizeof entries)) > 0;) {
            for (long at = 0; at < got;) {
                const auto* entry = reinterpret_cast<const dirent*>(entries + at);
                at += entry->d_reclen;
                const char* name = entry->d_name;
                if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
                    continue;
                if (entry->d_type == DT_DIR && depth > 0) {
                    const int inner = ::openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                    if (inner >= 0) {
                        EmptyFolder(inner, depth - 1);
                        ::close(inner);
                    }
                    removed = ::unlinkat(folder, name, AT_REMOVEDIR) == 0 || removed;
                } else {
                    removed = ::unlinkat(folder, name, 0) == 0 || removed;
                }
            }
        }
    }
}

}  // namespace

void RemovePendingOutputFolder() noexcept
{
    if (!HasPendingFolder)
        return;
    const int folder = ::open(PendingFolder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        EmptyFolder(folder, 3);
        ::close(folder);
    }
    ::rmdir(PendingFolder);
    HasPendingFolder = 0;
}

bool CheckFileTarget(const std::string& path, std::string& reason)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT)
            return true;
        reason = Failure(path, errno);
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        reason = "cannot write " + path + ": it is a folder";
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        reason = "cannot write " + path + ": not a regular file (this format is written only to files)";
        return false;
    }
    return true;
}

COutputFolder::COutputFolder(std::string target) : Target(std::move(target)) {}

COutputFolder::~COutputFolder()
{
    if (!Folder.empty())
        RemovePendingOutputFolder();
}

bool COutputFolder::Open(std::string& reason)
{
    Destination = ParentOf(Target);
    Name = NameOf(Target);
    const std::string pattern = Destination + "/." + Name.substr(0, 200) + ".tmp.XXXXXX";
    if (pattern.size() >= sizeof PendingFolder) {
        reason = Failure(Target, ENAMETOOLONG);
        return false;
    }
    // Registered before it exists, and made in the buffer the signal handler reads, so that
    // an interrupt at any moment leaves nothing behind.
    std::memcpy(PendingFolder, pattern.c_str(), pattern.size() + 1);
    HasPendingFolder = 1;
    if (!::mkdtemp(PendingFolder)) {
        const int error = errno;
        HasPendingFolder = 0;
        reason = "cannot write " + Target + ": cannot make a private folder in " + Destination + ": " +
                 std::strerror(error);
        return false;
    }
    Folder = PendingFolder;
    return true;
}

bool COutputFolder::Commit(std::string& reason)
{
    std::vector<std::string> names;
    if (DIR* folder = ::opendir(Folder.c_str())) {
        while (const dirent* entry = ::readdir(folder))
            if (entry->d_name[0] != '.')
                names.push_back(entry->d_name);
        ::closedir(folder);
    }
    // A driver that writes a folder of files (a file geodatabase, say) has nothing that can be
    // put in place as a file.
    for (const std::string& name : names) {
        struct stat info {};
        if (::lstat((Folder + "/" + name).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
            reason = "cannot write " + Target + ": the driver wrote " + name + " as a folder, not as files";
            return false;
        }
    }
    if (names.empty()) {
        reason = "cannot write " + Target + ": nothing was written";
        return false;
    }
    std::sort(names.begin(), names.end());
    // Every target is looked at before any is touched: a shapefile is not left half replaced
    // for a sidecar that turned out to be a FIFO.
    for (const std::string& name : names)
        if (!CheckFileTarget(Destination + "/" + name, reason))
            return false;
    for (const std::string& name : names)
        if (!CopyToOutput(Folder + "/" + name, Destination + "/" + name, reason))
            return false;
    return true;
}

}  // namespace Host
