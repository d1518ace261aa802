#include "app/PropSheet.h"

#include "app/ErrorHandler.h"
#include "app/EscapeKey.h"
#include "app/TopLevel.h"
#include "editor/ItemModelText.h"
#include "settings/Schema.h"
#include "settings/SettingsKey.h"
#include "ui_PropSheet.h"

#include <QCloseEvent>
#include <QShowEvent>
#include <algorithm>

namespace quorvane {

namespace {

constexpr int creationBit = 1;
constexpr int lastAccessedBit = 2;
constexpr int lastModifiedBit = 4;
constexpr int allStampBits = creationBit | lastAccessedBit | lastModifiedBit;

// Moves the program makes itself are remembered only this far back; one the window manager
// changed on the way never arrives as asked.
constexpr std::size_t placedLimit = 16;

} // namespace

TPropSheets::TPropSheets(Registry& registry, const QWidget& mainWindow, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      ui(std::make_unique<Ui::TPropSheets>()), m_registry(registry), m_mainWindow(mainWindow) {
    ui->setupUi(this);
    keepDesignedWidths(*this);
    setFixedSize(size());

    const auto wire = [this](QPushButton* button, void (TPropSheets::*handler)()) {
        connect(button, &QPushButton::clicked, this,
                [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
    };
    wire(ui->OK, &TPropSheets::OKClick);
    wire(ui->Cancel, &TPropSheets::CancelClick);
    pressOnEscape(*this, *ui->Cancel);
    wire(ui->Apply, &TPropSheets::ApplyClick);
    FormCreate();
}

TPropSheets::~TPropSheets() = default;

void TPropSheets::FormCreate() {
    m_offset = initialOffset;
}

// In the order the settings are read and written.
std::vector<TPropSheets::Edits> TPropSheets::edits() const {
    return {{value::dosPromptFile, ui->Edit2},
            {value::altPromptFile, ui->Edit4},
            {value::altPromptStart, ui->Edit3},
            {value::cPromptFile, ui->Edit6}};
}

std::vector<TPropSheets::Boxes> TPropSheets::boxes() const {
    return {{value::copyCrLf, ui->CheckBox3},
            {value::appendCrLf, ui->CheckBox2},
            {value::addPrePath, ui->CheckBox1},
            {value::addFileExt, ui->CheckBox4}};
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
    guarded([this] { load(); });
    m_showing = true;
}

// A value that is missing leaves its control as it was; the Stamp boxes alone always take a
// state, all three checked when nothing is stored.
void TPropSheets::load() {
    SettingsKey key(m_registry);
    for (const Edits& e : edits())
        if (key.valueExists(e.name))
            e.edit->setText(ansiToQt(key.readString(e.name)));

    const std::int32_t stamp =
        key.valueExists(value::stampOptions) ? key.readInteger(value::stampOptions) : allStampBits;
    ui->CheckBox5->setChecked(stamp & creationBit);
    ui->CheckBox6->setChecked(stamp & lastAccessedBit);
    ui->CheckBox7->setChecked(stamp & lastModifiedBit);

    for (const Boxes& b : boxes())
        if (key.valueExists(b.name))
            b.box->setChecked(key.readBool(b.name));
    key.close();
}

// Every value, changed or not. A text with a character the settings cannot hold is refused
// before anything is written, with the user's entries left as they are to be corrected.
void TPropSheets::ApplyClick() {
    std::vector<std::string> texts;
    for (const Edits& e : edits())
        texts.push_back(qtToAnsi(e.edit->text()));
    SettingsKey key(m_registry);
    for (std::size_t i = 0; const Edits& e : edits())
        key.writeString(e.name, texts[i++]);
    key.writeInteger(value::stampOptions, (ui->CheckBox5->isChecked() ? creationBit : 0) |
                                              (ui->CheckBox6->isChecked() ? lastAccessedBit : 0) |
                                              (ui->CheckBox7->isChecked() ? lastModifiedBit : 0));
    for (const Boxes& b : boxes())
        key.writeBool(b.name, b.box->isChecked());
    key.close();
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
    m_placed.push_back(topLeft);
    if (m_placed.size() > placedLimit)
        m_placed.erase(m_placed.begin());
    move(topLeft);
}

void TPropSheets::showModeless() {
    show();
    raise();
    activateWindow();
}

// Qt has no message for a window being dragged by the user; it reports every move once done,
// the dialog's own following moves included, and those may arrive after the main window has
// moved on. So a move to a place the program asked for leaves the offset alone, and any other
// move is the user's and sets the offset.
void TPropSheets::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    const QPoint at = pos();
    const auto placed = std::find(m_placed.begin(), m_placed.end(), at);
    if (placed != m_placed.end()) {
        // The same place may be reported more than once; keep it until another one arrives.
        m_placed.erase(m_placed.begin(), placed);
        return;
    }
    if (!isVisible())
        return;
    m_placed.clear();
    m_offset = at - m_mainWindow.pos();
}

} // namespace quorvane
