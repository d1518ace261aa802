#include "extension/AddItem.h"

#include "extension/FileOperations.h"
#include "menu/CommaText.h"
#include "menu/MenuWriter.h"
#include "platform/Failure.h"
#include "settings/MenuLoad.h"
#include "settings/Schema.h"
#include "settings/SettingsKey.h"

namespace quorvane::ext {

namespace fs = std::filesystem;

std::string addedCaption(const fs::path& object, bool isDirectory, bool withoutPath,
                         bool withoutExtension) {
    fs::path path = object.lexically_normal();
    if (!path.has_filename() && path != path.root_path())
        path = path.parent_path();
    std::string caption =
        withoutPath && path.has_filename() ? path.filename().string() : path.string();
    if (withoutExtension && !isDirectory) {
        const std::string extension = extensionOf(path);
        if (!extension.empty())
            caption.resize(caption.size() - extension.size() - 1);
    }
    return caption;
}

namespace {

// Where a new item of `kind` goes among `tokens`, given that its captions list holds `entries`;
// may first close submenus that the text leaves open, so that the item lands at the top level.
std::size_t insertionPoint(std::vector<std::string>& tokens, std::int32_t kindCode,
                           std::size_t entries) {
    std::size_t bound = 0;
    std::size_t afterLastBound = 0;
    std::size_t depth = 0;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const std::int32_t value = tokenValue(tokens[i]);
        if (value == code::submenu) {
            ++depth;
        } else if (value == code::endOfSubmenu) {
            if (depth == 0)
                return bound ? afterLastBound : i;
            --depth;
        } else if (value == kindCode && bound < entries) {
            ++bound;
            afterLastBound = i + 1;
        }
    }
    if (bound)
        return afterLastBound;
    tokens.insert(tokens.end(), depth, std::to_string(code::endOfSubmenu));
    tokens.push_back(std::to_string(code::endOfSubmenu));
    return tokens.size() - 1;
}

std::string quotedTokens(const std::vector<std::string>& tokens) {
    std::string text;
    for (const std::string& token : tokens) {
        text += '"';
        for (char c : token) {
            if (c == '"')
                text += '"';
            text += c;
        }
        text += "\",";
    }
    if (!text.empty())
        text.pop_back();
    return text;
}

void addItems(SettingsKey& key, const std::vector<NewItem>& items) {
    MenuParts parts = readMenuParts(key);
    ItemLists& lists = parts.lists;
    std::vector<std::string>& tokens = parts.tokens;
    try {
        RecordPool pool;
        MenuTree tree(pool.rootRecord());
        buildMenuTree(tokens, lists, parts.captions, pool, tree);
    } catch (const Failure& failure) {
        throw Failure("The stored menu cannot be read (" + std::string(failure.what()) + "). " +
                      std::string(nothingAdded));
    }

    std::array<bool, 9> changed{};
    for (const NewItem& item : items) {
        const ItemListSlots slots = itemListSlots(item.kind);
        const std::int32_t kindCode = itemKind(item.kind)->code;
        auto& captionList = lists[static_cast<std::size_t>(slots.captions)];
        const std::size_t at = insertionPoint(tokens, kindCode, captionList.size());
        // The new token is the k-th of its kind that binds, so its entries go to place k; the
        // entries that no token shows stay behind it, still unshown.
        std::size_t bound = 0;
        for (std::size_t i = 0; i < at; ++i)
            bound += tokenValue(tokens[i]) == kindCode;
        bound = std::min(bound, captionList.size());
        tokens.insert(tokens.begin() + static_cast<std::ptrdiff_t>(at), std::to_string(kindCode));
        captionList.insert(captionList.begin() + static_cast<std::ptrdiff_t>(bound), item.caption);
        changed[static_cast<std::size_t>(slots.captions)] = true;
        if (slots.targets >= 0) {
            auto& targets = lists[static_cast<std::size_t>(slots.targets)];
            targets.insert(targets.begin() +
                               static_cast<std::ptrdiff_t>(std::min(bound, targets.size())),
                           item.target);
            changed[static_cast<std::size_t>(slots.targets)] = true;
        }
    }

    const std::string menu = quotedTokens(tokens);
    const auto tooLong = [](std::string_view name) {
        return Failure("The value " + std::string(name) + " would grow past the " +
                       std::to_string(commaTextLimit) + " characters the menu can hold. " +
                       std::string(nothingAdded));
    };
    if (menu.size() > commaTextLimit)
        throw tooLong(value::theMenu);
    key.writeString(value::theMenu, menu);
    for (std::size_t i = 0; i < lists.size(); ++i) {
        if (!changed[i])
            continue;
        const std::string text = writeItemList(lists[i], std::string::npos);
        if (text.size() > commaTextLimit)
            throw tooLong(value::itemLists[i]);
        key.writeString(value::itemLists[i], text);
    }
}

} // namespace

void addItems(Registry& store, const std::vector<NewItem>& items) {
    if (items.empty())
        return;
    updateSettings(store, [&items](SettingsKey& key) { addItems(key, items); });
}

} // namespace quorvane::ext
