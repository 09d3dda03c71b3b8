#include "host/OutputFile.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

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

}  // namespace

void RemoveOutputOnInterrupt()
{
    struct sigaction action {};
    action.sa_handler = RemovePendingAndEnd;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

COutputFile::COutputFile(std::string path) : Path(std::move(path)) {}

COutputFile::~COutputFile()
{
    if (!Committed && !Temporary.empty()) {
        Out.close();
        std::remove(Temporary.c_str());
        HasPending = 0;
    }
}

bool COutputFile::Open(std::string& reason)
{
    Temporary = Path + ".tmp." + std::to_string(::getpid());
    // Registered before it exists: a signal that comes between the creation and the
    // registration would otherwise leave the file behind.
    SetPending(Temporary);
    Out.open(Temporary, std::ios::binary | std::ios::trunc);
    if (!Out) {
        const int error = errno;
        HasPending = 0;
        reason = "cannot write " + Path + ": " + std::strerror(error);
        Temporary.clear();
        return false;
    }
    return true;
}

bool COutputFile::Commit(std::string& reason)
{
    Out.flush();
    const bool written = static_cast<bool>(Out);
    const int error = errno;
    Out.close();
    if (!written || Out.fail()) {
        reason = "cannot write " + Path + ": " + std::strerror(error ? error : EIO);
        return false;
    }
    if (std::rename(Temporary.c_str(), Path.c_str()) != 0) {
        reason = "cannot write " + Path + ": " + std::strerror(errno);
        return false;
    }
    HasPending = 0;
    Committed = true;
    return true;
}

}  // namespace Host
