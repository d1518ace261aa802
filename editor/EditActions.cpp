#include "editor/EditActions.h"

#include "editor/AvailableEntriesItemModel.h"
#include "editor/DragDropController.h"
#include "editor/EditorView.h"
#include "editor/MainWindow.h"
#include "editor/TargetAssignment.h"
#include "gui/ErrorHandler.h"
#include "gui/QtText.h"

#include <QMenu>
#include <QMenuBar>
#include <algorithm>

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
    // The root stays where it is.
    const auto movable = [selected] { return selected() && selected()->parent(); };
    const auto selectedIs = [selected](std::initializer_list<Kind> kinds) {
        return [selected, kinds = std::vector<Kind>(kinds)] {
            const MenuNode* node = selected();
            return node &&
                   std::find(kinds.begin(), kinds.end(), node->record()->kind) != kinds.end();
        };
    };
    const auto chooseTarget = [this, selected] {
        if (MenuNode* node = selected())
            m_window.targets().chooseTarget(node);
    };
    const QList<QKeySequence> enter{QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)};
    return {
        {QStringLiteral("Re&name"),
         {QKeySequence(Qt::Key_F2)},
         Tree | Listed,
         [this, selected] {
             if (const MenuNode* node = selected())
                 m_tree.editCaption(m_window.menuModel().indexOf(node));
         },
         [selected] { return selected() && TreeEditing::mayRename(*selected()); },
         {},
         "RenameAction",
         true},
        // As if the node had been dropped on the list; a caption being edited keeps its node.
        {QStringLiteral("&Delete"),
         {QKeySequence(Qt::Key_Delete)},
         Tree | Listed,
         [this, selected] {
             if (!m_tree.editing() && selected())
                 m_window.dragDrop().drop(&m_list, &m_tree);
         },
         [selected] { return selected() != nullptr; },
         {},
         "DeleteAction"},
        {QStringLiteral("Move &Up"),
         {QKeySequence(Qt::CTRL | Qt::Key_Up)},
         Tree | Listed,
         move(TreeEditing::Step::Up),
         movable,
         {},
         "MoveUpAction"},
        {QStringLiteral("Move Do&wn"),
         {QKeySequence(Qt::CTRL | Qt::Key_Down)},
         Tree | Listed,
         move(TreeEditing::Step::Down),
         movable,
         {},
         "MoveDownAction"},
        {QStringLiteral("Move &Out of Submenu"),
         {QKeySequence(Qt::CTRL | Qt::Key_Left)},
         Tree | Listed,
         move(TreeEditing::Step::Out),
         movable,
         {},
         "MoveOutAction"},
        {QStringLiteral("Move &Into Submenu Above"),
         {QKeySequence(Qt::CTRL | Qt::Key_Right)},
         Tree | Listed,
         move(TreeEditing::Step::In),
         movable,
         {},
         "MoveInAction"},
        {QStringLiteral("Choose &Folder..."),
         enter,
         Tree | Listed,
         chooseTarget,
         selectedIs({Kind::MoveTo, Kind::CopyTo}),
         {},
         "ChooseFolderAction"},
        {QStringLiteral("Choose Fi&le..."),
         enter,
         Tree | Listed,
         chooseTarget,
         selectedIs({Kind::RunOpen, Kind::SendTo}),
         {},
         "ChooseFileAction"},
        {QStringLiteral("&Add to Menu"),
         {QKeySequence(Qt::Key_Insert), QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)},
         List,
         [this] { m_window.insertSelectedEntries(); }},
        {QStringLiteral("Re&name"),
         {QKeySequence(Qt::Key_F2)},
         List,
         [this] {
             if (const int row = firstSelectedEntry(); row >= 0)
                 m_list.editCaption(
                     m_list.model()->index(row, AvailableEntriesItemModel::OperationColumn));
         },
         [this] {
             const int row = firstSelectedEntry();
             return row >= 0 && TreeEditing::mayRename(m_window.availableEntries().at(row));
         },
         {},
         nullptr,
         true},
        {QStringLiteral("Pre&view Menu"),
         {QKeySequence(Qt::Key_F5)},
         EditMenu | Tree | List,
         [this] { m_window.showPreview(); },
         {},
         {},
         "PreviewAction"},
        {QStringLiteral("&Undo"),
         {QKeySequence(Qt::CTRL | Qt::Key_Z)},
         EditMenu | Tree | List,
         [this] { m_window.undoStep(); },
         [this] { return m_window.history().canUndo(); },
         [this] { return m_window.history().undoName(); },
         "UndoAction"},
        {QStringLiteral("&Redo"),
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
         EditMenu | Tree | List,
         [this] { m_window.redoStep(); },
         [this] { return m_window.history().canRedo(); },
         [this] { return m_window.history().redoName(); },
         "RedoAction"},
    };
}

