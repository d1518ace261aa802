#include "rules/EditHistory.h"

#include <algorithm>

namespace quorvane {

EditorState EditorState::of(const MenuTree& tree, const AvailableEntries& source) {
    EditorState state;
    state.m_rootRecord = tree.root()->record();
    for (const MenuNode* node : tree.inTreeOrder()) {
        state.m_nodes.push_back(
            {node->caption(), node->record(), node->childCount(), node->hasChildrenMark()});
        if (hasTarget(node->record()->kind))
            state.m_targets.emplace_back(node->record(), node->record()->descriptionOrTarget);
    }
    state.m_entries = source.entries();
    for (const AvailableEntry& entry : state.m_entries)
        if (hasTarget(entry.record->kind))
            state.m_targets.emplace_back(entry.record, entry.record->descriptionOrTarget);
    state.m_partial = tree.isPartial();
    return state;
}

std::vector<MenuNode*> EditorState::restore(MenuTree& tree, AvailableEntries& source) const {
    for (const auto& [record, target] : m_targets)
        record->descriptionOrTarget = target;

    tree.reset(m_rootRecord);
    std::vector<MenuNode*> nodes{tree.root()};
    // Parents still waiting for children, each with how many it still takes.
    std::vector<std::pair<MenuNode*, int>> open{{tree.root(), m_nodes.front().childCount}};
    for (auto it = m_nodes.begin() + 1; it != m_nodes.end(); ++it) {
        while (open.back().second == 0)
            open.pop_back();
        --open.back().second;
        MenuNode* node = tree.addLastChild(open.back().first, it->caption, it->record);
        nodes.push_back(node);
        open.emplace_back(node, it->childCount);
    }
    for (std::size_t i = 0; i < nodes.size(); ++i)
        tree.setHasChildrenMark(nodes[i], m_nodes[i].hasChildrenMark);
    tree.setPartial(m_partial);

    source.clear();
    for (const AvailableEntry& entry : m_entries)
        source.append(entry.caption, entry.record, entry.selected);
    return nodes;
}

bool operator==(const EditorState& a, const EditorState& b) {
    const auto sameEntries = [](const AvailableEntry& x, const AvailableEntry& y) {
        return x.caption == y.caption && x.record == y.record;
    };
    return a.m_rootRecord == b.m_rootRecord && a.m_nodes == b.m_nodes &&
           a.m_targets == b.m_targets && a.m_partial == b.m_partial &&
           std::equal(a.m_entries.begin(), a.m_entries.end(), b.m_entries.begin(),
                      b.m_entries.end(), sameEntries);
}

EditHistory::EditHistory(MenuTree& tree, AvailableEntries& source, std::size_t limit)
    : m_tree(tree), m_available(source), m_limit(std::max<std::size_t>(limit, 1)) {}

void EditHistory::perform(std::string what, const std::function<void()>& change) {
    Step step{std::move(what), EditorState::of(m_tree, m_available), marks(), {}, {}};
    const auto keep = [&] {
        step.after = EditorState::of(m_tree, m_available);
        if (step.after == step.before)
            return;
        step.afterMarks = marks();
        m_undone.clear();
        m_done.push_back(std::move(step));
        if (m_done.size() > m_limit)
            m_done.pop_front();
    };
    try {
        change();
    } catch (...) {
        keep();
        throw;
    }
    keep();
}

std::string EditHistory::undoName() const {
    return m_done.empty() ? std::string() : m_done.back().what;
}

std::string EditHistory::redoName() const {
    return m_undone.empty() ? std::string() : m_undone.back().what;
}

EditHistory::Restored EditHistory::undo() {
    if (m_done.empty())
        return {};
    Step step = std::move(m_done.back());
    m_done.pop_back();
    Restored restored{step.before.restore(m_tree, m_available), step.beforeMarks};
    m_undone.push_back(std::move(step));
    return restored;
}

EditHistory::Restored EditHistory::redo() {
    if (m_undone.empty())
        return {};
    Step step = std::move(m_undone.back());
    m_undone.pop_back();
    Restored restored{step.after.restore(m_tree, m_available), step.afterMarks};
    m_done.push_back(std::move(step));
    return restored;
}

} // namespace quorvane
