#pragma once
// Turns the GLib main loop from a test until a condition holds, so that a test can wait for the
// web process without blocking it; and sends the view real pointer events.

#include <gtk/gtk.h>

#include <chrono>
#include <functional>
#include <thread>
#include <utility>

namespace vandrel::testing {

// False when the condition did not hold within the time-out.
inline bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 15000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        if (!g_main_context_iteration(nullptr, FALSE)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    return true;
}

inline void pump(int ms) {
    pumpUntil([] { return false; }, ms);
}

// A button event as GTK delivers it to the widget's window, at a point of that window, with the
// seat's pointer as its device.
inline void sendButton(GtkWidget* widget, std::pair<int, int> at, GdkEventType type,
                       guint which = 1) {
    GdkWindow* window = gtk_widget_get_window(widget);
    GdkEvent* event = gdk_event_new(type);
    event->button.window = GDK_WINDOW(g_object_ref(window));
    event->button.send_event = TRUE;
    event->button.time = GDK_CURRENT_TIME;
    event->button.x = at.first;
    event->button.y = at.second;
    event->button.button = which;
    event->button.state = type == GDK_BUTTON_RELEASE ? GDK_BUTTON1_MASK : 0;
    GdkSeat* seat = gdk_display_get_default_seat(gdk_window_get_display(window));
    gdk_event_set_device(event, gdk_seat_get_pointer(seat));
    int ox = 0;
    int oy = 0;
    gdk_window_get_origin(window, &ox, &oy);
    event->button.x_root = ox + at.first;
    event->button.y_root = oy + at.second;
    gtk_main_do_event(event);
    gdk_event_free(event);
}

}  // namespace vandrel::testing
