#include "menu/MenuWriter.h"

#include "menu/CommaText.h"

#include <charconv>

namespace quorvane {

ItemListSlots itemListSlots(Kind kind) {
    if (const ItemKind* item = itemKind(kind))
        return {item->captionsList, item->targetsList};
    return {};
}

namespace {

// Finds the caption each operation is stored under: its list entry's, else its node's, the last
// one that is not empty of each. It keeps where they are, so that only the one that counts is
// copied.
class CaptionFinder {
public:
    explicit CaptionFinder(const AvailableEntries& source) {
        for (const AvailableEntry& entry : source.entries())
            note(m_fromList, *entry.record, entry.caption);
    }
    // Nodes are seen in tree order.
    void see(const MenuNode& node) { note(m_fromTree, *node.record(), node.caption()); }
    std::array<std::string, operationCount> captions() const {
        std::array<std::string, operationCount> captions;
        for (std::size_t n = 0; n < captions.size(); ++n)
            if (const std::string* caption = m_fromList[n] ? m_fromList[n] : m_fromTree[n])
                captions[n] = *caption;
        return captions;
    }

private:
    using Found = std::array<const std::string*, operationCount>;

    // An empty caption never replaces one found before it: an operation that stands twice in a
    // loaded menu has an empty caption on its second node, and storing that would hide the
    // operation for good.
    static void note(Found& found, const TAssoc& record, const std::string& caption) {
        if (!caption.empty() && record.code >= 0 && record.code < operationCount)
            found[static_cast<std::size_t>(record.code)] = &caption;
    }

    Found m_fromList{};
    Found m_fromTree{};
};

// Calls `visit` for every node of `tree` in tree order, root first. The open submenus live on an
// explicit stack, as the nesting is bounded only by the length of a menu string.
template <typename Visit> void visitInTreeOrder(const MenuTree& tree, Visit visit) {
    struct Open {
        const MenuNode* parent;
        int next;
    };
    visit(*tree.root());
    std::vector<Open> open{{tree.root(), 0}};
    while (!open.empty()) {
        Open& top = open.back();
        if (top.next == top.parent->childCount()) {
            open.pop_back();
            continue;
        }
        const MenuNode* node = top.parent->child(top.next++);
        visit(*node);
        if (node->childCount() > 0)
            open.push_back({node, 0});
    }
}

// Every token of a menu string is quoted and followed by a comma.
void writeToken(TextBuilder& out, std::string_view text) {
    char* end = writeQuoted(out.room(2 * text.size() + 3), text);
    *end++ = ',';
    out.advance(end);
}

void writeToken(TextBuilder& out, int code) {
    char* end = out.room(16);
    *end++ = '"';
    end = std::to_chars(end, end + 11, code).ptr;
    *end++ = '"';
    *end++ = ',';
    out.advance(end);
}

// Hands the caption and the target of a dynamic item to `add(slot, text)`, for the item lists.
template <typename Add> void addToItemLists(const MenuNode& node, Add add) {
    const TAssoc& record = *node.record();
    const ItemListSlots slots = itemListSlots(record.kind);
    if (slots.captions >= 0)
        add(static_cast<std::size_t>(slots.captions), node.caption());
    if (slots.targets >= 0)
        add(static_cast<std::size_t>(slots.targets), record.descriptionOrTarget);
}

// The menu string of `tree`. `visit` sees every node below the root in tree order, each before
// its token is written, so that the caller learns what it needs in the same walk; `kept(node, at)`
// sees each submenu the string holds, once its end is written, with where its caption begins.
//
// A submenu that holds nothing but empty submenus, at any depth, has nothing to offer in the menu
// and would be read back empty, so it is not stored: its caption is written when it opens and
// taken back when it closes without anything written after it.
template <typename Visit, typename Kept>
std::string writeMenu(const MenuTree& tree, Visit visit, Kept kept) {
    // Children are reached by index, so every node costs constant time.
    struct Open {
        const MenuNode* parent;
        int next;
        std::size_t captionAt; // where the submenu's caption begins
        std::size_t entriesAt; // where its entries begin
    };
    std::vector<Open> open{{tree.root(), 0, 0, 0}};
    TextBuilder out(commaTextLimit + 1);
    while (!open.empty()) {
        Open& top = open.back();
        if (top.next == top.parent->childCount()) {
            if (open.size() > 1 && out.size() == top.entriesAt) {
                out.truncate(top.captionAt);
            } else {
                writeToken(out, code::endOfSubmenu);
                if (open.size() > 1)
                    kept(*top.parent, top.captionAt);
            }
            open.pop_back();
            continue;
        }
        const MenuNode* node = top.parent->child(top.next++);
        visit(*node);
        const TAssoc& record = *node->record();
        if (record.kind == Kind::Submenu) {
            // A submenu without entries is not stored either.
            if (node->childCount() > 0) {
                const std::size_t captionAt = out.size();
                writeToken(out, node->caption());
                open.push_back({node, 0, captionAt, out.size()});
            }
            continue;
        }
        writeToken(out, record.code);
    }
    std::string menu = out.take();
    menu.pop_back();
    return menu;
}

} // namespace

std::string operationCaption(const AvailableEntries& source, const MenuTree& tree, int n) {
    return operationCaptions(source, tree)[static_cast<std::size_t>(n)];
}

std::array<std::string, operationCount> operationCaptions(const AvailableEntries& source,
                                                          const MenuTree& tree) {
    CaptionFinder finder(source);
    visitInTreeOrder(tree, [&finder](const MenuNode& node) { finder.see(node); });
    return finder.captions();
}

std::string menuString(const MenuTree& tree, ItemLists& lists) {
    for (auto& list : lists)
        list.clear();
    return writeMenu(
        tree,
        [&lists](const MenuNode& node) {
            addToItemLists(node, [&lists](std::size_t slot, const std::string& text) {
                lists[slot].push_back(text);
            });
        },
        [](const MenuNode&, std::size_t) {});
}

StoredTexts storedTexts(const MenuTree& tree, const AvailableEntries& source) {
    std::array<ItemListText, 9> lists;
    CaptionFinder captions(source);
    StoredTexts texts;
    // Submenus are known to be kept only once they close, innermost first; the one whose caption
    // stands first in the string is the first in tree order.
    std::size_t numberedAt = 0;
    texts.menu = writeMenu(
        tree,
        [&](const MenuNode& node) {
            // The root, which the writer does not visit, is never an operation.
            captions.see(node);
            addToItemLists(node, [&lists](std::size_t slot, const std::string& text) {
                lists[slot].append(text);
            });
        },
        [&](const MenuNode& submenu, std::size_t captionAt) {
            if ((!texts.numberedSubmenu || captionAt < numberedAt) &&
                parseInteger(submenu.caption()).has_value()) {
                texts.numberedSubmenu = &submenu;
                numberedAt = captionAt;
            }
        });
    for (std::size_t i = 0; i < lists.size(); ++i)
        texts.lists[i] = lists[i].take();
    texts.captions = captions.captions();
    return texts;
}

std::string storedForm(const MenuTree& tree, const AvailableEntries& source) {
    ItemLists lists;
    std::string form = menuString(tree, lists);
    // A NUL parts the texts, as no stored text holds one; each list starts with its length.
    for (const auto& list : lists) {
        (form += '\0') += std::to_string(list.size());
        for (const std::string& text : list)
            (form += '\0') += text;
    }
    for (const std::string& caption : operationCaptions(source, tree))
        (form += '\0') += caption;
    return form;
}

} // namespace quorvane
