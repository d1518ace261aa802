#include "editor/ClosePrompt.h"

#include "gui/MessageBoxes.h"

#include <QMessageBox>

namespace quorvane {

CloseDecision askBeforeClosing(QWidget* window, const QString& title, bool menu, bool properties) {
    if (!menu && !properties)
        return CloseDecision::Discard;
    const QString what = menu && properties ? QStringLiteral("the menu and the properties")
                         : menu             ? QStringLiteral("the menu")
                                            : QStringLiteral("the properties");
    switch (MessageBoxes::show(window, QMessageBox::Question, title,
                               QStringLiteral("Apply the changes to %1 before closing?").arg(what),
                               QMessageBox::Apply | QMessageBox::Discard | QMessageBox::Cancel,
                               QMessageBox::Apply)) {
    case QMessageBox::Apply:
        return CloseDecision::Apply;
    case QMessageBox::Discard:
        return CloseDecision::Discard;
    default:
        return CloseDecision::Cancel;
    }
}

} // namespace quorvane