int EditActions::firstSelectedEntry() const {
    const AvailableEntries& entries = m_window.availableEntries();
    for (int row = 0; row < entries.size(); ++row)
        if (entries.at(row).selected)
            return row;
    return -1;
}

// A caption's own "&" is shown as it is, not taken for a mnemonic.
QString EditActions::textOf(const Action& action) {
    if (!action.naming || !isEnabled(action))
        return action.text;
    QString naming = ansiToQt(action.naming());
    return action.text + QLatin1Char(' ') + naming.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

bool EditActions::isEnabled(const Action& action) {
    return !action.enabled || action.enabled();
}

// Between File and Preset Menus; made here rather than in the form so that the form keeps the
// main menu's entries as they always were. The history's steps come first, then what acts on
// the tree's selected entry, then the rest. The keys of the tree's entries are shown there but
// stay the tree's: Ctrl+Up in the list, or Delete in a caption being edited, are not theirs.
void EditActions::addEditMenu(QMenuBar& bar, QAction* before) {
    auto* menu = new QMenu(QStringLiteral("&Edit"), &m_window);
    menu->setObjectName(QStringLiteral("EditMenu"));
    bar.insertMenu(before, menu);
    for (int group = 0; group < 3; ++group) {
        if (group > 0)
            menu->addSeparator();
        for (const Action& action : m_actions) {
            const int in = action.naming ? 0 : action.places & Listed ? 1 : 2;
            if (!(action.places & (EditMenu | Listed)) || in != group)
                continue;
            QAction* entry = menu->addAction(action.text);
            entry->setObjectName(QLatin1String(action.objectName));
            entry->setShortcuts(action.keys);
            if (action.places & Listed)
                entry->setShortcutContext(Qt::WidgetShortcut);
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

// The Edit menu's own keys reach the window's shortcuts and never come here. A key whose
// actions are all disabled keeps the view's own meaning, unless one of them explains itself.
bool EditActions::keyPressed(Place view, int key, Qt::KeyboardModifiers modifiers) {
    const Action* explaining = nullptr;
    for (const Action& action : m_actions) {
        if (!(action.places & view) || (action.places & EditMenu))
            continue;
        for (const QKeySequence& keys : action.keys) {
            const QKeyCombination combination = keys[0];
            if (combination.key() != key || (combination.keyboardModifiers() != modifiers &&
                                             combination.keyboardModifiers() != Qt::NoModifier))
                continue;
            if (isEnabled(action)) {
                action.run();
                return true;
            }
            if (action.keyExplainsRefusal && !explaining)
                explaining = &action;
        }
    }
    if (explaining)
        explaining->run();
    return explaining != nullptr;
}

// The same actions as the keys, for those who look for them with the mouse or the menu key.
void EditActions::showContextMenu(EditorView& view, Place place, QPoint at) {
    QMenu menu;
    bool viewOwn = true;
    for (const Action& action : m_actions) {
        if (!(action.places & place))
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
