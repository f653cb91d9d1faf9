// The borderless main window: the caption and the ring of the page drive GTK's own move and
// resize drags through the frame's hit-test.
#include <algorithm>

#include "core/program_path.h"
#include "platform/gtk/shell/gtk_parts.h"

namespace vandrel::gtk {
namespace {

// The name of the program's icon in the hicolor theme, as vandrel.desktop names it.
constexpr const char* kIconName = "vandrel";

}  // namespace

FrameWindow::FrameWindow(app::MainFrame& frame, std::function<void()> closeRequested)
    : frame_(frame),
      closeRequested_(std::move(closeRequested)),
      window_(gtk_window_new(GTK_WINDOW_TOPLEVEL)) {
    gtk_window_set_title(GTK_WINDOW(window_), "Vandrel");
    gtk_window_set_decorated(GTK_WINDOW(window_), FALSE);
    // An installed program has its icon in the icon theme, at every size the desktop asks
    // for; a portable folder has only the picture beside the program.
    if (gtk_icon_theme_has_icon(gtk_icon_theme_get_default(), kIconName)) {
        gtk_window_set_icon_name(GTK_WINDOW(window_), kIconName);
    } else {
        gtk_window_set_icon_from_file(GTK_WINDOW(window_),
                                      programPath("images/icon.png").string().c_str(), nullptr);
    }
    GdkGeometry smallest{};
    smallest.min_width = app::kMinimumFrameWidth;
    smallest.min_height = app::kMinimumFrameHeight;
    gtk_window_set_geometry_hints(GTK_WINDOW(window_), nullptr, &smallest, GDK_HINT_MIN_SIZE);
    g_signal_connect(window_, "configure-event", G_CALLBACK(configured), this);
    g_signal_connect(window_, "delete-event",
                     G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer self) -> gboolean {
                         static_cast<FrameWindow*>(self)->closeRequested_();
                         return TRUE;
                     }),
                     this);
}

void FrameWindow::attach(GtkWidget* view) {
    gtk_container_add(GTK_CONTAINER(window_), view);
    // Before WebKit sees the press: a press on the caption or the ring starts a drag instead.
    g_signal_connect(view, "button-press-event", G_CALLBACK(pressed), this);
}

gboolean FrameWindow::pressed(GtkWidget*, GdkEventButton* event, gpointer data) {
    auto* self = static_cast<FrameWindow*>(data);
    if (event->type != GDK_BUTTON_PRESS || event->button != 1) {
        return FALSE;
    }
    const app::FrameHit hit =
        self->frame_.hitTest({static_cast<int>(event->x), static_cast<int>(event->y)});
    GtkWindow* window = GTK_WINDOW(self->window_);
    const int x = static_cast<int>(event->x_root);
    const int y = static_cast<int>(event->y_root);
    auto resize = [&](GdkWindowEdge edge) {
        gtk_window_begin_resize_drag(window, edge, static_cast<gint>(event->button), x, y,
                                     event->time);
        return TRUE;
    };
    switch (hit) {
        case app::FrameHit::Caption:
            gtk_window_begin_move_drag(window, static_cast<gint>(event->button), x, y, event->time);
            return TRUE;
        case app::FrameHit::Left:
            return resize(GDK_WINDOW_EDGE_WEST);
        case app::FrameHit::Right:
            return resize(GDK_WINDOW_EDGE_EAST);
        case app::FrameHit::Top:
            return resize(GDK_WINDOW_EDGE_NORTH);
        case app::FrameHit::Bottom:
            return resize(GDK_WINDOW_EDGE_SOUTH);
        case app::FrameHit::TopLeft:
            return resize(GDK_WINDOW_EDGE_NORTH_WEST);
        case app::FrameHit::TopRight:
            return resize(GDK_WINDOW_EDGE_NORTH_EAST);
        case app::FrameHit::BottomLeft:
            return resize(GDK_WINDOW_EDGE_SOUTH_WEST);
        case app::FrameHit::BottomRight:
            return resize(GDK_WINDOW_EDGE_SOUTH_EAST);
        default:
            return FALSE;  // the client area and the icon are the page's
    }
}

gboolean FrameWindow::configured(GtkWidget*, GdkEventConfigure* event, gpointer data) {
    auto* self = static_cast<FrameWindow*>(data);
    self->frame_.windowMoved(
        {event->x, event->y, event->x + event->width, event->y + event->height});
    return FALSE;
}

void FrameWindow::minimize() {
    gtk_window_iconify(GTK_WINDOW(window_));
}

void FrameWindow::moveTo(const app::ScreenRect& rect) {
    gtk_window_move(GTK_WINDOW(window_), rect.left, rect.top);
    gtk_window_resize(GTK_WINDOW(window_), std::max(1, rect.width()), std::max(1, rect.height()));
}

void FrameWindow::close() {
    closeRequested_();
}

GdkMonitor* FrameWindow::monitor() const {
    GdkDisplay* display = gdk_display_get_default();
    GdkWindow* w = gtk_widget_get_window(window_);
    GdkMonitor* m = w != nullptr ? gdk_display_get_monitor_at_window(display, w) : nullptr;
    return m != nullptr ? m : gdk_display_get_primary_monitor(display);
}

app::ScreenRect FrameWindow::desktop() const {
    GdkRectangle g{};
    if (GdkMonitor* m = monitor()) {
        gdk_monitor_get_geometry(m, &g);
    }
    return {g.x, g.y, g.x + g.width, g.y + g.height};
}

std::optional<app::ScreenRect> FrameWindow::panel() const {
    // The desktop reports the work area, not the panel: the panel is the band the work area
    // leaves out along one edge.
    GdkMonitor* m = monitor();
    if (m == nullptr) {
        return std::nullopt;
    }
    GdkRectangle g{};
    GdkRectangle a{};
    gdk_monitor_get_geometry(m, &g);
    gdk_monitor_get_workarea(m, &a);
    const int w = g.width;
    const int h = g.height;
    const int left = a.x - g.x;
    const int top = a.y - g.y;
    const int right = left + a.width;
    const int bottom = top + a.height;
    if (bottom < h) {
        return app::ScreenRect{0, bottom, w, h};
    }
    if (top > 0) {
        return app::ScreenRect{0, 0, w, top};
    }
    if (left > 0) {
        return app::ScreenRect{0, 0, left, h};
    }
    if (right < w) {
        return app::ScreenRect{right, 0, w, h};
    }
    return std::nullopt;
}

}  // namespace vandrel::gtk
