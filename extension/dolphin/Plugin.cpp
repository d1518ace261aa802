// The "Quorvane" entry in Dolphin's context menus, a KIO file-item action plug-in on Qt 5. It
// links the toolkit-free library only, never the program's Qt 6. Everything this file does runs
// inside Dolphin: no exception leaves it, nothing waits for long.

#include "extension/PluginState.h"
#include "extension/dolphin/QtHost.h"
#include "platform/Codepage.h"

#include <KAbstractFileItemActionPlugin>
#include <KFileItem>
#include <KFileItemListProperties>
#include <KPluginFactory>
#include <QAction>
#include <QFile>
#include <QIcon>
#include <QMenu>
#include <QPointer>
#include <memory>

using namespace quorvane;
using namespace quorvane::ext;

namespace {

using Extension = PluginState<QtHost>;

Extension& extension() {
    static Extension* instance = new Extension{.programs = {QUORVANE_SETUP_FOLDER}};
    return *instance;
}

QString fromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

// A stored caption as a Qt label: "&" would mark a shortcut and vanish.
QString label(const std::string& caption) {
    return fromUtf8(ansiToUtf8(caption)).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

QString tipOf(const ShownEntry& entry) {
    if (entry.kind == Kind::Operation)
        return fromUtf8(std::string(operationDescription(entry.operation)));
    if (hasTarget(entry.kind))
        return fromUtf8(ansiToUtf8(entry.target));
    return {};
}

SelectedObject selectedObject(const KFileItem& item) {
    SelectedObject object;
    object.uri = item.url().toString(QUrl::FullyEncoded).toStdString();
    // Dolphin's desktop:/ and similar locations stand for a folder of this computer.
    bool isLocal = false;
    const QUrl local = item.mostLocalUrl(&isLocal);
    if (isLocal && local.isLocalFile()) {
        object.path = std::filesystem::path(QFile::encodeName(local.toLocalFile()).toStdString());
        object.uri = fileUri(*object.path);
    }
    object.isDirectory = item.isDir();
    return object;
}

void activated(const ShownEntry& entry, const std::shared_ptr<const Selection>& selection) {
    try {
        Extension& ext = extension();
        activate(entry, *selection, ext.host, ext.store, ext.programs);
    } catch (...) {
    }
}

void addEntries(QMenu* menu, const std::vector<ShownEntry>& entries,
                const std::shared_ptr<const Selection>& selection) {
    for (const ShownEntry& entry : entries) {
        if (entry.kind == Kind::Separator) {
            menu->addSeparator();
        } else if (entry.kind == Kind::Submenu) {
            QMenu* submenu = menu->addMenu(label(entry.caption));
            submenu->setToolTipsVisible(true);
            addEntries(submenu, entry.entries, selection);
        } else {
            QAction* action = menu->addAction(label(entry.caption));
            action->setToolTip(tipOf(entry));
            QObject::connect(action, &QAction::triggered, action,
                             [entry, selection] { activated(entry, selection); });
        }
    }
}

} // namespace

class QuorvaneFileItemAction : public KAbstractFileItemActionPlugin {
    Q_OBJECT
public:
    QuorvaneFileItemAction(QObject* parent, const QVariantList&)
        : KAbstractFileItemActionPlugin(parent) {}

    ~QuorvaneFileItemAction() override { delete m_shown; }

    QList<QAction*> actions(const KFileItemListProperties& items, QWidget* parent) override {
        try {
            if (QAction* action = quorvaneAction(items, parent))
                return {action};
        } catch (...) {
        }
        return {};
    }

private:
    QAction* quorvaneAction(const KFileItemListProperties& items, QWidget* parent) {
        Selection selection;
        for (const KFileItem& item : items.items())
            selection.objects.push_back(selectedObject(item));
        if (selection.empty())
            return nullptr;
        Extension& ext = extension();
        const ExtensionMenu& read = ext.menu.read(ext.store);

        // The menu of the last right-click is closed by now; its actions go with it.
        delete m_shown;
        m_shown = new QMenu(parent);
        m_shown->setTitle(QStringLiteral("Quorvane"));
        m_shown->setIcon(QIcon::fromTheme(QStringLiteral("quorvane-setup")));
        m_shown->setToolTipsVisible(true);
        if (!read.problem.empty()) {
            QAction* line = m_shown->addAction(fromUtf8(read.problem));
            line->setToolTip(fromUtf8(read.reason));
            line->setEnabled(false);
        } else {
            addEntries(m_shown, read.menu.entries,
                       std::make_shared<const Selection>(std::move(selection)));
        }
        return m_shown->menuAction();
    }

    QPointer<QMenu> m_shown;
};

K_PLUGIN_CLASS_WITH_JSON(QuorvaneFileItemAction, "quorvane-dolphin.json")

#include "Plugin.moc"
