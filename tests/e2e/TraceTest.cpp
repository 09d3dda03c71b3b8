#include <gtest/gtest.h>

#include "tests/support/M5Lines.h"
#include "tests/support/TestFiles.h"

using namespace Testing;

namespace {

TEST(TraceFormat, UnopenableAndEmptyFiles)
{
    const CTempFolder folder;
    const std::string missing = folder.Path() + "/missing.m5";
    const std::string empty = folder.Write("empty.m5", "");
    const RunResult run = RunM5Import({"--format", "trace", "--lang", "ru", missing, empty});
    EXPECT_EQ(run.Status, 1);
    const std::string expected =
        "{\"op\":\"SetFileName\",\"text\":\"" + missing + "\"}\n"
        "{\"op\":\"ReportMessage\",\"text\":\"Не удается открыть файл\"}\n"
        "{\"op\":\"SetFileName\",\"text\":\"" + empty + "\"}\n"
        "{\"op\":\"GetConverterFactory\"}\n"
        "{\"op\":\"SetCurrentLine\",\"value\":-1}\n"
        "{\"op\":\"ReportMessage\",\"text\":\"Неверный  режим работы импорта. Смените его в настройках импорта.\"}\n"
        "{\"op\":\"ReportWarning\",\"text\":\"Не определена точка стояния.\\nПо умолчанию создается станция с именем Default.\"}\n"
        "{\"op\":\"AddStation\",\"name\":\"Default\"}\n"
        "{\"op\":\"SetProgress\",\"value\":100}\n";
    EXPECT_EQ(run.Out, expected);
    EXPECT_EQ(run.Err, missing + ": Не удается открыть файл\n" + empty +
                           ": Неверный  режим работы импорта. Смените его в настройках импорта.\n" + empty +
                           ": warning: Не определена точка стояния. По умолчанию создается станция с именем Default.\n");
}

TEST(TraceFormat, AStationWithTargetsInFeetAndPackedAngles)
{
    const CTempFolder folder;
    const std::string path = folder.Write("job.m5", CrLf({
        M5Line(1, TextInfo("KN STAT")),
        M5Line(2, PointInfo("100", "S"), Value("Y", "1000.000", "ft"), Value("X", "2000.000", "ft")),
        M5Line(3, TextInfo("INPUT"), Value("th", "5.000", "ft"), Value("ih", "4.900", "ft")),
        M5Line(4, TextInfo("POLAR")),
        M5Line(5, PointInfo("101", "1"), Value("SD", "100.000", "ft"), Value("Hz", "90.3000", "DMS"),
               Value("V1", "89.5959", "DMS")),
    }));
    const RunResult run = RunM5Import({"--format", "trace", path});
    EXPECT_EQ(run.Status, 0) << run.Err;
    const std::string expected =
        "{\"op\":\"SetFileName\",\"text\":\"" + path + "\"}\n"
        "{\"op\":\"GetConverterFactory\"}\n"
        "{\"op\":\"SetCurrentLine\",\"value\":0}\n"
        "{\"op\":\"ReportWarning\",\"text\":\"Не определена точка стояния.\\nПо умолчанию создается станция с именем Default.\"}\n"
        "{\"op\":\"AddStation\",\"name\":\"Default\"}\n"
        "{\"op\":\"SetProgress\",\"value\":20}\n"
        "{\"op\":\"SetCurrentLine\",\"value\":1}\n"
        "{\"op\":\"SetProgress\",\"value\":40}\n"
        "{\"op\":\"SetCurrentLine\",\"value\":2}\n"
        "{\"op\":\"SetProgress\",\"value\":60}\n"
        "{\"op\":\"SetCurrentLine\",\"value\":3}\n"
        "{\"op\":\"SetProgress\",\"value\":80}\n"
        "{\"op\":\"SetCurrentLine\",\"value\":4}\n"
        "{\"op\":\"SetProgress\",\"value\":100}\n"
        "{\"op\":\"AddStation\",\"name\":\"100\"}\n"
        "{\"op\":\"SetPointKind\",\"value\":1}\n"
        "{\"op\":\"SetInstrumentHeight\",\"value\":1.4935200000000002}\n"
        "{\"op\":\"SetX\",\"value\":609.6}\n"
        "{\"op\":\"SetY\",\"value\":304.8}\n"
        "{\"op\":\"AddTarget\",\"name\":\"101\"}\n"
        "{\"op\":\"SetPointKind\",\"value\":0}\n"
        "{\"op\":\"SetPointCode\",\"text\":\"1\"}\n"
        "{\"op\":\"SetSlopeDistance\",\"value\":30.48}\n"
        "{\"op\":\"SetHorizontalAngle\",\"value\":1.579522973054868}\n"
        "{\"op\":\"SetVerticalAngle\",\"value\":1.5707914786580854}\n"
        "{\"op\":\"SetTargetHeight\",\"value\":1.524}\n"
        "{\"op\":\"SetProgress\",\"value\":100}\n";
    EXPECT_EQ(run.Out, expected);
}

TEST(TraceFormat, RefusedFileKeepsWhatWasSentAndGoesOnToTheNext)
{
    const CTempFolder folder;
    const std::string refused = folder.Write("refused.m5", CrLf({
        M5Line(1, TextInfo("KN STAT")),
        M5Line(2, PointInfo("1", "S"), Value("X", "1", "m")),
        M5Line(3, TextInfo("KN STAT")),
        M5Line(4, TextInfo("FREE STATIONING")),
    }));
    const std::string good = folder.Write("good.m5", CrLf({M5Line(1, TextInfo("KN STAT"))}));
    const RunResult run = RunM5Import({"--format", "trace", "--lang", "ru", refused, good});
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Out.find("{\"op\":\"AddStation\",\"name\":\"1\"}"), std::string::npos);
    EXPECT_NE(run.Out.find("{\"op\":\"ReportMessage\",\"text\":\"Импорт прекращен. В файле присутствуют необрабатываемые "
                           "команды. Используйте другой формат.\"}\n{\"op\":\"SetProgress\",\"value\":100}\n"
                           "{\"op\":\"SetFileName\",\"text\":\"" + good + "\"}"),
              std::string::npos);
    EXPECT_NE(run.Err.find(refused + ":4: Импорт прекращен."), std::string::npos);
}

