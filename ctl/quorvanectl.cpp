// quorvanectl: the menu and settings of Quorvane from the command line, over the same core and the
// same settings store as the setup program.

#include "menu/MenuLoad.h"
#include "menu/MenuTree.h"
#include "menu/RecordPool.h"
#include "menu/TreeSource.h"
#include "platform/HiveRegistry.h"

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

void report(std::string_view text) {
    std::cout.flush();
    std::cerr << programName << ": " << text << '\n';
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
        std::cout << std::string(2 * depth, ' ') << '[' << tag(record) << "] " << node->caption();
        if (hasTarget(record.kind))
            std::cout << " -> " << record.description;
        std::cout << '\n';
        for (int i = node->childCount(); i-- > 0;)
            pending.emplace_back(node->child(i), depth + 1);
    }
}

void printSource(const TreeSource& source) {
    for (const SourceEntry& entry : source.entries())
        std::cout << '[' << tag(*entry.record) << "] " << entry.caption << '\t'
                  << entry.record->description << '\n';
}

// Loads as the editor does and prints what was built, also when the load stopped early.
int loadAndPrint(LoadMode mode, std::string_view menuString, bool printList) {
    RecordPool pool;
    MenuTree tree(pool.rootRecord());
    TreeSource source;
    std::optional<std::string> failure;
    try {
        HiveRegistry registry(HiveRegistry::defaultHiveFile());
        // First-run set-up is not wired in yet: the load reads the store as it stands.
        const FirstRunSetup firstRun;
        Load(registry, pool, tree, source, mode, menuString, firstRun);
    } catch (const std::exception& error) {
        failure = error.what();
    }
    if (printList)
        printSource(source);
    else
        printTree(tree);
    if (failure) {
        report(*failure);
        return failed;
    }
    return success;
}

const std::vector<Verb>& verbs() {
    static const std::vector<Verb> table{
        {"show", "", "print the stored menu as the editor loads it", 0,
         [](Arguments) { return loadAndPrint(LoadMode::Stored, {}, false); }},
        {"list", "", "print the entries offered beside the stored menu", 0,
         [](Arguments) { return loadAndPrint(LoadMode::Stored, {}, true); }},
        {"parse", "TEXT", "print TEXT read as a menu string", 1,
         [](Arguments args) { return loadAndPrint(LoadMode::Given, args[0], false); }},
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
