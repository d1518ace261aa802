#include "extension/FileOperations.h"

#include "extension/HostFiles.h"
#include "extension/Selection.h"
#include "platform/System.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <random>
#include <system_error>

namespace fs = std::filesystem;

namespace quorvane::ext {

std::string quoted(const fs::path& path) {
    return "'" + shownName(path.string()) + "'";
}

std::string reason(int error) {
    return std::strerror(error);
}

std::optional<std::string> symbolicLinkTarget(const fs::path& object) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(object, ec)))
        return std::nullopt;
    const fs::path resolved = fs::canonical(object, ec);
    if (!ec)
        return resolved.string();
    // Leads nowhere: as far as it goes.
    return (fs::absolute(object).parent_path() / fs::read_symlink(object, ec))
        .lexically_normal()
        .string();
}

namespace {

// Without a trailing separator, so that its file name is its last component.
fs::path tidy(const fs::path& path) {
    fs::path normal = path.lexically_normal();
    if (!normal.has_filename() && normal.has_parent_path() && normal != normal.root_path())
        normal = normal.parent_path();
    return normal;
}

// A name beside `target` that nothing else uses, for a copy under construction; it holds as much
// of the target's name as fits in the folder's longest name. Gives up, with the system's reason,
// when it cannot tell whether a name is free, and after a few names that are all taken.
fs::path partialName(const fs::path& target, std::error_code& ec) {
    static thread_local std::mt19937 random{std::random_device{}()};
    constexpr std::string_view mark = ".quorvane-";
    // A dot, the mark and up to ten digits.
    const std::size_t room =
        std::max<std::size_t>(longestName(target.parent_path()), 64) - 11 - mark.size();
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
        fs::path candidate = target.parent_path() / pathFromUtf8("." + name + std::string(mark) +
                                                                 std::to_string(random()));
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
        if (const std::string why = removeTree(tidy(object)); !why.empty())
            failures.push_back("Cannot remove " + quoted(object) + ": " + why + ".");
    }
    return failures;
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
        const fs::path target = object.parent_path() / pathFromUtf8(name);
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

std::string extensionOf(const fs::path& object) {
    const std::string name = tidy(object).filename().string();
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size())
        return {};
    return name.substr(dot + 1);
}

} // namespace quorvane::ext
