#pragma once
// An output path written safely for what it is. A new path or a regular file is replaced
// through a temporary file created exclusively, under an unpredictable name, in the same
// folder: written, flushed to disk and renamed over the target only when everything was
// written, keeping the old file's mode, owner and group. A regular file with several hard
// links is written in place instead (from the finished temporary file), so that every link
// sees the new content. A symbolic link is followed: the rules apply to the file it points
// to and the link stays a link. A device, FIFO or socket is opened and written directly,
// never replaced or removed. Every write error is seen: Commit fails with the reason.
#include <memory>
#include <ostream>
#include <string>

namespace Host {

class COutputFile {
public:
    explicit COutputFile(std::string path);
    ~COutputFile();  // without a Commit, the target stays as it was and nothing is left behind
    COutputFile(const COutputFile&) = delete;
    COutputFile& operator=(const COutputFile&) = delete;

    // Finds out what the path is and opens what will be written; false (with a reason that
    // names the path) when that is impossible.
    bool Open(std::string& reason);
    // What is written goes here; a failed write sets the stream's bad bit and is reported by
    // Commit.
    std::ostream& Stream();
    // Writes out what is buffered, makes it durable and puts it in place; false (with a
    // reason naming the path) on any failure, in which case a replaced file keeps its old
    // content and no temporary file is left.
    bool Commit(std::string& reason);
    // Gives up: a replaced file keeps its old content and the temporary file goes.
    void Discard() noexcept;

    const std::string& Path() const noexcept { return TargetPath; }

    struct State;  // the platform's own, in its source

private:
    std::string TargetPath;
    std::unique_ptr<State> Impl;
};

// Writes content to path by the rules above, in one go (the settings store saves this way).
bool WriteFileSafely(const std::string& path, const std::string& content, std::string& reason);

// Makes an interrupt, a termination request or a hang-up (on Windows: Ctrl-C, Ctrl-Break or
// the console closing) remove the temporary file of the output being written before the
// program ends, so that no half-written file is left beside the target.
void RemoveOutputOnInterrupt();

}  // namespace Host
