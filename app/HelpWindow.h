#pragma once

#include "app/ClosingDialog.h"

#include <QPointer>
#include <QSize>
#include <memory>
#include <string_view>

namespace Ui {
class HelpWindow;
}

namespace quorvane {

// What the user reads when the help file cannot be read; %s is its path.
inline constexpr std::string_view cannotOpenFile = "Cannot open file %s";

// The help window: the help file, formatted, under the product name and the version line. Made
// when asked for and gone once closed, so that the next one reads the file again.
class HelpWindow : public ClosingDialog {
    Q_OBJECT
    // Drawn in the program's own small face, on whole pixels (see Application).
    Q_CLASSINFO("DrawnOnWholePixels", "yes")
public:
    // Frame included.
    static constexpr QSize outerSize{538, 532};

    ~HelpWindow() override;

    // Where the installation puts the help file: ShellExt/Quorvane.rtf in the system directory.
    static QString helpFilePath();
    // Help: brings the open help window to the front, or opens one on the file at `path`. Throws
    // Failure when the file cannot be read; no window is left behind then.
    static HelpWindow* open(const QString& path);
    // The open help window; none once it is closed.
    static HelpWindow* current() { return s_open; }

    void repaintPage();
    void finishClosing();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    HelpWindow();
    void loadFile(const QString& path);

    std::unique_ptr<Ui::HelpWindow> ui;
    bool m_framed = false;
    static QPointer<HelpWindow> s_open;
};

} // namespace quorvane
