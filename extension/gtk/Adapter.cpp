// The "Quorvane" entry in the context menus of the GTK family of file managers. Everything this
// file does runs inside the file manager: no exception leaves it, nothing waits for long.

#include "extension/PluginState.h"
#include "extension/gtk/FileManager.h"
#include "extension/gtk/GtkHost.h"
#include "platform/Codepage.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

using namespace quorvane;
using namespace quorvane::ext;

namespace {

using Extension = PluginState<GtkHost>;

Extension& extension() {
    static Extension* instance = new Extension {
#if defined(QUORVANE_NEMO)
        .host = GtkHost({"nemo"}),
#elif defined(QUORVANE_CAJA)
        .host = GtkHost({"caja", "--no-desktop"}),
#elif defined(QUORVANE_THUNAR)
        .host = GtkHost({"thunar"}),
#else
        .host = GtkHost({"nautilus", "--new-window"}),
#endif
        .programs = {
            QUORVANE_SETUP_FOLDER
        }
    };
    return *instance;
}

constexpr const char* separatorLine =
    "\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500";

struct ItemAction {
    ShownEntry entry;
    std::shared_ptr<const Selection> selection;
};

GType providerType = 0;

SelectedObject selectedObject(FmFileInfo* info) {
    SelectedObject object;
    char* uri = QV_FM(file_info_get_uri)(info);
    object.uri = uri ? uri : "";
    g_free(uri);
    // The desktop that Nemo and Caja draw names its background by a location of its own, which
    // stands for the user's desktop folder.
    if (object.uri.starts_with("x-nemo-desktop:") || object.uri.starts_with("x-caja-desktop:")) {
        if (const char* desktop = g_get_user_special_dir(G_USER_DIRECTORY_DESKTOP)) {
            object.path = std::filesystem::path(desktop);
            object.uri = fileUri(*object.path);
            object.isDirectory = true;
            return object;
        }
    }
    if (GFile* location = QV_FM(file_info_get_location)(info)) {
        if (char* path = g_file_get_path(location)) {
            object.path = std::filesystem::path(path);
            g_free(path);
        }
        g_object_unref(location);
    }
    object.isDirectory = QV_FM(file_info_is_directory)(info);
    return object;
}

void activated(FmMenuItem* item, gpointer) {
    try {
        auto* action = static_cast<ItemAction*>(g_object_get_data(G_OBJECT(item), "quorvane"));
        if (!action)
            return;
        Extension& ext = extension();
        activate(action->entry, *action->selection, ext.host, ext.store, ext.programs);
    } catch (...) {
    }
}

// Some of the file managers insist on a tip.
FmMenuItem* newItem(const std::string& name, const std::string& label, const std::string& tip,
                    const char* icon = nullptr) {
    return QV_FM(menu_item_new)(name.c_str(), label.c_str(), tip.c_str(), icon);
}

std::string tipOf(const ShownEntry& entry) {
    if (entry.kind == Kind::Operation)
        return std::string(operationDescription(entry.operation));
    if (hasTarget(entry.kind))
        return ansiToUtf8(entry.target);
    return {};
}

// Nemo and Caja keep the type of every name their UI manager has seen, and the place it had among
// its siblings, so a name that once stood for a submenu and now for an entry shows spilled or
// missing until they restart; Nautilus makes one page per name of a submenu. Every name therefore
// holds a digest of the menu it belongs to, and within it the path of places and kinds that leads
// to the entry: no name ever stands for two things, in one menu or in two.
std::string menuDigest(const std::vector<ShownEntry>& entries) {
    std::uint64_t hash = 0xcbf29ce484222325u;
    const auto add = [&hash](std::string_view bytes) {
        for (unsigned char c : bytes)
            hash = (hash ^ c) * 0x100000001b3u;
        // Ends every field, so that "ab","c" and "a","bc" differ.
        hash = (hash ^ 0xffu) * 0x100000001b3u;
    };
    const auto walk = [&add](const auto& self, const std::vector<ShownEntry>& level) -> void {
        for (const ShownEntry& entry : level) {
            add(std::to_string(static_cast<int>(entry.kind)) + ":" +
                std::to_string(entry.operation));
            add(entry.caption);
            add(entry.target);
            if (!entry.entries.empty()) {
                add("{");
                self(self, entry.entries);
                add("}");
            }
        }
    };
    walk(walk, entries);
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

void addEntries(FmMenu* menu, const std::vector<ShownEntry>& entries,
                const std::shared_ptr<const Selection>& selection, const std::string& prefix) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const ShownEntry& entry = entries[i];
        const bool isSubmenu = entry.kind == Kind::Submenu;
        // "/" would split the UI manager's paths, which are made of these names.
        const std::string name = prefix + (isSubmenu ? "m" : "e") + std::to_string(i);
        FmMenuItem* item = nullptr;
        if (entry.kind == Kind::Separator) {
            // None of the three draws a separator an extension asks for inside its submenu (Nemo
            // takes one and shows nothing), so a line that cannot be chosen stands in for it.
            item = newItem(name, separatorLine, "");
            g_object_set(item, "sensitive", FALSE, nullptr);
        } else {
            item = newItem(name, menuLabel(entry.caption), tipOf(entry));
        }
        if (isSubmenu) {
            FmMenu* submenu = QV_FM(menu_new)();
            addEntries(submenu, entry.entries, selection, name + ".");
            QV_FM_SET_SUBMENU(item, submenu);
            g_object_unref(submenu);
        } else if (entry.kind != Kind::Separator) {
            g_object_set_data_full(
                G_OBJECT(item), "quorvane", new ItemAction{entry, selection},
                +[](gpointer data) { delete static_cast<ItemAction*>(data); });
            g_signal_connect(item, "activate", G_CALLBACK(activated), nullptr);
        }
        QV_FM(menu_append_item)(menu, item);
        g_object_unref(item);
    }
}

