#include "ui/resources.h"

#include <cctype>
#include <string>

#include "ui/element.h"
#include "ui/html_window.h"

namespace vandrel::ui {
namespace {

std::span<const Resource>& table() {
    static std::span<const Resource> resources = programResources();
    return resources;
}

std::function<bool()>& highContrastQuery() {
    static std::function<bool()> query;
    return query;
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace

void setResourceTable(std::span<const Resource> resources) {
    table() = resources;
}

const Resource* findResource(std::string_view name, std::string_view type) {
    for (const Resource& r : table()) {
        if (name == r.name && equalsIgnoreCase(type, r.type)) {
            return &r;
        }
    }
    return nullptr;
}

bool loadHtmlResource(HtmlWindow& window, int id) {
    const Resource* r = findResource(std::to_string(id), "HTML");
    if (r == nullptr || r->size == 0) {
        return false;
    }
    window.loadHtml(r->data(), "res:" + std::to_string(id) + ".html");
    return true;
}

void setHighContrastQuery(std::function<bool()> query) {
    highContrastQuery() = std::move(query);
}

void setMediaType(HtmlWindow& window) {
    const auto& query = highContrastQuery();
    bool contrast = query && query();
    window.document().setMediaType(contrast ? "contrast-screen" : "screen");
}

LoadData resolveLoadData(std::string_view address) {
    LoadData result;
    if (address.empty()) {
        result.outcome = LoadData::Outcome::Discard;
        return result;
    }
    if (startsWith(address, "file:") || startsWith(address, "http:") ||
        startsWith(address, "https:")) {
        return result;
    }
    if (startsWith(address, "res:")) {
        address.remove_prefix(4);
    }
    address = address.substr(0, 260);
    if (address.find('/') != std::string_view::npos) {
        return result;
    }
    std::string name(address);
    std::string type = "HTML";
    if (auto dot = name.rfind('.'); dot != std::string::npos) {
        type = name.substr(dot + 1);
        name.resize(dot);
        for (char& c : type) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
    }
    const Resource* r = findResource(name, type);
    if (r == nullptr) {
        return result;
    }
    if (r->size == 0) {
        result.outcome = LoadData::Outcome::Discard;
        return result;
    }
    result.outcome = LoadData::Outcome::Delivered;
    result.bytes = r->data();
    result.type = type;
    return result;
}

}  // namespace vandrel::ui
