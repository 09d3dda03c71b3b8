#include "host/OutputArguments.h"

#include <algorithm>
#include <vector>

namespace Host {

namespace {

// The options that only some formats take, and those formats.
struct FormatBoundOption {
    const char* Name;
    std::vector<std::string> Formats;
};

const std::vector<FormatBoundOption>& FormatBoundOptions()
{
    static const std::vector<FormatBoundOption> options = {
        {"--angles", {"table", "csv", "json"}},
    };
    return options;
}

std::string Joined(const std::vector<std::string>& words)
{
    std::string text;
    for (const std::string& word : words)
        text += (text.empty() ? "" : ", ") + word;
    return text;
}

}  // namespace

void AddOutputArguments(CLI::App& app, OutputArguments& arguments)
{
    app.add_option("--angles", arguments.Angles,
                   "angles of the table, csv and json in rad, deg, gon or dms (default: dms in the table, rad elsewhere)")
        ->check(CLI::IsMember(AngleUnitNames()))
        ->type_name("UNIT");
    app.add_option("--lang", arguments.Language,
                   "language of the messages: en or ru (default: from LC_ALL, LC_MESSAGES or LANG)")
        ->check(CLI::IsMember(LanguageNames()))
        ->type_name("LANG");
}

bool ReadOutputArguments(const CLI::App& app, const OutputArguments& arguments, OutputOptions& options,
                         std::string& reason)
{
    for (const FormatBoundOption& bound : FormatBoundOptions()) {
        const bool applies =
            std::find(bound.Formats.begin(), bound.Formats.end(), options.Format) != bound.Formats.end();
        if (app.count(bound.Name) > 0 && !applies) {
            reason = std::string(bound.Name) + " applies to --format " + Joined(bound.Formats) + ", not to " +
                     options.Format;
            return false;
        }
    }
    if (!arguments.Angles.empty())
        options.Angles = ParseAngleUnit(arguments.Angles);
    options.Shown = arguments.Language.empty() ? LanguageFromEnvironment()
                                               : ParseLanguage(arguments.Language).value_or(Language::English);
    return true;
}

}  // namespace Host
