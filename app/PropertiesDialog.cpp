#include "app/PropertiesDialog.h"

#include "app/EscapeKey.h"
#include "app/TopLevel.h"
#include "gui/ErrorHandler.h"
#include "gui/QtText.h"
#include "platform/Failure.h"
#include "platform/System.h"
#include "ui_PropertiesDialog.h"

#include <QCloseEvent>
#include <QShowEvent>
#include <algorithm>

namespace quorvane {

PropertiesDialog::PropertiesDialog(Registry& registry, const QWidget& mainWindow, QWidget* parent)
    : ClosingDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      m_registry(registry), m_following(*this, mainWindow, initialOffset) {
    // The window's own properties are there from the start; its pages come with the first
    // showing.
    setWindowTitle(QStringLiteral("Properties"));
    setFixedSize(clientSize);
    setUp();
}

PropertiesDialog::~PropertiesDialog() = default;

// The dialog exists from start-up, but its pages, their fonts and their text layouts are paid for
// only by a user who opens it.
void PropertiesDialog::setVisible(bool visible) {
    if (visible)
        build();
    QDialog::setVisible(visible);
}

void PropertiesDialog::build() {
    if (ui)
        return;
    ui = std::make_unique<Ui::PropertiesDialog>();
    ui->setupUi(this);
    keepDesignedWidths(*this);
    // The rows of tabs, and so the height the pages need, depend on the width they are given;
    // until the first showing lays them out, they are counted for the dialog's own width.
    ui->Pages->resize(clientSize.width(), ui->Pages->height());
    holdDesignedSize(*this, clientSize);
    // Programs elsewhere are known by a path without a drive and rarely by an extension.
    if (!hostIsWindows()) {
        ui->AddingNote1->setText(
            QStringLiteral("Checking none will add e.g.  \"/usr/local/bin/backup.sh\""));
        ui->AddingNote2->setText(QStringLiteral("Checking all will add just \"backup\""));
    }

    // Each field is named by its label, for a screen reader too.
    ui->DosFileLabel->setBuddy(ui->DosFileToRun);
    ui->AlternativeCommandLabel->setBuddy(ui->AlternativeStartupCommand);
    ui->AlternativeFileLabel->setBuddy(ui->AlternativeFileToRun);
    ui->RootFileLabel->setBuddy(ui->RootFileToRun);
    // Enter in any field presses OK, as in every dialog.
    ui->OK->setDefault(true);
    connect(ui->OK, &QPushButton::clicked, this, guard([this] { okClicked(); }));
    connect(ui->Cancel, &QPushButton::clicked, this, guard([this] { cancelClicked(); }));
    pressOnEscape(*this, *ui->Cancel);
    connect(ui->Apply, &QPushButton::clicked, this, guard([this] { applyClicked(); }));
}

void PropertiesDialog::setUp() {
    m_following.setOffset(initialOffset);
}

// The controls and the option each one shows, for both directions.
std::vector<PropertiesDialog::Edit> PropertiesDialog::edits(Properties& p) const {
    return {{Property::DosPromptFile, &p.dosPromptFile, ui->DosFileToRun},
            {Property::AltPromptFile, &p.altPromptFile, ui->AlternativeFileToRun},
            {Property::AltPromptStart, &p.altPromptStart, ui->AlternativeStartupCommand},
            {Property::CPromptFile, &p.cPromptFile, ui->RootFileToRun}};
}

std::vector<PropertiesDialog::Box> PropertiesDialog::boxes(Properties& p) const {
    return {{Property::CopyCrLf, &p.copyCrLf, ui->CopyCrLf},
            {Property::AppendCrLf, &p.appendCrLf, ui->AppendCrLf},
            {Property::AddPrePath, &p.addPrePath, ui->RemovePathName},
            {Property::AddFileExt, &p.addFileExt, ui->RemoveExtension},
            {Property::Stamp, &p.stamp.creation, ui->StampCreated},
            {Property::Stamp, &p.stamp.lastAccessed, ui->StampAccessed},
            {Property::Stamp, &p.stamp.lastModified, ui->StampModified}};
}

PropertiesDialog::Shown PropertiesDialog::controls() const {
    Properties p;
    Shown now;
    for (const Edit& e : edits(p))
        now.texts << e.edit->text();
    for (const Box& b : boxes(p))
        now.checked << b.box->isChecked();
    return now;
}

// An option counts as changed when one of its controls differs from what the load left there,
// whether the load could set that control or not.
std::vector<Property> PropertiesDialog::changed() const {
    std::vector<Property> result;
    const auto add = [&result](Property property) {
        if (std::find(result.begin(), result.end(), property) == result.end())
            result.push_back(property);
    };
    Properties p;
    const Shown now = controls();
    const std::vector<Edit> allEdits = edits(p);
    for (std::size_t i = 0; i < allEdits.size(); ++i)
        if (now.texts.value(qsizetype(i)) != m_loaded.texts.value(qsizetype(i)))
            add(allEdits[i].property);
    const std::vector<Box> allBoxes = boxes(p);
    for (std::size_t i = 0; i < allBoxes.size(); ++i)
        if (now.checked.value(qsizetype(i)) != m_loaded.checked.value(qsizetype(i)))
            add(allBoxes[i].property);
    return result;
}

bool PropertiesDialog::holdsUnstoredChanges() const {
    return m_showing && ui && !changed().empty();
}

// The options in `which` as the controls show them. A text with a character the settings cannot
// hold is refused here, before anything is written; a text the user did not change is not looked
// at, as it is not written.
Properties PropertiesDialog::shown(const std::vector<Property>& which) const {
    const auto chosen = [&which](Property property) {
        return std::find(which.begin(), which.end(), property) != which.end();
    };
    Properties p;
    for (const Edit& e : edits(p))
        if (chosen(e.property))
            *e.option = qtToAnsi(e.edit->text());
    for (const Box& b : boxes(p))
        *b.option = b.box->isChecked();
    return p;
}

void PropertiesDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A window coming back from the task bar is not a new showing: what the user typed stays.
    if (!event->spontaneous())
        prepareToShow();
}

