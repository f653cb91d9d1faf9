#pragma once
// The process-wide list through which a change of the unit or clock settings reaches the pages
// that show values in them: the settings save notifies, the track page reloads its calendar
// and list. Callbacks run in the order they were added, on the caller's thread.

#include <functional>
#include <vector>

namespace vandrel {

class RefreshListeners {
  public:
    using Callback = std::function<void()>;

    static RefreshListeners& instance();

    void add(Callback callback);
    void notify() const;
    // Drops every callback (a page going away, the tests).
    void clear();
    size_t size() const { return callbacks_.size(); }

  private:
    RefreshListeners() = default;
    std::vector<Callback> callbacks_;
};

}  // namespace vandrel
