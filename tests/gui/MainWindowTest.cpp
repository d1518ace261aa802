#include "editor/MainWindow.h"

#include "ScriptedDialogs.h"
#include "SettingsFixture.h"
#include "app/Application.h"
#include "gui/ErrorHandler.h"
#include "gui/MessageBoxes.h"
#include "menu/RecordPool.h"
#include "platform/Failure.h"
#include "settings/KeyPath.h"
#include "settings/Schema.h"
#include "settings/SettingsKey.h"
#include "support/MemoryRegistry.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <optional>

using namespace quorvane;
using quorvane::test::MemoryRegistry;

namespace {

struct Placement {
    std::optional<int> left, top, width, height;
};

// A dialog standing in for the properties dialog and the directory chooser.
class FakeDialog : public TargetFolderChooser {
public:
    explicit FakeDialog(QPoint offset) : m_offset(offset) {}
    bool showing() const override { return m_showing; }
    QPoint offset() const override { return m_offset; }
    void moveTo(QPoint topLeft) override { position = topLeft; }
    void showModeless() override { m_showing = true; }
    void setTargetHandler(TargetHandler) override {}
    void setCaption(const QString&) override {}
    void bind(TAssoc*) override {}
    TAssoc* boundRecord() const override { return nullptr; }
    void closeDialog() override { m_showing = false; }
    QSize dialogSize() const override { return size; }
    void setDialogSize(QSize given) override { size = given; }

    std::optional<QPoint> position;
    QSize size;
    bool m_showing = false;

private:
    QPoint m_offset;
};

// A window over its own settings, built as the program builds it.
struct Window {
    explicit Window(std::string_view menu = test::defaultMenuString) {
        test::seedSettings(registry, menu);
    }
    void create() {
        form.emplace(MainWindow::Services{registry, pool, QStringLiteral("/prog/"), {}});
    }

    template <typename T> T* find(const char* name) { return form->findChild<T*>(name); }

    void mouse(QWidget* target, QEvent::Type type, QPoint at) {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, target->mapToGlobal(at),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                          Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }

    MemoryRegistry registry;
    RecordPool pool;
    std::optional<MainWindow> form;
};

std::int32_t storedInteger(MemoryRegistry& registry, std::string_view name) {
    SettingsKey key(registry);
    return key.readInteger(name);
}

QStringList captions(const QAbstractItemModel* model) {
    QStringList result;
    for (int row = 0; row < model->rowCount(); ++row)
        result << model->index(row, 0).data().toString();
    return result;
}

QImage imageOf(const QVariant& decoration, QIcon::Mode mode) {
    return decoration.value<QIcon>()
        .pixmap(16, 16, mode)
        .toImage()
        .convertToFormat(QImage::Format_ARGB32);
}

} // namespace

Q_DECLARE_METATYPE(Placement)

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void showsTheLoadedMenu();
    void imagesAreCutFromTheStrip();
    void loadFailureIsReportedAndTheWindowStillComesUp();
    void resizeRule_data();
    void resizeRule();
    void placementRestored_data();
    void placementRestored();
    void placementSurvivesRestoreAndSave_data();
    void placementSurvivesRestoreAndSave();
    void buttonsNeverOverlap();
    void closeSavesPlacement_data();
    void closeSavesPlacement();
    void splitter_data();
    void splitter();
    void splitterWorksAgainAfterADrop();
    void arrangementSurvivesCloseAndStart();
    void columnsAndChooserSizeSurviveCloseAndStart();
    void columnClickLeavesTheOrder();
    void dialogsFollowTheWindow();
    void propertiesClickPlacesADialogOnlyOnce();
    void failuresInHandlersAreShownAndTheProgramGoesOn();
    void listSelectionIsKeptInTheCoreList();
    void messageBoxesLeaveRoomForTheirCaption();
};

void MainWindowTest::init() {
    ScriptedDialogs::takeAnswered();
}

void MainWindowTest::cleanup() {
    QCOMPARE(ScriptedDialogs::takeAnswered().size(), 0);
}

