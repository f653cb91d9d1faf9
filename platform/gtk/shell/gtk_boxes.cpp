// Message boxes and file choosers of the desktop program.
#include <gdk/gdkkeysyms.h>

#include <algorithm>
#include <filesystem>

#include "platform/gtk/shell/gtk_parts.h"
#include "ui/element.h"

namespace vandrel::gtk {

namespace {

struct BoxState {
    ui::HtmlWindow* view = nullptr;
};

gboolean boxKey(GtkWidget*, GdkEventKey* event, gpointer data) {
    auto* state = static_cast<BoxState*>(data);
    int key = 0;
    switch (event->keyval) {
        case GDK_KEY_Return:
        case GDK_KEY_KP_Enter:
            key = ui::VK_RETURN;
            break;
        case GDK_KEY_Escape:
            key = ui::VK_ESCAPE;
            break;
        default:
            return FALSE;
    }
    ui::KeyEvent e;
    e.type = ui::KeyEventType::Down;
    e.keyCode = key;
    state->view->dispatchKey(e);
    return TRUE;
}

// Closing the box from the desktop is its Esc.
gboolean boxDelete(GtkWidget*, GdkEvent*, gpointer data) {
    auto* state = static_cast<BoxState*>(data);
    ui::KeyEvent e;
    e.type = ui::KeyEventType::Down;
    e.keyCode = ui::VK_ESCAPE;
    state->view->dispatchKey(e);
    return TRUE;
}

GdkRectangle workArea() {
    GdkRectangle area{0, 0, 1 << 15, 1 << 15};
    if (GdkMonitor* monitor = gdk_display_get_primary_monitor(gdk_display_get_default())) {
        gdk_monitor_get_workarea(monitor, &area);
    }
    return area;
}

void centreOver(GtkWidget* window, GtkWidget* parent, int width, int height) {
    int x = 0;
    int y = 0;
    int pw = 0;
    int ph = 0;
    if (parent != nullptr && gtk_widget_get_realized(parent)) {
        gtk_window_get_position(GTK_WINDOW(parent), &x, &y);
        gtk_window_get_size(GTK_WINDOW(parent), &pw, &ph);
    } else {
        GdkRectangle area{};
        gdk_monitor_get_geometry(gdk_display_get_primary_monitor(gdk_display_get_default()), &area);
        x = area.x;
        y = area.y;
        pw = area.width;
        ph = area.height;
    }
    gtk_window_move(GTK_WINDOW(window), x + (pw - width) / 2, y + (ph - height) / 2);
}

}  // namespace

void hideTooltips() {
    GList* windows = gtk_window_list_toplevels();
    for (GList* w = windows; w != nullptr; w = w->next) {
        GtkWidget* window = GTK_WIDGET(w->data);
        if (gtk_window_get_type_hint(GTK_WINDOW(window)) == GDK_WINDOW_TYPE_HINT_TOOLTIP &&
            gtk_widget_get_visible(window)) {
            gtk_widget_hide(window);
        }
    }
    g_list_free(windows);
}

ChooserFit::ChooserFit(GtkWidget* parent) : parent_(parent) {
    if (parent_ == nullptr || !gtk_widget_get_realized(parent_)) {
        return;
    }
    // GTK sizes the chooser as it maps it; the fit follows in the chooser's own loop.
    source_ = g_timeout_add(
        30,
        [](gpointer self) -> gboolean {
            auto* fit = static_cast<ChooserFit*>(self);
            if (fit->fitShown() || ++fit->ticks_ > 100) {
                fit->source_ = 0;
                return G_SOURCE_REMOVE;
            }
            return G_SOURCE_CONTINUE;
        },
        this);
}

ChooserFit::~ChooserFit() {
    if (source_ != 0) {
        g_source_remove(source_);
    }
}

bool ChooserFit::fitShown() {
    int width = 0;
    int height = 0;
    gtk_window_get_size(GTK_WINDOW(parent_), &width, &height);
    // A comfortable size where the window leaves room, never more than the window.
    const int most[2] = {std::min(800, width - 40), std::min(600, height - 40)};
    bool fitted = false;
    GList* windows = gtk_window_list_toplevels();
    for (GList* w = windows; w != nullptr; w = w->next) {
        GtkWidget* chooser = GTK_WIDGET(w->data);
        if (!GTK_IS_FILE_CHOOSER(chooser) || !gtk_widget_get_mapped(chooser)) {
            continue;
        }
        int now[2] = {0, 0};
        gtk_window_get_size(GTK_WINDOW(chooser), &now[0], &now[1]);
        if (now[0] > most[0] || now[1] > most[1]) {
            gtk_window_resize(GTK_WINDOW(chooser), std::min(now[0], most[0]),
                              std::min(now[1], most[1]));
        }
        fitted = true;
    }
    g_list_free(windows);
    return fitted;
}

int GtkBoxRunner::run(app::MessageBox& box, ui::Window*) {
    hideTooltips();
    auto view = std::make_unique<ui::HtmlWindow>(loop_, nullptr);
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "Vandrel Message");
    gtk_window_set_decorated(GTK_WINDOW(window), FALSE);
    gtk_window_set_type_hint(GTK_WINDOW(window), GDK_WINDOW_TYPE_HINT_DIALOG);
    gtk_window_set_skip_taskbar_hint(GTK_WINDOW(window), TRUE);
    gtk_window_set_modal(GTK_WINDOW(window), TRUE);
    if (parent_ != nullptr) {
        gtk_window_set_transient_for(GTK_WINDOW(window), GTK_WINDOW(parent_));
    }
    // The page is first loaded and laid out in a window off the screen, then moved into the
    // box, which is shown only then: a box appears whole, never as an empty rectangle while
    // its page loads (which takes about half a second).
    GtkWidget* offscreen = gtk_offscreen_window_new();
    GtkWidget* page = renderer_.show(*view);
    gtk_container_add(GTK_CONTAINER(offscreen), page);
    int result = -1;
    bool ended = false;
    if (!box.attach(*view, [&](int r) {
            result = r;
            ended = true;
        })) {
        view.reset();
        gtk_widget_destroy(offscreen);
        gtk_widget_destroy(window);
        return -1;
    }
    BoxState state{view.get()};
    g_signal_connect(window, "key-press-event", G_CALLBACK(boxKey), &state);
    g_signal_connect(window, "delete-event", G_CALLBACK(boxDelete), &state);
    int width = 320;
    int height = 140;
    gtk_widget_set_size_request(page, width, height);
    gtk_widget_show_all(offscreen);
    box_ = &box;
    view_ = view.get();
    bool placed = false;
    bool late = false;
    // Should the page not report its size within a second and a half, the box shows as it is.
    const guint lateSource = g_timeout_add(
        1500,
        +[](gpointer flag) {
            *static_cast<bool*>(flag) = true;
            return G_SOURCE_REMOVE;
        },
        &late);
    // The box takes the page's minimum size as soon as the page reports it, within the work
    // area (a long message wraps rather than growing wider than the screen).
    while (!ended) {
        g_main_context_iteration(nullptr, TRUE);
        const ui::Document& doc = view->document();
        const bool reported = doc.minWidth() > 0 && doc.minHeight() > 0;
        if (!ended && reported && (doc.minWidth() != width || doc.minHeight() != height)) {
            const GdkRectangle area = workArea();
            width = std::min(doc.minWidth(), area.width);
            height = std::min(doc.minHeight(), area.height);
            gtk_widget_set_size_request(page, width, height);
            gtk_window_resize(GTK_WINDOW(window), width, height);
            centreOver(window, parent_, width, height);
        }
        if (!ended && !placed && (reported || late)) {
            placed = true;
            g_object_ref(page);
            gtk_container_remove(GTK_CONTAINER(offscreen), page);
            gtk_container_add(GTK_CONTAINER(window), page);
            g_object_unref(page);
            gtk_widget_destroy(offscreen);
            offscreen = nullptr;
            gtk_window_set_default_size(GTK_WINDOW(window), width, height);
            centreOver(window, parent_, width, height);
            window_ = window;
            gtk_widget_show_all(window);
            // The box takes the keyboard at once, so its page shows the ring on the focused
            // button that Enter presses.
            gtk_widget_grab_focus(page);
            gdk_display_beep(gdk_display_get_default());
        }
    }
    if (offscreen != nullptr) {
        gtk_widget_destroy(offscreen);
    }
    if (!late) {
        g_source_remove(lateSource);
    }
    window_ = nullptr;
    box_ = nullptr;
    view_ = nullptr;
    view.reset();
    gtk_widget_destroy(window);
    return result;
}

