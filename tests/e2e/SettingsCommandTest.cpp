// `m5import settings` end to end: edits through the plug-in's property list that are saved
// and then steer an import, and edits that are refused and leave the store as it was.
#include <cerrno>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/support/M5Lines.h"
#include "tests/support/TestFiles.h"

using namespace Testing;

namespace {

std::string Padded(const std::string& text, std::size_t width)
{
    return text + std::string(width - text.size(), ' ');
}

// A point record with the code in columns 1-4 and the name in columns 5-14.
std::string CodeFirstInfo(const std::string& code, const std::string& name)
{
    return "PI1 " + Padded(code, 4) + Padded(name, 10) + std::string(13, ' ');
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST(SettingsCommand, SavedColumnsSteerTheNextImport)
{
    const CTempFolder folder;
    const std::string store = folder.Path() + "/settings.ini";
    const RunResult saved = RunM5Import({"settings", "--settings", store, "--set", "CodeStart=1", "--set",
                                         "CodeLen=4", "--set", "PointStart=5", "--set", "PointLen=10"});
    ASSERT_EQ(saved.Status, 0) << saved.Err;
    EXPECT_EQ(saved.Err, "");
    EXPECT_TRUE(Contains(saved.Out, "For M5| Adr 00001| PI1   CCCCPPPPPPPPPP*************\n")) << saved.Out;
    EXPECT_EQ(ReadFile(store),
              "TakePointNameFromAddr=0\nPointStart=5\nPointLen=10\nCodeStart=1\nCodeLen=4\nMode=0\n");

    const std::string job = folder.Write("job.m5", CrLf({
        M5Line(1, TextInfo("KN STAT")),
        M5Line(2, CodeFirstInfo("S", "ST1"), Value("Y", "100.000", "m"), Value("X", "200.000", "m")),
        M5Line(3, CodeFirstInfo("7", "T2"), Value("SD", "12.345", "m"), Value("Hz", "10.0000", "DMS"),
               Value("V1", "90.0000", "DMS")),
    }));
    const RunResult imported = RunM5Import({"--settings", store, "--format", "trace", job});
    EXPECT_EQ(imported.Status, 0) << imported.Err;
    EXPECT_TRUE(Contains(imported.Out, "{\"op\":\"AddStation\",\"name\":\"ST1\"}")) << imported.Out;
    EXPECT_TRUE(Contains(imported.Out, "{\"op\":\"AddTarget\",\"name\":\"T2\"}")) << imported.Out;
    EXPECT_TRUE(Contains(imported.Out, "{\"op\":\"SetPointCode\",\"text\":\"7\"}")) << imported.Out;

    // With the default columns the same lines name other points.
    const RunResult defaults = RunM5Import({"--format", "trace", job});
    EXPECT_FALSE(Contains(defaults.Out, "\"name\":\"T2\"")) << defaults.Out;
}

TEST(SettingsCommand, RefusedEditsLeaveTheStoreByteForByte)
{
    struct Case {
        std::vector<std::string> Sets;
        std::string Said;  // on standard error
    };
    const Case cases[] = {
        {{"PointStart=1a"}, "Ошибка: Неверное числовое значение\n"},
        {{"CodeLen=3 "}, "Ошибка: Неверное числовое значение\n"},
        {{"PointLen=2147483648"}, "Ошибка: Неверное числовое значение\n"},
        {{"PointLen=13"}, "Ошибка: Неверные настройки формата\n"},  // name 3..15 runs into the code
        {{"CodeStart=-5"}, "Ошибка: Неверные настройки формата\n"},
        {{"Mode=2"}, "Mode=2: not one of the choices"},
        {{"TakePointNameFromAddr=yes"}, "TakePointNameFromAddr=yes: not one of the choices"},
        {{"CodeLen=5", "PointStart=x", "PointStart=2"}, "Ошибка: Неверное числовое значение\n"},
    };
    const std::string before = "# surveyor's settings\nPointStart=3\nPointLen=11\r\nColumns=wide\nMode=1";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Sets.front());
        const CTempFolder folder;
        const std::string store = folder.Write("settings.ini", before);
        std::vector<std::string> arguments = {"settings", "--settings", store};
        for (const std::string& set : c.Sets) {
            arguments.push_back("--set");
            arguments.push_back(set);
        }
        const RunResult run = RunM5Import(arguments);
        EXPECT_EQ(run.Status, 1);
        EXPECT_TRUE(Contains(run.Err, c.Said)) << run.Err;
        EXPECT_TRUE(Contains(run.Err, "not saved")) << run.Err;
        EXPECT_EQ(ReadFile(store), before);
    }
}

