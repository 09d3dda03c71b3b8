// The plug-in's messages in the reader's language, and how repeated messages and refused
// values reach standard error.
#include <cstdio>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "host/Diagnostics.h"
#include "host/MessageCatalog.h"
#include "platform/Utf16.h"
#include "resources/MessageTexts.h"
#include "resources/StringTable.h"
#include "tests/support/TestFiles.h"

using namespace Host;

namespace {

// The text of a string-table entry as the plug-in reports it, in UTF-8.
std::string PluginText(int id)
{
    return Platform::WideToUtf8(Plugin::LoadMessageText(id));
}

bool HasCyrillic(const std::string& text)
{
    // Cyrillic letters are U+0400 to U+04FF: lead bytes 0xD0 to 0xD3 in UTF-8.
    for (unsigned char c : text)
        if (c >= 0xD0 && c <= 0xD3)
            return true;
    return false;
}

TEST(MessageCatalog, EveryStringTableTextIsRecognisedAndHasAnEnglishText)
{
    for (const Plugin::MessageText& entry : Plugin::StringTableTexts) {
        const int id = entry.Id;
        const std::string russian = PluginText(id);
        ASSERT_FALSE(russian.empty()) << id;
        const auto known = RecogniseMessage(russian);
        ASSERT_TRUE(known) << id;
        EXPECT_EQ(known->Id, id);
        const std::string english = EnglishMessage(russian);
        EXPECT_FALSE(english.empty()) << id;
        EXPECT_FALSE(HasCyrillic(english)) << id << ": " << english;
        EXPECT_EQ(ShowMessage(russian, Language::Russian), russian);
        EXPECT_EQ(ShowMessage(russian, Language::English), english);
    }
}

TEST(MessageCatalog, NamesInTheTextsAreKeptInTheirPlace)
{
    struct Case {
        std::string Text;
        int Id;
        std::string Name;
        std::string English;
    };
    const Case cases[] = {
        {"Имя цели  51  совпадает с именем станции.", 119, "51", "Target 51 has the same name as the station."},
        // A name with blanks and Cyrillic letters, taken whole.
        {"Имя цели  Репер 7  совпадает с именем станции.", 119, "Репер 7",
         "Target Репер 7 has the same name as the station."},
        {"Не определена точка стояния.\nПо умолчанию создается станция с именем Default_2.", DefaultStationNoticeId,
         "Default_2", "No station point is defined.\nA station named Default_2 is created by default."},
    };
    for (const Case& test : cases) {
        const auto known = RecogniseMessage(test.Text);
        ASSERT_TRUE(known) << test.Text;
        EXPECT_EQ(known->Id, test.Id);
        EXPECT_EQ(known->Argument, test.Name);
        EXPECT_EQ(EnglishMessage(test.Text), test.English);
    }
}

TEST(MessageCatalog, TextsThePluginNeverSendsAreShownAsTheyCame)
{
    const std::string texts[] = {
        "",
        "Не задано имя точки",                           // without its full stop
        "Не задано имя точки. ",                         // with a blank more
        "Имя цели 51 совпадает с именем станции.",       // one blank each side, not two
        "Имя цели  51  совпадает с именем станции",      // the end differs
        "an English text",
    };
    for (const std::string& text : texts) {
        EXPECT_FALSE(RecogniseMessage(text)) << text;
        EXPECT_EQ(EnglishMessage(text), "");
        EXPECT_EQ(ShowMessage(text, Language::English), text);
    }
}

TEST(Language, TheFirstLocaleVariableSetDecides)
{
    struct Case {
        const char* LcAll;
        const char* LcMessages;
        const char* Lang;
        Language Expected;
    };
    const Case cases[] = {
        {nullptr, nullptr, nullptr, Language::English},
        {nullptr, nullptr, "ru_RU.UTF-8", Language::Russian},
        {nullptr, nullptr, "ru", Language::Russian},
        {nullptr, "ru_RU.UTF-8", "en_US.UTF-8", Language::Russian},
        {"C.UTF-8", "ru_RU.UTF-8", "ru_RU.UTF-8", Language::English},  // LC_ALL wins
        {"", "", "ru_UA.UTF-8", Language::Russian},                    // empty counts as not set
        {"POSIX", nullptr, nullptr, Language::English},
        {"de_DE.UTF-8", nullptr, nullptr, Language::English},
    };
    for (const Case& test : cases)
        EXPECT_EQ(LanguageOfLocale(test.LcAll, test.LcMessages, test.Lang), test.Expected)
            << (test.LcAll ? test.LcAll : "-") << " " << (test.LcMessages ? test.LcMessages : "-") << " "
            << (test.Lang ? test.Lang : "-");
}

// Feeds calls to the diagnostics and returns what they printed (into a file of a scratch
// folder, as bytes).
class DiagnosticsTranscript {
public:
    explicit DiagnosticsTranscript(Language language, bool quiet = false)
        : Path(Folder.Path() + "/diagnostics.txt"), Stream(std::fopen(Path.c_str(), "wb")),
          Diagnostics(Stream, quiet, false, language)
    {
        if (!Stream)
            throw std::runtime_error("cannot write " + Path);
    }
    ~DiagnosticsTranscript() { std::fclose(Stream); }
    void Call(Op op, const std::string& text = std::string(), int integer = 0)
    {
        HostCall call;
        call.Operation = op;
        call.Text = text;
        call.Integer = integer;
        Diagnostics.OnCall(call);
    }
    std::string Printed()
    {
        std::fflush(Stream);
        return Testing::ReadFile(Path);
    }

