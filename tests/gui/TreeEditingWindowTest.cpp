#include "ScriptedDialogs.h"
#include "SettingsFixture.h"
#include "editor/DragDropController.h"
#include "editor/EditorView.h"
#include "editor/EntriesDrag.h"
#include "editor/MainWindow.h"
#include "gui/MessageBoxes.h"
#include "menu/RecordPool.h"
#include "settings/KeyPath.h"
#include "support/MemoryRegistry.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QStyle>
#include <QTest>
#include <QWindow>
#include <optional>

using namespace quorvane;

namespace {

// The program's window over the Default menu, shown offscreen.
struct Window {
    Window() {
        test::seedSettings(registry);
        form.emplace(MainWindow::Services{registry, pool, QStringLiteral("/prog/"), {}});
        form->show();
        tree = form->findChild<EditorView*>("MenuTree");
        list = form->findChild<EditorView*>("AvailableList");
    }

    QModelIndex node(const QString& caption, const QModelIndex& parent = {}) const {
        const QAbstractItemModel* model = tree->model();
        for (int row = 0; row < model->rowCount(parent); ++row) {
            const QModelIndex i = model->index(row, 0, parent);
            if (i.data().toString() == caption)
                return i;
            if (const QModelIndex below = node(caption, i); below.isValid())
                return below;
        }
        return {};
    }
    int entry(const QString& caption) const {
        for (int row = 0; row < list->model()->rowCount(); ++row)
            if (list->model()->index(row, 0).data().toString() == caption)
                return row;
        return -1;
    }
    QStringList children(const QModelIndex& parent) const {
        QStringList captions;
        for (int row = 0; row < tree->model()->rowCount(parent); ++row)
            captions << tree->model()->index(row, 0, parent).data().toString();
        return captions;
    }
    QStringList entries(bool selectedOnly) const {
        QStringList captions;
        for (int row = 0; row < list->model()->rowCount(); ++row)
            if (!selectedOnly || list->selectionModel()->isRowSelected(row))
                captions << list->model()->index(row, 0).data().toString();
        return captions;
    }
    void selectEntries(const QStringList& captions) {
        list->selectionModel()->clearSelection();
        for (const QString& caption : captions)
            list->selectionModel()->select(list->model()->index(entry(caption), 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    // A drag of the editor's entries over `view`, as Qt delivers it: the entry and at once a move,
    // which the view takes or refuses.
    void dragOver(EditorView* view, QPoint at, bool entering, bool taken = true) {
        QMimeData data;
        data.setData(QLatin1String(entriesMimeType), {});
        if (entering) {
            QDragEnterEvent enter(at, Qt::MoveAction | Qt::CopyAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(view->viewport(), &enter);
            QVERIFY(enter.isAccepted());
        }
        QDragMoveEvent move(at, Qt::MoveAction | Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(view->viewport(), &move);
        QCOMPARE(move.isAccepted(), taken);
    }
    static void mouse(QWidget* target, QEvent::Type type, QPoint at) {
        QMouseEvent event(type, at, target->mapToGlobal(at),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
    // Splitter pressed and moved 40 to the right; true when the tree grew by as much.
    bool splits() {
        QWidget* splitter = form->findChild<QWidget*>("Splitter");
        const int before = tree->width();
        mouse(splitter, QEvent::MouseButtonPress, {1, 10});
        mouse(splitter, QEvent::MouseMove, {40, 10});
        mouse(splitter, QEvent::MouseButtonRelease, {40, 10});
        return tree->width() == before + 40;
    }
    QPoint centre(const QModelIndex& index) const { return tree->visualRect(index).center(); }

    test::MemoryRegistry registry;
    RecordPool pool;
    std::optional<MainWindow> form;
    EditorView* tree = nullptr;
    EditorView* list = nullptr;
};

// Is the row of `index` painted highlighted? Looks at its right end, where no text is.
bool highlighted(EditorView* view, const QModelIndex& index) {
    const QImage shot = view->viewport()->grab().toImage();
    const QRect row = view->visualRect(index);
    const QColor colour = shot.pixelColor(view->viewport()->width() - 3, row.center().y());
    return colour == view->palette().color(QPalette::Highlight);
}

const QString refusal = QStringLiteral("This item cannot be modified");

} // namespace

class TreeEditingWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        ScriptedDialogs::takeAnswered();
        // Qt's warning for an editor that did not open; nothing the user should find in a log.
        QTest::failOnWarning(QRegularExpression(QStringLiteral("editing failed|commitData")));
    }
    void dragOverMarksTheDropTarget();
    void insertion_data();
    void insertion();
    void moveWithinTheTree();
    void aDropThatMovesNothingIsNoStep();
    void removal_data();
    void removal();
    void deleteWhileEditingKeepsTheNode();
    void renaming_data();
    void renaming();
    void renamingStoresOnlyWhatTheSettingsHold_data();
    void renamingStoresOnlyWhatTheSettingsHold();
    void clickOnOneOfSeveralSelectsItAlone();
    void pressOnTheSelectionDragsAllOfIt();
    void clickRenamesOnlyTheOnlySelectedRow_data();
    void clickRenamesOnlyTheOnlySelectedRow();
    void dragImageKeepsClearOfTheRowUnderThePointer();
    void dragFlagBlocksTheSplitterUntilTheDrop();
    void dragThatEndsElsewhereClearsTheFlag_data();
    void dragThatEndsElsewhereClearsTheFlag();
    void deleteIsUndoneInPlaceAndRedone();
    void aMenuIsBuiltWithTheKeyboardAlone();
    void closingAsksAboutUnappliedChanges_data();
    void closingAsksAboutUnappliedChanges();
    void previewShowsTheUnappliedMenuWithoutEmptySubmenus();
};

void TreeEditingWindowTest::dragOverMarksTheDropTarget() {
    Window w;
    const QModelIndex root = w.node("Quorvane");
    const QModelIndex clipboard = w.node("Clipboard");
    const QPoint emptySpace(5, w.tree->viewport()->height() - 3);
    QVERIFY(!w.tree->indexAt(emptySpace).isValid());

    w.dragOver(w.tree, w.centre(root), true);
    QCOMPARE(w.tree->dropTarget(), root);
    w.dragOver(w.tree, w.centre(clipboard), false);
    QCOMPARE(w.tree->dropTarget(), clipboard);
    QCOMPARE(w.tree->dropMark(), EditorView::DropMark::Into);
    // The target alone shows highlighted, not the selected root.
    QVERIFY(highlighted(w.tree, clipboard));
    QVERIFY(!highlighted(w.tree, root));
    w.dragOver(w.tree, w.centre(w.node("DOS Prompt")), false);
    QCOMPARE(w.tree->dropMark(), EditorView::DropMark::After);
    w.dragOver(w.tree, emptySpace, false);
    QVERIFY(!w.tree->dropTarget().isValid());
    QCOMPARE(w.tree->dropMark(), EditorView::DropMark::AtEnd);

    QDragLeaveEvent leave;
    QApplication::sendEvent(w.tree->viewport(), &leave);
    QVERIFY(!w.tree->dropTarget().isValid());
    QVERIFY(highlighted(w.tree, root));

    w.dragOver(w.list, {5, 5}, true);
    QCOMPARE(w.list->dropTarget().row(), w.list->model()->rowCount() - 1);
}

void TreeEditingWindowTest::insertion_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QStringList>("children");
    QTest::addColumn<QString>("selected");

    const QStringList dropped{"<separator>", "MoveTo Item", "Stamp"};
    QTest::newRow("onto a submenu")
        << "Clipboard"
        << "Clipboard" << dropped + QStringList{"Copy Name", "Append Name"} << "Quorvane";
    QTest::newRow("onto a leaf") << "DOS Prompt"
                                 << "Quorvane"
                                 << QStringList{"Explore",   "Move To",   "Copy To",
                                                "Extension", "Clipboard", "<separator>",
                                                "DOS Prompt"} +
                                        dropped + QStringList{"<separator>", "Remove!!",
                                                              "<separator>", "Target Properties",
                                                              "<separator>", "Configure"}
                                 << "<separator>";
}

void TreeEditingWindowTest::insertion() {
    QFETCH(QString, target);
    QFETCH(QString, parent);
    QFETCH(QStringList, children);
    QFETCH(QString, selected);
    Window w;
    const int entries = w.list->model()->rowCount();
    w.selectEntries({"<separator>", "MoveTo Item", "Stamp"});
    w.form->dragDrop().begin(w.list);
    w.dragOver(w.tree, w.centre(w.node(target)), true);

    w.form->dragDrop().drop(w.tree, w.list);

    QCOMPARE(w.children(w.node(parent)), children);
    QVERIFY(w.tree->isExpanded(w.node(parent)));
    const QModelIndexList selection = w.tree->selectionModel()->selectedIndexes();
    QCOMPARE(selection.size(), 1);
    QCOMPARE(selection[0].data().toString(), selected);
    if (parent != target) // the new block follows the target, its first node selected
        QCOMPARE(selection[0].row(), w.node(target).row() + 1);
    QCOMPARE(w.entry("Stamp"), -1);
    QCOMPARE(w.list->model()->rowCount(), entries - 1);
    QVERIFY(!w.form->dragging());
}

void TreeEditingWindowTest::moveWithinTheTree() {
    Window w;
    // Onto a submenu: first child there, still selected, and the emptied node closes.
    w.tree->expand(w.node("Clipboard"));
    w.tree->setCurrentIndex(w.node("Remove!!"));
    w.dragOver(w.tree, w.centre(w.node("Explore")), true);
    w.form->dragDrop().drop(w.tree, w.tree);
    QCOMPARE(w.children(w.node("Explore")).first(), QStringLiteral("Remove!!"));
    QCOMPARE(w.tree->currentIndex(), w.node("Remove!!"));

    w.tree->setCurrentIndex(w.node("Append Name"));
    w.dragOver(w.tree, w.centre(w.node("Copy Name")), true);
    w.form->dragDrop().drop(w.tree, w.tree);
    w.tree->setCurrentIndex(w.node("Copy Name"));
    w.dragOver(w.tree, w.centre(w.node("Configure")), true);
    w.form->dragDrop().drop(w.tree, w.tree);
    QCOMPARE(w.children(w.node("Clipboard")), QStringList{"Append Name"});
    w.tree->setCurrentIndex(w.node("Append Name"));
    w.dragOver(w.tree, w.centre(w.node("Configure")), true);
    w.form->dragDrop().drop(w.tree, w.tree);
    QVERIFY(!w.tree->isExpanded(w.node("Clipboard")));
    // Onto a leaf: directly after it, and the target becomes the selected node.
    QCOMPARE(
        w.children(w.node("Quorvane")).mid(9),
        (QStringList{"Target Properties", "<separator>", "Configure", "Append Name", "Copy Name"}));
    QCOMPARE(w.tree->currentIndex(), w.node("Configure"));
}

// Into or beside the dragged submenu's own entries: refused, with no line, and nothing moves.
void TreeEditingWindowTest::aDropThatMovesNothingIsNoStep() {
    Window w;
    MenuNode* clipboard = w.form->menuModel().node(w.node("Clipboard"));
    w.form->menu().addLastChild(clipboard, "Inner", w.pool.prototype(Kind::Submenu));
    w.tree->expand(w.node("Clipboard"));
    const QStringList before = w.children(w.node("Clipboard"));
    w.tree->setCurrentIndex(w.node("Clipboard"));
    w.form->dragDrop().begin(w.tree);
    for (const char* own : {"Copy Name", "Inner"}) {
        w.dragOver(w.tree, w.centre(w.node(own)), true, false);
        QCOMPARE(w.tree->dropMark(), EditorView::DropMark::None);
    }
    w.form->dragDrop().drop(w.tree, w.tree);
    QCOMPARE(w.children(w.node("Clipboard")), before);
    QVERIFY(!w.tree->model()->hasChildren(w.node("Inner")));
    QVERIFY(!w.form->history().canUndo());
}

void TreeEditingWindowTest::removal_data() {
    QTest::addColumn<bool>("byKey");
    QTest::newRow("dropped on the list") << false;
    QTest::newRow("Delete") << true;
}

void TreeEditingWindowTest::removal() {
    QFETCH(bool, byKey);
    Window w;
    w.selectEntries({"Stamp"});
    const QStringList before = w.entries(false);
    w.tree->setCurrentIndex(w.node("Clipboard"));
    w.form->dragDrop().begin(w.tree);

    if (byKey)
        QTest::keyClick(w.tree, Qt::Key_Delete);
    else
        w.form->dragDrop().drop(w.list, w.tree);

    QVERIFY(!w.node("Clipboard").isValid());
    QCOMPARE(w.entries(false), before + QStringList({"Copy Name", "Append Name"}));
    QCOMPARE(w.entries(true), (QStringList{"Stamp", "Copy Name", "Append Name"}));
    QCOMPARE(w.tree->selectionModel()->selectedIndexes().size(), 1);
    QVERIFY(!w.form->dragging()); // Delete goes through the drop handler too
}

void TreeEditingWindowTest::deleteWhileEditingKeepsTheNode() {
    Window w;
    w.form->activateWindow();
    w.tree->setFocus();
    w.tree->setCurrentIndex(w.node("DOS Prompt"));
    QTest::keyClick(w.tree, Qt::Key_F2);
    QWidget* editor = w.tree->indexWidget(w.node("DOS Prompt"));
    QVERIFY(editor);

    QTest::keyClick(w.tree, Qt::Key_Delete);
    QTest::keyClick(editor, Qt::Key_Delete);
    QVERIFY(w.node("DOS Prompt").isValid());
    QVERIFY(w.tree->editing());
}

void TreeEditingWindowTest::renaming_data() {
    QTest::addColumn<bool>("inTree");
    QTest::addColumn<QStringList>("selection"); // the last one current
    QTest::addColumn<QString>("edited");        // empty when refused

    QTest::newRow("root") << true << QStringList{"Quorvane"} << "";
    QTest::newRow("separator") << true << QStringList{"<separator>"} << "";
    QTest::newRow("operation") << true << QStringList{"DOS Prompt"} << "DOS Prompt";
    QTest::newRow("submenu") << true << QStringList{"Clipboard"} << "Clipboard";
    QTest::newRow("list separator first") << false << QStringList{"<separator>", "Stamp"} << "";
    QTest::newRow("list fixed entry first")
        << false << QStringList{"Extension Item", "Stamp"} << "Extension Item";
}

void TreeEditingWindowTest::renaming() {
    QFETCH(bool, inTree);
    QFETCH(QStringList, selection);
    QFETCH(QString, edited);
    Window w;
    EditorView* view = inTree ? w.tree : w.list;
    if (inTree) {
        w.tree->setCurrentIndex(w.node(selection[0]));
    } else {
        w.selectEntries(selection);
        w.list->selectionModel()->setCurrentIndex(w.list->model()->index(w.entry(selection[1]), 0),
                                                  QItemSelectionModel::NoUpdate);
    }
    ScriptedDialogs::answerNextBox(QMessageBox::Ok);
    QTest::keyClick(view, Qt::Key_F2);

    const auto shown = ScriptedDialogs::takeAnswered();
    if (edited.isEmpty()) {
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].caption, QStringLiteral("Quorvane"));
        QCOMPARE(shown[0].text, refusal);
        QVERIFY(!view->editing());
    } else {
        QCOMPARE(shown.size(), 0);
        MessageBoxes::message(nullptr, {}); // uses up the answer nobody asked for
        ScriptedDialogs::takeAnswered();
        const QModelIndex at = inTree ? w.node(edited) : w.list->model()->index(w.entry(edited), 0);
        QVERIFY(view->indexWidget(at));
    }
}

// Typed into the editor F2 opens and ended with Enter. A caption the menu cannot carry is refused
// and the editor opens again on what was typed; Enter in the list's editor belongs to the rename,
// not to the list, whose own Enter adds the entry to the menu.
void TreeEditingWindowTest::renamingStoresOnlyWhatTheSettingsHold_data() {
    QTest::addColumn<bool>("inTree");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("refusal"); // empty when taken

    QTest::newRow("tree, Windows-1252") << true << QStringLiteral("Caf\u00e9 \u20ac") << "";
    QTest::newRow("tree, outside")
        << true << QStringLiteral("\u6f22\u5b57 Prompt") << QStringLiteral("\"\u6f22\" (U+6F22)");
    QTest::newRow("tree, empty") << true << QString() << "cannot be empty";
    QTest::newRow("list, Windows-1252") << false << QStringLiteral("\u0152uvre \u2122") << "";
    QTest::newRow("list, outside")
        << false << QStringLiteral("\u015coso") << QStringLiteral("\"\u015c\" (U+015C)");
    QTest::newRow("list, carriage return") << false << "Sta\rmp"
                                           << "cannot hold a line break";
}

void TreeEditingWindowTest::renamingStoresOnlyWhatTheSettingsHold() {
    QFETCH(bool, inTree);
    QFETCH(QString, typed);
    QFETCH(QString, refusal);
    Window w;
    EditorView* view = inTree ? w.tree : w.list;
    QModelIndex at;
    if (inTree) {
        at = w.node("DOS Prompt");
        w.tree->setCurrentIndex(at);
    } else {
        at = w.list->model()->index(w.entry("Stamp"), 0);
        w.selectEntries({"Stamp"});
    }
    const QPersistentModelIndex edited(at);
    const QString before = at.data().toString();
    const qsizetype menuBefore = w.children(w.node("Quorvane")).size();
    QTest::keyClick(view, Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(view->indexWidget(at));
    QVERIFY(editor);
    editor->setText(typed);
    if (!refusal.isEmpty())
        ScriptedDialogs::answerNextBox(QMessageBox::Ok);
    QTest::keyClick(editor, Qt::Key_Return);

    // The view commits a turn of the event loop later, and a refusal is told a turn after that.
    if (refusal.isEmpty()) {
        QTRY_COMPARE(edited.data().toString(), typed);
        QCOMPARE(ScriptedDialogs::takeAnswered().size(), 0);
        QVERIFY(!view->editing());
        // The step is named by the caption the entry shows now.
        QCOMPARE(w.form->findChild<QAction*>("UndoAction")->text(),
                 "&Undo Rename \"" + QString(typed).replace('&', "&&") + '"');
    } else {
        QList<ScriptedDialogs::Answered> shown;
        QTRY_VERIFY(!(shown += ScriptedDialogs::takeAnswered()).isEmpty());
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].caption, QStringLiteral("Quorvane"));
        QVERIFY2(shown[0].text.contains(refusal), qPrintable(shown[0].text));
        QCOMPARE(edited.data().toString(), before);
        editor = qobject_cast<QLineEdit*>(view->indexWidget(edited));
        QVERIFY(editor);
        QCOMPARE(editor->text(), typed);
        QVERIFY(!w.form->history().canUndo());
    }
    QCOMPARE(w.children(w.node("Quorvane")).size(), menuBefore);
}

void TreeEditingWindowTest::clickOnOneOfSeveralSelectsItAlone() {
    Window w;
    w.selectEntries({"Copy Target Name", "Stamp", "Add Send To"});
    QTest::mouseClick(w.list->viewport(), Qt::LeftButton, {},
                      w.list->visualRect(w.list->model()->index(w.entry("Stamp"), 0)).center());
    QCOMPARE(w.entries(true), QStringList{"Stamp"});
    QTest::qWait(QApplication::doubleClickInterval() + 100);
    QVERIFY(!w.list->editing());
    QCOMPARE(ScriptedDialogs::takeAnswered().size(), 0);
}

// The press leaves the selection as it is, so that a drag takes every selected entry along.
void TreeEditingWindowTest::pressOnTheSelectionDragsAllOfIt() {
    Window w;
    w.selectEntries({"Copy Target Name", "Stamp", "Add Send To"});
    QStringList dragged;
    QObject::connect(w.list, &EditorView::dragStarted, w.list, [&] { dragged = w.entries(true); });
    const QPoint at = w.list->visualRect(w.list->model()->index(w.entry("Stamp"), 0)).center();
    const int distance = QApplication::startDragDistance() + 5;
    Window::mouse(w.list->viewport(), QEvent::MouseButtonPress, at);
    QCOMPARE(w.entries(true).size(), 3);
    Window::mouse(w.list->viewport(), QEvent::MouseMove, at + QPoint(distance, 0));
    Window::mouse(w.list->viewport(), QEvent::MouseMove, at + QPoint(distance, distance));
    Window::mouse(w.list->viewport(), QEvent::MouseButtonRelease, at + QPoint(distance, distance));
    QCOMPARE(dragged, (QStringList{"Copy Target Name", "Stamp", "Add Send To"}));
}

void TreeEditingWindowTest::clickRenamesOnlyTheOnlySelectedRow_data() {
    QTest::addColumn<bool>("inTree");
    QTest::addColumn<QString>("clicked");
    QTest::addColumn<bool>("selectedBefore");
    QTest::addColumn<QString>("outcome"); // "editor", "refusal" or "nothing"

    QTest::newRow("selected node") << true << "DOS Prompt" << true << "editor";
    QTest::newRow("node not selected") << true << "DOS Prompt" << false << "nothing";
    QTest::newRow("selected root") << true << "Quorvane" << true << "refusal";
    QTest::newRow("selected entry") << false << "Stamp" << true << "editor";
    QTest::newRow("entry not selected") << false << "Stamp" << false << "nothing";
    QTest::newRow("selected list separator") << false << "<separator>" << true << "refusal";
}

void TreeEditingWindowTest::clickRenamesOnlyTheOnlySelectedRow() {
    QFETCH(bool, inTree);
    QFETCH(QString, clicked);
    QFETCH(bool, selectedBefore);
    QFETCH(QString, outcome);
    Window w;
    EditorView* view = inTree ? w.tree : w.list;
    const QModelIndex at = inTree ? w.node(clicked) : w.list->model()->index(w.entry(clicked), 0);
    const QModelIndex other = inTree ? w.node("Explore") : w.list->model()->index(0, 0);
    view->selectionModel()->setCurrentIndex(selectedBefore ? at : other,
                                            QItemSelectionModel::ClearAndSelect |
                                                QItemSelectionModel::Rows);
    if (outcome == "refusal")
        ScriptedDialogs::answerNextBox(QMessageBox::Ok);

    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(at).center());
    QTest::qWait(QApplication::doubleClickInterval() + 100);

