#include "extension/Operations.h"

#include "extension/AddItem.h"
#include "extension/ClipboardText.h"
#include "extension/FileOperations.h"
#include "extension/HostFiles.h"
#include "platform/Codepage.h"
#include "platform/Failure.h"
#include "platform/System.h"
#include "settings/Properties.h"
#include "settings/Schema.h"
#include "store/HiveLock.h"
#include "store/ReadOnlyRegistry.h"

#include <memory>
#include <optional>

namespace fs = std::filesystem;

namespace quorvane::ext {

namespace {

// The options as stored, over the defaults first-run set-up would have written.
Properties storedOptions(Registry& store) {
    Properties options;
    options.copyCrLf = true;
    options.appendCrLf = true;
    options.altPromptStart = defaults::altPromptStart;
    ReadOnlyRegistry reader(store);
    readProperties(reader, options);
    return options;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += (text.empty() ? "" : "\n") + line;
    return text;
}

// File operations run away from the file manager's main thread, as a slow disk or a large folder
// would freeze it; what failed reaches the user from there.
void fileWork(Host& host, std::function<std::vector<std::string>()> work) {
    host.runInBackground([&host, work = std::move(work)] {
        const auto failures = work();
        if (!failures.empty())
            host.message(joined(failures));
    });
}

class Activation {
public:
    Activation(const ShownEntry& entry, const Selection& selection, Host& host, Registry& store,
               const Programs& programs)
        : m_entry(entry), m_selection(selection), m_host(host), m_store(store),
          m_programs(programs), m_caption(ansiToUtf8(entry.caption)) {}

    void run();

private:
    void operation(std::int32_t code);
    void item();

    // The selected objects, or the folder whose background was clicked.
    std::vector<SelectedObject> objectsOrFolder() const;
    // Local paths of the selected objects; nothing (and a message) when an object is elsewhere
    // or, with `objectsOnly`, when only a background was clicked.
    std::optional<std::vector<fs::path>> localObjects(bool objectsOnly) const;
    std::optional<fs::path> localWhere() const;
    void refuseElsewhere(const SelectedObject& object) const;

    void toClipboard(bool append, bool targets);
    void prompt(const fs::path& folder, const std::string& file, const std::string* start);
    void startSetup();
    void add(Kind kind, bool whereClicked);
    void addExtensions();
    void commit(std::vector<NewItem> items);
    void transferTo(const fs::path& folder, Transfer how);
    void runWith(const std::string& target);
    // The item's target as a local path, or nothing (and a message) when it is not set.
    std::optional<fs::path> itemTarget() const;
    void report(const std::vector<std::string>& failures) const;

