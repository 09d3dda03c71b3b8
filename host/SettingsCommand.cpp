// `m5import settings`: the plug-in's property list in a text view. Each --set is the user's
// edit of one property; the list is then confirmed as a dialog's OK button does it:
// validation, the values copied into the plug-in, and the plug-in's settings saved to the
// store. A refused edit or layout leaves the store as it was.
#include <iomanip>
#include <iostream>
#include <set>
#include <string>

#include "host/HostCommands.h"
#include "host/PluginLibrary.h"
#include "host/SettingsRules.h"
#include "host/SettingsStore.h"
#include "host/SettingsView.h"
#include "host/System.h"

namespace Host {

namespace {

constexpr int ExitDone = 0;
constexpr int ExitRefused = 1;
constexpr int ExitUsage = 2;

// The settings keys as the plug-in's properties.
struct PropertyKey {
    const char* Key;
    std::int32_t Id;
};

constexpr PropertyKey PropertyKeys[] = {
    {"Mode", 0},     {"TakePointNameFromAddr", 1}, {"PointStart", 2},
    {"PointLen", 3}, {"CodeStart", 4},             {"CodeLen", 5},
};

const PropertyKey* FindKey(const std::string& key)
{
    for (const PropertyKey& known : PropertyKeys) {
        if (key == known.Key)
            return &known;
    }
    return nullptr;
}

std::string KeyName(std::int32_t id)
{
    for (const PropertyKey& known : PropertyKeys) {
        if (known.Id == id)
            return known.Key;
    }
    return "#" + std::to_string(id);
}

std::string ChoiceList(const CSettingsView::Property& property)
{
    std::string list;
    for (Plugin::IComboItem* item : property.Items)
        list += (list.empty() ? "" : "; ") + std::to_string(item->GetValue()) + " " + CSettingsView::ItemCaption(*item);
    return list;
}

std::string ChosenCaption(const CSettingsView::Property& property)
{
    for (Plugin::IComboItem* item : property.Items) {
        if (item->GetValue() == property.Choice)
            return CSettingsView::ItemCaption(*item);
    }
    return std::string();
}

// Groups with their properties (key, value, caption, choices, enabled state), then the
// sample line the plug-in shows as the list's hint.
void PrintList(const CSettingsView& view, std::ostream& out)
{
    constexpr int KeyWidth = 23;
    constexpr int ValueWidth = 4;
    for (const CSettingsView::Group& group : view.Groups()) {
        out << group.Caption << "\n";
        for (const CSettingsView::Property& property : group.Properties) {
            const std::string value = property.IsChoice ? std::to_string(property.Choice) : property.Text;
            out << "  " << std::left << std::setw(KeyWidth) << KeyName(property.Id) << std::setw(ValueWidth - 1) << value
                << ' ' << property.Caption;
            if (property.IsChoice)
                out << ": " << ChosenCaption(property);
            if (!property.Enabled)
                out << " (disabled)";
            out << "\n";
            if (property.IsChoice)
                out << std::string(2 + KeyWidth + ValueWidth, ' ') << "choices: " << ChoiceList(property) << "\n";
        }
    }
    out << "\n" << view.Hint() << "\n";
}

// One opened property list: the user's edits, and the confirmation that stores them.
class CEditSession {
public:
    CEditSession(Plugin::IGroundBasedMIP& plugin, CSettingsView& view, CSettingsStore& store)
        : PluginObject(plugin), Controller(*plugin.GetPropertyListViewController()), View(view), Store(store)
    {
        Controller.BuildPropertyList(&View);
    }

    // The user types value into the property; false when it is refused. A choice is given by
    // its number and must be one of the property's choices; a property the list has disabled
    // takes no value, as a dialog's greyed field takes no typing.
    bool Edit(const PropertyKey& key, const std::string& value)
    {
        const CSettingsView::Property* property = View.Find(key.Id);
        if (property && !property->Enabled) {
            std::cerr << "m5import: " << key.Key << "=" << value << ": refused: " << DisabledReason(key) << "\n";
            DisabledEdits = true;
            return false;
        }
        if (property && property->IsChoice) {
            const auto number = ParseInt32(value);
            if (!number || !View.SelectChoice(key.Id, *number)) {
                std::cerr << "m5import: " << key.Key << "=" << value << ": not one of the choices "
                          << ChoiceList(*property) << "\n";
                return Refuse(key.Id);
            }
        } else if (!View.SetText(key.Id, value)) {
            std::cerr << "m5import: " << key.Key << ": the plug-in's list has no such property\n";
            return Refuse(key.Id);
        }
        if (!Controller.OnPropertyChanged(key.Id))
            return Refuse(key.Id);
        RefusedIds.erase(key.Id);
        return true;
    }

    bool HasRefusedEdits() const noexcept { return !RefusedIds.empty(); }
    // Whether an edit was of a property the list had disabled: the command line asked for
    // something the list does not offer.
    bool HadDisabledEdits() const noexcept { return DisabledEdits; }

    // The list's OK button: the plug-in checks the layout (always, so that its message is
    // shown), and only when the edits were accepted too do the values reach the plug-in and
    // the store.
    bool Confirm(bool editsAccepted, std::string& reason)
    {
        const bool valid = Controller.ValidateProperties();
        if (!valid || !editsAccepted) {
            reason = valid ? "a value was refused" : "the layout was refused";
            return false;
        }
        Controller.ApplyProperties();
        CSettingsWriter writer(Store);
        PluginObject.SaveSettings(&writer);
        return Store.Save(reason);
    }