namespace {

std::optional<std::string> first(std::vector<std::string> files) {
    return files.empty() ? std::nullopt : std::optional(std::move(files.front()));
}

}  // namespace

std::optional<std::string> GtkFiles::open(const FileFilter& filter, ui::Window*) {
    return first(choose(filter, Choice::Open));
}

std::vector<std::string> GtkFiles::openMany(const FileFilter& filter, ui::Window*) {
    return choose(filter, Choice::OpenMany);
}

std::optional<std::string> GtkFiles::save(const FileFilter& filter, ui::Window*) {
    return first(choose(filter, Choice::Save));
}

namespace {

// A filter of the dialog; pattern holds one pattern or several separated by ';'.
void addFilter(GtkFileChooser* chooser, const std::string& description,
               const std::string& pattern) {
    GtkFileFilter* filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, description.c_str());
    size_t start = 0;
    while (start <= pattern.size()) {
        const size_t end = std::min(pattern.find(';', start), pattern.size());
        if (end > start) {
            gtk_file_filter_add_pattern(filter, pattern.substr(start, end - start).c_str());
        }
        start = end + 1;
    }
    gtk_file_chooser_add_filter(chooser, filter);
}

}  // namespace

std::vector<std::string> GtkFiles::choose(const FileFilter& filter, Choice choice) {
    const bool save = choice == Choice::Save;
    hideTooltips();
    const ChooserFit fit(parent_);
    choosing_ = true;
    GtkFileChooserNative* dialog = gtk_file_chooser_native_new(
        save ? "Save As" : "Open", parent_ != nullptr ? GTK_WINDOW(parent_) : nullptr,
        save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN, nullptr, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    addFilter(chooser, filter.description, filter.pattern);
    for (const FileChoice& choice : filter.moreFilters) {
        addFilter(chooser, choice.description, choice.pattern);
    }
    GtkFileFilter* all = gtk_file_filter_new();
    gtk_file_filter_set_name(all, "All Files (*.*)");
    gtk_file_filter_add_pattern(all, "*");
    gtk_file_chooser_add_filter(chooser, all);
    if (!folder_.empty()) {
        gtk_file_chooser_set_current_folder(chooser, folder_.c_str());
    }
    if (save) {
        gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
        if (!filter.suggestedName.empty()) {
            gtk_file_chooser_set_current_name(chooser, filter.suggestedName.c_str());
        } else if (!filter.defaultExtension.empty()) {
            gtk_file_chooser_set_current_name(chooser,
                                              ("Untitled." + filter.defaultExtension).c_str());
        }
    }
    gtk_file_chooser_set_select_multiple(chooser, choice == Choice::OpenMany ? TRUE : FALSE);
    std::vector<std::string> chosen;
    if (gtk_native_dialog_run(GTK_NATIVE_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        GSList* names = gtk_file_chooser_get_filenames(chooser);
        for (GSList* n = names; n != nullptr; n = n->next) {
            std::string path = static_cast<char*>(n->data);
            // A name typed without an extension gets the default one.
            const std::string ext = "." + filter.defaultExtension;
            if (save && !filter.defaultExtension.empty() &&
                std::filesystem::path(path).extension().empty()) {
                path += ext;
            }
            folder_ = std::filesystem::path(path).parent_path().string();
            chosen.push_back(std::move(path));
        }
        g_slist_free_full(names, g_free);
    }
    g_object_unref(dialog);
    choosing_ = false;
    return chosen;
}

}  // namespace vandrel::gtk
