#include "host/StandardInput.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <unistd.h>

namespace Host {

namespace {

// The copy being held, as the signal handler reads it: a fixed buffer and a flag, nothing
// that allocates. Standard input is copied once per run.
char PendingSpool[4096];
volatile std::sig_atomic_t HasPendingSpool = 0;

constexpr int EndingSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction PreviousActions[std::size(EndingSignals)];

// Removes the copy, then does what was to be done for the signal before: the handler of the
// output file, which removes its own temporary file and ends the program, or the default
// action, which ends it.
extern "C" void RemoveSpoolAndGoOn(int signal)
{
    RemoveStandardInputCopy();
    for (std::size_t i = 0; i < std::size(EndingSignals); ++i) {
        if (EndingSignals[i] != signal)
            continue;
        const struct sigaction& previous = PreviousActions[i];
        const bool plainHandler = !(previous.sa_flags & SA_SIGINFO) && previous.sa_handler != SIG_DFL &&
                                  previous.sa_handler != SIG_IGN;
        if (plainHandler) {
            previous.sa_handler(signal);
            return;
        }
    }
    // The action is back to the default (SA_RESETHAND): raised again, the signal ends the
    // program once the handler returns.
    ::raise(signal);
}

void RemoveSpoolOnSignal()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    for (std::size_t i = 0; i < std::size(EndingSignals); ++i) {
        struct sigaction action {};
        action.sa_handler = RemoveSpoolAndGoOn;
        action.sa_flags = SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        ::sigaction(EndingSignals[i], nullptr, &PreviousActions[i]);
        // A signal the caller chose to ignore (nohup) stays ignored.
        if (PreviousActions[i].sa_handler != SIG_IGN || (PreviousActions[i].sa_flags & SA_SIGINFO))
            ::sigaction(EndingSignals[i], &action, nullptr);
    }
}

void SetPendingSpool(const std::string& path)
{
    HasPendingSpool = 0;
    if (path.size() >= sizeof PendingSpool)
        return;
    std::memcpy(PendingSpool, path.c_str(), path.size() + 1);
    HasPendingSpool = 1;
}

bool WriteAll(int fd, const char* bytes, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// Copies from into to until the end of from; 0, or the errno of the failure.
int Copy(int from, int to)
{
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(from, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return errno;
        if (got == 0)
            return 0;
        if (!WriteAll(to, buffer, static_cast<std::size_t>(got)))
            return errno ? errno : EIO;
    }
}

}  // namespace

void RemoveStandardInputCopy() noexcept
{
    if (HasPendingSpool)
        ::unlink(PendingSpool);
}

CStandardInput::~CStandardInput()
{
    if (!SpoolPath.empty()) {
        HasPendingSpool = 0;
        ::unlink(SpoolPath.c_str());
    }
}

bool CStandardInput::Spool(int fd, std::string& reason)
{
    const char* folder = std::getenv("TMPDIR");
    std::string path = std::string(folder && *folder ? folder : "/tmp") + "/m5import-stdin.XXXXXX";
    RemoveSpoolOnSignal();
    // The ending signals wait while the file is created and registered for removal, so that
    // none comes between the two and leaves the file behind.
    sigset_t ending, previous;
    sigemptyset(&ending);
    for (int signal : EndingSignals)
        sigaddset(&ending, signal);
    ::sigprocmask(SIG_BLOCK, &ending, &previous);
    const int spool = ::mkstemp(path.data());  // O_EXCL, mode 0600, a name not to be guessed
    const int error = errno;
    if (spool >= 0) {
        SetPendingSpool(path);
        SpoolPath = path;
    }
    ::sigprocmask(SIG_SETMASK, &previous, nullptr);
    if (spool < 0) {
        reason = "cannot copy standard input to a temporary file in " + path.substr(0, path.rfind('/')) + ": " +
                 std::strerror(error);
        return false;
    }
    const int failure = Copy(fd, spool);
    const bool closed = ::close(spool) == 0;
    if (failure != 0 || !closed) {
        reason = std::string("cannot copy standard input to ") + path + ": " +
                 std::strerror(failure != 0 ? failure : errno);
        return false;
    }
    return true;
}

}  // namespace Host
