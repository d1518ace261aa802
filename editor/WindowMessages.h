#pragma once

#include "settings/Messages.h"

#include <functional>

class QWidget;

namespace quorvane {

// What the core tells the user, shown in message boxes the way the program shows its own
// messages.
class WindowMessages : public Messages {
public:
    // `openNotice` shows the post-installation notice; without one its heading is shown in a box.
    explicit WindowMessages(QWidget* parent = nullptr, std::function<void()> openNotice = {})
        : m_parent(parent), m_openNotice(std::move(openNotice)) {}

    void message(std::string_view text) override;
    // The post-installation notice, without waiting for the user.
    void installedNotice() override;

private:
    QWidget* m_parent;
    std::function<void()> m_openNotice;
};

} // namespace quorvane
