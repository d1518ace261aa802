#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quorvane::ext {

// A file or folder as the file manager hands it over.
struct SelectedObject {
    std::string uri;
    // Its path on this computer; nothing for a location elsewhere (a remote share, say).
    std::optional<std::filesystem::path> path;
    bool isDirectory = false;
};

// What a right-click was on: selected objects, or the empty background of a folder.
struct Selection {
    std::vector<SelectedObject> objects;
    std::optional<SelectedObject> background;

    bool empty() const { return objects.empty() && !background; }
};

// "Where you clicked": the selected folder, the folder holding a selected file, or the folder
// whose background was clicked. The first selected object decides.
SelectedObject whereClicked(const Selection& selection);

// The folder holding an object, by path where it has one, by its URI otherwise.
SelectedObject containerOf(const SelectedObject& object);

// What a clipboard or a message names an object by: its path, or its URI when it has none.
std::string displayName(const SelectedObject& object);

// "file://" URI of a local path, with what URIs reserve escaped.
std::string fileUri(const std::filesystem::path& path);

} // namespace quorvane::ext