void MainWindowTest::showsTheLoadedMenu() {
    Window w;
    w.create();
    w.form->show();
    QCOMPARE(w.form->windowTitle(), QStringLiteral("Quorvane Setup"));

    auto* tree = w.find<QTreeView>("MenuTree");
    const QModelIndex root = tree->model()->index(0, 0);
    QCOMPARE(tree->model()->rowCount(), 1);
    QCOMPARE(root.data().toString(), QStringLiteral("Quorvane"));
    QVERIFY(tree->isExpanded(root));
    QCOMPARE(tree->currentIndex(), root);
    QVERIFY(tree->selectionModel()->isSelected(root));
    QStringList top;
    for (int row = 0; row < tree->model()->rowCount(root); ++row) {
        const QModelIndex child = tree->model()->index(row, 0, root);
        top << child.data().toString();
        QVERIFY2(!tree->isExpanded(child), "submenus stay collapsed");
    }
    QCOMPARE(top, (QStringList{"Explore", "Move To", "Copy To", "Extension", "Clipboard",
                               "<separator>", "DOS Prompt", "<separator>", "Remove!!",
                               "<separator>", "Target Properties", "<separator>", "Configure"}));

    auto* list = w.find<QTreeView>("AvailableList");
    QCOMPARE(captions(list->model()),
             (QStringList{"New SubMenu", "<separator>", "Extension Item", "MoveTo Item",
                          "CopyTo Item", "Run/Open Item", "Send To Item", "Copy Target Name",
                          "Show Clipboard", "Alternative Prompt", "C:\\ Prompt",
                          "Append Target Name", "Add Run/Open", "Stamp", "Add Send To"}));
    // Both columns show their captions whole, and the headers too.
    for (int column : {0, 1}) {
        QVERIFY(list->header()->sectionSize(column) >=
                static_cast<QAbstractItemView*>(list)->sizeHintForColumn(column));
        QVERIFY(list->header()->sectionSize(column) >= list->header()->sectionSizeHint(column));
    }
    QCOMPARE(
        list->model()->index(13, 1).data().toString(),
        QStringLiteral("Sets the date/time of the selected objects to the current date/time."));
    QVERIFY(w.form->following());
}

void MainWindowTest::imagesAreCutFromTheStrip() {
    Window w;
    w.create();
    const QList<QPixmap>& images = w.form->iconList();
    QCOMPARE(images.size(), 9);
    for (const QPixmap& image : images) {
        QCOMPARE(image.size(), QSize(16, 16));
        // Olive is the transparent colour: no opaque olive pixel is left.
        const QImage pixels = image.toImage().convertToFormat(QImage::Format_ARGB32);
        bool anyTransparent = false;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const QColor c = pixels.pixelColor(x, y);
                QVERIFY(!(c.alpha() == 255 && c.rgb() == qRgb(128, 128, 0)));
                anyTransparent = anyTransparent || c.alpha() == 0;
            }
        QVERIFY(anyTransparent);
    }
    for (int i = 0; i < images.size(); ++i)
        for (int j = i + 1; j < images.size(); ++j)
            QVERIFY2(images[i].toImage() != images[j].toImage(), "nine different pictures");

    // The root shows image 0, and image 1 while selected; a list entry its record's image.
    auto* tree = w.find<QTreeView>("MenuTree");
    const QVariant rootImage = tree->model()->index(0, 0).data(Qt::DecorationRole);
    QCOMPARE(imageOf(rootImage, QIcon::Normal),
             images[0].toImage().convertToFormat(QImage::Format_ARGB32));
    QCOMPARE(imageOf(rootImage, QIcon::Selected),
             images[1].toImage().convertToFormat(QImage::Format_ARGB32));
    auto* list = w.find<QTreeView>("AvailableList");
    const QVariant sendTo = list->model()->index(6, 0).data(Qt::DecorationRole);
    QCOMPARE(imageOf(sendTo, QIcon::Normal),
             images[8].toImage().convertToFormat(QImage::Format_ARGB32));
}

