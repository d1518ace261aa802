#include "app/BoxMessages.h"

#include "app/MessageBoxes.h"

namespace quorvane {

void BoxMessages::message(std::string_view text) {
    MessageBoxes::message(m_parent,
                          QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

} // namespace quorvane
