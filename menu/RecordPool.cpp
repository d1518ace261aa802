#include "menu/RecordPool.h"

namespace quorvane {

RecordPool::RecordPool() {
    auto add = [this](std::int32_t code, std::string_view description, Kind kind, int image,
                      int selected) {
        m_prototypes[static_cast<std::size_t>(kind)] =
            make(code, std::string(description), kind, image, selected);
    };
    add(code::endOfSubmenu, describe::newSubmenu, Kind::Submenu, 0, 1);
    add(code::separator, describe::separator, Kind::Separator, 3, 3);
    add(code::extension, describe::extension, Kind::Extension, 4, 4);
    add(code::moveTo, describe::moveTo, Kind::MoveTo, 5, 5);
    add(code::copyTo, describe::copyTo, Kind::CopyTo, 6, 6);
    add(code::runOpen, describe::runOpen, Kind::RunOpen, 7, 7);
    add(code::sendTo, describe::sendTo, Kind::SendTo, 8, 8);
}

TAssoc* RecordPool::make(std::int32_t code, std::string descriptionOrTarget, Kind kind,
                         std::int32_t imageIndex, std::int32_t selectedImageIndex) {
    return &m_records.emplace_back(code, std::move(descriptionOrTarget), kind, imageIndex,
                                   selectedImageIndex);
}

TAssoc* RecordPool::copyOf(const TAssoc& prototype, std::string descriptionOrTarget) {
    return make(prototype.code, std::move(descriptionOrTarget), prototype.kind,
                prototype.imageIndex, prototype.selectedImageIndex);
}

TAssoc* RecordPool::operationRecord(int n) {
    return make(n, std::string(operationDescription(n)), Kind::Operation, 2, 2);
}

TAssoc* RecordPool::rootRecord() {
    return make(code::root, std::string(describe::root), Kind::Root, 0, 1);
}

TAssoc* RecordPool::loadedSubmenuRecord() {
    return make(code::submenu, std::string(describe::loadedSubmenu), Kind::Submenu, 0, 1);
}

TAssoc* RecordPool::prototype(Kind kind) {
    return m_prototypes[static_cast<std::size_t>(kind)];
}

} // namespace quorvane