    QCOMPARE(view->indexWidget(at) != nullptr, outcome == "editor");
    const auto shown = ScriptedDialogs::takeAnswered();
    QCOMPARE(shown.size(), outcome == "refusal" ? 1 : 0);
    if (!shown.isEmpty())
        QCOMPARE(shown[0].text, refusal);
}

// Dragged from the list, the picture shows what goes and stays a row's height below the pointer,
// wherever in its row the pointer is: the row under the pointer is the drop target in the tree.
void TreeEditingWindowTest::dragImageKeepsClearOfTheRowUnderThePointer() {
    Window w;
    w.selectEntries({"Stamp", "Add Send To"});
    QModelIndexList entries;
    for (const char* caption : {"Stamp", "Add Send To"})
        entries << w.list->model()->index(w.entry(caption), 0);
    const EditorView::DragImage image = w.list->dragImage(entries);
    const QSize size = image.pixmap.deviceIndependentSize().toSize();
    const int rowHeight = w.tree->visualRect(w.node("Explore")).height();

    QVERIFY(size.height() < 2 * rowHeight);
    QVERIFY(-image.hotSpot.x() > 0);
    QVERIFY(-image.hotSpot.y() >= rowHeight);
}

void TreeEditingWindowTest::dragFlagBlocksTheSplitterUntilTheDrop() {
    Window w;
    const QStringList entries = w.entries(false);
    const QStringList menu = w.children(w.node("Quorvane"));
    w.form->dragDrop().begin(w.list);
    QVERIFY(w.form->dragging());
    QVERIFY(!w.splits());

    w.form->dragDrop().drop(w.list, w.list);
    QCOMPARE(w.entries(false), entries);
    QCOMPARE(w.children(w.node("Quorvane")), menu);
    QVERIFY(!w.form->dragging());
    QVERIFY(w.splits());
}

