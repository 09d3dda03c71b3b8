#include "host/OutputFile.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <system_error>
#include <sys/random.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

#include "host/FirstErrorBuffer.h"
#include "host/OutputFolder.h"

namespace Host {

namespace {

// The temporary file being written, as the signal handler reads it: a fixed buffer and a
// flag, nothing that allocates. One output file is written at a time.
char PendingTemporary[4096];
volatile std::sig_atomic_t HasPending = 0;

void SetPending(const std::string& path)
{
    HasPending = 0;
    if (path.size() >= sizeof PendingTemporary)
        return;
    std::memcpy(PendingTemporary, path.c_str(), path.size() + 1);
    HasPending = 1;
}

extern "C" void RemovePendingAndEnd(int signal)
{
    if (HasPending)
        ::unlink(PendingTemporary);
    RemovePendingOutputFolder();
    // The handler ran once and the signal's default action is back: raised again, it ends
    // the program as it would have, once the handler returns.
    ::raise(signal);
}

// Writes every byte, going on after a short write; 0 or the error that stopped it.
int WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t done = ::write(fd, data, size);
        if (done < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (done == 0)
            return EIO;
        data += done;
        size -= static_cast<std::size_t>(done);
    }
    return 0;
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows symbolic links to the path they finally name, which need not exist yet; info is
// that path's status when it exists. 0 or the error.
int FollowLinks(std::string path, std::string& target, struct stat& info, bool& exists)
{
    for (int hops = 0; hops < 40; ++hops) {
        if (::lstat(path.c_str(), &info) != 0) {
            if (errno != ENOENT)
                return errno;
            exists = false;
            target = path;
            return 0;
        }
        if (!S_ISLNK(info.st_mode)) {
            exists = true;
            target = path;
            return 0;
        }
        std::vector<char> link(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1);
        const ssize_t length = ::readlink(path.c_str(), link.data(), link.size());
        if (length < 0)
            return errno;
        if (static_cast<std::size_t>(length) >= link.size())
            return ENAMETOOLONG;
        const std::string next(link.data(), static_cast<std::size_t>(length));
        path = next[0] == '/' ? next : FolderOf(path) + "/" + next;
    }
    return ELOOP;
}

// A name no one can guess ahead of time: twelve random letters and digits.
std::string RandomSuffix()
{
    static const char Alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[12] = {};
    if (::getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes))
        throw std::system_error(errno, std::generic_category(), "no random bytes for a temporary name");
    std::string suffix;
    for (unsigned char byte : bytes)
        suffix += Alphabet[byte % (sizeof Alphabet - 1)];
    return suffix;
}

// Creates a temporary file for target in its folder, exclusively and without following a
// link planted under its name, readable by the owner only until its final mode is set.
int CreateTemporary(const std::string& target, std::string& name)
{
    const std::string prefix = FolderOf(target) + "/." + BaseOf(target).substr(0, 200) + ".tmp.";
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = prefix + RandomSuffix();
        // Registered before it exists: a signal that comes between the creation and the
        // registration would otherwise leave the file behind.
        SetPending(name);
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0)
            return fd;
        const int error = errno;
        HasPending = 0;
        if (error != EEXIST) {
            errno = error;
            break;
        }
    }
    name.clear();
    return -1;
}

// A socket is written through a connection; anything else that is not a regular file is
// opened as it is, without creating or truncating it.
int OpenDirectly(const std::string& path, const struct stat& info)
{
    if (!S_ISSOCK(info.st_mode))
        return ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

mode_t NewFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

int CloseChecked(int& fd)
{
    const int result = ::close(fd);
    fd = -1;
    return result == 0 || errno == EINTR ? 0 : errno;
}

}  // namespace

enum class WriteKind { Replace, InPlace, Direct };

struct COutputFile::State {
    WriteKind Kind = WriteKind::Replace;
    std::string Target;     // the file written, links followed
    std::string Temporary;  // Replace and InPlace: where the content is written first
    bool Exists = false;
    struct stat Existing {};
    int Fd = -1;            // the temporary file, or the target written directly
    int TargetFd = -1;      // InPlace: the target, opened for writing up front
    CFirstErrorBuffer<int, int> Buffer{WriteAll};
    std::ostream Out{&Buffer};

    // The steps that put the written content in place; 0 or the error.
    int Replace();
    int CopyInPlace();
    int FinishDirect();
};

