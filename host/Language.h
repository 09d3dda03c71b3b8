#pragma once
// The language in which m5import shows the plug-in's messages and its own. The plug-in
// itself speaks Russian only; the host shows its messages in English unless the reader's
// locale (or --lang) asks for Russian.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Host {

enum class Language { English, Russian };

// "en" or "ru"; empty for any other name.
std::optional<Language> ParseLanguage(std::string_view name);
std::vector<std::string> LanguageNames();

// The language of the messages locale: the first of LC_ALL, LC_MESSAGES and LANG that is set
// and not empty decides: Russian for a locale that starts with "ru" (ru_RU.UTF-8, ru),
// English for any other ("C", "POSIX", en_GB.UTF-8); unset when none is set. Null arguments
// count as not set.
Language LanguageOfLocale(const char* lcAll, const char* lcMessages, const char* lang,
                          Language unset = Language::English);

// The language of a Windows user-interface language identifier (a LANGID): Russian for any
// Russian one, English for every other.
Language LanguageOfUserInterface(unsigned short languageId);

// The reader's language, one source per system: the locale's variables of the environment;
// when none is set, English on Linux and the user's interface language on Windows.
Language LanguageFromEnvironment();

}  // namespace Host
