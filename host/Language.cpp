#include "host/Language.h"

#include <cstdlib>

namespace Host {

std::optional<Language> ParseLanguage(std::string_view name)
{
    if (name == "en")
        return Language::English;
    if (name == "ru")
        return Language::Russian;
    return std::nullopt;
}

std::vector<std::string> LanguageNames()
{
    return {"en", "ru"};
}

Language LanguageOfLocale(const char* lcAll, const char* lcMessages, const char* lang)
{
    for (const char* locale : {lcAll, lcMessages, lang}) {
        if (!locale || !*locale)
            continue;
        return std::string_view(locale).substr(0, 2) == "ru" ? Language::Russian : Language::English;
    }
    return Language::English;
}

Language LanguageFromEnvironment()
{
    return LanguageOfLocale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

}  // namespace Host
