#include "rules/ItemDetails.h"

#include <algorithm>

namespace quorvane {

namespace {

constexpr std::string_view changeHint = "    (double-click to change)";
constexpr std::size_t maxCaptionLength = 255;

std::string_view targetPrefix(Kind kind) {
    switch (kind) {
    case Kind::MoveTo:
        return "Moves objects to - ";
    case Kind::CopyTo:
        return "Copies objects to - ";
    case Kind::RunOpen:
        return "Runs/Opens - ";
    case Kind::SendTo:
        return "Sends the selected objects to - ";
    default:
        return {};
    }
}

} // namespace

std::string statusText(const TAssoc& record) {
    if (!hasTarget(record.kind))
        return record.descriptionOrTarget;
    std::string text(targetPrefix(record.kind));
    text += record.descriptionOrTarget;
    text += changeHint;
    return text;
}

// "/" counts everywhere: Qt hands out paths with it on every platform.
std::string captionOfTarget(std::string_view path) {
    const std::size_t separator = path.find_last_of("\\:/");
    std::string_view name = separator == std::string_view::npos ? path : path.substr(separator + 1);
    return std::string(name.substr(0, std::min(name.size(), maxCaptionLength)));
}

bool isReferenced(const MenuTree& tree, const TAssoc* record) {
    const std::vector<MenuNode*> nodes = tree.inTreeOrder();
    return std::any_of(nodes.rbegin(), nodes.rend(),
                       [record](const MenuNode* node) { return node->record() == record; });
}

} // namespace quorvane