void MainWindowTest::loadFailureIsReportedAndTheWindowStillComesUp() {
    Window w;
    {
        SettingsKey key(w.registry);
        key.writeString(value::itemsAvailable, "abc");
        key.close();
    }
    ScriptedDialogs::answerNextBox(QMessageBox::Ok);
    w.create();

    const auto shown = ScriptedDialogs::takeAnswered();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].text,
             QStringLiteral("'abc' is not a valid integer value for 'ItemsAvailable'\n"
                            "Loading a menu file that holds the value repairs it."));
    QCOMPARE(shown[0].caption, QCoreApplication::applicationName());
    // What the load built stays; the steps after it still ran.
    QCOMPARE(w.find<QTreeView>("AvailableList")->model()->rowCount(), 7);
    QCOMPARE(w.form->menu().nodeCount(), 1);
    QCOMPARE(w.form->iconList().size(), 9);
    QVERIFY(w.form->following());
}

void MainWindowTest::resizeRule_data() {
    QTest::addColumn<int>("width");
    QTest::newRow("design") << 578;
    QTest::newRow("100 wider") << 678;
    QTest::newRow("narrow") << 400;
}

void MainWindowTest::resizeRule() {
    QFETCH(int, width);
    Window w;
    w.create();
    w.form->show();
    // W is the outer width, frame included.
    const int frame = w.form->frameGeometry().width() - w.form->width();
    w.form->resize(width - frame, 353);
    QTRY_COMPARE(w.form->frameGeometry().width(), width);

    QCOMPARE(w.find<QPushButton>("PropertiesButton")->geometry(), QRect(8, 4, 75, 23));
    QCOMPARE(w.find<QPushButton>("ApplyButton")->geometry(), QRect(width - 250, 4, 75, 23));
    QCOMPARE(w.find<QPushButton>("HelpButton")->geometry(), QRect(width - 170, 4, 75, 23));
    QCOMPARE(w.find<QPushButton>("ExitButton")->geometry(), QRect(width - 90, 4, 75, 23));
    // The button row spans the window at the bottom, under the tree and the list.
    auto* row = w.find<QWidget>("ButtonRow");
    auto* panel = w.find<QWidget>("ViewsPanel");
    QCOMPARE(row->geometry(), QRect(0, panel->height() - 31, panel->width(), 31));
    QCOMPARE(w.find<QWidget>("AvailableList")->geometry().bottom(), row->y() - 1);
}

// However small the window is made, Apply, Help and Exit stay clear of Properties and of each
// other, inside the window.
void MainWindowTest::buttonsNeverOverlap() {
    Window w;
    w.create();
    w.form->show();
    w.form->resize(100, 80);
    QTRY_VERIFY(w.form->width() < 578);
    QRect previous = w.find<QPushButton>("PropertiesButton")->geometry();
    for (const char* name : {"ApplyButton", "HelpButton", "ExitButton"}) {
        const QRect button = w.find<QPushButton>(name)->geometry();
        QVERIFY2(button.left() > previous.right(), name);
        previous = button;
    }
    QVERIFY(previous.right() < w.find<QWidget>("ButtonRow")->width());
    QVERIFY(w.find<QWidget>("ButtonRow")->geometry().bottom() <
            w.find<QWidget>("ViewsPanel")->height());
}

void MainWindowTest::placementRestored_data() {
    QTest::addColumn<Placement>("stored");
    QTest::addColumn<QRect>("expected"); // empty: centred at design size

    QTest::newRow("stored") << Placement{0, 0, 600, 400} << QRect(0, 0, 600, 400);
    QTest::newRow("elsewhere") << Placement{40, 30, 700, 450} << QRect(40, 30, 700, 450);
    // The offscreen screen is 800 x 800; what lies partly off it is brought onto it.
    QTest::newRow("left of the screen") << Placement{-200, 10, 600, 400} << QRect(0, 10, 600, 400);
    QTest::newRow("below the screen") << Placement{100, 500, 600, 400} << QRect(100, 400, 600, 400);
    QTest::newRow("maximized elsewhere") << Placement{-4, -4, 808, 808} << QRect(0, 0, 800, 800);
    QTest::newRow("bigger than the screen") << Placement{0, 0, 2000, 1500} << QRect(0, 0, 800, 800);
    QTest::newRow("zeros") << Placement{0, 0, 0, 0} << QRect();
    QTest::newRow("nothing stored") << Placement{} << QRect();
    QTest::newRow("only MWnL") << Placement{50, {}, {}, {}} << QRect();
    QTest::newRow("MWnH missing") << Placement{50, 60, 600, {}} << QRect();
}

