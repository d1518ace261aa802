#pragma once

#include <QObject>
#include <QtGlobal>
#include <functional>

class QWidget;

namespace quorvane {

// The main window's lower panel, laid out by hand rather than by a layout: the tree keeps the
// share of the room that the splitter gave it, so that a wider window widens both views, and the
// list takes what is left, down to nothing, without the window ever being held to a minimum
// size; the button row runs along the bottom, as tall as it was drawn or as its buttons need.
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
    // The tree is `treeWidth` wide when the panel is `panelWidth` wide, and keeps that share. The
    // button row is never lower than `buttonRowHeight`.
    PanelSplitter(Parts parts, int treeWidth, int panelWidth, int buttonRowHeight,
                  std::function<bool()> dragging);

    int treeWidth() const { return m_treeWidth; }
    int buttonRowHeight() const;
    // The tree's share of the room beside the list, in thousandths.
    int treeShare() const { return qRound(m_share * 1000); }
    void setTreeShare(int thousandths);
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
    int room() const;

    bool splitterEvent(QEvent* event);

    Parts m_parts;
    std::function<bool()> m_dragging;
    int m_treeWidth;
    double m_share = 0;
    int m_buttonRowHeight;
    bool m_splitting = false;
};

} // namespace quorvane
