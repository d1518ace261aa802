#pragma once

#include "app/ClosingDialog.h"
#include "gui/FollowingDialog.h"
#include "settings/Properties.h"

#include <QList>
#include <QSize>
#include <QStringList>
#include <memory>
#include <vector>

class QCheckBox;
class QLineEdit;

namespace Ui {
class PropertiesDialog;
}

namespace quorvane {

class Registry;

// The properties dialog: the options the extension reads for its prompt, clipboard, Stamp and
// adding operations. Made once at start-up and only shown and hidden; it reads the settings on
// every showing and, on Apply and OK, writes the options the user changed since; an option the
// user left alone is never written, so a stored value the dialog could not read stays as it is,
// and so does one that another program changed meanwhile. Its pages are made at the first showing,
// so that a start-up that never opens it does not pay for them.
class PropertiesDialog : public ClosingDialog, public FollowingDialog {
    Q_OBJECT
    // Drawn in the program's own small face, on whole pixels (see Application).
    Q_CLASSINFO("DrawnOnWholePixels", "yes")
public:
    static constexpr QPoint initialOffset{132, 48};
    static constexpr QSize clientSize{355, 242};

    // `mainWindow` is the window the dialog keeps its offset from.
    PropertiesDialog(Registry& registry, const QWidget& mainWindow, QWidget* parent = nullptr);
    ~PropertiesDialog() override;

    bool showing() const override { return m_showing; }
    QPoint offset() const override { return m_following.offset(); }
    void moveTo(QPoint topLeft) override;
    void showModeless() override;
    bool holdsUnstoredChanges() const override;
    void storeChanges() override { applyClicked(); }

    void setVisible(bool visible) override;
    // Makes the pages now rather than at the first showing; once made, they stay.
    void build();

    void prepareToShow();
    void applyClicked();
    void okClicked();
    void cancelClicked();
    void finishClosing();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    struct Edit {
        Property property;
        std::string* option;
        QLineEdit* edit;
    };
    struct Box {
        Property property;
        bool* option;
        QCheckBox* box;
    };
    // What the controls show, to tell the options the user changed from those left alone.
    struct Shown {
        QStringList texts;
        QList<bool> checked;
    };

    void setUp();
    void load();
    std::vector<Edit> edits(Properties& p) const;
    std::vector<Box> boxes(Properties& p) const;
    Shown controls() const;
    std::vector<Property> changed() const;
    Properties shown(const std::vector<Property>& which) const;

    // Built when the dialog is first shown.
    std::unique_ptr<Ui::PropertiesDialog> ui;
    Registry& m_registry;
    FollowingOffset m_following;
    // The controls as the last load or store left them.
    Shown m_loaded;
    bool m_showing = false;
};

} // namespace quorvane
