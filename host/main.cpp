// m5import: loads the M5 import plug-in, imports field files through it and writes what it
// received as a table, CSV, JSON, LandXML, GIS and CAD files or a call trace.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <iostream>
#include <map>
#include <string>
#include <vector>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <CLI/CLI.hpp>

#include "host/CallRelay.h"
#include "host/Diagnostics.h"
#include "host/HostCommands.h"
#include "host/ImportPlan.h"
#include "host/ImportContext.h"
#include "host/OgrFormat.h"
#include "host/OutputArguments.h"
#include "host/OutputFile.h"
#include "host/OutputFormat.h"
#include "host/PluginLibrary.h"
#include "host/SettingsStore.h"
#include "host/StandardInput.h"
#include "host/System.h"
#include "platform/Utf16.h"

namespace {

using namespace Host;

constexpr int ExitFailure = 1;  // a file could not be imported or the output not written
constexpr int ExitUsage = 2;

const char* const Examples = R"(
Examples:
  m5import job.m5                          stations and targets as a table
  m5import --format csv -o job.csv job.m5  one CSV row per station, target and point
  m5import --format landxml a.m5 b.m5      both files as one LandXML 1.2 document
  m5import --set Mode=1 job.m5             separate measurements, for this run only
  m5import --format points -o job.csv job.m5
                                           name, northing, easting, elevation, code
  cat job.m5 | m5import --angles gon -     standard input, angles in gon
  m5import --format trace job.m5           every call the plug-in made, as JSON lines
  m5import --format gpkg --crs EPSG:23700 -o job.gpkg job.m5
                                           stations, targets and points as GeoPackage layers
  m5import layout job.m5                   where the names and codes of the file stand
  m5import --layout auto a.m5 b.m5         each file read with the columns found in it
  m5import settings --set PointStart=5 --set PointLen=10
                                           change and save the name columns
)";

int Fail(int status, const std::string& reason)
{
    std::fprintf(stderr, "m5import: %s\n", reason.c_str());
    return status;
}

// Runs a command that calls into the plug-in. An exception that leaves a call is read here,
// while the library is still loaded: its type and its text may live in the plug-in's module
// (on Windows the plug-in carries its own C++ run-time).
template <typename Command>
int CallingPlugin(Command command)
{
    try {
        return command();
    } catch (const std::exception& error) {
        return Fail(1, std::string("import failed: ") + error.what());
    } catch (...) {
        return Fail(1, "import failed: the plug-in raised an unknown error");
    }
}

// Whether the plug-in could read any of the files: it reports progress only for a file it
// opened, so a run in which every name was missing, a folder or unreadable has none.
class CReadFiles final : public ICallSink {
public:
    void OnCall(const HostCall& call) override { Any = Any || call.Operation == Op::SetProgress; }
    bool Any = false;
};

int RunImport(const ImportOptions& options, CPluginLibrary& library)
{
    CSettingsStore store;
    std::string reason;
    if (!store.Load(options.SettingsPath, reason))
        return Fail(ExitUsage, reason);
    CPluginObject plugin(library.Entry()());
    if (!plugin.Get())
        return Fail(ExitUsage, "the plug-in returned no object");
    if (!IdentifyPlugin(plugin.Get(), reason))
        return Fail(ExitUsage, reason);
    // "-" is read once, into a private copy that the plan (and the layout detection) reads.
    CStandardInput input;
    ImportOptions planned = options;
    int status = 0;
    if (!input.Prepare(planned.Files, reason, status))
        return Fail(status, reason);
    ImportPlan plan;
    if (!MakeImportPlan(planned, store, plan, reason))
        return Fail(ExitUsage, reason);

    std::unique_ptr<COutputFile> file;
    const bool toFiles = IsOgrFormatName(options.Output.Format);
    if (!toFiles && !options.OutputPath.empty() && options.OutputPath != "-") {
        file = std::make_unique<COutputFile>(options.OutputPath);
        if (!file->Open(reason))
            return Fail(ExitFailure, reason);
    }
    std::ostream& out = file ? file->Stream() : std::cout;
    const bool progress = options.Progress && IsTerminal(stderr);
    CDiagnostics diagnostics(stderr, options.Quiet, progress, options.Output.Shown);
    OutputOptions output = options.Output;
    output.Warn = [&diagnostics](const std::string& text) { diagnostics.Warn(text); };
    std::unique_ptr<IOutputFormat> format = toFiles ? MakeOgrFormat(options, reason) : MakeOutputFormat(output, out);
    if (!format)
        return Fail(ExitFailure, reason);
    CUnnamedPointsHint hint;
    CReadFiles readFiles;
    CImportContext context;
    context.AddSink(diagnostics);
    context.AddSink(readFiles);
    context.AddSink(*format);
    context.AddSink(hint);
    context.SetRefusedValueSink(&diagnostics);
    if (!input.Path().empty())
        context.ShowFileAs(input.Path(), StandardInputShownName);
    // The sinks' work runs on the relay's thread while the plug-in imports; the relay is done
    // with them (and its thread gone) before anything reads them, and on every way out, since
    // it is destroyed before them.
    CCallRelay relay(context, &diagnostics);
    RunImportPlan(*plugin.Get(), store, plan, relay);
    relay.Finish();
    diagnostics.Finish();
    if ((file || toFiles) && !readFiles.Any) {
        if (file)
            file->Discard();
        return Fail(ExitFailure, "no file could be read; " + options.OutputPath + " was not written");
    }
    format->Finish();
    if (!format->Commit(reason))
        return Fail(ExitFailure, reason);
    if (file && !file->Commit(reason))
        return Fail(ExitFailure, reason);
    if (!file && !out.flush())
        return Fail(ExitFailure, "cannot write standard output");
    if (!options.Quiet)
        hint.Print(plan, input.Path(), stderr);
    return diagnostics.HadMessages() ? 1 : 0;
}

