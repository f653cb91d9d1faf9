// The busy window: background artwork and the "Loading" text, redrawn at each step.
#include "core/program_path.h"
#include "platform/gtk/shell/gtk_parts.h"

namespace vandrel::gtk {

namespace {
constexpr int kWidth = 240;
constexpr int kHeight = 76;
// The web view draws into a window of its own and sets its cursor there; an insensitive view
// gets no motion that would make it set another until the work is done.
void setWaitCursor(GtkWidget* parent, bool wait) {
    GtkWidget* child = gtk_bin_get_child(GTK_BIN(parent));
    GdkWindow* window = gtk_widget_get_window(child != nullptr ? child : parent);
    if (window == nullptr) {
        return;
    }
    GdkCursor* cursor =
        wait ? gdk_cursor_new_from_name(gdk_window_get_display(window), "wait") : nullptr;
    gdk_window_set_cursor(window, cursor);
    if (cursor != nullptr) {
        g_object_unref(cursor);
    }
}

}  // namespace

GtkBusyWindow::GtkBusyWindow(GlibEventLoop& loop)
    : animation_(loop, [this](const std::string&) {
          if (window_ != nullptr) {
              gtk_widget_queue_draw(window_);
          }
      }) {}

GtkBusyWindow::~GtkBusyWindow() {
    stop();
    if (background_ != nullptr) {
        cairo_surface_destroy(background_);
    }
}

gboolean GtkBusyWindow::draw(GtkWidget*, cairo_t* cr, gpointer data) {
    auto* self = static_cast<GtkBusyWindow*>(data);
    if (self->background_ != nullptr &&
        cairo_surface_status(self->background_) == CAIRO_STATUS_SUCCESS) {
        cairo_set_source_surface(cr, self->background_, 0, 0);
        cairo_paint(cr);
    } else {
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
    }
    // The text sits in the 176 x 20 area at (64, 40), top-left aligned.
    cairo_rectangle(cr, 64, 40, 176, 20);
    cairo_clip(cr);
    cairo_set_source_rgb(cr, 17 / 255.0, 68 / 255.0, 158 / 255.0);
    cairo_select_font_face(cr, "Verdana", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 13);
    cairo_move_to(cr, 64, 54);
    cairo_show_text(cr, self->animation_.text().c_str());
    return TRUE;
}

void GtkBusyWindow::start() {
    if (window_ != nullptr) {
        return;
    }
    if (background_ == nullptr) {
        background_ = cairo_image_surface_create_from_png(programPath("images/busy.png").c_str());
    }
    window_ = gtk_window_new(GTK_WINDOW_POPUP);
    gtk_window_set_title(GTK_WINDOW(window_), "Loading");
    gtk_window_set_default_size(GTK_WINDOW(window_), kWidth, kHeight);
    gtk_widget_set_size_request(window_, kWidth, kHeight);
    GtkWidget* area = gtk_drawing_area_new();
    g_signal_connect(area, "draw", G_CALLBACK(draw), this);
    gtk_container_add(GTK_CONTAINER(window_), area);
    if (parent_ != nullptr) {
        gtk_widget_set_sensitive(parent_, FALSE);
        setWaitCursor(parent_, true);
    }
    show();
}

void GtkBusyWindow::show() {
    if (window_ == nullptr) {
        return;
    }
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    if (parent_ != nullptr) {
        gtk_window_get_position(GTK_WINDOW(parent_), &x, &y);
        gtk_window_get_size(GTK_WINDOW(parent_), &w, &h);
    }
    gtk_window_move(GTK_WINDOW(window_), x + (w - kWidth) / 2, y + (h - kHeight) / 2);
    animation_.start();
    hideTooltips();
    gtk_widget_show_all(window_);
}

// The window is an override-redirect popup, above every window the desktop manages: a box
// shown meanwhile would be under it.
void GtkBusyWindow::hide() {
    if (window_ == nullptr) {
        return;
    }
    animation_.stop();
    gtk_widget_hide(window_);
}

void GtkBusyWindow::stop() {
    animation_.stop();
    if (window_ != nullptr) {
        gtk_widget_destroy(window_);
        window_ = nullptr;
    }
    if (parent_ != nullptr) {
        gtk_widget_set_sensitive(parent_, TRUE);
        setWaitCursor(parent_, false);
    }
}

}  // namespace vandrel::gtk