void MainWindowTest::placementRestored() {
    QFETCH(Placement, stored);
    QFETCH(QRect, expected);
    Window w;
    {
        MemoryRegistry::Values& values = w.registry.key(settingsKeyPath());
        std::erase_if(values, [](const RegistryValue& v) { return v.name.starts_with("MWn"); });
        const std::pair<std::string_view, std::optional<int>> four[]{
            {value::windowLeft, stored.left},
            {value::windowTop, stored.top},
            {value::windowWidth, stored.width},
            {value::windowHeight, stored.height}};
        for (const auto& [name, v] : four)
            if (v)
                w.registry.setInteger(settingsKeyPath(), name, *v);
    }
    QCOMPARE(QGuiApplication::primaryScreen()->availableGeometry(), QRect(0, 0, 800, 800));
    w.create();
    w.form->show();
    if (!expected.isEmpty()) {
        QTRY_COMPARE(w.form->frameGeometry(), expected);
        return;
    }
    QTRY_COMPARE(w.form->frameGeometry().size(), MainWindow::designSize);
    const QPoint screenCentre = w.form->screen()->availableGeometry().center();
    QVERIFY(qAbs(w.form->frameGeometry().center().x() - screenCentre.x()) <= 1);
    QVERIFY(qAbs(w.form->frameGeometry().center().y() - screenCentre.y()) <= 1);
}

void MainWindowTest::placementSurvivesRestoreAndSave_data() {
    QTest::addColumn<QRect>("stored");
    QTest::newRow("design size") << QRect(100, 80, 578, 353);
    QTest::newRow("whole screen") << QRect(0, 0, 800, 800);
    QTest::newRow("bottom right corner") << QRect(222, 447, 578, 353);
}

// The frame is no part of what grows from one start to the next.
void MainWindowTest::placementSurvivesRestoreAndSave() {
    QFETCH(QRect, stored);
    Window w;
    w.registry.setInteger(settingsKeyPath(), value::windowLeft, stored.left());
    w.registry.setInteger(settingsKeyPath(), value::windowTop, stored.top());
    w.registry.setInteger(settingsKeyPath(), value::windowWidth, stored.width());
    w.registry.setInteger(settingsKeyPath(), value::windowHeight, stored.height());
    for (int start = 0; start < 2; ++start) {
        w.create();
        w.form->show();
        QTRY_COMPARE(w.form->frameGeometry(), stored);
        w.form->close();
        const QRect saved(storedInteger(w.registry, value::windowLeft),
                          storedInteger(w.registry, value::windowTop),
                          storedInteger(w.registry, value::windowWidth),
                          storedInteger(w.registry, value::windowHeight));
        QCOMPARE(saved, stored);
    }
}

void MainWindowTest::closeSavesPlacement_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Exit button") << "ExitButton";
    QTest::newRow("Exit menu entry") << "ExitAction";
    QTest::newRow("close box") << "";
}