    void Dismiss() { Controller.Dismiss(); }

private:
    bool Refuse(std::int32_t id)
    {
        RefusedIds.insert(id);
        return false;
    }

    std::string DisabledReason(const PropertyKey& key) const
    {
        SettingsValues shown;
        if (const CSettingsView::Property* address = View.Find(1))
            shown.TakePointNameFromAddr = address->Choice;
        const std::string rule = DisabledRule(key.Key, shown);
        return rule.empty() ? std::string("the property list has disabled ") + key.Key : rule;
    }

    Plugin::IGroundBasedMIP& PluginObject;
    Plugin::IPropertyListViewController& Controller;
    CSettingsView& View;
    CSettingsStore& Store;
    std::set<std::int32_t> RefusedIds;  // properties whose last edit was refused
    bool DisabledEdits = false;
};

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// A person at a terminal: pick a property by key, type a value, see the sample change; an
// empty answer confirms, "q" or the end of input leaves without saving.
int RunEditLoop(CEditSession& session, const CSettingsView& view, const std::string& storePath, std::ostream& out)
{
    PrintList(view, out);
    for (;;) {
        out << "\nProperty to change (a key above; Enter saves, q quits): " << std::flush;
        std::string answer;
        if (!std::getline(std::cin, answer) || Trim(answer) == "q") {
            session.Dismiss();
            out << "\nNothing saved.\n";
            return ExitDone;
        }
        answer = Trim(answer);
        if (answer.empty()) {
            std::string reason;
            // A property whose last edit was refused must be typed again first.
            if (session.Confirm(!session.HasRefusedEdits(), reason)) {
                out << "Saved to " << storePath << "\n";
                return ExitDone;
            }
            std::cerr << "m5import: not saved: " << reason << "\n";
            continue;
        }
        const PropertyKey* key = FindKey(answer);
        if (!key) {
            std::cerr << "m5import: " << answer << " is not a settings key\n";
            continue;
        }
        out << "New value of " << key->Key << ": " << std::flush;
        std::string value;
        if (!std::getline(std::cin, value))
            continue;
        session.Edit(*key, Trim(value));
        out << "\n" << view.Hint() << "\n";
    }
}

struct ParsedEdit {
    const PropertyKey* Key;
    std::string Value;
};

bool ParseEdits(const std::vector<std::string>& edits, std::vector<ParsedEdit>& parsed)
{
    for (const std::string& edit : edits) {
        const auto equals = edit.find('=');
        const PropertyKey* key = equals == std::string::npos ? nullptr : FindKey(edit.substr(0, equals));
        if (!key) {
            std::cerr << "m5import: --set " << edit
                      << ": expected KEY=VALUE with KEY one of Mode, TakePointNameFromAddr, PointStart, PointLen, "
                         "CodeStart, CodeLen\n";
            return false;
        }
        parsed.push_back(ParsedEdit{key, edit.substr(equals + 1)});
    }
    return true;
}

}  // namespace

int RunSettingsCommand(CPluginLibrary& library, const SettingsCommandOptions& options, std::ostream& out)
{
    std::vector<ParsedEdit> edits;
    if (!ParseEdits(options.Edits, edits))
        return ExitUsage;
    if (options.Interactive && (!edits.empty() || !IsTerminal(stdin))) {
        std::cerr << "m5import: --edit needs a terminal on standard input and no --set\n";
        return ExitUsage;
    }
    CSettingsStore store;
    std::string reason;
    if (!store.Load(options.SettingsPath, reason)) {
        std::cerr << "m5import: " << reason << "\n";
        return ExitUsage;
    }
    CPluginObject plugin(library.Entry()());
    if (!plugin.Get() || !plugin->GetPropertyListViewController()) {
        std::cerr << "m5import: the plug-in returned no object or no settings editor\n";
        return ExitUsage;
    }
    // The plug-in reads a stored value that is not a number as its default; the list then
    // shows that default, and saving replaces the stored text.
    for (const std::string& problem : CheckStore(store))
        std::cerr << "m5import: " << problem << "\n";
    const std::map<std::string, std::int32_t> noOverrides;
    CSettingsReader reader(store, noOverrides);
    plugin->LoadSettings(&reader);

    CSettingsView view(std::cerr);
    CEditSession session(*plugin.Get(), view, store);
    if (options.Interactive)
        return RunEditLoop(session, view, store.Path(), out);
    if (edits.empty()) {
        session.Dismiss();
        PrintList(view, out);
        return ExitDone;
    }
    // Every edit is made, so that every refusal is shown; one refusal is enough to save nothing.
    bool editsAccepted = true;
    for (const ParsedEdit& edit : edits)
        editsAccepted = session.Edit(*edit.Key, edit.Value) && editsAccepted;
    const bool saved = session.Confirm(editsAccepted, reason);
    PrintList(view, out);
    if (!saved) {
        std::cerr << "m5import: settings not saved: " << reason << "\n";
        return session.HadDisabledEdits() ? ExitUsage : ExitRefused;
    }
    out << "Saved to " << store.Path() << "\n";
    return ExitDone;
}

}  // namespace Host
