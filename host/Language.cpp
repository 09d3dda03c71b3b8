#include "host/Language.h"

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

Language LanguageOfLocale(const char* lcAll, const char* lcMessages, const char* lang, Language unset)
{
    for (const char* locale : {lcAll, lcMessages, lang}) {
        if (!locale || !*locale)
            continue;
        return std::string_view(locale).substr(0, 2) == "ru" ? Language::Russian : Language::English;
    }
    return unset;
}

Language LanguageOfUserInterface(unsigned short languageId)
{
    // The primary language is the low ten bits; the sublanguage (the country) does not matter.
    constexpr unsigned short PrimaryLanguageMask = 0x3FF;
    constexpr unsigned short PrimaryRussian = 0x19;
    return (languageId & PrimaryLanguageMask) == PrimaryRussian ? Language::Russian : Language::English;
}

}  // namespace Host
