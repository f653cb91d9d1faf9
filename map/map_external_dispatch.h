#pragma once
// The object a map page sees as `window.external`: a table from callback name (exact, case
// sensitive) to the handler operation it reaches, each with a dispatch id. Ids are given in
// registration order from 100000 upward; lower ids belong to the browser's own events, which
// the map pages never handle.

#include <optional>
#include <string>
#include <vector>

#include "map/map_events.h"

namespace vandrel::ui {
class BrowserHost;
}

namespace vandrel::map {

enum class DispatchResult {
    Ok,              // also for an id that no entry has
    UnknownName,     // a name the table does not hold
    NotImplemented,  // an id below 100000
};

inline constexpr int kFirstDispatchId = 100000;

class MapExternalDispatch {
  public:
    enum class Page { Poi, Track };

    // Registers the page's callback names, in their fixed order, on `handler`.
    MapExternalDispatch(Page page, MapEventHandler& handler);

    std::optional<int> idOfName(const std::string& name) const;
    DispatchResult invoke(int id, const ScriptArgs& args) const;
    // A call by name, as the page makes it: the name's id, then the call.
    DispatchResult call(const std::string& name, const ScriptArgs& args) const;

    // Becomes the map widget's `window.external`; dropped files stay refused by the host.
    void attach(ui::BrowserHost& host) const;

  private:
    using Operation = void (MapEventHandler::*)(const ScriptArgs&);
    struct Entry {
        std::string name;
        int id = 0;
        Operation operation = nullptr;
    };
    void add(std::string name, Operation operation);

    MapEventHandler& handler_;
    std::vector<Entry> entries_;
};

}  // namespace vandrel::map