void MainWindowTest::closeSavesPlacement() {
    QFETCH(QString, how);
    Window w;
    w.create();
    w.form->show();
    w.form->setGeometry(30, 40, 640, 420);
    QTRY_COMPARE(w.form->geometry(), QRect(30, 40, 640, 420));
    const QRect outer = w.form->frameGeometry();
    QSignalSpy closed(&*w.form, &MainWindow::closed);

    if (how == "ExitButton")
        QTest::mouseClick(w.find<QPushButton>("ExitButton"), Qt::LeftButton);
    else if (how == "ExitAction")
        w.find<QAction>("ExitAction")->trigger();
    else
        w.form->close();

    QCOMPARE(closed.count(), 1);
    QVERIFY(!w.form->isVisible());
    QVERIFY(!w.form->following());
    QCOMPARE(storedInteger(w.registry, value::windowLeft), outer.left());
    QCOMPARE(storedInteger(w.registry, value::windowTop), outer.top());
    QCOMPARE(storedInteger(w.registry, value::windowWidth), outer.width());
    QCOMPARE(storedInteger(w.registry, value::windowHeight), outer.height());
}

void MainWindowTest::splitter_data() {
    QTest::addColumn<bool>("dragging");
    QTest::addColumn<QList<int>>("moves"); // pointer x relative to the splitter, one per move
    QTest::addColumn<int>("expectedTree");

    QTest::newRow("40 to the right") << false << QList<int>{40} << 193 + 40;
    QTest::newRow("30 to the left") << false << QList<int>{-30} << 193 - 30;
    QTest::newRow("two steps") << false << QList<int>{10, 15} << 193 + 25;
    QTest::newRow("past the left edge") << false << QList<int>{-500} << 0;
    QTest::newRow("past the right edge") << false << QList<int>{5000} << 578 - 2;
    QTest::newRow("blocked while dragging") << true << QList<int>{40} << 193;
}

void MainWindowTest::splitter() {
    QFETCH(bool, dragging);
    QFETCH(QList<int>, moves);
    QFETCH(int, expectedTree);
    Window w;
    w.create();
    w.form->show();
    w.form->resize(MainWindow::designSize);
    auto* splitter = w.find<QWidget>("Splitter");
    auto* tree = w.find<QWidget>("MenuTree");
    auto* list = w.find<QWidget>("AvailableList");
    QTRY_COMPARE(w.find<QWidget>("ViewsPanel")->width(), 578);
    QCOMPARE(tree->width(), 193);
    QCOMPARE(splitter->cursor().shape(), Qt::SizeHorCursor);
    const int panel = tree->width() + splitter->width() + list->width();

    w.form->setDragging(dragging);
    w.mouse(splitter, QEvent::MouseButtonPress, {1, 10});
    for (int x : moves)
        w.mouse(splitter, QEvent::MouseMove, {x, 10});
    w.mouse(splitter, QEvent::MouseButtonRelease, {moves.last(), 10});

    QCOMPARE(tree->width(), expectedTree);
    QCOMPARE(splitter->x(), expectedTree);
    QCOMPARE(list->x(), expectedTree + 2);
    QCOMPARE(tree->width() + splitter->width() + list->width(), panel);

    // Once the button is up, moves no longer split.
    w.mouse(splitter, QEvent::MouseMove, {20, 10});
    QCOMPARE(tree->width(), expectedTree);
}

void MainWindowTest::splitterWorksAgainAfterADrop() {
    Window w;
    w.create();
    w.form->show();
    auto* splitter = w.find<QWidget>("Splitter");
    auto* tree = w.find<QWidget>("MenuTree");
    w.form->setDragging(true);
    w.form->setDragging(false); // the drop handler clears it
    const int before = tree->width();
    w.mouse(splitter, QEvent::MouseButtonPress, {1, 10});
    w.mouse(splitter, QEvent::MouseMove, {40, 10});
    QCOMPARE(tree->width(), before + 40);
}