// The one "Quorvane" entry with the menu as stored at this moment. Names tell the selection's
// entries from the background's, as a file manager may ask for both and tell actions apart only
// by name.
GList* quorvaneItems(Selection selection) {
    if (selection.empty())
        return nullptr;
    Extension& ext = extension();
    const ExtensionMenu& read = ext.menu.read(ext.store);
    const std::string prefix =
        selection.background ? "Quorvane::background::" : "Quorvane::files::";
    // The program's icon, which its install puts into the icon theme; where it is missing the
    // file managers show none.
    FmMenuItem* root = newItem(prefix + "root", "Quorvane", "The Quorvane menu", "quorvane-setup");
    FmMenu* menu = QV_FM(menu_new)();
    if (!read.problem.empty()) {
        FmMenuItem* line = newItem(prefix + "problem", read.problem, read.reason);
        g_object_set(line, "sensitive", FALSE, nullptr);
        QV_FM(menu_append_item)(menu, line);
        g_object_unref(line);
    } else {
        addEntries(menu, read.menu.entries, std::make_shared<const Selection>(std::move(selection)),
                   prefix + menuDigest(read.menu.entries) + "::");
    }
    QV_FM_SET_SUBMENU(root, menu);
    g_object_unref(menu);
    return g_list_append(nullptr, root);
}

GList* fileItems(FmMenuProvider*,
#if QV_FM_HAS_WINDOW
                 GtkWidget*,
#endif
                 GList* files) {
    try {
        Selection selection;
        for (GList* file = files; file; file = file->next)
            selection.objects.push_back(selectedObject(static_cast<FmFileInfo*>(file->data)));
        return quorvaneItems(std::move(selection));
    } catch (...) {
        return nullptr;
    }
}

GList* backgroundItems(FmMenuProvider*,
#if QV_FM_HAS_WINDOW
                       GtkWidget*,
#endif
                       FmFileInfo* folder) {
    try {
        if (!folder)
            return nullptr;
        Selection selection;
        selection.background = selectedObject(folder);
        selection.background->isDirectory = true;
        return quorvaneItems(std::move(selection));
    } catch (...) {
        return nullptr;
    }
}

