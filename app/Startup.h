#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>

namespace Ui {
class TForm3;
}

namespace quorvane {

// The notice first-run set-up ends with: the extension is installed, and what is new in this
// version. Made when needed and gone once closed.
class TForm3 : public QWidget {
    Q_OBJECT
public:
    ~TForm3() override;

    // Shows the notice without waiting for it, above the other windows; a notice that is still
    // open is brought to the front instead of a second one.
    static TForm3* open();
    // The notice on show; none once it is closed.
    static TForm3* current() { return s_open; }

    void Button1Click();
    void FormClose();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    TForm3();
    void FormCreate();

    std::unique_ptr<Ui::TForm3> ui;
    static QPointer<TForm3> s_open;
};

} // namespace quorvane
