#pragma once
// A broken invariant ends the run at once with a one-line reason, so that libFuzzer keeps the
// input as a crash and the replay program exits with a failure.
#include <cstdio>
#include <cstdlib>
#include <string>

namespace Fuzz {

[[noreturn]] inline void Fail(const std::string& what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

inline void Require(bool condition, const char* what)
{
    if (!condition)
        Fail(what);
}

}  // namespace Fuzz
