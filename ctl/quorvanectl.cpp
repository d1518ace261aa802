// quorvanectl: the menu and settings of Quorvane from the command line, over the same core and the
// same settings store as the setup program.

#include "menu/MenuTree.h"
#include "menu/RecordPool.h"
#include "menu/TreeSource.h"
#include "platform/Codepage.h"
#include "platform/Failure.h"
#include "platform/LocaleText.h"
#include "platform/SettingsStore.h"
#include "settings/Apply.h"
#include "settings/FirstRun.h"
#include "settings/MenuFile.h"
#include "settings/MenuLoad.h"
#include "settings/Messages.h"
#include "settings/Presets.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <iostream>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quorvane {
namespace {

constexpr std::string_view programName = "quorvanectl";

enum Status { success = 0, failed = 1, wrongUsage = 2 };

using Arguments = std::span<const std::string_view>;

struct Verb {
    std::string_view name;
    std::string_view arguments; // as shown in the usage line
    std::string_view summary;
    std::size_t argumentCount;
    std::function<int(Arguments)> run;
};

// The terminal's encoding, as the user's locale names it.
const LocaleText& terminal() {
    static const LocaleText locale = LocaleText::fromEnvironment();
    return locale;
}

// Stored text as the terminal shows it.
std::string shown(std::string_view ansi) {
    return terminal().fromUtf8(ansiToUtf8(ansi));
}

void reportUtf8(std::string_view text) {
    std::cout.flush();
    std::cerr << programName << ": " << terminal().fromUtf8(text) << '\n';
}

// A failure's text, which may quote file names as well as stored text.
void report(std::string_view text) {
    reportUtf8(failureTextToUtf8(text));
}

// A menu string from the command line in the bytes the settings hold; nothing when it has a
// character they cannot hold, which is then reported.
std::optional<std::string> storedText(std::string_view argument) {
    try {
        return utf8ToAnsi(terminal().toUtf8(argument));
    } catch (const Failure& refusal) {
        report(refusal.what());
        return std::nullopt;
    }
}

std::string tag(const TAssoc& record) {
    switch (record.kind) {
    case Kind::Root:
        return "root";
    case Kind::Submenu:
        return "submenu";
    case Kind::Operation:
        return "op " + std::to_string(record.code);
    case Kind::Separator:
        return "separator";
    case Kind::Extension:
        return "ext";
    case Kind::MoveTo:
        return "move";
    case Kind::CopyTo:
        return "copy";
    case Kind::RunOpen:
        return "run";
    case Kind::SendTo:
        return "send";
    }
    return "?";
}

void printTree(const MenuTree& tree) {
    // Depth-first with an explicit stack: a loaded menu can nest thousands of levels.
    std::vector<std::pair<const MenuNode*, std::size_t>> pending{{tree.root(), 0}};
    while (!pending.empty()) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        const TAssoc& record = *node->record();
        std::string line = std::string(2 * depth, ' ') + '[' + tag(record) + "] " + node->caption();
        if (hasTarget(record.kind))
            line += " -> " + record.description;
        std::cout << shown(line) << '\n';
        for (int i = node->childCount(); i-- > 0;)
            pending.emplace_back(node->child(i), depth + 1);
    }
}

void printSource(const TreeSource& source) {
    for (const SourceEntry& entry : source.entries())
        std::cout << shown('[' + tag(*entry.record) + "] " + entry.caption + '\t' +
                           entry.record->description)
                  << '\n';
}

// What the program would show in a box goes to standard error instead.
class ConsoleMessages : public Messages {
public:
    void message(std::string_view text) override { reportUtf8(ansiToUtf8(text)); }
    void installedNotice() override { reportUtf8(ansiToUtf8(messages::installedHeading)); }
};

enum class Show { Tree, List };

// One run of a verb: the editor's model over the user's settings store, loaded as the editor
// loads it (first-run set-up included).
class Session {
public:
    Session() = default;

    // Runs `work` and prints what the model holds afterwards, also when the work stopped early;
    // a failure's text goes to standard error.
    int run(Show show, const std::function<bool(Session&)>& work) {
        bool succeeded = false;
        std::optional<std::string> failure;
        try {
            succeeded = work(*this);
        } catch (const std::exception& error) {
            failure = userMessage(error);
        }
        if (show == Show::List)
            printSource(m_source);
        else
            printTree(m_tree);
        if (failure)
            report(*failure);
        return succeeded ? success : failed;
    }

    void load(LoadMode mode, std::string_view menuString = {}) {
        const FirstRunSetup firstRun = [this](Registry& registry) {
            runFirstRunSetup(registry, Installer::host(), m_messages);
        };
        Load(m_registry, m_pool, m_tree, m_source, mode, menuString, firstRun);
    }

    bool apply() { return Apply(m_registry, m_tree, m_source, m_messages); }

