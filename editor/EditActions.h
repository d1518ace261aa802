#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QAction;
class QMenuBar;

namespace quorvane {

class EditorView;
class MainWindow;

// Every editing action in one table, with its keys and where it is offered: the Edit menu, the
// tree's and the list's keys and context menus. The Edit menu's own entries keep their keys
// window-wide; the others act on the keys of their view only, also where the Edit menu lists
// them. Of several actions on one key, the first that is enabled acts.
class EditActions : public QObject {
public:
    enum Place {
        EditMenu = 1, // in the Edit menu, its keys window-wide
        Tree = 2,     // the tree's keys and context menu
        List = 4,     // the list's keys and context menu
        Listed = 8,   // in the Edit menu too, its keys still its view's alone
    };
    struct Action {
        QString text;
        // The first is the one the menus show. A key without modifiers counts with any.
        QList<QKeySequence> keys;
        int places;
        std::function<void()> run;
        std::function<bool()> enabled = {}; // empty: always
        std::function<std::string()> naming =
            {};                           // what it would do, after its text; empty: nothing
        const char* objectName = nullptr; // its Edit menu entry's
        // Its key acts where its entries are disabled as well, to say why it cannot.
        bool keyExplainsRefusal = false;
    };

    EditActions(MainWindow& window, EditorView& tree, EditorView& list);

    // The Edit menu, put into `bar` before `before`.
    void addEditMenu(QMenuBar& bar, QAction* before);
    // The Edit menu's entries as the history now stands.
    void refresh();

private:
    std::vector<Action> table();
    // The view's keys and context menu offer the actions placed there.
    void offerIn(EditorView& view, Place place);
    bool keyPressed(Place view, int key, Qt::KeyboardModifiers modifiers);
    void showContextMenu(EditorView& view, Place place, QPoint at);
    int firstSelectedEntry() const;
    static QString textOf(const Action& action);
    static bool isEnabled(const Action& action);

    MainWindow& m_window;
    EditorView& m_tree;
    EditorView& m_list;
    std::vector<Action> m_actions;
    std::vector<std::pair<const Action*, QAction*>> m_menuEntries;
};

} // namespace quorvane
