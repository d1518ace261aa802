#pragma once

#include "settings/Messages.h"

class QWidget;

namespace quorvane {

// What the core tells the user, shown the way the program shows its own messages.
class BoxMessages : public Messages {
public:
    explicit BoxMessages(QWidget* parent = nullptr) : m_parent(parent) {}

    void setParent(QWidget* parent) { m_parent = parent; }

    void message(std::string_view text) override;
    // The post-installation notice, without waiting for the user.
    void installedNotice() override;

private:
    QWidget* m_parent;
};

} // namespace quorvane
