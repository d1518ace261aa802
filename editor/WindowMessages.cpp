#include "app/BoxMessages.h"

#include "app/MessageBoxes.h"
#include "app/Startup.h"
#include "editor/ItemModelText.h"

namespace quorvane {

void BoxMessages::message(std::string_view text) {
    MessageBoxes::message(m_parent, ansiToQt(text));
}

void BoxMessages::installedNotice() {
    TForm3::open();
}

} // namespace quorvane
