#include "extension/FileOperations.h"

#include "extension/Selection.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <random>
#include <sstream>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace quorvane::ext {

namespace {

std::string quoted(const fs::path& path) {
    return "'" + shownName(path.string()) + "'";
}

std::string reason(int error) {
    return std::strerror(error);
}

// Without a trailing separator, so that its file name is its last component.
fs::path tidy(const fs::path& path) {
    fs::path normal = path.lexically_normal();
    if (!normal.has_filename() && normal.has_parent_path() && normal != normal.root_path())
        normal = normal.parent_path();
    return normal;
}

// 0 when nothing is at `path`, EEXIST when something is, the system's error when it cannot tell
// (a name too long, a folder it may not look into): never a guess either way.
int presence(const fs::path& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) == 0)
        return EEXIST;
    return errno == ENOENT ? 0 : errno;
}

// Renames without ever replacing what is at `to`. Returns 0 or the error number.
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

// A name beside `target` that nothing else uses, for a copy under construction; it holds as much
// of the target's name as fits in the folder's longest name. Gives up, with the system's reason,
// when it cannot tell whether a name is free, and after a few names that are all taken.
fs::path partialName(const fs::path& target, std::error_code& ec) {
    static thread_local std::mt19937 random{std::random_device{}()};
    constexpr std::string_view mark = ".quorvane-";
    const long longest = ::pathconf(target.parent_path().c_str(), _PC_NAME_MAX);
    // A dot, the mark and up to ten digits.
    const std::size_t room =
        std::max<long>(longest > 0 ? longest : NAME_MAX, 64) - 11 - mark.size();
    std::string name = target.filename().string();
    if (name.size() > room) {
        std::size_t cut = room;
        // Not in the middle of a character, where the name is UTF-8.
        for (int back = 0;
             back < 3 && cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80; ++back)
            --cut;
        name.resize(cut);
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path candidate =
            target.parent_path() / ("." + name + std::string(mark) + std::to_string(random()));
        const int found = presence(candidate);
        if (found == 0)
            return candidate;
        if (found != EEXIST) {
            ec = std::error_code(found, std::generic_category());
            return {};
        }
    }
    // Not "exists", which would blame the target's own name.
    ec = std::make_error_code(std::errc::resource_unavailable_try_again);
    return {};
}

// Copies `from` as `to` (which must not exist), links as links, whole or not at all.
std::error_code copyWhole(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    const fs::path partial = partialName(to, ec);
    if (ec)
        return ec;
    fs::copy(from, partial, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
    if (!ec) {
        if (const int error = renameNoReplace(partial, to))
            ec = std::error_code(error, std::generic_category());
    }
    if (ec) {
        std::error_code ignored;
        fs::remove_all(partial, ignored);
    }
    return ec;
}

bool isWithin(const fs::path& inner, const fs::path& outer) {
    std::error_code ec;
    const fs::path a = fs::weakly_canonical(inner, ec);
    const fs::path b = fs::weakly_canonical(outer, ec);
    auto [end, ignored] = std::mismatch(b.begin(), b.end(), a.begin(), a.end());
    return end == b.end();
}

} // namespace

std::vector<std::string> transfer(const std::vector<fs::path>& objects, const fs::path& folder,
                                  Transfer how) {
    std::vector<std::string> failures;
    const char* verb = how == Transfer::Move ? "move" : "copy";
    for (const fs::path& given : objects) {
        const fs::path object = tidy(given);
        const fs::path target = folder / object.filename();
        const std::string what =
            "Cannot " + std::string(verb) + " " + quoted(object) + " to " + quoted(folder) + ": ";
        std::error_code ec;
        if (fs::symlink_status(object, ec).type() == fs::file_type::not_found) {
            failures.push_back(what + "it no longer exists.");
            continue;
        }
        if (fs::is_directory(fs::symlink_status(object, ec)) && isWithin(folder, object)) {
            failures.push_back(what + "a folder cannot go into itself.");
            continue;
        }
        if (const int found = presence(target)) {
            failures.push_back(what + (found == EEXIST ? quoted(target) + " already exists."
                                                       : reason(found) + "."));
            continue;
        }
        if (how == Transfer::Move) {
            const int error = renameNoReplace(object, target);
            if (error == 0)
                continue;
            if (error == EEXIST) {
                failures.push_back(what + quoted(target) + " already exists.");
                continue;
            }
            if (error != EXDEV) {
                failures.push_back(what + reason(error) + ".");
                continue;
            }
        }
        if (const std::error_code copied = copyWhole(object, target)) {
            failures.push_back(what + (copied.value() == EEXIST
                                           ? quoted(target) + " already exists."
                                           : copied.message() + "."));
            continue;
        }
        if (how == Transfer::Move) {
            fs::remove_all(object, ec);
            if (ec)
                failures.push_back("Copied " + quoted(object) + " to " + quoted(folder) +
                                   ", but cannot remove the original: " + ec.message() + ".");
        }
    }
    return failures;
}

std::vector<std::string> removeForGood(const std::vector<fs::path>& objects) {
    std::vector<std::string> failures;
    for (const fs::path& object : objects) {
        std::error_code ec;
        if (fs::remove_all(tidy(object), ec) == 0 && !ec)
            failures.push_back("Cannot remove " + quoted(object) + ": it no longer exists.");
        else if (ec)
            failures.push_back("Cannot remove " + quoted(object) + ": " + ec.message() + ".");
    }
    return failures;
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

std::string extensionOf(const fs::path& object) {
    const std::string name = tidy(object).filename().string();
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size())
        return {};
    return name.substr(dot + 1);
}

std::vector<std::string> changeExtension(const std::vector<fs::path>& objects,
                                         std::string_view extension) {
    std::vector<std::string> failures;
    for (const fs::path& given : objects) {
        const fs::path object = tidy(given);
        const std::string what = "Cannot rename " + quoted(object) + ": ";
        std::error_code ec;
        const fs::file_status status = fs::symlink_status(object, ec);
        if (status.type() == fs::file_type::not_found) {
            failures.push_back(what + "it no longer exists.");
            continue;
        }
        if (fs::is_directory(status)) {
            failures.push_back(what + "it is a folder; only files get another extension.");
            continue;
        }
        std::string name = object.filename().string();
        const std::string old = extensionOf(object);
        if (!old.empty())
            name.resize(name.size() - old.size() - 1);
        name += "." + std::string(extension);
        const fs::path target = object.parent_path() / name;
        if (target == object)
            continue;
        const int error = renameNoReplace(object, target);
        if (error == EEXIST)
            failures.push_back(what + quoted(target) + " already exists.");
        else if (error)
            failures.push_back(what + reason(error) + ".");
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
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(object, ec))) {
        const fs::path resolved = fs::canonical(object, ec);
        if (!ec)
            return resolved.string();
        // Leads nowhere: as far as it goes.
        return (fs::absolute(object).parent_path() / fs::read_symlink(object, ec))
            .lexically_normal()
            .string();
    }
    if (const auto url = launcherUrl(object))
        return *url;
    return object.string();
}

} // namespace quorvane::ext
