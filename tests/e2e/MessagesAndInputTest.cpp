// m5import as a user meets it: messages in the reader's language with repeats summarised,
// refused values warned of, standard input as a field file, and the options of the output
// refused where they do not apply.
#include <algorithm>
#include <cstdlib>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#ifdef _WIN32
#include <windows.h>
#endif

#include "tests/support/M5Lines.h"
#include "tests/support/TestFiles.h"

using namespace Testing;

namespace {

// A set-up whose targets have no name in the name columns: one "no point name given" each.
std::string NamelessTargets(int count)
{
    std::vector<std::string> lines = {M5Line(1, TextInfo("KN STAT")), M5Line(2, PointInfo("1", "S"))};
    for (int i = 0; i < count; ++i)
        lines.push_back(M5Line(3 + i, PointInfo("", ""), Value("SD", "10.000", "m")));
    return CrLf(lines);
}

// The locale variables of this process for the programs it starts: those given, and the
// others empty (which counts as not set); the previous values come back afterwards.
class CLocaleVariables {
public:
    explicit CLocaleVariables(const std::vector<std::string>& settings)
    {
        for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
            const char* value = std::getenv(name);
            Previous.emplace_back(name, value ? value : "");
            SetEnvironment(name, "");
        }
        for (const std::string& setting : settings) {
            const std::size_t equals = setting.find('=');
            SetEnvironment(setting.substr(0, equals), setting.substr(equals + 1));
        }
    }
    ~CLocaleVariables()
    {
        for (const auto& [name, value] : Previous)
            SetEnvironment(name, value);
    }
    CLocaleVariables(const CLocaleVariables&) = delete;
    CLocaleVariables& operator=(const CLocaleVariables&) = delete;

private:
    std::vector<std::pair<std::string, std::string>> Previous;
};

RunResult RunWithLocale(const std::vector<std::string>& locale, const std::vector<std::string>& arguments)
{
    const CLocaleVariables variables(locale);
    std::vector<std::string> full = {"--no-progress"};
    full.insert(full.end(), arguments.begin(), arguments.end());
    return RunM5Import(full);
}

TEST(Messages, TheLanguageComesFromTheLocaleUnlessChosen)
{
    const CTempFolder folder;
    const std::string job = folder.Write("job.m5", NamelessTargets(1));
    const std::string english = job + ":3: No point name given.";
    const std::string russian = job + ":3: Не задано имя точки.";
#ifdef _WIN32
    // With no locale variable set, Windows users read the language of their desktop.
    const bool russianDesktop = PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_RUSSIAN;
    const std::string unset = russianDesktop ? russian : english;
#else
    const std::string unset = english;
#endif
    struct Case {
        std::vector<std::string> Locale;
        std::vector<std::string> Options;
        std::string Expected;
    };
    const Case cases[] = {
        {{}, {}, unset},
        {{"LC_MESSAGES=ru_RU.UTF-8", "LANG=en_GB.UTF-8"}, {}, russian},
        {{"LC_ALL=ru_RU.UTF-8"}, {"--lang", "en"}, english},
        {{}, {"--lang", "ru"}, russian},
    };
    for (const Case& test : cases) {
        std::vector<std::string> arguments = test.Options;
        arguments.insert(arguments.end(), {"--format", "csv", job});
        const RunResult run = RunWithLocale(test.Locale, arguments);
        EXPECT_EQ(run.Status, 1);
        const std::vector<std::string> err = TextLines(run.Err);
        ASSERT_EQ(err.size(), 2u) << run.Err;  // after the notice of the made-up station
        EXPECT_EQ(err[1], test.Expected);
    }
}

TEST(Messages, RepeatsBeyondTenAreCountedInOneLine)
{
    const CTempFolder folder;
    const std::string job = folder.Write("job.m5", NamelessTargets(145));
    const RunResult run = RunM5Import({"--no-progress", "--lang", "en", job});
    EXPECT_EQ(run.Status, 1);
    const std::vector<std::string> err = TextLines(run.Err);
    // The notice of the made-up station, then ten and one, then the hint about the name columns.
    ASSERT_EQ(err.size(), 13u) << run.Err;
    EXPECT_EQ(err[10], job + ":12: No point name given.");
    EXPECT_EQ(err[11], job + ": … and 135 more like this (lines 13-147): No point name given.");
    EXPECT_EQ(err[12].rfind(job + ": hint: ", 0), 0u) << err[12];
    // The table summarises the same way, in place of the messages it leaves out.
    const std::vector<std::string> table = TextLines(run.Out);
    EXPECT_EQ(std::count(table.begin(), table.end(), "message (line 12): No point name given."), 1);
    EXPECT_EQ(table.back(), "message: … and 135 more like this (lines 13-147): No point name given.");
}

