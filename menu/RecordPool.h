#pragma once

#include "menu/Catalog.h"

#include <deque>

namespace quorvane {

// Owns every TAssoc of the run. Nodes and list entries only point into the pool, so removing a
// node never frees its record and no pointer ever dangles. The seven prototype records, one per
// kind the list offers, are made when the pool is.
class RecordPool {
public:
    RecordPool();
    RecordPool(const RecordPool&) = delete;
    RecordPool& operator=(const RecordPool&) = delete;

    TAssoc* make(std::int32_t code, std::string descriptionOrTarget, Kind kind,
                 std::int32_t imageIndex, std::int32_t selectedImageIndex);
    // A new record with the prototype's code, kind and images and the given description or target.
    TAssoc* copyOf(const TAssoc& prototype, std::string descriptionOrTarget);
    TAssoc* operationRecord(int n);
    TAssoc* rootRecord();
    TAssoc* loadedSubmenuRecord();

    // The prototype of a kind the list offers (submenu, separator, extension item, Move To,
    // Copy To, Run/Open, Send To); nullptr for the root and operations.
    TAssoc* prototype(Kind kind);

    std::size_t size() const { return m_records.size(); }

private:
    std::deque<TAssoc> m_records; // a deque never moves what it holds
    std::array<TAssoc*, 9> m_prototypes{};
};

} // namespace quorvane
