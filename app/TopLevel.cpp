#include "app/TopLevel.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QScreen>
#include <QWidget>

namespace quorvane {

void centreOnScreen(QWidget& window) {
    QRect outer = window.frameGeometry();
    outer.moveCenter(window.screen()->availableGeometry().center());
    window.move(outer.topLeft());
}

void keepDesignedWidths(QWidget& window) {
    QFont font = window.font();
    if (font.family() != QLatin1String("MS Sans Serif") || QFontDatabase::hasFamily(font.family()))
        return;
    font.setFamily(QStringLiteral("Arial"));
    window.setFont(font);
}

void deleteAtQuit(QWidget& window) {
    if (QCoreApplication* application = QCoreApplication::instance())
        QObject::connect(application, &QCoreApplication::aboutToQuit, &window,
                         &QObject::deleteLater);
}

} // namespace quorvane