    Registry& registry() { return m_registry; }
    Messages& messages() { return m_messages; }

private:
    std::unique_ptr<Registry> m_store = openSettingsStore();
    Registry& m_registry = *m_store;
    ConsoleMessages m_messages;
    RecordPool m_pool;
    MenuTree m_tree{m_pool.rootRecord()};
    TreeSource m_source;
};

int loadAndPrint(LoadMode mode, std::string_view menuString, Show show) {
    Session session;
    return session.run(show, [&](Session& s) {
        s.load(mode, menuString);
        return true;
    });
}

int preset(std::string_view name) {
    using Builder = std::string (*)(Registry&);
    const std::pair<std::string_view, Builder> presets[] = {{"Current", nullptr},
                                                            {"Default", &DefaultMenu},
                                                            {"Compact", &CompactMenu},
                                                            {"All", &AllMenu}};
    for (const auto& [presetName, build] : presets) {
        if (presetName != name)
            continue;
        Session session;
        return session.run(Show::Tree, [build](Session& s) {
            if (build)
                s.load(LoadMode::Given, build(s.registry()));
            else
                s.load(LoadMode::Stored);
            return s.apply();
        });
    }
    report("unknown preset '" + std::string(name) + "': choose Current, Default, Compact or All");
    return wrongUsage;
}

int applyText(std::string_view menuString) {
    Session session;
    return session.run(Show::Tree, [&](Session& s) {
        s.load(LoadMode::Given, menuString);
        return s.apply();
    });
}

int save(std::string_view file) {
    try {
        const std::unique_ptr<Registry> store = openSettingsStore();
        Registry& registry = *store;
        if (file == "-")
            std::cout << menuFileText(registry) << std::flush;
        else
            saveMenuFile(registry, std::string(file));
        return success;
    } catch (const std::exception& error) {
        report(userMessage(error));
        return failed;
    }
}

int loadFile(std::string_view file) {
    Session session;
    std::string text;
    try {
        text = readMenuFile(std::string(file));
        if (!loadMenuFile(session.registry(), text)) {
            session.messages().message(messages::nothingHappened);
            return failed;
        }
    } catch (const std::exception& error) {
        report(userMessage(error));
        return failed;
    }
    // What the editor does after loading a file: reload the stored menu. The file is stored by
    // now, so the status says so even if another program changed the settings meanwhile and the
    // reload stops.
    session.run(Show::Tree, [](Session& s) {
        s.load(LoadMode::Stored);
        return true;
    });
    return success;
}

const std::vector<Verb>& verbs() {
    static const std::vector<Verb> table{
        {"show", "", "print the stored menu as the editor loads it", 0,
         [](Arguments) { return loadAndPrint(LoadMode::Stored, {}, Show::Tree); }},
        {"list", "", "print the entries offered beside the stored menu", 0,
         [](Arguments) { return loadAndPrint(LoadMode::Stored, {}, Show::List); }},
        {"parse", "TEXT", "print TEXT read as a menu string", 1,
         [](Arguments args) {
             const auto menu = storedText(args[0]);
             return menu ? loadAndPrint(LoadMode::Given, *menu, Show::Tree) : failed;
         }},
        {"preset", "NAME", "load preset Current, Default, Compact or All, apply it, print it", 1,
         [](Arguments args) { return preset(args[0]); }},
        {"apply", "TEXT", "load TEXT as a menu string, apply it, print it", 1,
         [](Arguments args) {
             const auto menu = storedText(args[0]);
             return menu ? applyText(*menu) : failed;
         }},
        {"save", "FILE", "save the stored menu and options to a menu file (- for stdout)", 1,
         [](Arguments args) { return save(args[0]); }},
        {"load", "FILE", "load a menu file into the settings, then print the stored menu", 1,
         [](Arguments args) { return loadFile(args[0]); }},
    };
    return table;
}

std::string usageLine() {
    std::string line = "usage: " + std::string(programName) + " ";
    for (const Verb& verb : verbs()) {
        line += verb.name;
        if (!verb.arguments.empty())
            line += " " + std::string(verb.arguments);
        line += " | ";
    }
    return line + "--help";
}

int help() {
    std::cout << usageLine() << "\n\n";
    for (const Verb& verb : verbs()) {
        std::string head(verb.name);
        if (!verb.arguments.empty())
            head += " " + std::string(verb.arguments);
        head.resize(std::max<std::size_t>(head.size() + 2, 14), ' ');
        std::cout << "  " << head << verb.summary << '\n';
    }
    std::cout << "  --help        print this help\n";
    return success;
}

int run(Arguments args) {
    if (args.size() == 1 && args[0] == "--help")
        return help();
    if (!args.empty()) {
        for (const Verb& verb : verbs())
            if (verb.name == args[0] && args.size() - 1 == verb.argumentCount)
                return verb.run(args.subspan(1));
    }
    std::cerr << usageLine() << '\n';
    return wrongUsage;
}

} // namespace
} // namespace quorvane

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    return quorvane::run(args);
}
