#pragma once
// The import's command-line options that shape what is written and how it speaks: the angle
// unit (--angles) and the language of the messages (--lang). An option is refused with a
// format it does not apply to, so that a mistyped format is not silently written without what
// was asked of it.
#include <string>

#include <CLI/CLI.hpp>

#include "host/OutputFormat.h"

namespace Host {

// The options as given, before they are checked.
struct OutputArguments {
    std::string Angles;
    std::string Language;  // empty: from the locale
};

void AddOutputArguments(CLI::App& app, OutputArguments& arguments);

// Checks what app parsed into arguments against the chosen format (options.Format) and fills
// options; false with the reason for a usage error.
bool ReadOutputArguments(const CLI::App& app, const OutputArguments& arguments, OutputOptions& options,
                         std::string& reason);

}  // namespace Host
