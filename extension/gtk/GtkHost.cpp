#include "extension/gtk/GtkHost.h"

#include "extension/PluginState.h"

#include <gio/gio.h>
#include <gtk/gtk.h>
#include <memory>

namespace quorvane::ext {

namespace {

constexpr const char* title = "Quorvane";

template <typename T> gpointer owned(T value) {
    return new T(std::move(value));
}

// Every callback from GLib lands here first: nothing may unwind into the file manager.
template <typename F> void guarded(F&& work) {
    try {
        work();
    } catch (...) {
    }
}

void destroyWindow(GtkWidget* window) {
#if GTK_CHECK_VERSION(4, 0, 0)
    gtk_window_destroy(GTK_WINDOW(window));
#else
    gtk_widget_destroy(window);
#endif
}

void present(GtkWidget* window) {
#if GTK_CHECK_VERSION(4, 0, 0)
    gtk_window_present(GTK_WINDOW(window));
#else
    gtk_widget_show_all(window);
    gtk_window_present(GTK_WINDOW(window));
#endif
}

// GTK takes UTF-8 only; a name from the disk may be anything, and the library shows names as
// UTF-8 already, so this catches only what comes from elsewhere (the system's own messages).
std::string validText(const std::string& text) {
    if (g_utf8_validate(text.c_str(), static_cast<gssize>(text.size()), nullptr))
        return text;
    char* valid = g_utf8_make_valid(text.c_str(), static_cast<gssize>(text.size()));
    std::string result(valid);
    g_free(valid);
    return result;
}

GtkWidget* messageDialog(GtkMessageType type, GtkButtonsType buttons, const std::string& text) {
    GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_DESTROY_WITH_PARENT, type,
                                               buttons, "%s", validText(text).c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), title);
    return dialog;
}

void showMessageNow(const std::string& text) {
    GtkWidget* dialog = messageDialog(GTK_MESSAGE_INFO, GTK_BUTTONS_OK, text);
    g_signal_connect(dialog, "response",
                     G_CALLBACK(+[](GtkDialog* d, int, gpointer) { destroyWindow(GTK_WIDGET(d)); }),
                     nullptr);
    present(dialog);
}

gboolean showQueuedMessage(gpointer data) {
    std::unique_ptr<std::string> text(static_cast<std::string*>(data));
    guarded([&] { showMessageNow(*text); });
    return G_SOURCE_REMOVE;
}

void callFileManager(const char* method, const std::vector<std::string>& uris, Host& host) {
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!bus) {
        host.message(std::string("Cannot reach the session bus: ") + error->message);
        g_error_free(error);
        return;
    }
    GVariantBuilder builder;
    g_variant_builder_init(&builder, G_VARIANT_TYPE("as"));
    for (const std::string& uri : uris)
        g_variant_builder_add(&builder, "s", uri.c_str());
    g_dbus_connection_call(
        bus, "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
        "org.freedesktop.FileManager1", method, g_variant_new("(ass)", &builder, ""), nullptr,
        G_DBUS_CALL_FLAGS_NONE, -1, nullptr,
        +[](GObject* source, GAsyncResult* result, gpointer data) {
            std::unique_ptr<Host*> host(static_cast<Host**>(data));
            GError* failed = nullptr;
            GVariant* reply =
                g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &failed);
            if (reply)
                g_variant_unref(reply);
            if (failed) {
                guarded([&] {
                    (*host)->message(std::string("The file manager cannot show that: ") +
                                     failed->message);
                });
                g_error_free(failed);
            }
        },
        owned(&host));
    g_object_unref(bus);
}

} // namespace

void GtkHost::message(std::string text) {
    // Dialogs belong to the main thread, and background work reports from its own.
    g_main_context_invoke(nullptr, showQueuedMessage, owned(std::move(text)));
}

void GtkHost::runInBackground(std::function<void()> job) {
    runDetached(*this, std::move(job));
}

void GtkHost::readClipboard(std::function<void(std::string)> done) {
    using Done = std::function<void(std::string)>;
#if GTK_CHECK_VERSION(4, 0, 0)
    GdkClipboard* clipboard = gdk_display_get_clipboard(gdk_display_get_default());
    gdk_clipboard_read_text_async(
        clipboard, nullptr,
        +[](GObject* source, GAsyncResult* result, gpointer data) {
            std::unique_ptr<Done> callback(static_cast<Done*>(data));
            char* text = gdk_clipboard_read_text_finish(GDK_CLIPBOARD(source), result, nullptr);
            guarded([&] { (*callback)(text ? text : ""); });
            g_free(text);
        },
        owned(std::move(done)));
#else
    gtk_clipboard_request_text(
        gtk_clipboard_get(GDK_SELECTION_CLIPBOARD),
        +[](GtkClipboard*, const char* text, gpointer data) {
            std::unique_ptr<Done> callback(static_cast<Done*>(data));
            guarded([&] { (*callback)(text ? text : ""); });
        },
        owned(std::move(done)));
#endif
}

