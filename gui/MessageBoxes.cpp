#include "gui/MessageBoxes.h"

#include "gui/TitleRoom.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGridLayout>
#include <QSpacerItem>
#include <algorithm>

namespace quorvane {

namespace {

// Qt makes a box only as wide as its text and a caption with a narrow margin, so that a short
// text like "Nothing happened!" leaves the caption cut off beside the title bar's buttons. The
// caption is measured as title bars show it.
void makeRoomForCaption(QMessageBox& box, const QString& caption) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid)
        return;
    const int width = widthForTitle(box, caption);
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

// Each button gets Alt and a letter of its own, the first of its text that no other has taken,
// unless its text names one already.
void giveMnemonics(QMessageBox& box) {
    QString taken;
    for (QAbstractButton* button : box.buttons()) {
        const QString text = button->text();
        if (text.contains(QLatin1Char('&')))
            continue;
        for (int i = 0; i < text.size(); ++i) {
            const QChar letter = text[i].toLower();
            if (letter.isLetter() && !taken.contains(letter)) {
                taken += letter;
                button->setText(text.left(i) + QLatin1Char('&') + text.mid(i));
                break;
            }
        }
    }
}

} // namespace

MessageBoxPresenter* MessageBoxes::s_presenter = nullptr;

QMessageBox::StandardButton MessageBoxes::show(QWidget* parent, QMessageBox::Icon icon,
                                               const QString& caption, const QString& text,
                                               QMessageBox::StandardButtons buttons,
                                               QMessageBox::StandardButton defaultButton) {
    if (s_presenter)
        return s_presenter->present(parent, icon, caption, text, buttons, defaultButton);
    QMessageBox box(icon, caption, text, buttons, parent);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    // Properties and the directory chooser stay on top of other windows; a box that blocks them
    // until it is answered must not open hidden behind them.
    const QWidgetList windows = QApplication::topLevelWidgets();
    if (std::any_of(windows.cbegin(), windows.cend(), [](const QWidget* window) {
            return window->isVisible() && window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        }))
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    makeRoomForCaption(box, caption);
    giveMnemonics(box);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void MessageBoxes::message(QWidget* parent, const QString& text) {
    show(parent, QMessageBox::NoIcon, QStringLiteral("Quorvane"), text, QMessageBox::Ok);
}

void MessageBoxes::failure(QWidget* parent, const QString& text) {
    show(parent, QMessageBox::Critical, QCoreApplication::applicationName(), text, QMessageBox::Ok);
}

} // namespace quorvane