    const ShownEntry m_entry;
    const Selection m_selection;
    Host& m_host;
    Registry& m_store;
    const Programs m_programs;
    const std::string m_caption;
};

void Activation::run() {
    if (m_entry.kind == Kind::Operation)
        operation(m_entry.operation);
    else
        item();
}

std::vector<SelectedObject> Activation::objectsOrFolder() const {
    if (!m_selection.objects.empty())
        return m_selection.objects;
    if (m_selection.background)
        return {*m_selection.background};
    return {};
}

void Activation::refuseElsewhere(const SelectedObject& object) const {
    m_host.message("\"" + m_caption + "\" works on files and folders of this computer only; '" +
                   shownName(object.uri) + "' is elsewhere.");
}

std::optional<std::vector<fs::path>> Activation::localObjects(bool objectsOnly) const {
    const std::vector<SelectedObject> objects =
        objectsOnly ? m_selection.objects : objectsOrFolder();
    if (objects.empty()) {
        m_host.message("\"" + m_caption + "\" works on the selected files and folders: select " +
                       "some first.");
        return std::nullopt;
    }
    std::vector<fs::path> paths;
    for (const SelectedObject& object : objects) {
        if (!object.path) {
            refuseElsewhere(object);
            return std::nullopt;
        }
        paths.push_back(*object.path);
    }
    return paths;
}

std::optional<fs::path> Activation::localWhere() const {
    const SelectedObject where = whereClicked(m_selection);
    if (!where.path) {
        refuseElsewhere(where);
        return std::nullopt;
    }
    return where.path;
}

void Activation::report(const std::vector<std::string>& failures) const {
    if (!failures.empty())
        m_host.message(joined(failures));
}

void Activation::operation(std::int32_t value) {
    using enum OperationCode;
    const auto code = static_cast<OperationCode>(value);
    switch (code) {
    case ExploreFromHere:
        m_host.openFolderWindow(whereClicked(m_selection).uri);
        return;
    case OpenContainer: {
        std::vector<std::string> uris;
        for (const SelectedObject& object : objectsOrFolder())
            uris.push_back(object.uri);
        m_host.showItems(uris);
        return;
    }
    case NameToClipboard:
    case AppendToClipboard:
    case TargetNameToClipboard:
    case AppendTargetToClipboard:
        toClipboard(code == AppendToClipboard || code == AppendTargetToClipboard,
                    code == TargetNameToClipboard || code == AppendTargetToClipboard);
        return;
    case ShowClipboard: {
        Host& host = m_host;
        const std::string title = m_caption;
        host.readClipboard([&host, title](std::string text) { host.showText(title, text); });
        return;
    }
    case DosPrompt:
        if (const auto where = localWhere())
            prompt(*where, storedOptions(m_store).dosPromptFile, nullptr);
        return;
    case AlternativePrompt:
        if (const auto where = localWhere()) {
            const Properties options = storedOptions(m_store);
            prompt(*where, options.altPromptFile, &options.altPromptStart);
        }
        return;
    case CPrompt:
        prompt(rootFolder(), storedOptions(m_store).cPromptFile, nullptr);
        return;
    case TargetProperties: {
        std::vector<std::string> uris;
        for (const SelectedObject& object : objectsOrFolder())
            uris.push_back(object.path ? fileUri(linkTarget(*object.path)) : object.uri);
        m_host.showItemProperties(uris);
        return;
    }
    case Configure:
        startSetup();
        return;
    case AddThisExt:
        addExtensions();
        return;
    case AddThisMoveDir:
    case AddThisCopyDir:
        add(code == AddThisMoveDir ? Kind::MoveTo : Kind::CopyTo, true);
        return;
    case AddThisFile:
    case AddThisSendTo:
        add(code == AddThisFile ? Kind::RunOpen : Kind::SendTo, false);
        return;
    case Remove:
        if (auto objects = localObjects(true)) {
            const std::size_t count = objects->size();
            Host& host = m_host;
            const std::string question =
                count == 1 ? "Remove '" + shownName((*objects)[0].string()) +
                                 "' for good? It does not go to the trash."
                           : "Remove these " + std::to_string(count) +
                                 " objects for good? They do not go to the trash.";
            host.confirm(question, [&host, paths = std::move(*objects)] {
                fileWork(host, [paths] { return removeForGood(paths); });
            });
        }
        return;
    case Stamp:
        if (auto objects = localObjects(true)) {
            const StampDates dates = storedOptions(m_store).stamp;
            if (const std::string refusal = stampRefusal(dates); !refusal.empty()) {
                m_host.message(refusal);
                return;
            }
            fileWork(m_host, [dates, paths = std::move(*objects)] { return stamp(paths, dates); });
        }
        return;
    case BrowseMove:
    case BrowseCopy:
        if (auto objects = localObjects(true)) {
            Host& host = m_host;
            const Transfer how = code == BrowseMove ? Transfer::Move : Transfer::Copy;
            // The folder the objects are in, not a selected folder itself, which cannot take it.
            const auto start = containerOf(m_selection.objects.front()).path;
            host.chooseFolder(m_caption, start.value_or(rootFolder()),
                              [&host, how, paths = std::move(*objects)](fs::path to) {
                                  fileWork(host,
                                           [how, paths, to] { return transfer(paths, to, how); });
                              });
        }
        return;
    default:
        m_host.message("\"" + m_caption + "\" is no operation this version knows.");
    }
}

void Activation::toClipboard(bool append, bool targets) {
    std::vector<std::string> names;
    for (const SelectedObject& object : objectsOrFolder())
        names.push_back(
            clipboardName(targets && object.path ? linkTarget(*object.path) : displayName(object)));
    if (names.empty())
        return;
    const Properties options = storedOptions(m_store);
    std::string text = clipboardText(names, append ? options.appendCrLf : options.copyCrLf);
    if (!append) {
        m_host.setClipboard(std::move(text));
        return;
    }
    Host& host = m_host;
    host.readClipboard([&host, text = std::move(text)](std::string current) {
        host.setClipboard(current + text);
    });
}

void Activation::prompt(const fs::path& folder, const std::string& file, const std::string* start) {
    const std::string startUp = start ? ansiToUtf8(*start) : std::string();
    PromptCommand prompt = promptCommand(ansiToUtf8(file), start ? &startUp : nullptr);
    if (!prompt.problem.empty()) {
        m_host.message(prompt.problem);
        return;
    }
    m_host.startProgram(std::move(prompt.command), folder);
}

void Activation::startSetup() {
    // Its own folder is looked at through the file system, which takes every character of a
    // name; the search that follows speaks the ANSI code page on Windows.
    const fs::path installed = pathFromUtf8(m_programs.setupFolder) /
                               (hostIsWindows() ? "quorvane-setup.exe" : "quorvane-setup");
    const std::string program = isProgram(installed)
                                    ? installed.string()
                                    : findProgram("quorvane-setup", m_programs.setupFolder);
    if (program.empty()) {
        m_host.message("quorvane-setup was not found in " + m_programs.setupFolder +
                       " nor on the PATH.");
        return;
    }
    m_host.startProgram({program}, homeFolder());
}

void Activation::commit(std::vector<NewItem> items) {
    Host& host = m_host;
    Registry& store = m_store;
    host.runInBackground([&host, &store, items = std::move(items)] {
        try {
            addItems(store, items);
        } catch (const HiveBusy& busy) {
            // The lock file stands on a line of its own, which a message box runs into the
            // sentence.
            std::string text = busy.what();
            if (const auto lineEnd = text.find('\n'); lineEnd != std::string::npos)
                text = text.substr(0, lineEnd) + " (" + shownName(text.substr(lineEnd + 1)) + ")";
            host.message(failureTextToUtf8(text) + ". " + std::string(nothingAdded));
        } catch (const std::exception& error) {
            std::string text = failureTextToUtf8(userMessage(error));
            if (text.find(nothingAdded) == std::string::npos)
                text += "\n" + std::string(nothingAdded);
            host.message(text);
        }
    });
}

void Activation::add(Kind kind, bool whereClicked) {
    std::vector<std::pair<fs::path, bool>> objects;
    if (whereClicked) {
        const auto where = localWhere();
        if (!where)
            return;
        objects.emplace_back(*where, true);
    } else {
        const auto paths = localObjects(false);
        if (!paths)
            return;
        const auto selected = objectsOrFolder();
        for (std::size_t i = 0; i < paths->size(); ++i)
            objects.emplace_back((*paths)[i], selected[i].isDirectory);
    }
    const Properties options = storedOptions(m_store);
    std::vector<NewItem> items;
    try {
        for (const auto& [path, isDirectory] : objects) {
            // Names the store's code page cannot hold are refused, naming the character.
            items.push_back({kind,
                             utf8ToAnsi(addedCaption(path, isDirectory, options.addPrePath,
                                                     options.addFileExt)),
                             utf8ToAnsi(path.string())});
        }
    } catch (const Failure& failure) {
        m_host.message(failureTextToUtf8(failure.what()) + "\n" + std::string(nothingAdded));
        return;
    }
    commit(std::move(items));
}

void Activation::addExtensions() {
    const auto paths = localObjects(true);
    if (!paths)
        return;
    std::vector<NewItem> items;
    std::vector<std::string> refusals;
    for (const fs::path& path : *paths) {
        const std::string extension = extensionOf(path);
        if (extension.empty()) {
            refusals.push_back("'" + shownName(path.string()) + "' has no extension to add.");
            continue;
        }
        bool known = false;
        for (const NewItem& item : items)
            known = known || item.caption == utf8ToAnsi(extension);
        if (!known)
            items.push_back({Kind::Extension, utf8ToAnsi(extension), {}});
    }
    report(refusals);
    commit(std::move(items));
}

std::optional<fs::path> Activation::itemTarget() const {
    const std::string target = ansiToUtf8(m_entry.target);
    std::error_code ec;
    const fs::path path = pathFromUtf8(target);
    if (target.empty() || !path.is_absolute() || !fs::exists(path, ec)) {
        m_host.message("The item \"" + m_caption + "\" is not set: its target '" +
                       shownName(target) +
                       "' does not exist on this computer. Choose one in Quorvane Setup.");
        return std::nullopt;
    }
    return path;
}

void Activation::transferTo(const fs::path& folder, Transfer how) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        m_host.message("The item \"" + m_caption + "\" leads to '" + shownName(folder.string()) +
                       "', which is no folder. Nothing was " +
                       (how == Transfer::Move ? "moved." : "copied."));
        return;
    }
    auto objects = localObjects(true);
    if (!objects)
        return;
    fileWork(m_host,
             [how, folder, paths = std::move(*objects)] { return transfer(paths, folder, how); });
}

