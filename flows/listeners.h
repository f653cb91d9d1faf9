#pragma once
// A list of callbacks a session notifies (see flows/session.h). They run in the order they were
// added, on the thread that notifies.

#include <functional>
#include <vector>

namespace vandrel {

template <typename... Args>
class Listeners {
  public:
    using Callback = std::function<void(Args...)>;

    void add(Callback callback) {
        if (callback) {
            callbacks_.push_back(std::move(callback));
        }
    }

    void notify(Args... args) const {
        // A copy, because a callback may add another (a page set up in response); the change
        // takes effect from the next notify on.
        const std::vector<Callback> callbacks = callbacks_;
        for (const Callback& callback : callbacks) {
            callback(args...);
        }
    }

  private:
    std::vector<Callback> callbacks_;
};

}  // namespace vandrel
