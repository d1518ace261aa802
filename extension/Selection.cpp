#include "extension/Selection.h"

namespace quorvane::ext {

namespace {

bool unreserved(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/';
}

} // namespace

std::string fileUri(const std::filesystem::path& path) {
    static const char hex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (unsigned char c : path.native()) {
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