void Activation::runWith(const std::string& target) {
    std::vector<std::string> command{target};
    std::error_code ec;
    const fs::path path = pathFromUtf8(target);
    if (fs::is_directory(path, ec)) {
        m_host.openFolderWindow(fileUri(path));
        return;
    }
    const bool executable = isProgram(path);
    if (!executable)
        command = openCommand(target);
    for (const SelectedObject& object : m_selection.objects) {
        if (!executable)
            break;
        command.push_back(displayName(object));
    }
    const auto where = whereClicked(m_selection);
    m_host.startProgram(std::move(command), where.path ? *where.path : rootFolder());
}

void Activation::item() {
    switch (m_entry.kind) {
    case Kind::Extension: {
        const std::string extension = ansiToUtf8(m_entry.caption);
        if (extension.empty() || extension.find('/') != std::string::npos) {
            m_host.message("'" + extension + "' cannot be a file's extension.");
            return;
        }
        if (auto objects = localObjects(true)) {
            fileWork(m_host, [extension, paths = std::move(*objects)] {
                return changeExtension(paths, extension);
            });
        }
        return;
    }
    case Kind::MoveTo:
    case Kind::CopyTo:
        if (const auto target = itemTarget())
            transferTo(*target, m_entry.kind == Kind::MoveTo ? Transfer::Move : Transfer::Copy);
        return;
    case Kind::RunOpen:
        if (const auto target = itemTarget())
            runWith(target->string());
        return;
    case Kind::SendTo:
        if (const auto target = itemTarget()) {
            std::error_code ec;
            if (fs::is_directory(*target, ec))
                transferTo(*target, Transfer::Copy);
            else
                runWith(target->string());
        }
        return;
    default:
        return;
    }
}

} // namespace

void activate(const ShownEntry& entry, const Selection& selection, Host& host, Registry& store,
              const Programs& programs) {
    try {
        Activation(entry, selection, host, store, programs).run();
    } catch (const std::exception& error) {
        host.message(failureTextToUtf8(userMessage(error)));
    } catch (...) {
        host.message("\"" + ansiToUtf8(entry.caption) + "\" failed.");
    }
}

} // namespace quorvane::ext
