#include "app/BoxMessages.h"

#include "app/MessageBoxes.h"
#include "app/Startup.h"

namespace quorvane {

void BoxMessages::message(std::string_view text) {
    MessageBoxes::message(m_parent,
                          QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

void BoxMessages::installedNotice() {
    TForm3::open();
}

} // namespace quorvane