void GtkHost::setClipboard(std::string text) {
#if GTK_CHECK_VERSION(4, 0, 0)
    gdk_clipboard_set_text(gdk_display_get_clipboard(gdk_display_get_default()), text.c_str());
#else
    GtkClipboard* clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
    gtk_clipboard_set_text(clipboard, text.c_str(), static_cast<gint>(text.size()));
    // Kept by a clipboard manager, where one runs, should the file manager end first.
    gtk_clipboard_set_can_store(clipboard, nullptr, 0);
#endif
}

void GtkHost::showText(std::string caption, std::string text) {
    GtkWidget* window = gtk_window_new(
#if !GTK_CHECK_VERSION(4, 0, 0)
        GTK_WINDOW_TOPLEVEL
#endif
    );
    gtk_window_set_title(GTK_WINDOW(window),
                         validText(std::string(title) + ": " + caption).c_str());
    gtk_window_set_default_size(GTK_WINDOW(window), 480, 320);
    GtkWidget* view = gtk_text_view_new();
    gtk_text_view_set_editable(GTK_TEXT_VIEW(view), FALSE);
    gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(view), GTK_WRAP_WORD_CHAR);
    gtk_text_view_set_monospace(GTK_TEXT_VIEW(view), TRUE);
    const std::string shown = g_utf8_validate(text.c_str(), -1, nullptr)
                                  ? text
                                  : std::string("(The clipboard holds no text.)");
    gtk_text_buffer_set_text(gtk_text_view_get_buffer(GTK_TEXT_VIEW(view)), shown.c_str(), -1);
#if GTK_CHECK_VERSION(4, 0, 0)
    GtkWidget* scrolled = gtk_scrolled_window_new();
    gtk_scrolled_window_set_child(GTK_SCROLLED_WINDOW(scrolled), view);
    gtk_window_set_child(GTK_WINDOW(window), scrolled);
#else
    GtkWidget* scrolled = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_container_add(GTK_CONTAINER(scrolled), view);
    gtk_container_add(GTK_CONTAINER(window), scrolled);
#endif
    present(window);
}

void GtkHost::confirm(std::string question, std::function<void()> onYes) {
    using OnYes = std::function<void()>;
    GtkWidget* dialog = messageDialog(GTK_MESSAGE_WARNING, GTK_BUTTONS_YES_NO, question);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_NO);
    g_signal_connect_data(
        dialog, "response", G_CALLBACK(+[](GtkDialog* d, int response, gpointer data) {
            auto* callback = static_cast<OnYes*>(data);
            destroyWindow(GTK_WIDGET(d));
            if (response == GTK_RESPONSE_YES)
                guarded([&] { (*callback)(); });
        }),
        owned(std::move(onYes)),
        +[](gpointer data, GClosure*) { delete static_cast<OnYes*>(data); }, GConnectFlags(0));
    present(dialog);
}

void GtkHost::chooseFolder(std::string caption, std::filesystem::path start,
                           std::function<void(std::filesystem::path)> onChosen) {
    using OnChosen = std::function<void(std::filesystem::path)>;
    GtkFileChooserNative* chooser =
        gtk_file_chooser_native_new((std::string(title) + ": " + caption).c_str(), nullptr,
                                    GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, "_Choose", "_Cancel");
    g_signal_connect_data(
        chooser, "response", G_CALLBACK(+[](GtkNativeDialog* native, int response, gpointer data) {
            auto* callback = static_cast<OnChosen*>(data);
            if (response == GTK_RESPONSE_ACCEPT) {
#if GTK_CHECK_VERSION(4, 0, 0)
                GFile* file = gtk_file_chooser_get_file(GTK_FILE_CHOOSER(native));
                char* path = file ? g_file_get_path(file) : nullptr;
                if (file)
                    g_object_unref(file);
#else
                char* path = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(native));
#endif
                if (path)
                    guarded([&] { (*callback)(path); });
                g_free(path);
            }
            // The chooser holds itself until here.
            g_object_unref(native);
        }),
        owned(std::move(onChosen)),
        +[](gpointer data, GClosure*) { delete static_cast<OnChosen*>(data); }, GConnectFlags(0));
    // Without a folder to start from it opens at its recent files, where no folder can be chosen.
#if GTK_CHECK_VERSION(4, 0, 0)
    GFile* folder = g_file_new_for_path(start.c_str());
    gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(chooser), folder, nullptr);
    g_object_unref(folder);
#else
    gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(chooser), start.c_str());
#endif
    gtk_native_dialog_show(GTK_NATIVE_DIALOG(chooser));
}

void GtkHost::openFolderWindow(std::string uri) {
    std::vector<std::string> command = m_openWindow;
    command.push_back(uri);
    startProgram(std::move(command), "/");
}

void GtkHost::showItems(std::vector<std::string> uris) {
    callFileManager("ShowItems", uris, *this);
}

void GtkHost::showItemProperties(std::vector<std::string> uris) {
    callFileManager("ShowItemProperties", uris, *this);
}

void GtkHost::startProgram(std::vector<std::string> argv, std::filesystem::path folder) {
    std::vector<char*> args;
    for (std::string& arg : argv)
        args.push_back(arg.data());
    args.push_back(nullptr);
    GError* error = nullptr;
    if (!g_spawn_async(folder.c_str(), args.data(), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr,
                       nullptr, &error)) {
        message("Cannot start '" + argv.front() + "': " + error->message);
        g_error_free(error);
    }
}

} // namespace quorvane::ext