int Run(int argc, char** argv)
{
    CLI::App app("Imports M5 field files of total stations through the M5 import plug-in.", "m5import");
    app.footer(Examples);
    // A name that begins with "/" is a file (drive-relative on Windows), never an option.
    app.allow_windows_style_options(false);
    ImportOptions options;
    options.SettingsPath = CSettingsStore::DefaultPath();
    std::vector<std::string> sets;
    bool showVersion = false;
    bool noProgress = false;
    std::string pluginPath;

    app.add_option("files", options.Files, "M5 files to import, in order; - for standard input")->type_name("FILE");
    app.add_option("--format", options.Output.Format, FormatHelp())
        ->check(CLI::Validator([](std::string& name) { return IsOutputFormatName(name) ? "" : "unknown format " + name; },
                               "FORMAT"))
        ->default_str("table");
    app.add_option("-o,--output", options.OutputPath, "where to write (default: standard output)");
    AddOgrOptions(app, options);
    app.add_option("--settings", options.SettingsPath, "the settings store file")->default_str(options.SettingsPath);
    app.add_option("--plugin", pluginPath, "the plug-in library (default: the one installed beside the program)");
    app.add_flag("-q,--quiet", options.Quiet, "no messages and no progress bar on standard error");
    app.add_flag("--no-progress", noProgress, "no progress bar");
    app.add_flag("--version", showVersion, "show the plug-in's name, identifier and version");
    app.add_option("--set", sets, "KEY=VALUE: one of the six settings, for this run only")->type_name("KEY=VALUE")->allow_extra_args(false);
    OutputArguments outputArguments;
    AddOutputArguments(app, outputArguments);

    SettingsCommandOptions settingsOptions;
    CLI::App* settings = app.add_subcommand("settings", "show or edit the settings through the plug-in's property list");
    settings->add_option("--set", settingsOptions.Edits, "KEY=VALUE: edit one property (repeatable)")->type_name("KEY=VALUE")->allow_extra_args(false);
    settings->add_option("--settings", options.SettingsPath, "the settings store file");
    settings->add_option("--plugin", pluginPath, "the plug-in library");
    settings->add_flag("--edit", settingsOptions.Interactive, "walk the properties and type new values");

    LayoutCommandOptions layoutOptions;
    std::vector<std::string> layoutSets;
    CLI::App* layout = app.add_subcommand("layout", "show where each file's point names and codes stand (a guess)");
    layout->add_option("files", layoutOptions.Files, "M5 files to look at")->type_name("FILE")->required();
    layout->add_option("--lines", layoutOptions.Lines, "point records shown under the ruler")->default_val(10);
    layout->add_option("--settings", options.SettingsPath, "the settings store file");
    layout->add_option("--set", layoutSets, "KEY=VALUE: the settings to compare with")->type_name("KEY=VALUE")->allow_extra_args(false);
    std::string layoutChoice = "settings";
    app.add_option("--layout", layoutChoice, "settings: the columns of the settings; auto: each file's own, as found")
        ->check(CLI::IsMember({"settings", "auto"}))
        ->default_str("settings");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error) == 0 ? 0 : ExitUsage;
    }
    options.Progress = !noProgress;
    options.AutoLayout = layoutChoice == "auto";
    std::string reason;
    if (!ParseSettingOverrides(sets, options.Overrides, reason) ||
        !ReadOutputArguments(app, outputArguments, options.Output, reason) || !CheckOgrOptions(options, reason))
        return Fail(ExitUsage, reason);
    if (layout->parsed()) {
        layoutOptions.SettingsPath = options.SettingsPath;
        if (!ParseSettingOverrides(layoutSets, layoutOptions.Overrides, reason))
            return Fail(ExitUsage, reason);
        return RunLayoutCommand(layoutOptions, std::cout);
    }

    CPluginLibrary library;
    if (!library.Open(pluginPath.empty() ? CPluginLibrary::DefaultPath() : pluginPath, reason))
        return Fail(ExitUsage, reason);
    if (showVersion)
        return CallingPlugin([&] { return PrintVersion(library, std::cout); });
    if (settings->parsed()) {
        settingsOptions.SettingsPath = options.SettingsPath;
        return CallingPlugin([&] { return RunSettingsCommand(library, settingsOptions, std::cout); });
    }
    if (options.Files.empty())
        return Fail(ExitUsage, "no file to import (see m5import --help)");
    return CallingPlugin([&] { return RunImport(options, library); });
}

int Main(int argc, char** argv)
{
    PrepareStandardStreams();
    // Output goes through iostreams only; unsynchronised, standard output is buffered.
    std::ios::sync_with_stdio(false);
    RemoveOutputOnInterrupt();
    try {
        return Run(argc, argv);
    } catch (const std::exception& error) {
        return Fail(1, std::string("import failed: ") + error.what());
    } catch (...) {
        return Fail(1, "import failed: the plug-in raised an unknown error");
    }
}

}  // namespace

#ifdef _WIN32
// The command line as UTF-16, so that every file name arrives whole; handed on as UTF-8.
int wmain(int argc, wchar_t** argv)
{
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i)
        arguments.push_back(Platform::Utf16ToUtf8(std::u16string(argv[i], argv[i] + std::wcslen(argv[i]))));
    std::vector<char*> pointers;
    for (std::string& argument : arguments)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    return Main(argc, pointers.data());
}
#else
int main(int argc, char** argv)
{
    return Main(argc, argv);
}
#endif
