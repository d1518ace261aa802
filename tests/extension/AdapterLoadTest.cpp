// A plug-in loaded as its file manager loads it: the module opened, its initialize and
// list-types functions called (for Thunar, through the type module of thunarx that Thunar loads
// every plug-in with), the provider made and asked for its items with small fake file-info objects,
// the items walked and one of them activated.

#include "AdapterSettings.h"
#include "extension/gtk/FileManager.h"
#include "settings/Schema.h"
#include "settings/SettingsKey.h"
#include "store/HiveRegistry.h"
#include "support/TestFiles.h"

#include <chrono>
#include <cstdlib>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <map>
#include <ranges>
#include <set>
#include <thread>

#if defined(QUORVANE_THUNAR)
// The type module Thunar's provider factory loads every plug-in with; thunarx installs its header
// without including it in its own.
#define THUNARX_INSIDE_THUNARX_H
extern "C" {
#include <thunarx/thunarx-provider-module.h>
}
#endif

namespace fs = std::filesystem;

namespace quorvane::test {
namespace {

// --- A file-info object with what the plug-in asks of one. -----------------------------------

struct FakeFileInfo {
    GObject parent;
    char* path;
    gboolean isDirectory;
};
struct FakeFileInfoClass {
    GObjectClass parent;
};

// A "path" that has a scheme is a location of no path, such as the desktop's own.
GFile* fakeLocation(FmFileInfo* info) {
    const char* path = reinterpret_cast<FakeFileInfo*>(info)->path;
    return g_uri_peek_scheme(path) ? g_file_new_for_uri(path) : g_file_new_for_path(path);
}
char* fakeUri(FmFileInfo* info) {
    GFile* file = fakeLocation(info);
    char* uri = g_file_get_uri(file);
    g_object_unref(file);
    return uri;
}
gboolean fakeIsDirectory(FmFileInfo* info) {
    return reinterpret_cast<FakeFileInfo*>(info)->isDirectory;
}

GType fakeFileInfoType() {
    static GType type = 0;
    if (type)
        return type;
    const GTypeInfo info = {sizeof(FakeFileInfoClass),
                            nullptr,
                            nullptr,
                            +[](gpointer klass, gpointer) {
                                G_OBJECT_CLASS(klass)->finalize = +[](GObject* object) {
                                    g_free(reinterpret_cast<FakeFileInfo*>(object)->path);
                                    G_OBJECT_CLASS(
                                        g_type_class_peek_parent(G_OBJECT_GET_CLASS(object)))
                                        ->finalize(object);
                                };
                            },
                            nullptr,
                            nullptr,
                            sizeof(FakeFileInfo),
                            0,
                            nullptr,
                            nullptr};
    type = g_type_register_static(G_TYPE_OBJECT, "QuorvaneFakeFileInfo", &info, GTypeFlags(0));
    const GInterfaceInfo iface = {+[](gpointer g, gpointer) {
                                      auto* i = static_cast<FmFileInfoInterface*>(g);
                                      i->get_uri = fakeUri;
                                      i->get_location = fakeLocation;
                                      i->is_directory = fakeIsDirectory;
                                  },
                                  nullptr, nullptr};
    g_type_add_interface_static(type, QV_FM_TYPE_FILE_INFO, &iface);
    return type;
}

FmFileInfo* fakeFile(const fs::path& path, bool isDirectory) {
    auto* info = static_cast<FakeFileInfo*>(g_object_new(fakeFileInfoType(), nullptr));
    info->path = g_strdup(path.c_str());
    info->isDirectory = isDirectory;
    return reinterpret_cast<FmFileInfo*>(info);
}

#if defined(QUORVANE_THUNAR)

// --- The module, loaded through the type module Thunar's provider factory loads each with. -----

GObject* provider() {
    static GObject* made = nullptr;
    if (made)
        return made;
    // It takes a name within Thunar's plug-in folders, which lie below /usr/lib; ".." at the root
    // stays there.
    ThunarxProviderModule* module =
        thunarx_provider_module_new((std::string("../../../..") + QUORVANE_MODULE).c_str());
    if (!g_type_module_use(G_TYPE_MODULE(module))) {
        ADD_FAILURE() << "cannot load " << QUORVANE_MODULE;
        return nullptr;
    }
    const GType* types = nullptr;
    gint count = 0;
    thunarx_provider_module_list_types(module, &types, &count);
    if (count != 1)
        return nullptr;
    made = G_OBJECT(g_object_new(types[0], nullptr));
    // The factory lets go of a module whose providers are all gone, and Thunar drops them when
    // idle; one that stays resident keeps its code and what runs in the background in place.
    g_type_module_unuse(G_TYPE_MODULE(module));
    EXPECT_TRUE(thunarx_provider_plugin_get_resident(THUNARX_PROVIDER_PLUGIN(module)));
    return made;
}

#else

// --- The module, loaded the way the file manager's own type module does it. ------------------

using Initialize = void (*)(GTypeModule*);
using ListTypes = void (*)(const GType**, int*);

void* library = nullptr;

GType fakeModuleType() {
    static GType type = 0;
    if (type)
        return type;
    const GTypeInfo info = {sizeof(GTypeModuleClass),
                            nullptr,
                            nullptr,
                            +[](gpointer klass, gpointer) {
                                auto* module = G_TYPE_MODULE_CLASS(klass);
                                module->load = +[](GTypeModule* self) -> gboolean {
                                    library = dlopen(QUORVANE_MODULE, RTLD_NOW | RTLD_LOCAL);
                                    if (!library)
                                        return FALSE;
                                    auto init = reinterpret_cast<Initialize>(
                                        dlsym(library, G_STRINGIFY(QV_FM(module_initialize))));
                                    if (!init)
                                        return FALSE;
                                    init(self);
                                    return TRUE;
                                };
                                module->unload = +[](GTypeModule*) {};
                            },
                            nullptr,
                            nullptr,
                            sizeof(GTypeModule),
                            0,
                            nullptr,
                            nullptr};
    type = g_type_register_static(G_TYPE_TYPE_MODULE, "QuorvaneFakeModule", &info, GTypeFlags(0));
    return type;
}

GObject* provider() {
    static GObject* made = nullptr;
    if (made)
        return made;
    auto* module = G_TYPE_MODULE(g_object_new(fakeModuleType(), nullptr));
    if (!g_type_module_use(module)) {
        ADD_FAILURE() << "cannot load " << QUORVANE_MODULE << ": " << dlerror();
        return nullptr;
    }
    auto list = reinterpret_cast<ListTypes>(dlsym(library, G_STRINGIFY(QV_FM(module_list_types))));
    const GType* types = nullptr;
    int count = 0;
    list(&types, &count);
    if (count != 1)
        return nullptr;
    made = G_OBJECT(g_object_new(types[0], nullptr));
    return made;
}

#endif

#if defined(QUORVANE_THUNAR)
// Thunar's own wrappers insist on a window, which needs a display; the plug-in never looks at it.
GList* getFileItems(ThunarxMenuProvider* provider, GtkWidget* window, GList* files) {
    return THUNARX_MENU_PROVIDER_GET_IFACE(provider)->get_file_menu_items(provider, window, files);
}
GList* getBackgroundItems(ThunarxMenuProvider* provider, GtkWidget* window,
                          ThunarxFileInfo* folder) {
    return THUNARX_MENU_PROVIDER_GET_IFACE(provider)->get_folder_menu_items(provider, window,
                                                                            folder);
}
#else
constexpr auto getFileItems = QV_FM(menu_provider_get_file_items);
constexpr auto getBackgroundItems = QV_FM(menu_provider_get_background_items);
#endif

GList* fileItems(GList* files) {
    return getFileItems(reinterpret_cast<FmMenuProvider*>(provider()),
#if QV_FM_HAS_WINDOW
                        nullptr,
#endif
                        files);
}

GList* backgroundItems(FmFileInfo* folder) {
    return getBackgroundItems(reinterpret_cast<FmMenuProvider*>(provider()),
#if QV_FM_HAS_WINDOW
                              nullptr,
#endif
                              folder);
}

// The items as one line: `label` an item, `label{...}` a submenu, `!label` a disabled one.
std::string outline(GList* items, std::vector<FmMenuItem*>* all = nullptr) {
    std::string text;
    for (GList* at = items; at; at = at->next) {
        auto* item = static_cast<FmMenuItem*>(at->data);
        char* label = nullptr;
        gboolean sensitive = TRUE;
        FmMenu* submenu = nullptr;
        g_object_get(item, "label", &label, "sensitive", &sensitive, "menu", &submenu, nullptr);
        text += text.empty() ? "" : "|";
        text += std::string(sensitive ? "" : "!") + (label ? label : "-");
        if (all)
            all->push_back(item);
        if (submenu) {
            GList* children = QV_FM(menu_get_items)(submenu);
            text += "{" + outline(children, all) + "}";
            QV_FM(menu_item_list_free)(children);
            g_object_unref(submenu);
        }
        g_free(label);
    }
    return text;
}

// The name of every item, at every depth, and whether it holds a submenu.
void collectNames(GList* items, std::vector<std::pair<std::string, bool>>& names) {
    for (GList* at = items; at; at = at->next) {
        char* name = nullptr;
        FmMenu* submenu = nullptr;
        g_object_get(at->data, "name", &name, "menu", &submenu, nullptr);
        names.emplace_back(name ? name : "", submenu != nullptr);
        g_free(name);
        if (submenu) {
            GList* children = QV_FM(menu_get_items)(submenu);
            collectNames(children, names);
            QV_FM(menu_item_list_free)(children);
            g_object_unref(submenu);
        }
    }
}

std::set<std::string> namesOf(GList* items) {
    std::vector<std::pair<std::string, bool>> names;
    collectNames(items, names);
    const auto keys = std::views::keys(names);
    return {keys.begin(), keys.end()};
}

bool eventually(const std::function<bool()>& done) {
    return test::eventually(done, [] { g_main_context_iteration(nullptr, FALSE); });
}

using Adapter = AdapterSettings;

TEST_F(Adapter, ShowsTheStoredMenuAtEachCallAndActivatesAnItem) {
    ASSERT_NE(provider(), nullptr);
    EXPECT_TRUE(G_TYPE_CHECK_INSTANCE_TYPE(provider(), QV_FM_TYPE_MENU_PROVIDER));
    EXPECT_EQ(fileItems(nullptr), nullptr);

    store(R"("Sub","-5","-1","-5","-2","Empty","-2","2")");
    FmFileInfo* file = fakeFile(temp / "files" / "a.txt", false);
    GList* files = g_list_append(nullptr, file);
    GList* items = fileItems(files);
    std::vector<FmMenuItem*> all;
    EXPECT_EQ(outline(items, &all), "Quorvane{Sub{doc|!──────────|my__ext}|Copy Name}");

    // The extension item "doc" renames the selected file.
    ASSERT_GE(all.size(), 3u);
    QV_FM(menu_item_activate)(all[2]);
    EXPECT_TRUE(eventually([&] { return fs::exists(temp / "files" / "a.doc"); }));
    QV_FM(menu_item_list_free)(items);

    // A change shows at the next call, without any cache in between.
    store(R"("2")");
    items = fileItems(files);
    EXPECT_EQ(outline(items), "Quorvane{Copy Name}");
    QV_FM(menu_item_list_free)(items);

    // A file manager may ask for the selection's items and the background's at one click and
    // tell their actions apart by name only.
    FmFileInfo* folder = fakeFile(temp / "files", true);
    items = backgroundItems(folder);
    EXPECT_EQ(outline(items), "Quorvane{Copy Name}");
    GList* selected = fileItems(files);
    const std::set<std::string> names = namesOf(selected), backgroundNames = namesOf(items);
    for (const std::string& name : backgroundNames)
        EXPECT_FALSE(names.contains(name)) << name;
    QV_FM(menu_item_list_free)(selected);
    QV_FM(menu_item_list_free)(items);

    writeBytes(HiveRegistry::defaultHiveFile(), "not a settings file\n");
    items = fileItems(files);
    const std::string unreadable = outline(items);
    EXPECT_TRUE(unreadable.starts_with("Quorvane{!Cannot read the settings file: line 1:\n"))
        << unreadable;
    QV_FM(menu_item_list_free)(items);

    g_list_free(files);
    g_object_unref(file);
    g_object_unref(folder);
}

TEST_F(Adapter, AnActionNameNeverChangesItsKindAndIsUniqueInItsMenu) {
    ASSERT_NE(provider(), nullptr);
    FmFileInfo* file = fakeFile(temp / "files" / "a.txt", false);
    FmFileInfo* folder = fakeFile(temp / "files", true);
    GList* files = g_list_append(nullptr, file);
    const char* first = R"("Explore","0","1","-2","Move To","2","-2","4")";
    const char* menus[] = {first, R"("0","Target","7","-2","2","4")",
                           R"("Same","2","-2","Same","4","-2","-1")", first};
    std::map<std::string, bool> kinds;
    for (const char* menu : menus) {
        store(menu);
        for (GList* items : {fileItems(files), backgroundItems(folder)}) {
            std::vector<std::pair<std::string, bool>> names;
            collectNames(items, names);
            std::set<std::string> seen;
            for (const auto& [name, isSubmenu] : names) {
                EXPECT_TRUE(seen.insert(name).second) << menu << ": " << name << " twice";
                const auto [known, added] = kinds.emplace(name, isSubmenu);
                EXPECT_EQ(known->second, isSubmenu) << menu << ": " << name << " changed its kind";
            }
            QV_FM(menu_item_list_free)(items);
        }
    }
    g_list_free(files);
    g_object_unref(file);
    g_object_unref(folder);
}

#if !defined(QUORVANE_THUNAR)
// xfdesktop hands Thunar's plug-ins the desktop folder's own files; Nemo and Caja have a location
// of their own for it.
TEST_F(Adapter, TheDesktopsBackgroundIsTheDesktopFolder) {
    ASSERT_NE(provider(), nullptr);
    const fs::path desktop = temp / "Desk";
    writeBytes(fs::path(std::getenv("XDG_CONFIG_HOME")) / "user-dirs.dirs",
               "XDG_DESKTOP_DIR=\"" + desktop.string() + "\"\n");
    g_reload_user_special_dirs_cache();
    for (const char* uri : {"x-nemo-desktop:///", "x-caja-desktop:///"}) {
        store(R"("13")");
        FmFileInfo* background = fakeFile(uri, true);
        GList* items = backgroundItems(background);
        std::vector<FmMenuItem*> all;
        outline(items, &all);
        // Add Move Dir stores where you clicked, which a location of no path would refuse.
        QV_FM(menu_item_activate)(all.at(1));
        HiveRegistry registry(HiveRegistry::defaultHiveFile());
        EXPECT_TRUE(eventually([&] {
            return SettingsKey(registry).readString(value::moveDirItems) == desktop.string();
        })) << uri;
        QV_FM(menu_item_list_free)(items);
        g_object_unref(background);
    }
}

#endif

} // namespace
} // namespace quorvane::test
