#pragma once

#include "menu/Catalog.h"

#include <string>
#include <vector>

namespace quorvane {

// One entry of the list of available entries.
struct SourceEntry {
    std::string caption;
    TAssoc* record;
    bool selected = false;
};

// Told about every change of a TreeSource, before and after, so that an item model can follow.
class TreeSourceObserver {
public:
    virtual ~TreeSourceObserver() = default;
    virtual void beforeReset() {}
    virtual void afterReset() {}
    virtual void beforeAppend(int /*row*/) {}
    virtual void afterAppend(int /*row*/) {}
    virtual void beforeRemove(int /*row*/) {}
    virtual void afterRemove(int /*row*/) {}
    // Caption or selected state of the entry at `row` changed.
    virtual void changed(int /*row*/) {}
};

// The list of available entries beside the tree: the kind entries first, then every operation
// that is not in the menu.
class TreeSource {
public:
    int size() const { return static_cast<int>(m_entries.size()); }
    const SourceEntry& at(int row) const { return m_entries[static_cast<std::size_t>(row)]; }
    const std::vector<SourceEntry>& entries() const { return m_entries; }

    void clear();
    void append(std::string caption, TAssoc* record, bool selected = false);
    void remove(int row);
    void rename(int row, std::string caption);
    void setSelected(int row, bool selected);

    void addObserver(TreeSourceObserver* observer);
    void removeObserver(TreeSourceObserver* observer);

private:
    std::vector<SourceEntry> m_entries;
    std::vector<TreeSourceObserver*> m_observers;
};

} // namespace quorvane
