#include "editor/WindowMessages.h"

#include "gui/MessageBoxes.h"
#include "gui/QtText.h"

namespace quorvane {

void WindowMessages::message(std::string_view text) {
    MessageBoxes::message(m_parent, ansiToQt(text));
}

void WindowMessages::installedNotice() {
    if (m_openNotice)
        m_openNotice();
    else
        message(messages::installedHeading);
}

} // namespace quorvane