TEST(CommandLine, SettingsOverridesApplyForTheRunOnly)
{
    const CTempFolder folder;
    const std::string store = folder.Path() + "/settings.ini";
    const std::string path = folder.Write("sep.m5", CrLf({M5Line(1, PointInfo("P1"), Value("X", "1", "m"))}));
    const RunResult separate = RunM5Import({"--settings", store, "--format", "trace", "--set", "Mode=1", path});
    EXPECT_EQ(separate.Status, 0) << separate.Err;
    EXPECT_NE(separate.Out.find("{\"op\":\"AddStation\",\"name\":\"P1\"}"), std::string::npos);
    EXPECT_FALSE(FileExists(store));
    const RunResult standard = RunM5Import({"--settings", store, "--format", "trace", path});
    EXPECT_EQ(standard.Out.find("{\"op\":\"AddStation\",\"name\":\"P1\"}"), std::string::npos);
}

TEST(CommandLine, UsageErrorsAndPluginFailuresExitWithTwoAndOneLine)
{
    const CTempFolder folder;
    const std::string path = folder.Write("a.m5", "");
    const std::vector<std::vector<std::string>> usage = {
        {"--format", "pdf", path}, {"--set", "Colour=1", path}, {"--set", "Mode=x", path}, {"--bogus", path},
        {"--plugin", folder.Path() + "/none.so", path}, {"--plugin", path, path},
    };
    for (const auto& arguments : usage) {
        const RunResult run = RunM5Import(arguments);
        EXPECT_EQ(run.Status, 2) << arguments[0] << " " << arguments[1];
        EXPECT_TRUE(run.Out.empty());
    }
    const RunResult noPlugin = RunM5Import({"--plugin", folder.Path() + "/none.so", path});
    EXPECT_EQ(std::count(noPlugin.Err.begin(), noPlugin.Err.end(), '\n'), 1) << noPlugin.Err;
    EXPECT_EQ(noPlugin.Err.rfind("m5import: cannot load plug-in", 0), 0u) << noPlugin.Err;
}

TEST(CommandLine, OutputFileAppearsWholeOrNotAtAll)
{
    const CTempFolder folder;
    const std::string path = folder.Write("a.m5", CrLf({M5Line(1, TextInfo("KN STAT"))}));
    const std::string out = folder.Path() + "/out.jsonl";
    const RunResult run = RunM5Import({"--format", "trace", "-o", out, path});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_TRUE(run.Out.empty());
    EXPECT_EQ(ReadFile(out).rfind("{\"op\":\"SetFileName\"", 0), 0u);
    const RunResult bad = RunM5Import({"--format", "trace", "-o", folder.Path() + "/no/such/dir/out", path});
    EXPECT_EQ(bad.Status, 1);
    EXPECT_NE(bad.Err.find("cannot write"), std::string::npos);
}

TEST(CommandLine, VersionShowsNameIdentifierAndVersionRecord)
{
    const RunResult run = RunM5Import({"--version"});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_NE(run.Out.find("М5 - Trimble 3300, М3"), std::string::npos);
    EXPECT_NE(run.Out.find("{E2109592-5EF7-43BD-81D6-08EA781E0AB2}"), std::string::npos);
    EXPECT_NE(run.Out.find("Модуль импорта данных"), std::string::npos);
    EXPECT_NE(run.Out.find("2.00.0041"), std::string::npos);
}

}  // namespace
