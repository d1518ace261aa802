#include "editor/EditActions.h"

#include "editor/AvailableEntriesItemModel.h"
#include "editor/DragDropController.h"
#include "editor/EditorView.h"
#include "editor/MainWindow.h"
#include "gui/ErrorHandler.h"
#include "gui/QtText.h"

#include <QMenu>
#include <QMenuBar>

namespace quorvane {

EditActions::EditActions(MainWindow& window, EditorView& tree, EditorView& list)
    : QObject(&window), m_window(window), m_tree(tree), m_list(list), m_actions(table()) {
    offerIn(tree, Tree);
    offerIn(list, List);
}

void EditActions::offerIn(EditorView& view, Place place) {
    view.setKeyHandler([this, place](int key, Qt::KeyboardModifiers modifiers) {
        return guardedAnswer([&] { return keyPressed(place, key, modifiers); });
    });
    view.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&view, &QWidget::customContextMenuRequested, this,
            [this, &view, place](QPoint at) { showContextMenu(view, place, at); });
}

// Qt's own F2 edits the current row; taken here, it edits the selected node, and in the list the
// first selected entry, which need not be the current one.
std::vector<EditActions::Action> EditActions::table() {
    const auto selected = [this] { return m_window.selectedNode(); };
    const auto move = [this](TreeEditing::Step step) {
        return [this, step] { m_window.moveSelectedNode(step); };
    };
    return {
        {QStringLiteral("Rename"),
         {QKeySequence(Qt::Key_F2)},
         Tree,
         [this, selected] {
             if (const MenuNode* node = selected())
                 m_tree.editCaption(m_window.menuModel().indexOf(node));
         },
         [selected] { return selected() && TreeEditing::mayRename(*selected()); }},
        // As if the node had been dropped on the list; a caption being edited keeps its node.
        {QStringLiteral("Delete"),
         {QKeySequence(Qt::Key_Delete)},
         Tree,
         [this, selected] {
             if (!m_tree.editing() && selected())
                 m_window.dragDrop().drop(&m_list, &m_tree);
         },
         [selected] { return selected() != nullptr; }},
        {QStringLiteral("Move Up"),
         {QKeySequence(Qt::CTRL | Qt::Key_Up)},
         Tree | KeysOnly,
         move(TreeEditing::Step::Up)},
        {QStringLiteral("Move Down"),
         {QKeySequence(Qt::CTRL | Qt::Key_Down)},
         Tree | KeysOnly,
         move(TreeEditing::Step::Down)},
        {QStringLiteral("Move Out"),
         {QKeySequence(Qt::CTRL | Qt::Key_Left)},
         Tree | KeysOnly,
         move(TreeEditing::Step::Out)},
        {QStringLiteral("Move In"),
         {QKeySequence(Qt::CTRL | Qt::Key_Right)},
         Tree | KeysOnly,
         move(TreeEditing::Step::In)},
        {QStringLiteral("Add to Menu"),
         {QKeySequence(Qt::Key_Insert), QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)},
         List,
         [this] { m_window.insertSelectedEntries(); }},
        {QStringLiteral("Rename"),
         {QKeySequence(Qt::Key_F2)},
         List,
         [this] {
             const AvailableEntries& entries = m_window.availableEntries();
             for (int row = 0; row < entries.size(); ++row) {
                 if (entries.at(row).selected) {
                     m_list.editCaption(
                         m_list.model()->index(row, AvailableEntriesItemModel::OperationColumn));
                     break;
                 }
             }
         }},
        {QStringLiteral("Preview Menu"),
         {QKeySequence(Qt::Key_F5)},
         EditMenu | Tree | List,
         [this] { m_window.showPreview(); },
         {},
         {},
         "PreviewAction"},
        {QStringLiteral("Undo"),
         {QKeySequence(Qt::CTRL | Qt::Key_Z)},
         EditMenu | Tree | List,
         [this] { m_window.undoStep(); },
         [this] { return m_window.history().canUndo(); },
         [this] { return m_window.history().undoName(); },
         "UndoAction"},
        {QStringLiteral("Redo"),
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
         EditMenu | Tree | List,
         [this] { m_window.redoStep(); },
         [this] { return m_window.history().canRedo(); },
         [this] { return m_window.history().redoName(); },
         "RedoAction"},
    };
}

QString EditActions::textOf(const Action& action) {
    return action.naming && isEnabled(action)
               ? action.text + QLatin1Char(' ') + ansiToQt(action.naming())
               : action.text;
}

bool EditActions::isEnabled(const Action& action) {
    return !action.enabled || action.enabled();
}

// Between File and Preset Menus; made here rather than in the form so that the form keeps the
// main menu's entries as they always were. The history's steps come first.
void EditActions::addEditMenu(QMenuBar& bar, QAction* before) {
    auto* menu = new QMenu(QStringLiteral("&Edit"), &m_window);
    menu->setObjectName(QStringLiteral("EditMenu"));
    bar.insertMenu(before, menu);
    for (bool steps : {true, false}) {
        if (!steps)
            menu->addSeparator();
        for (const Action& action : m_actions) {
            if (!(action.places & EditMenu) || bool(action.naming) != steps)
                continue;
            QAction* entry = menu->addAction(action.text);
            entry->setObjectName(QLatin1String(action.objectName));
            entry->setShortcuts(action.keys);
            connect(entry, &QAction::triggered, this, guard(action.run));
            m_menuEntries.emplace_back(&action, entry);
        }
    }
    refresh();
}

void EditActions::refresh() {
    for (auto [action, entry] : m_menuEntries) {
        entry->setEnabled(isEnabled(*action));
        entry->setText(textOf(*action));
    }
}

// The Edit menu's keys reach the window's shortcuts and never come here.
bool EditActions::keyPressed(Place view, int key, Qt::KeyboardModifiers modifiers) {
    for (const Action& action : m_actions) {
        if (!(action.places & view) || (action.places & EditMenu))
            continue;
        for (const QKeySequence& keys : action.keys) {
            const QKeyCombination combination = keys[0];
            if (combination.key() == key && (combination.keyboardModifiers() == modifiers ||
                                             combination.keyboardModifiers() == Qt::NoModifier)) {
                action.run();
                return true;
            }
        }
    }
    return false;
}

// The same actions as the keys, for those who look for them with the mouse or the menu key.
void EditActions::showContextMenu(EditorView& view, Place place, QPoint at) {
    QMenu menu;
    bool viewOwn = true;
    for (const Action& action : m_actions) {
        if (!(action.places & place) || (action.places & KeysOnly))
            continue;
        if (viewOwn && (action.places & EditMenu)) {
            menu.addSeparator();
            viewOwn = false;
        }
        QAction* entry = menu.addAction(textOf(action));
        entry->setShortcut(action.keys.constFirst());
        entry->setEnabled(isEnabled(action));
        connect(entry, &QAction::triggered, this, guard(action.run));
    }
    menu.exec(view.viewport()->mapToGlobal(at));
}

} // namespace quorvane
