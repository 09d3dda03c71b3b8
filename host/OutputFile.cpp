#include "host/OutputFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace Host {

COutputFile::COutputFile(std::string path) : Path(std::move(path)) {}

COutputFile::~COutputFile()
{
    if (!Committed && !Temporary.empty()) {
        Out.close();
        std::remove(Temporary.c_str());
    }
}

bool COutputFile::Open(std::string& reason)
{
    Temporary = Path + ".tmp." + std::to_string(::getpid());
    Out.open(Temporary, std::ios::binary | std::ios::trunc);
    if (!Out) {
        reason = "cannot write " + Path + ": " + std::strerror(errno);
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
    Committed = true;
    return true;
}

}  // namespace Host