void TreeEditingWindowTest::dragThatEndsElsewhereClearsTheFlag_data() {
    QTest::addColumn<bool>("fromTree");
    QTest::newRow("from the tree") << true;
    QTest::newRow("from the list") << false;
}

// The offscreen platform ends every drag at once without a drop, as a drag given up would end.
void TreeEditingWindowTest::dragThatEndsElsewhereClearsTheFlag() {
    QFETCH(bool, fromTree);
    Window w;
    EditorView* view = fromTree ? w.tree : w.list;
    const QModelIndex pressed =
        fromTree ? w.node("DOS Prompt") : w.list->model()->index(w.entry("Stamp"), 0);
    std::optional<bool> flagDuringDrag;
    QObject::connect(view, &EditorView::dragStarted, view,
                     [&] { flagDuringDrag = w.form->dragging(); });

    const QPoint at = view->visualRect(pressed).center();
    const int distance = QApplication::startDragDistance() + 5;
    Window::mouse(view->viewport(), QEvent::MouseButtonPress, at);
    // The first move makes a drag of the press, the next one starts it.
    Window::mouse(view->viewport(), QEvent::MouseMove, at + QPoint(distance, 0));
    Window::mouse(view->viewport(), QEvent::MouseMove, at + QPoint(distance, distance));

    QCOMPARE(flagDuringDrag, std::optional<bool>(true));
    QVERIFY(!w.form->dragging());
    QVERIFY(w.splits());
    if (fromTree)
        QCOMPARE(w.tree->selectionModel()->selectedIndexes(), QModelIndexList{pressed});
}

