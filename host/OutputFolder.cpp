#include "host/OutputFolder.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

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

// The path a write through this name reaches: its symbolic links followed, as the system
// follows them, at most 40 deep.
bool FollowLinks(std::string path, std::string& resolved, std::string& reason)
{
    for (int depth = 0; depth < 40; ++depth) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            resolved = path;
            return true;
        }
        char link[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), link, sizeof link);
        if (length < 0 || length == static_cast<ssize_t>(sizeof link)) {
            reason = Failure(path, length < 0 ? errno : ENAMETOOLONG);
            return false;
        }
        const std::string target(link, static_cast<std::size_t>(length));
        path = target[0] == '/' ? target : ParentOf(path) + "/" + target;
    }
    reason = Failure(path, ELOOP);
    return false;
}

// A missing path and a regular file can be written; anything else is refused.
bool CheckWritable(const std::string& path, struct stat& info, bool& exists, std::string& reason)
{
    exists = ::stat(path.c_str(), &info) == 0;
    if (!exists && errno != ENOENT) {
        reason = Failure(path, errno);
        return false;
    }
    if (exists && S_ISDIR(info.st_mode)) {
        reason = Failure(path, EISDIR);
        return false;
    }
    if (exists && !S_ISREG(info.st_mode)) {
        reason = "cannot write " + path + ": not a regular file (this format is written only to files)";
        return false;
    }
    return true;
}

bool SyncFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    return ::close(fd) == 0 && synced;
}

bool WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// For a file with several hard links: the new content is copied over the old, so that every
// name of the file sees it.
bool CopyInPlace(const std::string& from, const std::string& to)
{
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    const int out = ::open(to.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    bool copied = out >= 0;
    char buffer[65536];
    while (copied) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            copied = got == 0 && ::fsync(out) == 0;
            break;
        }
        copied = WriteAll(out, buffer, static_cast<std::size_t>(got));
    }
    const int error = errno;
    ::close(in);
    if (out >= 0 && ::close(out) != 0)
        copied = false;
    errno = copied ? 0 : (error ? error : EIO);
    return copied;
}

}  // namespace

void RemovePendingOutputFolder() noexcept
{
    if (!HasPendingFolder)
        return;
    const int folder = ::open(PendingFolder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        // The entries are read with the raw system call: the C library's directory stream
        // allocates, which a signal handler must not.
        alignas(8) char entries[4096];
        for (;;) {
            const long got = ::syscall(SYS_getdents64, folder, entries, sizeof entries);
            if (got <= 0)
                break;
            for (long at = 0; at < got;) {
                const auto* entry = reinterpret_cast<const dirent*>(entries + at);
                const char* name = entry->d_name;
                const bool dots = name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
                if (!dots)
                    ::unlinkat(folder, name, 0);
                at += entry->d_reclen;
            }
        }
        ::close(folder);
    }
    ::rmdir(PendingFolder);
    HasPendingFolder = 0;
}

COutputFolder::COutputFolder(std::string target) : Target(std::move(target)) {}

COutputFolder::~COutputFolder()
{
    if (!Folder.empty())
        RemovePendingOutputFolder();
}

bool COutputFolder::Open(std::string& reason)
{
    std::string resolved;
    if (!FollowLinks(Target, resolved, reason))
        return false;
    struct stat info {};
    bool exists = false;
    if (!CheckWritable(resolved, info, exists, reason))
        return false;
    Destination = ParentOf(resolved);
    Name = NameOf(resolved);
    const std::string pattern = Destination + "/" + Name + ".tmp.XXXXXX";
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
        reason = Failure(Target, error);
        return false;
    }
    Folder = PendingFolder;
    return true;
}

bool COutputFolder::PlaceFile(const std::string& name, std::string& reason)
{
    const std::string source = Folder + "/" + name;
    std::string target;
    if (!FollowLinks(Destination + "/" + name, target, reason))
        return false;
    struct stat old {};
    bool exists = false;
    if (!CheckWritable(target, old, exists, reason))
        return false;
    if (!SyncFile(source)) {
        reason = Failure(target, errno ? errno : EIO);
        return false;
    }
    if (exists && old.st_nlink > 1) {
        if (!CopyInPlace(source, target)) {
            reason = Failure(target, errno);
            return false;
        }
        return true;
    }
    if (exists) {
        // The replaced file's mode, owner and group go on; an owner that only a privileged
        // user may give is left as the system makes it.
        ::chmod(source.c_str(), old.st_mode & 07777);
        if (::chown(source.c_str(), old.st_uid, old.st_gid) != 0 && errno != EPERM) {
            reason = Failure(target, errno);
            return false;
        }
    }
    if (::rename(source.c_str(), target.c_str()) != 0) {
        reason = Failure(target, errno);
        return false;
    }
    return true;
}

bool COutputFolder::Commit(std::string& reason)
{
    std::vector<std::string> names;
    if (DIR* folder = ::opendir(Folder.c_str())) {
        while (const dirent* entry = ::readdir(folder))
            if (entry->d_type == DT_REG || entry->d_type == DT_UNKNOWN)
                if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                    names.push_back(entry->d_name);
        ::closedir(folder);
    }
    if (names.empty()) {
        reason = "cannot write " + Target + ": nothing was written";
        return false;
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names)
        if (!PlaceFile(name, reason))
            return false;
    // The renames themselves reach the disk with the folder that holds them.
    const int folder = ::open(Destination.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

}  // namespace Host
