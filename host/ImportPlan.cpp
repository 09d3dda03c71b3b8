#include "host/ImportPlan.h"

#include "host/StandardInput.h"

#include "host/FieldFileScan.h"
#include "host/FileNameEnumerator.h"
#include "host/LayoutDetector.h"
#include "host/SettingsStore.h"
#include "host/StandardInput.h"
#include "platform/Utf16.h"
#include "plugin/PluginInterfaces.h"

namespace Host {

namespace {

// The plug-in's message for a point record whose name reads empty.
constexpr const char* NoPointName = "Не задано имя точки.";

bool IsColumnKey(const std::string& key)
{
    return key != "Mode";
}

// The file's own layout over the given settings; a Mode given with --set stays.
bool PlanFile(const std::string& path, const ImportOptions& options, const GivenSettings& given, FilePlan& file,
              std::string& reason)
{
    file.Path = path;
    file.Overrides = options.Overrides;
    file.Values = given.Values;
    CFieldFileScan scan;
    std::string unread;
    if (!scan.Read(path, unread))
        return true;  // the plug-in reports a file it cannot open
    DetectedLayout layout = DetectLayout(scan, given.Values);
    if (options.Overrides.count("Mode"))
        layout.Values.Mode = given.Values.Mode;
    for (const std::string& key : SettingsKeys())
        if (layout.Values.Get(key) != given.Values.Get(key))
            file.Overrides[key] = layout.Values.Get(key);
    file.Values = layout.Values;
    const LayoutRefusal refusal = CheckLayout(file.Values);
    if (refusal.Refused()) {
        GivenSettings used = given;
        used.Values = file.Values;
        for (const auto& [key, value] : file.Overrides)
            if (!options.Overrides.count(key))
                used.Origins[key] = "found in " + path;
        reason = path + ": " + LayoutRefusalText(used, refusal);
        return false;
    }
    return true;
}

}  // namespace

bool MakeImportPlan(const ImportOptions& options, const CSettingsStore& store, ImportPlan& plan, std::string& reason)
{
    if (options.AutoLayout) {
        for (const auto& [key, value] : options.Overrides) {
            if (IsColumnKey(key)) {
                reason = "--set " + key + "=" + std::to_string(value) +
                         ": --layout auto finds the name and code columns of each file itself (only Mode may be set)";
                return false;
            }
        }
    }
    if (!ResolveGivenSettings(store, options.Overrides, !options.AutoLayout, plan.Given, reason))
        return false;
    plan.FileByFile = options.AutoLayout;
    plan.Files.clear();
    for (const std::string& path : options.Files) {
        FilePlan file{path, options.Overrides, plan.Given.Values};
        if (options.AutoLayout && !PlanFile(path, options, plan.Given, file, reason))
            return false;
        plan.Files.push_back(std::move(file));
    }
    return true;
}

void RunImportPlan(Plugin::IGroundBasedMIP& plugin, const CSettingsStore& store, const ImportPlan& plan,
                   Plugin::IImportContext& context)
{
    auto import = [&](const std::map<std::string, std::int32_t>& overrides, std::vector<std::u16string> names) {
        CSettingsReader reader(store, overrides);
        plugin.LoadSettings(&reader);
        CFileNameEnumerator files(std::move(names));
        plugin.Import(&files, &context);
    };
    if (!plan.FileByFile) {
        std::vector<std::u16string> names;
        for (const FilePlan& file : plan.Files)
            names.push_back(Platform::Utf8ToUtf16(file.Path));
        import(plan.Files.empty() ? std::map<std::string, std::int32_t>() : plan.Files.front().Overrides,
               std::move(names));
        return;
    }
    for (const FilePlan& file : plan.Files)
        import(file.Overrides, {Platform::Utf8ToUtf16(file.Path)});
}

void CUnnamedPointsHint::OnCall(const HostCall& call)
{
    if (call.Operation == Op::SetFileName)
        Unnamed.push_back(0);
    else if (call.Operation == Op::ReportMessage && call.Text == NoPointName && !Unnamed.empty())
        ++Unnamed.back();
}

void CUnnamedPointsHint::Print(const ImportPlan& plan, const std::string& standardInputCopy, std::FILE* stream) const
{
    if (plan.FileByFile)
        return;
    for (std::size_t i = 0; i < Unnamed.size() && i < plan.Files.size(); ++i) {
        if (Unnamed[i] == 0)
            continue;
        const FilePlan& file = plan.Files[i];
        CFieldFileScan scan;
        std::string unread;
        if (!scan.Read(file.Path, unread) || Unnamed[i] * 2 <= scan.PointCount())
            continue;
        const DetectedLayout layout = DetectLayout(scan, file.Values);
        if (layout.Agrees || CountUnnamed(scan, layout.Values) >= CountUnnamed(scan, file.Values))
            continue;
        // A copy of standard input is named as the user gave it, and cannot be looked at again.
        const bool isCopy = file.Path == standardInputCopy;
        const std::string hint = (isCopy ? StandardInputShownName : file.Path) + ": hint: " +
                                 std::to_string(Unnamed[i]) + " of " + std::to_string(scan.PointCount()) +
                                 " point records have no name with these settings; the names seem to stand elsewhere: " +
                                 SetFlags(layout) + ", or --layout auto" +
                                 (isCopy ? std::string() : " (m5import layout " + file.Path + " shows the columns)") +
                                 "\n";
        std::fputs(hint.c_str(), stream);
    }
}

}  // namespace Host
