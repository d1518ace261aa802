// quorvanectl: the menu and settings of Quorvane from the command line, over the same core and the
// same settings store as the setup program.

#include "menu/AvailableEntries.h"
#include "menu/MenuTree.h"
#include "menu/RecordPool.h"
#include "platform/Codepage.h"
#include "platform/Failure.h"
#include "platform/LocaleText.h"
#include "platform/System.h"
#include "quorvane/Version.h"
#include "settings/Apply.h"
#include "settings/FirstRun.h"
#include "settings/MenuFile.h"
#include "settings/MenuLoad.h"
#include "settings/Messages.h"
#include "settings/Presets.h"
#include "store/SettingsStore.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <iostream>
#include <iterator>
#include <optional>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quorvane {
namespace {

constexpr std::string_view programName = "quorvanectl";

enum Status { success = 0, failed = 1, wrongUsage = 2 };

using Arguments = std::span<const std::string_view>;

// How a verb prints what it has built.
enum class Format { Text, Json };

struct Verb {
    std::string_view name;
    std::string_view arguments; // as shown in the usage line
    std::string_view summary;
    std::size_t argumentCount;
    bool takesJson;
    std::string_view details; // the rest of the verb's own help
    std::function<int(Arguments, Format)> run;
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
    const std::string line = std::string(programName) + ": " + std::string(text) + "\n";
    if (isConsole(StandardStream::Error) && writeConsole(StandardStream::Error, line))
        return;
    std::cerr << terminal().fromUtf8(line);
}

// A failure's text, which may quote file names as well as stored text.
void report(std::string_view text) {
    reportUtf8(failureTextToUtf8(text));
}

// Flushes standard output and tells whether all that was written to it got through. What is
// printed there is what a script keeps (a backup made with "save -"), so a write that failed (a
// full disk, a closed descriptor) fails the command, with the reason and then `note` on standard
// error.
bool outputWritten(std::string_view note = {}) {
    std::cout.flush();
    if (std::cout)
        return true;
    // The failed write was the last call to set errno.
    const int error = errno != 0 ? errno : EIO;
    std::string message = "Cannot write to standard output: " + std::string(std::strerror(error));
    if (!note.empty())
        message.append("\n").append(note);
    report(message);
    return false;
}

// `text` is in the terminal's encoding; a console window is given it as UTF-16, as its code page
// is seldom the one programs read.
bool print(std::string_view text, std::string_view note = {}) {
    errno = 0;
    if (isConsole(StandardStream::Output)) {
        std::cout.flush();
        try {
            if (writeConsole(StandardStream::Output, terminal().toUtf8(text)))
                return true;
        } catch (const Failure&) {
            // Bytes the terminal's encoding has no character for: written as they are.
        }
    }
    std::cout.write(text.data(), static_cast<std::streamsize>(text.size()));
    return outputWritten(note);
}

// A menu string from the command line in the bytes the settings hold; nothing when it has a
// character they cannot hold or is longer than the extension reads (it is refused, never cut),
// which is then reported.
std::optional<std::string> storedText(std::string_view argument) {
    try {
        static const LocaleText arguments = LocaleText::ofArguments();
        std::string menu = utf8ToAnsi(arguments.toUtf8(argument));
        if (auto refusal = givenMenuRefusal(menu))
            throw Failure(*refusal);
        return menu;
    } catch (const Failure& refusal) {
        report(refusal.what());
        return std::nullopt;
    }
}

// How each kind is named: its tag in printed trees and lists, its name in JSON.
struct KindNames {
    std::string_view tag;
    std::string_view json;
};

KindNames namesOf(Kind kind) {
    switch (kind) {
    case Kind::Root:
        return {"root", "root"};
    case Kind::Submenu:
        return {"submenu", "submenu"};
    case Kind::Operation:
        return {"op", "operation"};
    case Kind::Separator:
        return {"separator", "separator"};
    case Kind::Extension:
        return {"ext", "extension"};
    case Kind::MoveTo:
        return {"move", "move"};
    case Kind::CopyTo:
        return {"copy", "copy"};
    case Kind::RunOpen:
        return {"run", "run"};
    case Kind::SendTo:
        return {"send", "send"};
    }
    return {"?", "unknown"};
}

std::string tag(const TAssoc& record) {
    const std::string tag(namesOf(record.kind).tag);
    return record.kind == Kind::Operation ? tag + ' ' + std::to_string(record.code) : tag;
}

std::string treeText(const MenuTree& tree) {
    std::string text;
    // Depth-first with an explicit stack: a loaded menu can nest thousands of levels.
    std::vector<std::pair<const MenuNode*, std::size_t>> pending{{tree.root(), 0}};
    while (!pending.empty()) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        const TAssoc& record = *node->record();
        std::string line = std::string(2 * depth, ' ') + '[' + tag(record) + "] " + node->caption();
        if (hasTarget(record.kind))
            line += " -> " + record.descriptionOrTarget;
        text += shown(line) + '\n';
        for (int i = node->childCount(); i-- > 0;)
            pending.emplace_back(node->child(i), depth + 1);
    }
    return text;
}

