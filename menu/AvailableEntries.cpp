#include "menu/AvailableEntries.h"

#include <algorithm>

namespace quorvane {

void AvailableEntries::clear() {
    for (auto* o : m_observers)
        o->beforeReset();
    m_entries.clear();
    for (auto* o : m_observers)
        o->afterReset();
}

void AvailableEntries::append(std::string caption, TAssoc* record, bool selected) {
    const int row = size();
    for (auto* o : m_observers)
        o->beforeAppend(row);
    m_entries.push_back({std::move(caption), record, selected});
    for (auto* o : m_observers)
        o->afterAppend(row);
}

void AvailableEntries::remove(int row) {
    for (auto* o : m_observers)
        o->beforeRemove(row);
    m_entries.erase(m_entries.begin() + row);
    for (auto* o : m_observers)
        o->afterRemove(row);
}

void AvailableEntries::rename(int row, std::string caption) {
    m_entries[static_cast<std::size_t>(row)].caption = std::move(caption);
    for (auto* o : m_observers)
        o->changed(row);
}

void AvailableEntries::setSelected(int row, bool selected) {
    auto& entry = m_entries[static_cast<std::size_t>(row)];
    if (entry.selected == selected)
        return;
    entry.selected = selected;
    for (auto* o : m_observers)
        o->changed(row);
}

void AvailableEntries::addObserver(AvailableEntriesObserver* observer) {
    m_observers.push_back(observer);
}

void AvailableEntries::removeObserver(AvailableEntriesObserver* observer) {
    std::erase(m_observers, observer);
}

} // namespace quorvane