    Testing::CTempFolder Folder;
    std::string Path;
    std::FILE* Stream;
    CDiagnostics Diagnostics;
};

TEST(Diagnostics, RepeatsOfAFileAreSummarisedWhenTheFileEnds)
{
    DiagnosticsTranscript run(Language::English);
    run.Call(Op::SetFileName, "a.m5");
    for (int line = 0; line < 13; ++line) {
        run.Call(Op::SetCurrentLine, "", line);
        run.Call(Op::ReportMessage, PluginText(Plugin::IdNoPointName));
    }
    run.Diagnostics.OnRefusedValue(ValueQuantity::Distance, "33,887", Refusal::NotANumber);
    run.Call(Op::ReportWarning, PluginText(Plugin::IdNoPointName));  // the same text, another kind
    run.Call(Op::SetFileName, "b.m5");
    run.Call(Op::SetCurrentLine, "", -1);
    run.Call(Op::ReportMessage, PluginText(Plugin::IdNoPointName));
    run.Diagnostics.Finish();
    std::string expected;
    for (int line = 1; line <= 10; ++line)
        expected += "a.m5:" + std::to_string(line) + ": No point name given.\n";
    expected += "a.m5:13: warning: distance \"33,887\" is not a number\n"
                "a.m5:13: warning: No point name given.\n"
                "a.m5: … and 3 more like this (lines 11-13): No point name given.\n"
                "b.m5: No point name given.\n";
    EXPECT_EQ(run.Printed(), expected);
    EXPECT_EQ(run.Diagnostics.MessageCount(), 14);
    EXPECT_EQ(run.Diagnostics.RefusedValueCount(), 1);
}

TEST(Diagnostics, RefusedValuesOfOneKindAreSummarisedWhateverTheirText)
{
    DiagnosticsTranscript run(Language::Russian);
    run.Call(Op::SetFileName, "a.m5");
    for (int line = 0; line < 12; ++line) {
        run.Call(Op::SetCurrentLine, "", line);
        run.Diagnostics.OnRefusedValue(ValueQuantity::Distance, std::to_string(line) + ",5", Refusal::NotANumber);
    }
    run.Diagnostics.Finish();
    const std::string printed = run.Printed();
    EXPECT_NE(printed.find("a.m5:10: warning: расстояние \"9,5\" не является числом\n"), std::string::npos) << printed;
    EXPECT_EQ(printed.find("\"10,5\""), std::string::npos) << printed;
    EXPECT_NE(printed.find("a.m5: warning: … и ещё 2 таких же (строки 11-12): расстояние \"…\" не является числом\n"),
              std::string::npos)
        << printed;
}

}  // namespace
