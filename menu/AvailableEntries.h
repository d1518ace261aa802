#pragma once

#include "menu/Catalog.h"

#include <string>
#include <vector>

namespace quorvane {

// One entry of the list of available entries.
struct AvailableEntry {
    std::string caption;
    TAssoc* record;
    bool selected = false;
};

// Told about every change of a AvailableEntries, before and after, so that an item model can
// follow.
class AvailableEntriesObserver {
public:
    virtual ~AvailableEntriesObserver() = default;
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
class AvailableEntries {
public:
    int size() const { return static_cast<int>(m_entries.size()); }
    const AvailableEntry& at(int row) const { return m_entries[static_cast<std::size_t>(row)]; }
    const std::vector<AvailableEntry>& entries() const { return m_entries; }

    void clear();
    void append(std::string caption, TAssoc* record, bool selected = false);
    void remove(int row);
    void rename(int row, std::string caption);
    void setSelected(int row, bool selected);

    void addObserver(AvailableEntriesObserver* observer);
    void removeObserver(AvailableEntriesObserver* observer);

private:
    std::vector<AvailableEntry> m_entries;
    std::vector<AvailableEntriesObserver*> m_observers;
};

} // namespace quorvane