// A wider window widens both views; the split and the maximized state come back at the next start,
// and the stored rectangle is the one the window had before maximizing.
void MainWindowTest::arrangementSurvivesCloseAndStart() {
    Window w;
    w.create();
    w.form->show();
    w.form->setGeometry(30, 40, MainWindow::designSize.width(), 420);
    auto* tree = w.find<QWidget>("MenuTree");
    QTRY_COMPARE(tree->width(), 193);
    w.form->resize(2 * MainWindow::designSize.width() - 2, 420);
    QTRY_COMPARE(tree->width(), 2 * 193);
    w.mouse(w.find<QWidget>("Splitter"), QEvent::MouseButtonPress, {1, 10});
    w.mouse(w.find<QWidget>("Splitter"), QEvent::MouseMove, {41, 10});
    w.mouse(w.find<QWidget>("Splitter"), QEvent::MouseButtonRelease, {41, 10});
    const int share = w.form->treeWidth() * 1000 / (2 * MainWindow::designSize.width() - 4);
    const QRect normal = w.form->frameGeometry();
    w.form->showMaximized();
    QTRY_VERIFY(w.form->isMaximized());
    w.form->close();
    QCOMPARE(storedInteger(w.registry, value::windowMaximized), 1);
    QCOMPARE(storedInteger(w.registry, value::windowWidth), normal.width());
    QVERIFY(qAbs(storedInteger(w.registry, value::windowTreeShare) - share) <= 1);

    w.create();
    w.form->show();
    QVERIFY(w.form->isMaximized());
    QTRY_VERIFY(qAbs(w.form->treeWidth() * 1000 / (w.find<QWidget>("ViewsPanel")->width() - 2) -
                     share) <= 2);
}

// The columns are fitted at the first showing, the user drags one wider, and that width comes back
// at the next start, as does the size the directory chooser was given.
void MainWindowTest::columnsAndChooserSizeSurviveCloseAndStart() {
    Window w;
    w.create();
    FakeDialog chooser({150, 72});
    w.form->setDirectoryChooser(&chooser);
    w.form->show();
    auto* list = w.find<QTreeView>("AvailableList");
    const auto widths = [&w] {
        const QHeaderView* header = w.find<QTreeView>("AvailableList")->header();
        return std::pair(header->sectionSize(0), header->sectionSize(1));
    };
    const auto [operation, description] = widths();
    for (int column : {0, 1})
        list->resizeColumnToContents(column);
    QCOMPARE(widths(), std::pair(operation, description));
    const QPoint edge(list->header()->sectionViewportPosition(1) - 1, 5);
    for (auto type : {QEvent::MouseButtonPress, QEvent::MouseMove, QEvent::MouseButtonRelease})
        w.mouse(list->header()->viewport(), type,
                type == QEvent::MouseButtonPress ? edge : edge + QPoint(30, 0));
    chooser.size = QSize(321, 210);
    w.form->close();

    chooser.size = QSize();
    w.create();
    w.form->setDirectoryChooser(&chooser);
    w.form->show();
    QCOMPARE(chooser.size, QSize(321, 210));
    QCOMPARE(widths(), std::pair(operation + 30, description));
}

