#include "settings/Apply.h"

#include "menu/CommaText.h"
#include "menu/MenuWriter.h"
#include "platform/Failure.h"
#include "settings/Messages.h"
#include "settings/Schema.h"
#include "settings/SettingsKey.h"

#include <optional>

namespace quorvane {

namespace {

constexpr std::array<std::string_view, 9> listDescriptions{
    "extension items", "Move To items",   "Copy To items",    "Run/Open items",  "Send To items",
    "Move To targets", "Copy To targets", "Run/Open targets", "Send To targets",
};

// What would not come back as it was written: a submenu caption that reads as a number (it
// would be taken for an operation or a code, shifting the whole menu), or a text longer than the
// reader keeps (its tail, or the items beyond the limit, would be lost).
std::optional<std::string> unstorable(const StoredTexts& texts) {
    if (const MenuNode* node = texts.numberedSubmenu)
        return formatMessage("The submenu \"%s\" cannot be stored: a caption that is a number "
                             "would be read back as a menu code. Rename it and apply again.",
                             node->caption());
    if (texts.menu.size() > commaTextLimit)
        return "The menu is too large to be stored: it takes " + std::to_string(texts.menu.size()) +
               " characters where at most 4095 are kept. Remove some entries and apply again.";
    for (std::size_t i = 0; i < texts.lists.size(); ++i) {
        if (texts.lists[i].size() > commaTextLimit)
            return formatMessage("The %s are too many to be stored: their list would be longer "
                                 "than 4095 characters. Remove some and apply again.",
                                 listDescriptions[i]);
    }
    return std::nullopt;
}

} // namespace

bool Apply(Registry& registry, const MenuTree& tree, const TreeSource& source, Messages& messages) {
    // Operations not yet read would be stored with empty captions and the item lists cut short:
    // they would vanish for good.
    if (tree.isPartial()) {
        messages.message(messages::partialMenu);
        return false;
    }
    if (tree.root()->childCount() == 0) {
        messages.message(messages::zeroMenuItems);
        return false;
    }

    // The lists are written in full, without the cut at the limit, to tell whether anything
    // would be lost.
    const StoredTexts texts = storedTexts(tree, source);
    if (auto problem = unstorable(texts)) {
        messages.message(*problem);
        return false;
    }

    SettingsKey key(registry);
    for (std::size_t n = 0; n < texts.captions.size(); ++n)
        key.writeString(operations()[n].valueName, texts.captions[n]);
    key.writeString(value::theMenu, texts.menu);
    for (std::size_t i = 0; i < texts.lists.size(); ++i)
        key.writeString(value::itemLists[i], texts.lists[i]);
    key.close();
    return true;
}

} // namespace quorvane
