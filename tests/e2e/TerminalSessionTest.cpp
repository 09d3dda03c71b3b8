// `m5import settings --edit` at a terminal: the user types keys and values, refused values
// must be typed again, and leaving saves nothing.
#include <cerrno>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/support/TestFiles.h"

using namespace Testing;

namespace {

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// Runs m5import on a pseudo-terminal with the typed input; returns the exit status.
int RunOnTerminal(const std::vector<std::string>& arguments, const std::string& typed, std::string& shown)
{
    int master = -1;
    const pid_t child = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (child == 0) {
        std::vector<char*> argv = {const_cast<char*>(M5IMPORT_PATH)};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(M5IMPORT_PATH, argv.data());
        ::_exit(127);
    }
    if (child < 0)
        return -1;
    // The terminal keeps the typed lines until the program reads them.
    if (::write(master, typed.data(), typed.size()) != static_cast<ssize_t>(typed.size()))
        return -1;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(master, buffer, sizeof buffer);
        if (got > 0)
            shown.append(buffer, static_cast<std::size_t>(got));
        else if (got < 0 && errno == EINTR)
            continue;
        else
            break;  // EIO once the program has ended
    }
    ::close(master);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(SettingsCommand, AtATerminalARefusedValueMustBeTypedAgainBeforeSaving)
{
    const CTempFolder folder;
    const std::string store = folder.Path() + "/settings.ini";
    std::string shown;
    // With the name from the address block its columns cannot be edited at all. A refused code
    // length leaves the layout valid (a length below 0 runs to the end of the text), so only
    // the refused edit itself holds the confirmation back until a good value is typed.
    const int status = RunOnTerminal({"settings", "--plugin", M5PLUGIN_PATH, "--settings", store, "--edit"},
                                     "TakePointNameFromAddr\n1\nPointStart\n4\nCodeLen\nx\n\nCodeLen\n4\n\n\x04",
                                     shown);
    EXPECT_EQ(status, 0) << shown;
    EXPECT_TRUE(Contains(shown, "PointStart=4: refused: the name's columns cannot be set")) << shown;
    EXPECT_TRUE(Contains(shown, "Неверное числовое значение")) << shown;
    EXPECT_TRUE(Contains(shown, "a value was refused")) << shown;
    EXPECT_EQ(ReadFile(store), "TakePointNameFromAddr=1\nPointStart=1\nPointLen=14\nCodeStart=15\nCodeLen=4\nMode=0\n");
}

TEST(SettingsCommand, LeavingTheTerminalSessionSavesNothing)
{
    const CTempFolder folder;
    const std::string store = folder.Path() + "/settings.ini";
    std::string shown;
    EXPECT_EQ(RunOnTerminal({"settings", "--plugin", M5PLUGIN_PATH, "--settings", store, "--edit"},
                            "CodeLen\n10\nq\n", shown),
              0)
        << shown;
    EXPECT_TRUE(Contains(shown, "CCCCCCCCCC***")) << shown;
    EXPECT_FALSE(FileExists(store));
}

}  // namespace