void MainWindowTest::columnClickLeavesTheOrder() {
    Window w;
    w.create();
    w.form->show();
    auto* list = w.find<QTreeView>("AvailableList");
    const QStringList before = captions(list->model());
    QHeaderView* header = list->header();
    for (int section : {0, 1, 0}) {
        const QPoint at(header->sectionViewportPosition(section) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(captions(list->model()), before);
    }
    QVERIFY(!header->isSortIndicatorShown());
}

void MainWindowTest::dialogsFollowTheWindow() {
    Window w;
    w.create();
    FakeDialog properties({132, 48});
    FakeDialog chooser({150, 72});
    w.form->setPropertiesDialog(&properties);
    w.form->setDirectoryChooser(&chooser);
    w.form->show();
    w.form->move(100, 100);
    QTRY_COMPARE(w.form->pos(), QPoint(100, 100));

    properties.m_showing = true;
    w.form->move(160, 130);
    QTRY_COMPARE(properties.position, std::optional<QPoint>(QPoint(160 + 132, 130 + 48)));
    QVERIFY2(!chooser.position, "a hidden dialog stays where it is");

    chooser.m_showing = true;
    w.form->move(60, 70);
    QTRY_COMPARE(chooser.position, std::optional<QPoint>(QPoint(60 + 150, 70 + 72)));
    QTRY_COMPARE(properties.position, std::optional<QPoint>(QPoint(60 + 132, 70 + 48)));
}

void MainWindowTest::propertiesClickPlacesADialogOnlyOnce() {
    Window w;
    w.create();
    FakeDialog properties({132, 48});
    w.form->setPropertiesDialog(&properties);
    w.form->show();
    w.form->move(100, 100);
    QTRY_COMPARE(w.form->pos(), QPoint(100, 100));

    QTest::mouseClick(w.find<QPushButton>("PropertiesButton"), Qt::LeftButton);
    QVERIFY(properties.showing());
    QCOMPARE(properties.position, std::optional<QPoint>(QPoint(232, 148)));

    properties.position = QPoint(5, 5); // the user moved it
    QTest::mouseClick(w.find<QPushButton>("PropertiesButton"), Qt::LeftButton);
    QCOMPARE(properties.position, std::optional<QPoint>(QPoint(5, 5)));
}

namespace {

class Throwing : public QObject {
public:
    bool event(QEvent*) override { throw Failure("List index out of bounds"); }
};

} // namespace

void MainWindowTest::failuresInHandlersAreShownAndTheProgramGoesOn() {
    ScriptedDialogs::answerNextBox(QMessageBox::Ok);
    guarded([] { throw Failure("Failed to get data for 'MWnL'"); });

    // One that escapes a handler into the event loop is caught there.
    ScriptedDialogs::answerNextBox(QMessageBox::Ok);
    Throwing throwing;
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&throwing, &event);

    ScriptedDialogs::answerNextBox(QMessageBox::Ok);
    MessageBoxes::message(nullptr, QStringLiteral("Nothing happened!"));

    const auto shown = ScriptedDialogs::takeAnswered();
    QCOMPARE(shown.size(), 3);
    QCOMPARE(shown[0].text, QStringLiteral("Failed to get data for 'MWnL'"));
    QCOMPARE(shown[0].caption, QStringLiteral("Quorvane II"));
    QCOMPARE(shown[1].text, QStringLiteral("List index out of bounds"));
    QCOMPARE(shown[2].caption, QStringLiteral("Quorvane"));
    QCOMPARE(shown[2].text, QStringLiteral("Nothing happened!"));
}

void MainWindowTest::listSelectionIsKeptInTheCoreList() {
    Window w;
    w.create();
    w.form->show();
    auto* list = w.find<QTreeView>("AvailableList");
    list->selectionModel()->select(list->model()->index(2, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    list->selectionModel()->select(list->model()->index(9, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QVERIFY(w.form->availableEntries().at(2).selected);
    QVERIFY(w.form->availableEntries().at(9).selected);
    QVERIFY(!w.form->availableEntries().at(3).selected);

    // An editing rule that changes the core list's selection shows in the view.
    w.form->availableEntries().setSelected(2, false);
    w.form->availableEntries().append("Stamp", w.pool.operationRecord(17), true);
    QVERIFY(!list->selectionModel()->isRowSelected(2));
    QVERIFY(list->selectionModel()->isRowSelected(w.form->availableEntries().size() - 1));
    QVERIFY(list->selectionModel()->isRowSelected(9));
}

// A window manager's title bar shows the caption beside an icon and buttons; a box as narrow as
// "Nothing happened!" would cut the caption off.
void MainWindowTest::messageBoxesLeaveRoomForTheirCaption() {
    for (const QString& text : {QStringLiteral("Nothing happened!"), QStringLiteral("x")}) {
        int width = 0;
        QTimer::singleShot(0, [&width] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                width = box->width();
                box->accept();
            }
        });
        MessageBoxes::message(nullptr, text);
        QFont bold = QApplication::font();
        bold.setBold(true);
        QVERIFY2(width >= QFontMetrics(bold).horizontalAdvance(QStringLiteral("Quorvane")) + 100,
                 qPrintable(text));
    }
}

int main(int argc, char** argv) {
    Application application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quorvane II"));
    MainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MainWindowTest.moc"
