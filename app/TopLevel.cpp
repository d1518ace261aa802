#include "app/TopLevel.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QLayout>
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

namespace {

// Fits the window again whenever its layout changes: a control's text or font changed, or one was
// shown or hidden.
class DesignedSize : public QObject {
public:
    DesignedSize(QWidget& window, QSize designed, bool resizable)
        : QObject(&window), m_window(window), m_designed(designed), m_resizable(resizable) {
        window.installEventFilter(this);
        fit();
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &m_window && event->type() == QEvent::LayoutRequest)
            fit();
        // A hidden page's controls take the new font too, but Qt tells no layout above the page;
        // the window is measured afresh instead.
        if (watched == &m_window && event->type() == QEvent::FontChange)
            for (QLayout* layout : m_window.findChildren<QLayout*>())
                layout->invalidate();
        return QObject::eventFilter(watched, event);
    }

private:
    void fit() {
        const QLayout* layout = m_window.layout();
        const QSize size = layout ? m_designed.expandedTo(layout->totalMinimumSize()) : m_designed;
        if (m_resizable)
            m_window.setMinimumSize(size);
        else
            m_window.setFixedSize(size);
    }

    QWidget& m_window;
    QSize m_designed;
    bool m_resizable;
};

} // namespace

void holdDesignedSize(QWidget& window, QSize designed, bool resizable) {
    new DesignedSize(window, designed, resizable);
}

void deleteAtQuit(QWidget& window) {
    if (QCoreApplication* application = QCoreApplication::instance())
        QObject::connect(application, &QCoreApplication::aboutToQuit, &window,
                         &QObject::deleteLater);
}

} // namespace quorvane
