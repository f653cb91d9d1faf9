#include "flows/refresh_listeners.h"

namespace vandrel {

RefreshListeners& RefreshListeners::instance() {
    static RefreshListeners listeners;
    return listeners;
}

void RefreshListeners::add(Callback callback) {
    if (callback) {
        callbacks_.push_back(std::move(callback));
    }
}

void RefreshListeners::notify() const {
    // A copy, because a callback may add another (a page set up in response) or clear the
    // list; the change takes effect from the next notify on.
    const std::vector<Callback> callbacks = callbacks_;
    for (const Callback& callback : callbacks) {
        callback();
    }
}

void RefreshListeners::clear() {
    callbacks_.clear();
}

}  // namespace vandrel