TEST(Messages, RefusedValuesAreWarnedOfWithoutChangingStatusOrTrace)
{
    const CTempFolder folder;
    const std::string job = folder.Write("job.m5", CrLf({
        M5Line(1, TextInfo("KN STAT")),
        M5Line(2, PointInfo("1", "S"), Value("X", "100.000", "m"), Value("Y", "200.000", "m")),
        M5Line(3, TextInfo("POLAR")),
        M5Line(4, PointInfo("2"), Value("SD", "33,887", "m"), Value("Hz", "12.6130", "DMS"), Value("V1", "90.0000")),
        M5Line(5, TextInfo("INPUT"), Value("T ", "warm", "C")),
    }));
    const RunResult run = RunM5Import({"--no-progress", "--lang", "en", "--format", "csv", job});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(TextLines(run.Err), (std::vector<std::string>{
                                  job + ":1: warning: No station point is defined. A station named Default is created "
                                        "by default.",
                                  job + ":4: warning: distance \"33,887\" is not a number",
                                  job + ":4: warning: angle \"12.61.30\" has minutes or seconds of 60 or more",
                                  job + ":5: warning: temperature \"warm\" is not a number",
                              }));
    const RunResult trace = RunM5Import({"--no-progress", "--format", "trace", job});
    EXPECT_EQ(trace.Status, 0);
    EXPECT_EQ(trace.Out.find("33,887"), std::string::npos);
    EXPECT_EQ(trace.Out.find("SetSlopeDistance"), std::string::npos);  // the value stays absent
    const RunResult quiet = RunM5Import({"-q", "--format", "trace", job});
    EXPECT_EQ(quiet.Out, trace.Out);
    EXPECT_EQ(quiet.Err, "");
}

TEST(StandardInput, IsImportedFromAPrivateCopyThatIsRemovedAfterwards)
{
    const CTempFolder folder;
    const std::string bytes = ReadFile(std::string(M5_SOURCE_DIR) + "/examples/traverse.m5");
    const std::string job = folder.Write("job.m5", bytes);
    const RunResult fromFile = RunM5Import({"--no-progress", "--format", "csv", job});
    const RunResult fromInput = RunM5Import({"--no-progress", "--lang", "en", "--format", "csv", "-"}, bytes);
    EXPECT_EQ(fromInput.Status, fromFile.Status);
    std::string expected = fromFile.Out;
    for (std::size_t at; (at = expected.find(job)) != std::string::npos;)
        expected.replace(at, job.size(), "<stdin>");
    EXPECT_EQ(fromInput.Out, expected);
    EXPECT_EQ(fromInput.Err.rfind("<stdin>:1: warning: ", 0), 0u) << fromInput.Err;

    // The trace records the name the plug-in was given: the copy's, gone once the run is over.
    const RunResult trace = RunM5Import({"--format", "trace", "-"}, bytes);
    const nlohmann::json first = nlohmann::json::parse(TextLines(trace.Out).at(0));
    ASSERT_EQ(first["op"], "SetFileName");
    const std::string copy = first["text"];
    EXPECT_NE(copy.find("m5import-stdin."), std::string::npos) << copy;
    EXPECT_FALSE(FileExists(copy));
}

TEST(StandardInput, CanBeGivenOnlyOnce)
{
    const RunResult run = RunM5Import({"--format", "csv", "-", "-"}, "");
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Err, "m5import: standard input (-) can be imported only once\n");
    EXPECT_EQ(run.Out, "");
}

TEST(OutputOptions, AreRefusedWhereTheyDoNotApplyOrMakeNoSense)
{
    const CTempFolder folder;
    const std::string job = folder.Write("job.m5", NamelessTargets(1));
    const std::vector<std::vector<std::string>> refused = {
        {"--format", "points", "--angles", "deg"},
        {"--format", "landxml", "--angles", "gon"},
        {"--format", "csv", "--columns", "PNE"},
        {"--no-header"},
        {"--format", "points", "--columns", "PNX"},
        {"--format", "points", "--delimiter", "."},
        {"--format", "points", "--decimals", "13"},
        {"--format", "points", "--duplicates", "none"},
        {"--angles", "grad"},
        {"--lang", "de"},
    };
    for (std::vector<std::string> arguments : refused) {
        std::string shown;
        for (const std::string& argument : arguments)
            shown += argument + " ";
        arguments.push_back(job);
        const RunResult run = RunM5Import(arguments);
        EXPECT_EQ(run.Status, 2) << shown << run.Err;
        EXPECT_EQ(run.Out, "") << shown;
        EXPECT_FALSE(run.Err.empty()) << shown;
    }
}

TEST(OutputOptions, TheAngleUnitIsNamedWhereTheAnglesAre)
{
    const std::string traverse = std::string(M5_SOURCE_DIR) + "/examples/traverse.m5";
    const RunResult table = RunM5Import({"--no-progress", "--angles", "gon", traverse});
    EXPECT_NE(table.Out.find("Hz [gon]"), std::string::npos);
    const RunResult csv = RunM5Import({"--format", "csv", "--angles", "deg", traverse});
    EXPECT_NE(TextLines(csv.Out).at(0).find(",hz_deg,v_deg,"), std::string::npos);
    const RunResult json = RunM5Import({"--format", "json", "--angles", "dms", traverse});
    const nlohmann::json document = nlohmann::json::parse(json.Out);
    EXPECT_EQ(document["units"]["angle"], "dms");
    EXPECT_EQ(document["files"][0]["stations"][1]["targets"][0]["horizontalAngle"], "313°00'09.0\"");
}

}  // namespace