namespace {

// Copies count bytes from the start of one file to the start of another.
int CopyFromStart(int from, int to, off_t count)
{
    std::vector<char> buffer(1 << 16);
    for (off_t offset = 0; offset < count;) {
        const ssize_t got = ::pread(from, buffer.data(), buffer.size(), offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got < 0 ? errno : EIO;
        for (ssize_t put = 0; put < got;) {
            const ssize_t done = ::pwrite(to, buffer.data() + put, static_cast<std::size_t>(got - put), offset + put);
            if (done < 0 && errno == EINTR)
                continue;
            if (done <= 0)
                return done < 0 ? errno : EIO;
            put += done;
        }
        offset += got;
    }
    return 0;
}

void SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        // The new name is in place whatever this says; it only hastens its way to the disk.
        (void)::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

int COutputFile::State::Replace()
{
    if (::fsync(Fd) != 0)
        return errno;
    if (Exists) {
        // Owner first: a change of owner may clear the set-id bits that the mode then restores.
        // Only a privileged process may give a file away; otherwise the file stays ours.
        (void)::fchown(Fd, Existing.st_uid, Existing.st_gid);
    }
    if (::fchmod(Fd, Exists ? Existing.st_mode & 07777 : NewFileMode()) != 0)
        return errno;
    if (const int error = CloseChecked(Fd))
        return error;
    if (::rename(Temporary.c_str(), Target.c_str()) != 0)
        return errno;
    HasPending = 0;
    Temporary.clear();
    SyncFolder(FolderOf(Target));
    return 0;
}

// Every link of the file must see the new content, so it is copied into the file itself.
// Room for it is claimed first: a disk that is too full fails before the old content is touched.
int COutputFile::State::CopyInPlace()
{
    const off_t size = ::lseek(Fd, 0, SEEK_CUR);
    if (size < 0)
        return errno;
    if (size > Existing.st_size) {
        const int error = ::posix_fallocate(TargetFd, 0, size);
        if (error != 0 && error != EOPNOTSUPP && error != EINVAL)
            return error;
    }
    if (const int error = CopyFromStart(Fd, TargetFd, size))
        return error;
    if (::ftruncate(TargetFd, size) != 0 || ::fsync(TargetFd) != 0)
        return errno;
    return CloseChecked(TargetFd);
}

int COutputFile::State::FinishDirect()
{
    // Devices, FIFOs and sockets may not take a flush to disk; that is not a write error.
    if (::fsync(Fd) != 0 && errno != EINVAL && errno != EROFS && errno != ENOTSUP && errno != EOPNOTSUPP)
        return errno;
    return CloseChecked(Fd);
}

COutputFile::COutputFile(std::string path) : TargetPath(std::move(path)) {}

COutputFile::~COutputFile()
{
    Discard();
}

bool COutputFile::Open(std::string& reason)
{
    Impl = std::make_unique<State>();
    State& state = *Impl;
    const auto failed = [&](const std::string& why) {
        reason = "cannot write " + TargetPath + ": " + why;
        Impl.reset();
        return false;
    };
    if (const int error = FollowLinks(TargetPath, state.Target, state.Existing, state.Exists))
        return failed(std::strerror(error));
    if (state.Exists && S_ISDIR(state.Existing.st_mode))
        return failed("it is a folder");
    if (state.Exists && !S_ISREG(state.Existing.st_mode)) {
        state.Kind = WriteKind::Direct;
        state.Fd = OpenDirectly(state.Target, state.Existing);
        if (state.Fd < 0)
            return failed(std::strerror(errno));
    } else {
        if (state.Exists && state.Existing.st_nlink > 1) {
            state.Kind = WriteKind::InPlace;
            state.TargetFd = ::open(state.Target.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
            if (state.TargetFd < 0)
                return failed(std::strerror(errno));
        }
        state.Fd = CreateTemporary(state.Target, state.Temporary);
        if (state.Fd < 0) {
            const std::string why = std::strerror(errno);
            if (state.TargetFd >= 0)
                ::close(state.TargetFd);
            return failed("cannot create a temporary file in " + FolderOf(state.Target) + ": " + why);
        }
    }
    state.Buffer.Attach(state.Fd);
    return true;
}

std::ostream& COutputFile::Stream()
{
    return Impl->Out;
}

bool COutputFile::Commit(std::string& reason)
{
    State& state = *Impl;
    state.Out.flush();
    int error = state.Buffer.Error();
    if (error == 0 && !state.Out)
        error = EIO;
    if (error == 0) {
        switch (state.Kind) {
        case WriteKind::Replace: error = state.Replace(); break;
        case WriteKind::InPlace: error = state.CopyInPlace(); break;
        case WriteKind::Direct: error = state.FinishDirect(); break;
        }
    }
    if (error != 0) {
        reason = "cannot write " + TargetPath + ": " + std::strerror(error);
        Discard();
        return false;
    }
    Discard();  // what is left to close and remove once the content is in place
    return true;
}

// The stream stays valid until the object goes (a writer may still hold it), but writes
// nothing more.
void COutputFile::Discard() noexcept
{
    if (!Impl)
        return;
    State& state = *Impl;
    state.Buffer.Detach();
    if (state.Fd >= 0)
        ::close(state.Fd);
    if (state.TargetFd >= 0)
        ::close(state.TargetFd);
    state.Fd = state.TargetFd = -1;
    if (!state.Temporary.empty()) {
        ::unlink(state.Temporary.c_str());
        state.Temporary.clear();
        HasPending = 0;
    }
}

bool WriteFileSafely(const std::string& path, const std::string& content, std::string& reason)
{
    COutputFile file(path);
    if (!file.Open(reason))
        return false;
    file.Stream().write(content.data(), static_cast<std::streamsize>(content.size()));
    return file.Commit(reason);
}

void RemoveOutputOnInterrupt()
{
    struct sigaction action {};
    action.sa_handler = RemovePendingAndEnd;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

}  // namespace Host
