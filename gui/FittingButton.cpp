#include "gui/FittingButton.h"

#include <QStyle>
#include <QStyleOptionButton>

namespace quorvane {

void FittingButton::setDesignedSize(QSize size) {
    m_designed = size;
    updateGeometry();
}

QSize FittingButton::sizeHint() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    const QSize text = fontMetrics().size(Qt::TextShowMnemonic, option.text);
    // Asked without the text, the style adds its margins and frame to the text's size but not the
    // least width it gives every button with a text.
    option.text.clear();
    return style()
        ->sizeFromContents(QStyle::CT_PushButton, &option, text, this)
        .expandedTo(m_designed);
}

} // namespace quorvane