TEST(SettingsCommand, ShowsTheStoredSettingsWithoutWritingTheStore)
{
    const CTempFolder folder;
    const std::string stored = "TakePointNameFromAddr=1\nCodeStart=3\nCodeLen=6\nMode=1\n";
    const std::string store = folder.Write("settings.ini", stored);
    const RunResult run = RunM5Import({"settings", "--settings", store});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    EXPECT_EQ(ReadFile(store), stored);
    for (const char* part : {"Установки формата\n", "Чтение имени\n", "Чтение кода\n", "Брать имя из поля Addr: Да",
                             "Режим работы: Отдельные измерения", "Длина (disabled)",
                             "For M5| Adr PPPPP| PI1   **CCCCCC*******************\n"})
        EXPECT_TRUE(Contains(run.Out, part)) << part << "\n" << run.Out;

    const std::string missing = folder.Path() + "/none/settings.ini";
    EXPECT_EQ(RunM5Import({"settings", "--settings", missing}).Status, 0);
    EXPECT_FALSE(FileExists(missing));
}

TEST(SettingsCommand, UsageErrorsChangeNothing)
{
    const CTempFolder folder;
    const std::string stored = "PointStart=2\n";
    const std::string store = folder.Write("settings.ini", stored);
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"settings", "--settings", store, "--set", "PointStart=3", "--set", "Width=5"},
             {"settings", "--settings", store, "--set", "PointStart"},
             {"settings", "--settings", store, "--edit"},  // standard input is no terminal
             // The list disables the name's columns while the name comes from the address.
             {"settings", "--settings", store, "--set", "TakePointNameFromAddr=1", "--set", "PointLen=5"},
         }) {
        const RunResult run = RunM5Import(arguments);
        EXPECT_EQ(run.Status, 2) << arguments.back();
        EXPECT_EQ(ReadFile(store), stored);
    }
}

// An import is refused, before any file is read, on the values the settings editor would
// refuse: the reason names the key, the value, where it came from and the rule.
TEST(SettingsCommand, ImportRefusesWhatTheEditorRefuses)
{
    struct Case {
        std::string Stored;
        std::vector<std::string> Options;
        std::string Said;
    };
    const Case cases[] = {
        {"", {"--set", "PointStart=0"}, "m5import: refused: PointStart=0 (--set): a start is a column from 1 on\n"},
        {"", {"--set", "Mode=2"},
         "m5import: refused: --set Mode=2: Mode is 0 (standard station headers) or 1 (separate measurements)\n"},
        {"# hand-made\nCodeStart=10\n", {},
         "m5import: refused: PointStart=1 (default), PointLen=14 (default), CodeStart=10 (STORE:2): the name "
         "(columns 1-14) runs into the code, which starts at column 10\n"},
        {"PointLen=twelve\n", {}, "m5import: refused: STORE:1: PointLen=twelve: not a whole number"},
        {"TakePointNameFromAddr=1\n", {"--set", "PointStart=4"},
         "m5import: refused: --set PointStart=4: the name's columns cannot be set while TakePointNameFromAddr=1"},
        {"", {"--layout", "auto", "--set", "CodeStart=3"},
         "m5import: --set CodeStart=3: --layout auto finds the name and code columns of each file itself"},
    };
    const CTempFolder folder;
    const std::string job = folder.Write("job.m5", CrLf({M5Line(1, TextInfo("KN STAT")),
                                                         M5Line(2, PointInfo("1", "S"), Value("X", "1", "m"))}));
    for (const Case& c : cases) {
        const std::string store = folder.Write("settings.ini", c.Stored);
        std::vector<std::string> arguments = {"--settings", store, "--format", "trace"};
        arguments.insert(arguments.end(), c.Options.begin(), c.Options.end());
        arguments.push_back(job);
        const RunResult run = RunM5Import(arguments);
        std::string said = c.Said;
        if (said.find("STORE") != std::string::npos)
            said.replace(said.find("STORE"), 5, store);
        EXPECT_EQ(run.Status, 2) << said;
        EXPECT_EQ(run.Out, "");
        EXPECT_EQ(run.Err.substr(0, said.size()), said);
    }
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
