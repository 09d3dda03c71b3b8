#include "host/ImportPlan.h"

#include "host/FileNameEnumerator.h"
#include "host/SettingsStore.h"
#include "platform/Utf16.h"
#include "plugin/PluginInterfaces.h"

namespace Host {

bool MakeImportPlan(const ImportOptions& options, const CSettingsStore& store, ImportPlan& plan, std::string& reason)
{
    if (!ResolveGivenSettings(store, options.Overrides, true, plan.Given, reason))
        return false;
    plan.FileByFile = false;
    plan.Files.clear();
    for (const std::string& path : options.Files)
        plan.Files.push_back(FilePlan{path, options.Overrides, plan.Given.Values});
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

}  // namespace Host
