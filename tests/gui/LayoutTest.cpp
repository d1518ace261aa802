// A larger font makes the windows larger: it never clips, overlaps or hides a control.

#include "SettingsFixture.h"
#include "app/Application.h"
#include "app/DirectoryChooser.h"
#include "app/FirstStartNotice.h"
#include "app/PropertiesDialog.h"
#include "editor/MainWindow.h"
#include "menu/RecordPool.h"
#include "support/MemoryRegistry.h"

#include <QDir>
#include <QHeaderView>
#include <QLayout>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>
#include <optional>

using namespace quorvane;
using quorvane::test::MemoryRegistry;

namespace {

// 14 points where the forms are drawn for 8.
void enlargeFont(QWidget& window) {
    QFont font = window.font();
    font.setPointSize(14);
    window.setFont(font);
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

// The controls of the form, not Qt's own parts of them (scroll bars, viewports, tab bars).
bool formControl(const QWidget* widget) {
    return widget->isVisible() && !widget->objectName().startsWith(QLatin1String("qt_"));
}

// What a control needs to show whole: a memo all its text, a list a few lines, the rest the size
// they ask for. Containers are measured by what they hold.
QSize neededSize(const QWidget* widget) {
    if (const auto* memo = qobject_cast<const QTextEdit*>(widget))
        return {0, qCeil(memo->document()->size().height()) + 2 * memo->frameWidth()};
    if (qobject_cast<const QAbstractScrollArea*>(widget) &&
        !qobject_cast<const QHeaderView*>(widget))
        return {0, widget->minimumSizeHint().height()};
    if (widget->layout() || qobject_cast<const QTabWidget*>(widget) ||
        qobject_cast<const QStackedWidget*>(widget))
        return {};
    return widget->sizeHint();
}

void checkWhole(QWidget* window) {
    const QList<QWidget*> controls = window->findChildren<QWidget*>();
    for (QWidget* control : controls) {
        if (!formControl(control) || !control->isVisibleTo(window))
            continue;
        const QString name = control->metaObject()->className() + (' ' + control->objectName());
        const QRect placed(control->mapTo(window, QPoint()), control->size());
        QVERIFY2(window->rect().contains(placed), qPrintable(name + " leaves the window"));
        const QSize needed = neededSize(control);
        QVERIFY2(control->height() >= needed.height() && control->width() >= needed.width(),
                 qPrintable(name + " is clipped"));
        for (QWidget* other : controls)
            if (other != control && other->parentWidget() == control->parentWidget() &&
                formControl(other) && other->isVisibleTo(window))
                QVERIFY2(!control->geometry().intersects(other->geometry()),
                         qPrintable(name + " overlaps " + other->objectName()));
    }
}

} // namespace

class LayoutTest : public QObject {
    Q_OBJECT
private slots:
    void largeFontClipsNothing_data() {
        QTest::addColumn<QString>("window");
        for (const char* window : {"main window", "properties", "directory chooser", "notice"})
            QTest::newRow(window) << QString::fromLatin1(window);
    }

    void largeFontClipsNothing() {
        QFETCH(QString, window);
        MemoryRegistry registry;
        test::seedSettings(registry);
        RecordPool pool;
        MainWindow form({registry, pool, QDir::tempPath() + '/', {}});
        PropertiesDialog properties(registry, form);
        DirectoryChooser chooser(form);
        QWidget* shown = window == "main window"         ? static_cast<QWidget*>(&form)
                         : window == "properties"        ? static_cast<QWidget*>(&properties)
                         : window == "directory chooser" ? static_cast<QWidget*>(&chooser)
                                                         : FirstStartNotice::showNotice();
        shown->show();
        QVERIFY(QTest::qWaitForWindowExposed(shown));
        enlargeFont(*shown);
        // Every page of Properties in turn.
        auto* pages = shown->findChild<QTabWidget*>("Pages");
        for (int i = 0; i < (pages ? pages->count() : 1); ++i) {
            if (pages)
                pages->setCurrentIndex(i);
            QCoreApplication::processEvents();
            checkWhole(shown);
        }
        if (window == "notice")
            shown->close();
    }
};

int main(int argc, char** argv) {
    Application application(argc, argv);
    LayoutTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "LayoutTest.moc"
