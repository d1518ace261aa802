#include "editor/MenuPreview.h"

#include "gui/QtText.h"

#include <QMenu>

namespace quorvane {

namespace {

// A caption as a menu shows it: an ampersand is a character of the caption, not a mnemonic.
QString menuText(const std::string& caption) {
    return ansiToQt(caption).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

void addEntries(QMenu& menu, const std::vector<ShownEntry>& entries) {
    for (const ShownEntry& entry : entries) {
        if (entry.kind == Kind::Separator)
            menu.addSeparator();
        else if (entry.kind == Kind::Submenu)
            addEntries(*menu.addMenu(menuText(entry.caption)), entry.entries);
        else
            menu.addAction(menuText(entry.caption));
    }
}

} // namespace

QMenu* previewMenu(const ShownMenu& shown, QWidget* parent) {
    auto* preview = new QMenu(parent);
    preview->setObjectName(QStringLiteral("Preview"));
    addEntries(*preview->addMenu(QStringLiteral("Quorvane")), shown.entries);
    return preview;
}

} // namespace quorvane
