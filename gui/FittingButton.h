#pragma once

#include <QPushButton>

namespace quorvane {

// A push button as large as the form draws it, its designed size, that grows to fit its text when
// a larger font or a longer translation needs the room. The style's own size hint would not keep
// the drawn size: some styles widen every button with a text to a minimum of their own.
class FittingButton : public QPushButton {
    Q_OBJECT
    Q_PROPERTY(QSize designedSize READ designedSize WRITE setDesignedSize)
public:
    using QPushButton::QPushButton;

    QSize designedSize() const { return m_designed; }
    void setDesignedSize(QSize size);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

private:
    QSize m_designed;
};

} // namespace quorvane