void TreeEditingWindowTest::deleteIsUndoneInPlaceAndRedone() {
    Window w;
    w.form->activateWindow();
    const QStringList before = w.children({});
    const QStringList listBefore = w.entries(false);
    w.tree->expand(w.node("Clipboard"));
    w.tree->setCurrentIndex(w.node("Clipboard"));
    QTest::keyClick(w.tree, Qt::Key_Delete);
    QCOMPARE(w.form->windowTitle(), QStringLiteral("Quorvane Setup *"));
    QAction* undo = w.form->findChild<QAction*>("UndoAction");
    QCOMPARE(undo->text(), QStringLiteral("&Undo Remove \"Clipboard\""));

    QTest::keyClick(w.form->windowHandle(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(w.children({}), before);
    QCOMPARE(w.entries(false), listBefore);
    QVERIFY(w.tree->isExpanded(w.node("Clipboard")));
    QCOMPARE(w.tree->currentIndex(), w.node("Clipboard"));
    QCOMPARE(w.form->windowTitle(), QStringLiteral("Quorvane Setup"));
    QVERIFY(!undo->isEnabled());

    QTest::keyClick(w.form->windowHandle(), Qt::Key_Y, Qt::ControlModifier);
    QVERIFY(!w.node("Clipboard").isValid());
}

// Insert adds the selected entries as a drop on the selected node would; Ctrl with the arrows
// moves a node about.
void TreeEditingWindowTest::aMenuIsBuiltWithTheKeyboardAlone() {
    Window w;
    w.form->activateWindow();
    const auto top = [&w] { return w.children(w.node("Quorvane")); };
    w.tree->setCurrentIndex(w.node("DOS Prompt"));
    w.selectEntries({"Stamp"});
    QTest::keyClick(w.list, Qt::Key_Insert);
    QVERIFY(w.node("Stamp").isValid());
    QCOMPARE(w.entry("Stamp"), -1);
    const int dos = top().indexOf("DOS Prompt");
    QCOMPARE(top().indexOf("Stamp"), dos + 1);

    QTest::keyClick(w.tree, Qt::Key_Up, Qt::ControlModifier);
    QCOMPARE(top().indexOf("Stamp"), dos);
    QTest::keyClick(w.tree, Qt::Key_Up, Qt::ControlModifier);
    // Now right below the Clipboard submenu, which takes it in as its last child.
    QTest::keyClick(w.tree, Qt::Key_Right, Qt::ControlModifier);
    QCOMPARE(w.children(w.node("Clipboard")).last(), QStringLiteral("Stamp"));
    QTest::keyClick(w.tree, Qt::Key_Left, Qt::ControlModifier);
    QCOMPARE(top().indexOf("Stamp"), top().indexOf("Clipboard") + 1);
}

void TreeEditingWindowTest::closingAsksAboutUnappliedChanges_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<bool>("stored");
    QTest::newRow("Apply") << int(QMessageBox::Apply) << true << true;
    QTest::newRow("Discard") << int(QMessageBox::Discard) << true << false;
    QTest::newRow("Cancel") << int(QMessageBox::Cancel) << false << false;
}

void TreeEditingWindowTest::closingAsksAboutUnappliedChanges() {
    QFETCH(int, answer);
    QFETCH(bool, closed);
    QFETCH(bool, stored);
    Window w;
    const auto storedMenu = [&w] { return w.registry.find(settingsKeyPath(), "TheMenu")->data; };
    const std::string before = storedMenu();
    // Nothing unapplied: closes without a word.
    QVERIFY(w.form->close());
    QVERIFY(ScriptedDialogs::takeAnswered().isEmpty());

    w.form->show();
    w.tree->setCurrentIndex(w.node("Clipboard"));
    QTest::keyClick(w.tree, Qt::Key_Delete);
    ScriptedDialogs::answerNextBox(static_cast<QMessageBox::StandardButton>(answer));
    QCOMPARE(w.form->close(), closed);
    const auto asked = ScriptedDialogs::takeAnswered();
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked[0].text, QStringLiteral("Apply the changes to the menu before closing?"));
    QCOMPARE(storedMenu() != before, stored);
    QCOMPARE(w.form->windowTitle().endsWith('*'), !stored);
}

