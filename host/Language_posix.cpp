#include "host/Language.h"

#include <cstdlib>

namespace Host {

Language LanguageFromEnvironment()
{
    return LanguageOfLocale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

}  // namespace Host
