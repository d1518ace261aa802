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

// What each list holds, one entry at a time.
constexpr std::array<std::string_view, 9> entryDescriptions{
    "extension item", "Move To item",   "Copy To item",    "Run/Open item",  "Send To item",
    "Move To target", "Copy To target", "Run/Open target", "Send To target",
};

// Why a text with a line break is refused, after its subject ("it", "its caption").
constexpr std::string_view lineBreakReason =
    " holds a line break, and a menu file keeps each text on one line, so it could not be saved "
    "and loaded back.";

// A text in a message, its line breaks shown rather than breaking the message.
std::string withBreaksShown(std::string_view text) {
    std::string shown;
    for (const char c : text) {
        if (c == '\r')
            shown += "\\r";
        else if (c == '\n')
            shown += "\\n";
        else
            shown += c;
    }
    return shown;
}

// The first text of `stored` (a menu string or an item list) that holds a line break.
std::string firstWithLineBreak(std::string_view stored) {
    for (std::string& token : splitCommaText(stored))
        if (holdsLineBreak(token))
            return token;
    // A text holding a break can only have been cut off by the reader's limit, which was
    // checked first.
    return std::string(stored);
}

// What would not come back as it was written: a submenu caption that reads as a number (it
// would be taken for an operation or a code, shifting the whole menu), a text longer than the
// reader keeps (its tail, or the items beyond the limit, would be lost), or a text holding a line
// break (the settings could hold it, but a menu file could not save it).
std::optional<std::string> unstorable(const StoredTexts& texts) {
    if (const MenuNode* node = texts.numberedSubmenu)
        return formatMessage("The submenu \"%s\" cannot be stored: a caption that is a number "
                             "would be read back as a menu code. Rename it and apply again.",
                             node->caption());
    if (texts.menu.size() > commaTextLimit)
        return menuTooLarge("it", texts.menu.size()) + " Remove some entries and apply again.";
    for (std::size_t i = 0; i < texts.lists.size(); ++i) {
        if (texts.lists[i].size() > commaTextLimit)
            return itemListTooLong(i, "their list", texts.lists[i].size()) +
                   " Remove some and apply again.";
    }
    // The menu string holds no line break but in a submenu caption.
    if (holdsLineBreak(texts.menu))
        return "The submenu \"" + withBreaksShown(firstWithLineBreak(texts.menu)) +
               "\" cannot be stored: its caption" + std::string(lineBreakReason) +
               " Rename it and apply again.";
    for (const std::string& caption : texts.captions)
        if (holdsLineBreak(caption))
            return "The caption \"" + withBreaksShown(caption) + "\" cannot be stored: it" +
                   std::string(lineBreakReason) + " Rename it and apply again.";
    for (std::size_t i = 0; i < texts.lists.size(); ++i)
        if (holdsLineBreak(texts.lists[i]))
            return "The " + std::string(entryDescriptions[i]) + " \"" +
                   withBreaksShown(firstWithLineBreak(texts.lists[i])) + "\" cannot be stored: it" +
                   std::string(lineBreakReason) + " Change it and apply again.";
    return std::nullopt;
}

} // namespace

std::string menuTooLarge(std::string_view what, std::size_t length) {
    return "The menu is too large to be stored: " + std::string(what) + " takes " +
           std::to_string(length) + " characters where at most " + std::to_string(commaTextLimit) +
           " are kept.";
}

std::string itemListTooLong(std::size_t list, std::string_view what, std::size_t length) {
    return "The " + std::string(listDescriptions.at(list)) +
           " are too many to be stored: " + std::string(what) + " takes " + std::to_string(length) +
           " characters where at most " + std::to_string(commaTextLimit) + " are kept.";
}

std::optional<std::string> givenMenuRefusal(std::string_view menu) {
    if (menu.size() <= commaTextLimit)
        return std::nullopt;
    return menuTooLarge("it", menu.size()) + " Remove some entries and apply again.";
}

bool applyMenu(Registry& registry, const MenuTree& tree, const AvailableEntries& source,
               Messages& messages) {
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
    // Empty submenus are left out at every depth; a menu of nothing but them is no menu.
    if (texts.menu == emptyMenuString) {
        messages.message(messages::zeroMenuItems);
        return false;
    }
    if (auto problem = unstorable(texts)) {
        messages.message(*problem);
        return false;
    }

    // Committed as every other writer commits, so that no reader sees half of the menu.
    updateSettings(registry, [&texts](SettingsKey& key) {
        for (std::size_t n = 0; n < texts.captions.size(); ++n)
            key.writeString(operations()[n].valueName, texts.captions[n]);
        key.writeString(value::theMenu, texts.menu);
        for (std::size_t i = 0; i < texts.lists.size(); ++i)
            key.writeString(value::itemLists[i], texts.lists[i]);
    });
    return true;
}

} // namespace quorvane
