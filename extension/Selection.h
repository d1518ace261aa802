#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
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

// A name or path as a message shows it: always UTF-8, each byte that is not becoming U+FFFD as
// the file managers show such names, and a long one with its middle left out, so that a message
// stays narrower than the screen.
std::string shownName(std::string_view name);

// What Copy Name puts into the clipboard for a name: the name as it is where it is UTF-8, as the
// other programs read the clipboard's text; a path that is not becomes its file URI, as the file
// managers' own Copy does.
std::string clipboardName(const std::string& name);

// "file://" URI of a local path, with what URIs reserve escaped.
std::string fileUri(const std::filesystem::path& path);

} // namespace quorvane::ext
