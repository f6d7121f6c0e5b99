#include "app/gtk_dialogs.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

namespace velmora {
inline namespace app {

namespace {

// GTK is started only when a dialog is first needed. It must not change the
// process's locale, and the owner window is an X11 window, so only the X11
// backend will do. Without a session bus the file chooser's settings cannot be
// stored, so they are kept in memory instead of failing on every change. False
// when there is no display to show dialogs on.
bool gtkReady() {
    static const bool ready = [] {
        gtk_disable_setlocale();
        gdk_set_allowed_backends("x11");
        if (!g_getenv("DBUS_SESSION_BUS_ADDRESS")) {
            g_setenv("GSETTINGS_BACKEND", "memory", FALSE);
        }
        return gtk_init_check(nullptr, nullptr) != FALSE;
    }();
    return ready;
}

// Keeps dialog above owner, when owner still exists.
void makeTransientFor(GtkWidget* dialog, NativeWindow owner) {
    if (owner == 0) {
        return;
    }
    gtk_widget_realize(dialog);
    GdkWindow* ownerWindow =
        gdk_x11_window_foreign_new_for_display(gtk_widget_get_display(dialog), owner);
    if (ownerWindow) {
        gdk_window_set_transient_for(gtk_widget_get_window(dialog), ownerWindow);
        g_object_unref(ownerWindow);
    }
}

// Ctrl+L in the file chooser creates its location entry and gives it the focus
// at once, but the entry gets its window only when the dialog is next laid out.
// Key events that arrive before then (the release of Ctrl+L, or keys typed
// quickly after it) would go to a widget without a window, which GTK refuses
// with a critical warning on standard error and drops. They are dropped here
// first, quietly: the outcome for the dialog is the same.
gboolean dropKeyForUnrealizedFocus(GtkWidget* dialog, GdkEvent*, gpointer) {
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(dialog));
    return focus && !gtk_widget_get_realized(focus);
}

// Destroys dialog and lets GTK take it off the screen before control returns to
// the caller's own event loop.
void close(GtkWidget* dialog) {
    gtk_widget_destroy(dialog);
    while (gtk_events_pending()) {
        gtk_main_iteration();
    }
}

}  // namespace

// A modal dialog in the middle of the screen, shown once our own window has
// taken down the pop-up menu that led here and drawn what it covered.
void GtkDialogs::prepare(GtkWidget* dialog) {
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    g_signal_connect(dialog, "key-press-event", G_CALLBACK(dropKeyForUnrealizedFocus), nullptr);
    g_signal_connect(dialog, "key-release-event", G_CALLBACK(dropKeyForUnrealizedFocus), nullptr);
    redraw_();
    flushWindowRequests();
}

std::optional<std::string> GtkDialogs::chooseFile(const std::string& title,
                                                  const std::string& folder,
                                                  const std::vector<FileFilter>& filters) {
    if (!gtkReady()) {
        return std::nullopt;
    }
    GtkWidget* dialog =
        gtk_file_chooser_dialog_new(title.c_str(), nullptr, GTK_FILE_CHOOSER_ACTION_OPEN, "_Cancel",
                                    GTK_RESPONSE_CANCEL, "_Open", GTK_RESPONSE_ACCEPT, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    if (!folder.empty()) {
        // Without a folder GTK opens on the recent files.
        gtk_file_chooser_set_current_folder(chooser, folder.c_str());
    }
    // The first filter added is the one the chooser starts with.
    for (const FileFilter& wanted : filters) {
        GtkFileFilter* filter = gtk_file_filter_new();
        gtk_file_filter_set_name(filter, wanted.name.c_str());
        for (const std::string& pattern : wanted.patterns) {
            gtk_file_filter_add_pattern(filter, pattern.c_str());
        }
        gtk_file_chooser_add_filter(chooser, filter);
    }
    prepare(dialog);
    makeTransientFor(dialog, owner_);
    std::optional<std::string> path;
    if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        // Nothing for a file that has no local path.
        if (gchar* chosen = gtk_file_chooser_get_filename(chooser)) {
            path = chosen;
            g_free(chosen);
        }
    }
    close(dialog);
    return path;
}

void GtkDialogs::addRecentFile(const std::string& path) {
    // The recent files' settings (whether they are kept, for how long) are the
    // display's, so GTK is started first.
    if (!gtkReady()) {
        return;
    }
    gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
    if (!uri) {
        return;
    }
    // Given in full, the item is added at once; gtk_recent_manager_add_item
    // would first look up the file's type from GTK's main loop, which runs only
    // while a dialog is open.
    gchar* contentType = g_content_type_guess(path.c_str(), nullptr, 0, nullptr);
    gchar* mimeType = g_content_type_get_mime_type(contentType);
    GtkRecentData data{};
    data.mime_type = mimeType ? mimeType : const_cast<gchar*>("application/octet-stream");
    data.app_name = const_cast<gchar*>("velmora");
    data.app_exec = const_cast<gchar*>("velmora %f");
    GtkRecentManager* recent = gtk_recent_manager_get_default();
    if (gtk_recent_manager_add_full(recent, uri, &data)) {
        // The manager writes its list when it next reports a change, from a
        // timeout of the main loop: the report is made now instead, so that the
        // list is written at once.
        g_signal_emit_by_name(recent, "changed");
    }
    g_free(mimeType);
    g_free(contentType);
    g_free(uri);
}

void GtkDialogs::showMessage(const std::string& title, const std::string& text) {
    if (!gtkReady()) {
        return;
    }
    GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER,
                                               GTK_BUTTONS_OK, "%s", text.c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), title.c_str());
    prepare(dialog);
    gtk_dialog_run(GTK_DIALOG(dialog));
    close(dialog);
}

}  // namespace app
}  // namespace velmora
