#include "map/map_external_dispatch.h"

#include "ui/browser_host.h"

namespace vandrel::map {

MapExternalDispatch::MapExternalDispatch(Page page, MapEventHandler& handler) : handler_(handler) {
    add("onmaploadcomplete", &MapEventHandler::onmaploadcomplete);
    if (page == Page::Poi) {
        add("onwpmarkerclick", &MapEventHandler::onwpmarkerclick);
        add("onwpmarkerrclick", &MapEventHandler::onwpmarkerrclick);
        add("onwpmarkerupdate", &MapEventHandler::onwpmarkerupdate);
        add("onfind", &MapEventHandler::onfind);
        add("onrclickevent", &MapEventHandler::onrclickevent);
    } else {
        add("onlineclick", &MapEventHandler::onlineclick);
        add("onaddphoto", &MapEventHandler::onaddphoto);
        add("onphotolick", &MapEventHandler::onphotolick);
        add("onremovephoto", &MapEventHandler::onremovephoto);
    }
    add("onmoveendevent", &MapEventHandler::onmoveendevent);
    add("onmapsource", &MapEventHandler::onmapsource);
}

void MapExternalDispatch::add(std::string name, Operation operation) {
    const int id = kFirstDispatchId + static_cast<int>(entries_.size());
    entries_.push_back({std::move(name), id, operation});
}

std::optional<int> MapExternalDispatch::idOfName(const std::string& name) const {
    for (const Entry& entry : entries_) {
        if (entry.name == name) {
            return entry.id;
        }
    }
    return std::nullopt;
}

DispatchResult MapExternalDispatch::invoke(int id, const ScriptArgs& args) const {
    if (id < kFirstDispatchId) {
        return DispatchResult::NotImplemented;
    }
    for (const Entry& entry : entries_) {
        if (entry.id == id) {
            (handler_.*entry.operation)(args);
            break;
        }
    }
    return DispatchResult::Ok;
}

DispatchResult MapExternalDispatch::call(const std::string& name, const ScriptArgs& args) const {
    const std::optional<int> id = idOfName(name);
    return id ? invoke(*id, args) : DispatchResult::UnknownName;
}

void MapExternalDispatch::attach(ui::BrowserHost& host) const {
    host.setExternalHandler([this](const std::string& method, const ScriptArgs& args) {
        call(method, args);
        return std::string();
    });
}

}  // namespace vandrel::map
