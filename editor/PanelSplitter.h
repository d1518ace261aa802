#pragma once

#include <QObject>
#include <functional>

class QWidget;

namespace quorvane {

// The main window's lower panel, laid out by hand rather than by a layout: the tree keeps
// whatever width the splitter gave it and the list takes what is left, down to nothing, without
// the window ever being held to a minimum size; the button row runs along the bottom.
class PanelSplitter : public QObject {
public:
    struct Parts {
        QWidget* panel;
        QWidget* tree;
        QWidget* splitter;
        QWidget* list;
        QWidget* buttonRow;
    };

    // `dragging` tells whether entries are being dragged, which keeps presses from splitting.
    PanelSplitter(Parts parts, int treeWidth, int buttonRowHeight, std::function<bool()> dragging);

    int treeWidth() const { return m_treeWidth; }
    bool splitting() const { return m_splitting; }

    // The splitter's mouse button went down; a drag of entries under way keeps it from splitting.
    void press();
    // The pointer is at `x` in the splitter's own coordinates while the button is held.
    void moveTo(int x);
    void release();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layOut();
    void setTreeWidth(int width);

    bool splitterEvent(QEvent* event);

    Parts m_parts;
    std::function<bool()> m_dragging;
    int m_treeWidth;
    int m_buttonRowHeight;
    bool m_splitting = false;
};

} // namespace quorvane
