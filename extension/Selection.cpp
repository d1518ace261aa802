#include "extension/Selection.h"

#include "platform/Codepage.h"

namespace quorvane::ext {

namespace {

bool unreserved(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/';
}

// Sequences of the name that are UTF-8 kept, each other byte replaced.
std::string validUtf8(std::string_view text) {
    if (isUtf8(text))
        return std::string(text);
    std::string valid;
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const std::size_t length = lead < 0x80             ? 1
                                   : (lead & 0xE0) == 0xC0 ? 2
                                   : (lead & 0xF0) == 0xE0 ? 3
                                   : (lead & 0xF8) == 0xF0 ? 4
                                                           : 0;
        if (length && isUtf8(text.substr(at, length))) {
            valid += text.substr(at, length);
            at += length;
        } else {
            valid += "\uFFFD";
            ++at;
        }
    }
    return valid;
}

constexpr std::size_t longestShown = 60;
constexpr std::size_t shownHead = 25;

} // namespace

std::string shownName(std::string_view name) {
    std::string text = validUtf8(name);
    // Counted in characters: a byte that starts one is no continuation byte.
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < text.size(); ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            starts.push_back(i);
    if (starts.size() <= longestShown)
        return text;
    const std::size_t tail = starts[starts.size() - (longestShown - shownHead - 1)];
    return text.substr(0, starts[shownHead]) + "…" + text.substr(tail);
}

std::string clipboardName(const std::string& name) {
    return isUtf8(name) || !name.starts_with('/') ? name : fileUri(name);
}

std::string fileUri(const std::filesystem::path& path) {
    static const char hex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    // The path's bytes as they are on POSIX systems, its UTF-8 where the system's names are UTF-16.
    for (const char8_t c : path.u8string()) {
        if (unreserved(c)) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        }
    }
    return uri;
}

SelectedObject containerOf(const SelectedObject& object) {
    SelectedObject folder;
    folder.isDirectory = true;
    if (object.path) {
        std::filesystem::path path = object.path->lexically_normal();
        if (!path.has_filename())
            path = path.parent_path();
        folder.path = path.has_parent_path() ? path.parent_path() : path;
        folder.uri = fileUri(*folder.path);
        return folder;
    }
    std::string uri = object.uri;
    while (uri.size() > 1 && uri.back() == '/')
        uri.pop_back();
    const auto slash = uri.rfind('/');
    // "smb://host" has no folder above it worth naming; keep it.
    const auto scheme = uri.find("://");
    folder.uri = slash != std::string::npos && (scheme == std::string::npos || slash > scheme + 2)
                     ? uri.substr(0, slash + 1)
                     : uri;
    return folder;
}

SelectedObject whereClicked(const Selection& selection) {
    if (selection.background)
        return *selection.background;
    if (selection.objects.empty())
        return {};
    const SelectedObject& first = selection.objects.front();
    return first.isDirectory ? first : containerOf(first);
}

std::string displayName(const SelectedObject& object) {
    return object.path ? object.path->string() : object.uri;
}

} // namespace quorvane::ext