#if !defined(QUORVANE_THUNAR)
void settingsChanged(GFileMonitor*, GFile*, GFile*, GFileMonitorEvent, gpointer provider) {
    QV_FM(menu_provider_emit_items_updated_signal)(static_cast<FmMenuProvider*>(provider));
}

// The menu is built afresh at every call, but a file manager may keep the items of an unchanged
// selection: a change of the settings file tells it to ask again, so that what Apply stored shows
// at the next right-click.
void watchSettings(GTypeInstance* instance, gpointer) {
    try {
        GFile* file = g_file_new_for_path(extension().store.hiveFile().c_str());
        GFileMonitor* monitor =
            g_file_monitor_file(file, G_FILE_MONITOR_WATCH_MOVES, nullptr, nullptr);
        g_object_unref(file);
        if (!monitor)
            return;
        g_signal_connect_object(monitor, "changed", G_CALLBACK(settingsChanged), instance,
                                GConnectFlags(0));
        g_object_set_data_full(G_OBJECT(instance), "quorvane-monitor", monitor, g_object_unref);
    } catch (...) {
    }
}
#endif

void initInterface(gpointer iface, gpointer) {
    auto* menu = static_cast<FmMenuProviderInterface*>(iface);
    menu->QV_FM_FILE_ITEMS = fileItems;
    menu->QV_FM_BACKGROUND_ITEMS = backgroundItems;
}

} // namespace

extern "C" {

#if defined(QUORVANE_THUNAR)

// Thunar asks its providers at every right-click and has no signal to ask again, so it needs no
// watch on the settings file.
G_MODULE_EXPORT void thunar_extension_initialize(ThunarxProviderPlugin* plugin) {
    if (thunarx_check_version(THUNARX_MAJOR_VERSION, THUNARX_MINOR_VERSION, THUNARX_MICRO_VERSION))
        return;
    // Thunar unloads a plug-in whose objects are all gone and loads it again later; the menu
    // reader, the store and any background work outlive every provider object.
    thunarx_provider_plugin_set_resident(plugin, TRUE);
    static const GTypeInfo info = {
        sizeof(GObjectClass), nullptr, nullptr, nullptr, nullptr, nullptr,
        sizeof(GObject),      0,       nullptr, nullptr};
    static const GInterfaceInfo menuInfo = {initInterface, nullptr, nullptr};
    providerType = thunarx_provider_plugin_register_type(
        plugin, G_TYPE_OBJECT, "QuorvaneMenuProvider", &info, GTypeFlags(0));
    thunarx_provider_plugin_add_interface(plugin, providerType, THUNARX_TYPE_MENU_PROVIDER,
                                          &menuInfo);
}

G_MODULE_EXPORT void thunar_extension_shutdown(void) {}

G_MODULE_EXPORT void thunar_extension_list_types(const GType** types, gint* count) {
    static GType list[1];
    list[0] = providerType;
    *types = list;
    *count = providerType ? 1 : 0;
}

#else

G_MODULE_EXPORT void QV_FM(module_initialize)(GTypeModule* module) {
    static const GTypeInfo info = {
        sizeof(GObjectClass), nullptr, nullptr,       nullptr, nullptr, nullptr,
        sizeof(GObject),      0,       watchSettings, nullptr};
    static const GInterfaceInfo menuInfo = {initInterface, nullptr, nullptr};
    providerType = g_type_module_register_type(module, G_TYPE_OBJECT, "QuorvaneMenuProvider", &info,
                                               GTypeFlags(0));
    g_type_module_add_interface(module, providerType, QV_FM_TYPE_MENU_PROVIDER, &menuInfo);
}

G_MODULE_EXPORT void QV_FM(module_shutdown)(void) {}

G_MODULE_EXPORT void QV_FM(module_list_types)(const GType** types, int* count) {
    static GType list[1];
    list[0] = providerType;
    *types = list;
    *count = 1;
}

#endif

} // extern "C"
