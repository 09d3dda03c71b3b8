#pragma once
// The import's command-line options that shape what is written and how it speaks: the angle
// unit (--angles), the language of the messages (--lang) and the point list's options. Each
// option is refused with a format it does not apply to, so that a mistyped format is not
// silently written without what was asked of it.
#include <string>

#include <CLI/CLI.hpp>

#include "host/OutputFormat.h"

namespace Host {

// The options as given, before they are checked.
struct OutputArguments {
    std::string Angles;
    std::string Language;  // empty: from the locale
    std::string Columns = "PNEZD";
    std::string Delimiter = ",";
    int Decimals = 3;
    bool NoHeader = false;
    std::string Duplicates = "last";
};

void AddOutputArguments(CLI::App& app, OutputArguments& arguments);

// Checks what app parsed into arguments against the chosen format (options.Format) and fills
// options; false with the reason for a usage error.
bool ReadOutputArguments(const CLI::App& app, const OutputArguments& arguments, OutputOptions& options,
                         std::string& reason);

}  // namespace Host
