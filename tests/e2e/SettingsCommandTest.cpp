// `m5import settings` end to end: edits through the plug-in's property list that are saved
// and then steer an import, and edits that are refused and leave the store as it was.
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

}  // namespace