std::string sourceText(const AvailableEntries& source) {
    std::string text;
    for (const AvailableEntry& entry : source.entries())
        text += shown('[' + tag(*entry.record) + "] " + entry.caption + '\t' +
                      entry.record->descriptionOrTarget) +
                '\n';
    return text;
}

// JSON for scripts: always UTF-8, whatever the locale, on one line.
std::string jsonString(std::string_view ansi) {
    const std::string utf8 = ansiToUtf8(ansi);
    std::string out = "\"";
    for (const char c : utf8) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + '"';
}

// "caption", "kind", "code" and "target" of an entry, without the braces.
std::string jsonFields(std::string_view caption, const TAssoc& record) {
    return "\"caption\":" + jsonString(caption) + ",\"kind\":\"" +
           std::string(namesOf(record.kind).json) + "\",\"code\":" + std::to_string(record.code) +
           ",\"target\":" +
           (hasTarget(record.kind) ? jsonString(record.descriptionOrTarget) : "null");
}

constexpr std::string_view jsonFormatVersion = "1";

std::string treeJson(const MenuTree& tree) {
    std::string text = "{\"format\":" + std::string(jsonFormatVersion) + ",\"menu\":";
    // Each node is opened when it is reached and closed after its last child, without recursion.
    std::vector<std::pair<const MenuNode*, int>> open{{tree.root(), 0}};
    text += '{' + jsonFields(tree.root()->caption(), *tree.root()->record()) + ",\"children\":[";
    while (!open.empty()) {
        auto& [node, next] = open.back();
        if (next == node->childCount()) {
            text += "]}";
            open.pop_back();
            continue;
        }
        const MenuNode* child = node->child(next);
        if (next++ > 0)
            text += ',';
        text += '{' + jsonFields(child->caption(), *child->record()) + ",\"children\":[";
        open.emplace_back(child, 0);
    }
    return text + "}\n";
}

std::string sourceJson(const AvailableEntries& source) {
    std::string text = "{\"format\":" + std::string(jsonFormatVersion) + ",\"entries\":[";
    bool first = true;
    for (const AvailableEntry& entry : source.entries()) {
        if (!std::exchange(first, false))
            text += ',';
        text += '{' + jsonFields(entry.caption, *entry.record) +
                ",\"description\":" + jsonString(entry.record->descriptionOrTarget) + '}';
    }
    return text + "]}\n";
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

    // Runs `work` and prints what the model holds afterwards; a failure's text goes to standard
    // error, and standard output stays empty unless `partial` asks for what was built.
    int run(Show show, Format format, const std::function<bool(Session&)>& work,
            bool partial = false) {
        bool succeeded = false;
        try {
            succeeded = work(*this);
        } catch (const std::exception& error) {
            if (partial)
                printModel(show, format);
            report(userMessage(error));
            return failed;
        }
        if ((succeeded || partial) && !printModel(show, format))
            return failed;
        return succeeded ? success : failed;
    }

    // The settings were written: a failure to print what they hold changes nothing in them.
    void markStored() { m_stored = true; }
    bool printFailed() const { return m_printFailed; }

    void load(LoadMode mode, std::string_view menuString = {}) {
        const FirstRunSetup firstRun = [this](Registry& registry) {
            runFirstRunSetup(registry, Installer::host(), m_messages);
        };
        loadMenu(m_registry, m_pool, m_tree, m_source, mode, menuString, firstRun);
    }

    bool apply() {
        m_stored = applyMenu(m_registry, m_tree, m_source, m_messages);
        return m_stored;
    }

    Registry& registry() { return m_registry; }
    Messages& messages() { return m_messages; }

private:
    bool printModel(Show show, Format format) {
        m_printFailed = !print(shownModel(show, format),
                               m_stored ? "The settings were stored all the same." : "");
        return !m_printFailed;
    }

    std::string shownModel(Show show, Format format) const {
        if (show == Show::List)
            return format == Format::Json ? sourceJson(m_source) : sourceText(m_source);
        return format == Format::Json ? treeJson(m_tree) : treeText(m_tree);
    }

    std::unique_ptr<Registry> m_store = openSettingsStore();
    Registry& m_registry = *m_store;
    ConsoleMessages m_messages;
    RecordPool m_pool;
    MenuTree m_tree{m_pool.rootRecord()};
    AvailableEntries m_source;
    bool m_stored = false;
    bool m_printFailed = false;
};

