#include "extension/HostFiles.h"

#include "extension/Selection.h"
#include "platform/System.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace quorvane::ext {

int presence(const fs::path& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) == 0)
        return EEXIST;
    return errno == ENOENT ? 0 : errno;
}

int renameNoReplace(const fs::path& from, const fs::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    const int error = errno;
    if (error != EINVAL && error != ENOSYS)
        return error;
    // A file system that cannot rename that way: a look first keeps the promise for files.
    if (const int found = presence(to))
        return found;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

std::string removeTree(const fs::path& object) {
    std::error_code ec;
    if (fs::remove_all(object, ec) == 0 && !ec)
        return "it no longer exists";
    return ec ? ec.message() : std::string();
}

std::vector<std::string> stamp(const std::vector<fs::path>& objects, const StampDates& dates) {
    std::vector<std::string> failures;
    if (!dates.lastAccessed && !dates.lastModified)
        return failures;
    timespec times[2];
    times[0].tv_sec = times[1].tv_sec = 0;
    times[0].tv_nsec = dates.lastAccessed ? UTIME_NOW : UTIME_OMIT;
    times[1].tv_nsec = dates.lastModified ? UTIME_NOW : UTIME_OMIT;
    for (const fs::path& object : objects) {
        // The object itself, as selected: a link gets the dates, not what it leads to.
        if (::utimensat(AT_FDCWD, object.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
            failures.push_back("Cannot stamp " + quoted(object) + ": " + reason(errno) + ".");
    }
    return failures;
}

namespace {

std::string percentDecoded(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() &&
            std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The first bytes of a regular file, or nothing. Opened so that it cannot block: a pipe named
// like a launcher would otherwise hold the file manager until something writes to it.
std::optional<std::string> smallFileStart(const fs::path& file, std::size_t most) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat status {};
    std::optional<std::string> bytes;
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
        bytes.emplace(most, '\0');
        std::size_t filled = 0;
        while (filled < most) {
            const ssize_t count = ::read(fd, bytes->data() + filled, most - filled);
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0)
                break;
            filled += static_cast<std::size_t>(count);
        }
        bytes->resize(filled);
    }
    ::close(fd);
    return bytes;
}

// The URL of a link launcher (a desktop entry of type Link), or nothing.
std::optional<std::string> launcherUrl(const fs::path& object) {
    if (object.extension() != ".desktop")
        return std::nullopt;
    // Launchers are small; a huge file is not one worth reading inside a file manager.
    const std::optional<std::string> text = smallFileStart(object, 65536);
    if (!text)
        return std::nullopt;
    std::istringstream in(*text);
    std::string line;
    bool inEntry = false;
    bool isLink = false;
    std::optional<std::string> url;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.starts_with('[')) {
            inEntry = line == "[Desktop Entry]";
        } else if (inEntry && line.starts_with("Type=")) {
            isLink = line.substr(5) == "Link";
        } else if (inEntry && line.starts_with("URL=")) {
            url = line.substr(4);
        }
    }
    if (!isLink || !url)
        return std::nullopt;
    if (url->starts_with("file://"))
        return percentDecoded(std::string_view(*url).substr(7));
    return url;
}

} // namespace

std::string linkTarget(const fs::path& object) {
    if (auto target = symbolicLinkTarget(object))
        return *target;
    if (const auto url = launcherUrl(object))
        return *url;
    return object.string();
}

std::size_t longestName(const fs::path& folder) {
    const long longest = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    return longest > 0 ? static_cast<std::size_t>(longest) : NAME_MAX;
}

fs::path rootFolder() {
    return "/";
}

fs::path homeFolder() {
    const char* home = std::getenv("HOME");
    return home && *home ? fs::path(home) : rootFolder();
}

std::string stampRefusal(const StampDates& dates) {
    if (dates.lastAccessed || dates.lastModified)
        return {};
    return "Stamp is set to change only the creation date, which Linux file systems do not let "
           "anyone set. Nothing was changed.";
}

bool isProgram(const fs::path& file) {
    std::error_code ec;
    return ::access(file.c_str(), X_OK) == 0 && fs::is_regular_file(file, ec);
}

std::vector<std::string> openCommand(const std::string& target) {
    return {"xdg-open", target};
}

namespace {

// A shell that runs the file given as $1, if any, then stays as the prompt.
constexpr const char* promptScript = "[ -n \"$1\" ] && \"$1\"; exec \"${SHELL:-/bin/sh}\"";
// The same with the prompt's own start-up command, given as $2, instead of the user's shell.
constexpr const char* alternativeScript = "[ -n \"$1\" ] && \"$1\"; exec $2";

// The command that opens the user's terminal in the current folder, running `script` with
// `arguments` as its positional parameters: $TERMINAL, or x-terminal-emulator; empty when
// neither is found. Each runs what follows "-e" as a command with its arguments.
std::vector<std::string> terminalCommand(const std::string& script,
                                         const std::vector<std::string>& arguments) {
    std::string terminal;
    if (const char* chosen = std::getenv("TERMINAL"); chosen && *chosen)
        terminal = findProgram(chosen, "");
    if (terminal.empty())
        terminal = findProgram("x-terminal-emulator", "");
    if (terminal.empty())
        return {};
    std::vector<std::string> command{terminal, "-e", "/bin/sh", "-c", script, "quorvane-prompt"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return command;
}

} // namespace

PromptCommand promptCommand(const std::string& file, const std::string* start) {
    std::vector<std::string> arguments{file};
    if (start) {
        const std::string& command = *start;
        const std::string program = command.substr(0, command.find_first_of(" \t"));
        if (program.empty() || findProgram(program, "").empty())
            return {{},
                    "The alternative prompt's start-up command '" + command +
                        "' names no program on this computer. Set it in Quorvane Setup's "
                        "Properties, on the page \"Alternative Prompt\"."};
        arguments.push_back(command);
    }
    std::vector<std::string> command =
        terminalCommand(start ? alternativeScript : promptScript, arguments);
    if (command.empty())
        return {{},
                "No terminal found: install one that provides x-terminal-emulator, or set "
                "TERMINAL to the one you use."};
    return {std::move(command), {}};
}

} // namespace quorvane::ext