namespace {

// A menu's entries, each submenu's in braces, separators as "-".
QString outline(const QMenu* menu) {
    QStringList entries;
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator())
            entries << QStringLiteral("-");
        else if (action->menu())
            entries << action->text() + '{' + outline(action->menu()) + '}';
        else
            entries << action->text();
    }
    return entries.join('|');
}

} // namespace

void TreeEditingWindowTest::previewShowsTheUnappliedMenuWithoutEmptySubmenus() {
    test::MemoryRegistry registry;
    test::seedSettings(registry, R"("Tools",5,"Deep",17,-2,-2,"Empty",-2,-1,16,-2)");
    RecordPool pool;
    MainWindow form({registry, pool, QStringLiteral("/prog/"), {}});
    form.menu().rename(form.menu().root()->child(3), "Fish && Chips & Co");

    form.showPreview();
    const auto* preview = form.findChild<QMenu*>(QStringLiteral("Preview"));
    QVERIFY(preview);
    QCOMPARE(outline(preview),
             QStringLiteral("Quorvane{Tools{DOS Prompt|Deep{Stamp}}|-|Fish &&&& Chips && Co}"));
    QCOMPARE(preview->actions().first()->menu()->actions().last()->iconText(),
             QStringLiteral("Fish && Chips & Co"));
}

QTEST_MAIN(TreeEditingWindowTest)
#include "TreeEditingWindowTest.moc"