int loadAndPrint(LoadMode mode, std::string_view menuString, Show show, Format format) {
    Session session;
    return session.run(show, format, [&](Session& s) {
        s.load(mode, menuString);
        return true;
    });
}

int preset(std::string_view name) {
    using Builder = std::string (*)(Registry&);
    const std::pair<std::string_view, Builder> presets[] = {{"Current", nullptr},
                                                            {"Default", &defaultMenu},
                                                            {"Compact", &compactMenu},
                                                            {"All", &allMenu}};
    for (const auto& [presetName, build] : presets) {
        if (presetName != name)
            continue;
        Session session;
        // clang 14 does not let a lambda capture a structured binding.
        const Builder builder = build;
        return session.run(Show::Tree, Format::Text, [builder](Session& s) {
            if (builder)
                s.load(LoadMode::Given, builder(s.registry()));
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
    return session.run(Show::Tree, Format::Text, [&](Session& s) {
        s.load(LoadMode::Given, menuString);
        return s.apply();
    });
}

int save(std::string_view file) {
    try {
        const std::unique_ptr<Registry> store = openSettingsStore();
        Registry& registry = *store;
        if (file == "-")
            return print(menuFileText(registry)) ? success : failed;
        saveMenuFile(registry, pathFromUtf8(file));
        return success;
    } catch (const std::exception& error) {
        report(userMessage(error));
        return failed;
    }
}

// Far more than any menu file holds (every value of the settings at its longest takes well under
// a megabyte), and little enough to hold in memory: standard input could be an endless stream.
constexpr std::size_t standardInputLimit = 16 << 20;

// A menu file's bytes, "-" meaning standard input.
std::string menuFileBytes(std::string_view file) {
    if (file != "-")
        return readMenuFile(pathFromUtf8(file));
    const std::string failure = "Cannot read the menu file from standard input: ";
    std::string text;
    char buffer[65536];
    errno = 0;
    while (const std::size_t count = std::fread(buffer, 1, sizeof buffer, stdin)) {
        if (count > standardInputLimit - text.size())
            throw Failure(failure + "it holds more than " +
                          std::to_string(standardInputLimit >> 20) +
                          " MiB, far more than any menu file.");
        text.append(buffer, count);
    }
    // Standard input closed, or a folder: reported as such, not as a file of no lines.
    if (std::ferror(stdin))
        throw Failure(failure + std::strerror(errno != 0 ? errno : EIO));
    return text;
}

int loadFile(std::string_view file) {
    Session session;
    std::string text;
    try {
        text = menuFileBytes(file);
        if (!loadMenuFile(session.registry(), text)) {
            session.messages().message(messages::nothingHappened);
            return failed;
        }
        session.markStored();
    } catch (const std::exception& error) {
        report(userMessage(error));
        return failed;
    }
    // What the editor does after loading a file: reload the stored menu. The file is stored by
    // now, so the status says so even if another program changed the settings meanwhile and the
    // reload stops; what the reload built is printed then, and only a failure to print it fails.
    session.run(
        Show::Tree, Format::Text,
        [](Session& s) {
            s.load(LoadMode::Stored);
            return true;
        },
        true);
    return session.printFailed() ? failed : success;
}

constexpr std::string_view treeShape =
    "The tree is printed one entry a line, two spaces of indent per level, as \"[tag] caption\",\n"
    "with \" -> target\" after Move To, Copy To, Run/Open and Send To items. Tags: root, submenu,\n"
    "op N, separator, ext, move, copy, run, send.\n";

constexpr std::string_view jsonShape =
    "With --json, one line of JSON (UTF-8): {\"format\":1,\"menu\":NODE}, where a NODE is\n"
    "{\"caption\":TEXT,\"kind\":KIND,\"code\":NUMBER,\"target\":TEXT or "
    "null,\"children\":[NODE...]}\n"
    "and KIND one of root, submenu, operation, separator, extension, move, copy, run, send.\n";

const std::vector<Verb>& verbs() {
    static const std::string showDetails = std::string(treeShape) + '\n' + std::string(jsonShape);
    static const std::string parseDetails =
        "Captions and item targets come from the settings; nothing is stored. A TEXT longer than\n"
        "4095 characters is refused, as apply refuses it.\n\n" +
        showDetails;
    static const std::vector<Verb> table{
        {"show", "", "print the stored menu as the editor loads it", 0, true, showDetails,
         [](Arguments, Format format) {
             return loadAndPrint(LoadMode::Stored, {}, Show::Tree, format);
         }},
        {"list", "", "print the entries offered beside the stored menu", 0, true,
         "One entry a line: \"[tag] caption\", a tab, the description.\n\n"
         "With --json, one line of JSON (UTF-8): {\"format\":1,\"entries\":[ENTRY...]}, where an\n"
         "ENTRY has the fields of a menu NODE (see 'quorvanectl help show') without \"children\",\n"
         "and \"description\".\n",
         [](Arguments, Format format) {
             return loadAndPrint(LoadMode::Stored, {}, Show::List, format);
         }},
        {"parse", "TEXT", "print TEXT read as a menu string", 1, true, parseDetails,
         [](Arguments args, Format format) {
             const auto menu = storedText(args[0]);
             return menu ? loadAndPrint(LoadMode::Given, *menu, Show::Tree, format) : failed;
         }},
        {"preset", "NAME", "load preset Current, Default, Compact or All, apply it, print it", 1,
         false,
         "Current reloads the menu as last applied; Default, Compact and All are the ready\n"
         "menus of the program's Preset Menus.\n",
         [](Arguments args, Format) { return preset(args[0]); }},
        {"apply", "TEXT", "load TEXT as a menu string, apply it, print it", 1, false,
         "Stores the menu as the program's Apply does and prints it. Nothing is written when\n"
         "the menu holds no entry once submenus without entries are left out (at every depth),\n"
         "when a submenu caption is a number, when a caption or an item's target holds a line\n"
         "break, when TEXT, the menu or an item list is longer than 4095 characters (TEXT is\n"
         "never cut), or when TEXT does not read.\n",
         [](Arguments args, Format) {
             const auto menu = storedText(args[0]);
             return menu ? applyText(*menu) : failed;
         }},
        {"save", "FILE", "save the stored menu and options to a menu file (- for stdout)", 1, false,
         "The menu as last applied, with every option, in the menu-file format (*.drm). A stored\n"
         "value that a menu file cannot hold (a text with a line break, a name with a colon)\n"
         "makes the save fail, naming the value; nothing is written then.\n",
         [](Arguments args, Format) { return save(args[0]); }},
        {"load", "FILE", "load a menu file into the settings (- for stdin), print the menu", 1,
         false,
         "The whole file is checked first; nothing is stored when any of it does not read: a\n"
         "number that is not one, a value given as text that the program reads as a number or\n"
         "the reverse, TheMenu or an item list longer than 4095 characters, UTF-16 text. The\n"
         "message names the value and its line. A UTF-8 byte-order mark is read past, and the\n"
         "file is then read as UTF-8.\n",
         [](Arguments args, Format) { return loadFile(args[0]); }},
    };
    return table;
}

std::string verbUsage(const Verb& verb) {
    std::string line = std::string(programName) + ' ' + std::string(verb.name);
    if (verb.takesJson)
        line += " [--json]";
    if (!verb.arguments.empty())
        line += ' ' + std::string(verb.arguments);
    return line;
}

std::string usageLine() {
    return "usage: " + std::string(programName) + " COMMAND [ARGUMENT]   (" +
           std::string(programName) + " --help lists the commands)";
}

int help() {
    std::cout << "usage: " << programName << " [--json] COMMAND [ARGUMENT]\n"
              << "       " << programName << " help [COMMAND] | -h | --help | --version\n\n"
              << "The menu and options of Quorvane, from the command line.\n\nCommands:\n";
    for (const Verb& verb : verbs()) {
        std::string head(verb.name);
        if (!verb.arguments.empty())
            head += " " + std::string(verb.arguments);
        head.resize(std::max<std::size_t>(head.size() + 2, 14), ' ');
        std::cout << "  " << head << verb.summary << '\n';
    }
    std::cout << "  help COMMAND  print the help of one command\n\n"
              << "Options:\n"
              << "  --json        print show, list and parse as JSON for scripts\n"
              << "  -h, --help    print this help\n"
              << "  --version     print the version\n\n"
              << "Exit status: 0 done, 1 failed or refused (nothing was written, unless the\n"
              << "message says the settings were stored before printing failed), 2 wrong usage.\n"
              << "See quorvanectl(1).\n";
    return outputWritten() ? success : failed;
}

int verbHelp(const Verb& verb) {
    std::cout << "usage: " << verbUsage(verb) << "\n\n"
              << static_cast<char>(std::toupper(static_cast<unsigned char>(verb.summary[0])))
              << verb.summary.substr(1) << ".\n\n"
              << verb.details;
    return outputWritten() ? success : failed;
}

int wrongUse(std::string_view message) {
    std::cout.flush();
    std::cerr << programName << ": " << message << '\n' << usageLine() << '\n';
    return wrongUsage;
}

const Verb* findVerb(std::string_view name) {
    for (const Verb& verb : verbs())
        if (verb.name == name)
            return &verb;
    return nullptr;
}

// An option is "--word" or "-letter"; "-" alone (standard input or output) and a menu string
// such as "-1,16" are arguments, as is everything after "--".
bool isOption(std::string_view arg) {
    if (arg.starts_with("--"))
        return arg.size() > 2;
    return arg.size() > 1 && arg[0] == '-' && std::isalpha(static_cast<unsigned char>(arg[1]));
}

int run(Arguments args) {
    bool wantsHelp = false;
    bool wantsVersion = false;
    bool json = false;
    std::vector<std::string_view> words;
    bool optionsEnded = false;
    for (const std::string_view arg : args) {
        if (optionsEnded || !isOption(arg)) {
            if (!optionsEnded && arg == "--")
                optionsEnded = true;
            else
                words.push_back(arg);
        } else if (arg == "-h" || arg == "--help") {
            wantsHelp = true;
        } else if (arg == "--version") {
            wantsVersion = true;
        } else if (arg == "--json") {
            json = true;
        } else {
            return wrongUse("unknown option '" + std::string(arg) + "'");
        }
    }

    if (wantsVersion && !wantsHelp && words.empty()) {
        std::cout << programName << ' ' << version << '\n';
        return outputWritten() ? success : failed;
    }
    if (words.empty())
        return wantsHelp ? help() : wrongUse("no command given");

    if (words[0] == "help") {
        if (words.size() == 1)
            return help();
        const Verb* verb = findVerb(words[1]);
        if (!verb)
            return wrongUse("unknown command '" + std::string(words[1]) + "'");
        return words.size() == 2 ? verbHelp(*verb) : wrongUse("'help' takes one command");
    }
    const Verb* verb = findVerb(words[0]);
    if (!verb)
        return wrongUse("unknown command '" + std::string(words[0]) + "'");
    if (wantsHelp)
        return verbHelp(*verb);
    if (wantsVersion)
        return wrongUse("'--version' takes no command");
    if (json && !verb->takesJson)
        return wrongUse("'" + std::string(verb->name) + "' has no option '--json'");
    const std::size_t given = words.size() - 1;
    if (given != verb->argumentCount) {
        const std::string_view problem = given < verb->argumentCount ? "missing" : "extra";
        std::cout.flush();
        std::cerr << programName << ": " << problem << " argument for '" << verb->name << "'\n"
                  << "usage: " << verbUsage(*verb) << '\n';
        return wrongUsage;
    }
    return verb->run(std::span(words).subspan(1), json ? Format::Json : Format::Text);
}

} // namespace
} // namespace quorvane

int main(int argc, char** argv) {
    quorvane::fillClosedStandardDescriptors();
    const std::vector<std::string> arguments = quorvane::programArguments(argc, argv);
    const std::vector<std::string_view> args(arguments.begin(), arguments.end());
    return quorvane::run(args);
}
