#pragma once
// Turns the GLib main loop from a test until a condition holds, so that a test can wait for the
// web process without blocking it; and sends the view real pointer events.
//
// Every wait gives up at its deadline. A wait can still be held past it: the loop it turns may
// dispatch something that runs a nested loop of the program (a command with its message boxes)
// which never returns, and then the wait never gets back to look at its clock. A watchdog
// thread ends the process when a wait is still held long after its deadline, naming the wait,
// so that a test fails with a reason instead of running into CTest's time-out.

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <source_location>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace vandrel::testing {

// How long a wait may be held past its deadline before the watchdog gives up. A click's handling
// legitimately holds the short wait that dispatched it while the command and its boxes run.
inline constexpr std::chrono::seconds kHeldTooLong{30};

class WaitWatchdog {
  public:
    struct Wait {
        std::string where;  // file:line of the test's call
        std::string what;
        std::chrono::steady_clock::time_point deadline;
    };

    static WaitWatchdog& instance() {
        // Never destroyed: the watching thread may still look at it while the process exits.
        static WaitWatchdog* watchdog = new WaitWatchdog;
        return *watchdog;
    }

    void enter(const Wait& wait) {
        std::lock_guard lock(mutex_);
        waits_.push_back(&wait);
    }
    void leave(const Wait& wait) {
        std::lock_guard lock(mutex_);
        std::erase(waits_, &wait);
    }

  private:
    WaitWatchdog() {
        std::thread([this] { watch(); }).detach();
    }

    void watch() {
        for (;;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
            std::lock_guard lock(mutex_);
            const auto now = std::chrono::steady_clock::now();
            for (const Wait* wait : waits_) {
                if (now > wait->deadline + kHeldTooLong) {
                    std::fprintf(stderr,
                                 "\nGave up on the wait at %s for %s: %lld s past its deadline, "
                                 "the loop turned by the wait at %s is held by a nested loop that "
                                 "never returned.\n",
                                 wait->where.c_str(), wait->what.c_str(),
                                 static_cast<long long>(kHeldTooLong.count()),
                                 waits_.back()->where.c_str());
                    std::fflush(stderr);
                    std::_Exit(1);
                }
            }
        }
    }

    std::mutex mutex_;
    // Outermost first; the last is the wait whose loop turns now.
    std::vector<const Wait*> waits_;
};

inline std::string placeOf(const std::source_location& where) {
    const std::string file = where.file_name();
    return file.substr(file.find_last_of('/') + 1) + ":" + std::to_string(where.line());
}

// Fails, saying what it waited for, when the condition did not hold within the time-out.
inline ::testing::AssertionResult pumpUntil(
    const std::function<bool()>& done, int timeoutMs = 15000,
    std::source_location where = std::source_location::current()) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const WaitWatchdog::Wait wait{placeOf(where), "its condition", end};
    WaitWatchdog::instance().enter(wait);
    bool held = false;
    while (!(held = done()) && std::chrono::steady_clock::now() <= end) {
        if (!g_main_context_iteration(nullptr, FALSE)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    WaitWatchdog::instance().leave(wait);
    if (held) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "the condition of the wait at " << wait.where
                                         << " did not hold within " << timeoutMs << " ms";
}

// Lets the loop run for a while.
inline void pump(int ms, std::source_location where = std::source_location::current()) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    const WaitWatchdog::Wait wait{placeOf(where), "the loop to run " + std::to_string(ms) + " ms",
                                  end};
    WaitWatchdog::instance().enter(wait);
    while (std::chrono::steady_clock::now() <= end) {
        if (!g_main_context_iteration(nullptr, FALSE)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    WaitWatchdog::instance().leave(wait);
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
    // A release carries the button that was held until then, as the X server reports it.
    event->button.state = type == GDK_BUTTON_RELEASE ? GDK_BUTTON1_MASK << (which - 1) : 0;
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

// One notch of the mouse wheel, down, over a point of the widget's window.
inline void sendWheelDown(GtkWidget* widget, std::pair<int, int> at) {
    GdkWindow* window = gtk_widget_get_window(widget);
    GdkEvent* event = gdk_event_new(GDK_SCROLL);
    event->scroll.window = GDK_WINDOW(g_object_ref(window));
    event->scroll.send_event = TRUE;
    event->scroll.time = GDK_CURRENT_TIME;
    event->scroll.x = at.first;
    event->scroll.y = at.second;
    event->scroll.direction = GDK_SCROLL_DOWN;
    GdkSeat* seat = gdk_display_get_default_seat(gdk_window_get_display(window));
    gdk_event_set_device(event, gdk_seat_get_pointer(seat));
    int ox = 0;
    int oy = 0;
    gdk_window_get_origin(window, &ox, &oy);
    event->scroll.x_root = ox + at.first;
    event->scroll.y_root = oy + at.second;
    gtk_main_do_event(event);
    gdk_event_free(event);
}

}  // namespace vandrel::testing
