#include "host/OutputArguments.h"

namespace Host {

void AddOutputArguments(CLI::App& app, OutputArguments& arguments)
{
    app.add_option("--lang", arguments.Language,
                   "language of the messages: en or ru (default: from LC_ALL, LC_MESSAGES or LANG)")
        ->check(CLI::IsMember(LanguageNames()))
        ->type_name("LANG");
}

bool ReadOutputArguments(const CLI::App&, const OutputArguments& arguments, OutputOptions& options, std::string&)
{
    options.Shown = arguments.Language.empty() ? LanguageFromEnvironment()
                                               : ParseLanguage(arguments.Language).value_or(Language::English);
    return true;
}

}  // namespace Host