// The dialog is on the screen whether or not the settings could all be read, so it counts as
// showing either way: it follows the main window, and Properties does not place it anew. What the
// controls show then, read or not, is what a later Apply compares with.
void PropertiesDialog::prepareToShow() {
    build();
    guarded([this] { load(); });
    m_loaded = controls();
    m_showing = true;
}

// A value that is missing leaves its control as it was; the Stamp boxes alone always take a
// state, all three checked when nothing is stored. A value that does not read leaves its control
// as it was too, and the values after it are read all the same; the failures are reported
// together once everything readable shows.
void PropertiesDialog::load() {
    // A stored text ends at its first NUL, so a field still holding one was not read.
    const std::string notStored(1, '\0');
    Properties p;
    for (const Edit& e : edits(p))
        *e.option = notStored;
    for (const Box& b : boxes(p))
        *b.option = b.box->isChecked();
    const std::vector<std::string> failures = readEachProperty(m_registry, p);
    for (const Edit& e : edits(p))
        if (*e.option != notStored)
            e.edit->setText(ansiToQt(*e.option));
    for (const Box& b : boxes(p))
        b.box->setChecked(*b.option);
    if (failures.empty())
        return;
    std::string text;
    for (const std::string& failure : failures)
        text += (text.empty() ? "" : "\n") + failure;
    throw Failure(text);
}

// Only the options the user changed. A text the settings cannot hold is refused before anything
// is written, with the user's entries left as they are to be corrected.
void PropertiesDialog::applyClicked() {
    build();
    const std::vector<Property> which = changed();
    if (which.empty())
        return;
    writeProperties(m_registry, shown(which), which);
    m_loaded = controls();
}

// A failed write leaves the dialog open, with the user's entries still in it.
void PropertiesDialog::okClicked() {
    applyClicked();
    close();
}

void PropertiesDialog::cancelClicked() {
    close();
}

void PropertiesDialog::closeEvent(QCloseEvent* event) {
    finishClosing();
    ClosingDialog::closeEvent(event);
}

void PropertiesDialog::finishClosing() {
    m_showing = false;
}

void PropertiesDialog::moveTo(QPoint topLeft) {
    m_following.moveTo(topLeft);
}

void PropertiesDialog::showModeless() {
    show();
    raise();
    activateWindow();
}

void PropertiesDialog::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    m_following.moved();
}

} // namespace quorvane
