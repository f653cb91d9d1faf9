#pragma once
// Turns the GLib main loop from a test until a condition holds, so that a test can wait for the
// web process without blocking it.

#include <glib.h>

#include <chrono>
#include <functional>
#include <thread>

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

}  // namespace vandrel::testing
