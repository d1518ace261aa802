#include "app/PropSheet.h"

#include "app/EscapeKey.h"
#include "app/TopLevel.h"
#include "editor/ErrorHandler.h"
#include "editor/QtText.h"
#include "settings/Properties.h"
#include "ui_PropSheet.h"

#include <QCloseEvent>
#include <QShowEvent>

namespace quorvane {

TPropSheets::TPropSheets(Registry& registry, const QWidget& mainWindow, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      m_registry(registry), m_following(*this, mainWindow, initialOffset) {
    // The window's own properties are there from the start; its pages come with the first
    // showing.
    setWindowTitle(QStringLiteral("Properties"));
    setFixedSize(clientSize);
    FormCreate();
}

TPropSheets::~TPropSheets() = default;

// The dialog exists from start-up, but its pages, their fonts and their text layouts are paid for
// only by a user who opens it.
void TPropSheets::setVisible(bool visible) {
    if (visible)
        build();
    QWidget::setVisible(visible);
}

void TPropSheets::build() {
    if (ui)
        return;
    ui = std::make_unique<Ui::TPropSheets>();
    ui->setupUi(this);
    keepDesignedWidths(*this);
    setFixedSize(clientSize);

    connect(ui->OK, &QPushButton::clicked, this, guard([this] { OKClick(); }));
    connect(ui->Cancel, &QPushButton::clicked, this, guard([this] { CancelClick(); }));
    pressOnEscape(*this, *ui->Cancel);
    connect(ui->Apply, &QPushButton::clicked, this, guard([this] { ApplyClick(); }));
}

void TPropSheets::FormCreate() {
    m_following.setOffset(initialOffset);
}

// The controls and the option each one shows, for both directions.
std::vector<TPropSheets::Edit> TPropSheets::edits(Properties& p) const {
    return {{&p.dosPromptFile, ui->Edit2},
            {&p.altPromptFile, ui->Edit4},
            {&p.altPromptStart, ui->Edit3},
            {&p.cPromptFile, ui->Edit6}};
}

std::vector<TPropSheets::Box> TPropSheets::boxes(Properties& p) const {
    return {{&p.copyCrLf, ui->CheckBox3},          {&p.appendCrLf, ui->CheckBox2},
            {&p.addPrePath, ui->CheckBox1},        {&p.addFileExt, ui->CheckBox4},
            {&p.stamp.creation, ui->CheckBox5},    {&p.stamp.lastAccessed, ui->CheckBox6},
            {&p.stamp.lastModified, ui->CheckBox7}};
}

// What the controls show now. A text with a character the settings cannot hold is refused here,
// before anything is written.
Properties TPropSheets::shown() const {
    Properties p;
    for (const Edit& e : edits(p))
        *e.option = qtToAnsi(e.edit->text());
    for (const Box& b : boxes(p))
        *b.option = b.box->isChecked();
    return p;
}

void TPropSheets::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A window coming back from the task bar is not a new showing: what the user typed stays.
    if (!event->spontaneous())
        FormShow();
}

// The dialog is on the screen whether or not the settings could all be read, so it counts as
// showing either way: it follows the main window, and Properties does not place it anew.
void TPropSheets::FormShow() {
    build();
    guarded([this] { load(); });
    m_showing = true;
}

// A value that is missing leaves its control as it was; the Stamp boxes alone always take a
// state, all three checked when nothing is stored.
void TPropSheets::load() {
    // A stored text ends at its first NUL, so a field still holding one was not read.
    const std::string notStored(1, '\0');
    Properties p;
    for (const Edit& e : edits(p))
        *e.option = notStored;
    for (const Box& b : boxes(p))
        *b.option = b.box->isChecked();
    // What was read before a value that does not read is shown all the same.
    const auto show = [this, &p, &notStored] {
        for (const Edit& e : edits(p))
            if (*e.option != notStored)
                e.edit->setText(ansiToQt(*e.option));
        for (const Box& b : boxes(p))
            b.box->setChecked(*b.option);
    };
    try {
        readProperties(m_registry, p);
    } catch (...) {
        show();
        throw;
    }
    show();
}

// Every value, changed or not. A text the settings cannot hold is refused before anything is
// written, with the user's entries left as they are to be corrected.
void TPropSheets::ApplyClick() {
    build();
    writeProperties(m_registry, shown());
}

// A failed write leaves the dialog open, with the user's entries still in it.
void TPropSheets::OKClick() {
    ApplyClick();
    close();
}

void TPropSheets::CancelClick() {
    close();
}

void TPropSheets::closeEvent(QCloseEvent* event) {
    FormClose();
    QWidget::closeEvent(event);
}

void TPropSheets::FormClose() {
    m_showing = false;
}

void TPropSheets::moveTo(QPoint topLeft) {
    m_following.moveTo(topLeft);
}

void TPropSheets::showModeless() {
    show();
    raise();
    activateWindow();
}

void TPropSheets::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    m_following.moved();
}

} // namespace quorvane
