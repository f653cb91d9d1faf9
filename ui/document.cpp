#include "ui/document.h"

#include <cctype>

#include "ui/behavior.h"
#include "ui/html_io.h"
#include "ui/selector.h"

namespace vandrel::ui {
namespace {

std::uint64_t nextUid() {
    // Unique across all documents of the process, so a renderer holding several windows in
    // one view never confuses two elements.
    static std::uint64_t counter = 0;
    return ++counter;
}

bool ownsWindow(const Element& e) {
    return e.tag() == "iframe" || (e.tag() == "widget" && e.hasAttribute("type"));
}

std::vector<std::string> words(std::string_view text) {
    std::vector<std::string> out;
    std::string current;
    for (char c : text) {
        if (std::isspace(static_cast<unsigned char>(c)) != 0 || c == ',') {
            if (!current.empty()) {
                out.push_back(std::move(current));
                current.clear();
            }
        } else {
            current += c;
        }
    }
    if (!current.empty()) {
        out.push_back(std::move(current));
    }
    return out;
}

// Initial states and control values from the markup.
void initialiseControl(Element& e) {
    if (e.hasAttribute("checked")) {
        e.setState(STATE_CHECKED);
    }
    if (e.hasAttribute("disabled")) {
        e.setState(STATE_DISABLED);
    }
    switch (e.controlType()) {
        case ControlType::Edit:
        case ControlType::Password:
            e.setControlValue(Value(e.attribute("value")), true);
            break;
        case ControlType::Numeric: {
            std::string v = e.attribute("value");
            if (v.find('.') != std::string::npos) {
                e.setControlValue(Value(std::atof(v.c_str())), true);
            } else if (!v.empty()) {
                e.setControlValue(Value(static_cast<std::int64_t>(std::atoll(v.c_str()))), true);
            }
            break;
        }
        case ControlType::Textarea:
            e.setControlValue(Value(e.text()), true);
            break;
        case ControlType::SelectSingle:
        case ControlType::DropdownSelect: {
            Element* chosen = e.selectFirst("option[selected]");
            if (chosen == nullptr) {
                chosen = e.selectFirst("option");
            }
            if (chosen != nullptr) {
                std::string v =
                    chosen->hasAttribute("value") ? chosen->attribute("value") : chosen->text();
                e.setControlValue(Value(v), true);
            }
            break;
        }
        default:
            break;
    }
}

}  // namespace

Document::Document() {
    load({});
}

Document::~Document() {
    observer_ = nullptr;
    root_.reset();
}

void Document::load(std::string_view markup) {
    loading_ = true;
    root_.reset();
    root_ = parseHtmlDocument(*this, markup);
    collectStyleSheets();
    subtreeAdded(*root_);
    loading_ = false;
    if (observer_ != nullptr) {
        observer_->documentLoaded();
    }
}

void Document::collectStyleSheets() {
    styles_.clear();
    styles_.setMediaType(mediaType_);
    root_->visit([&](Element& e) {
        if (e.tag() == "style" && mediaQueryMatches(e.attribute("media"), mediaType_)) {
            styles_.add(e.text());
        }
        return true;
    });
}

Element* Document::body() const {
    return root_->selectFirst("body");
}

Element* Document::findByUid(std::uint64_t uid) const {
    auto it = byUid_.find(uid);
    return it != byUid_.end() ? it->second : nullptr;
}

std::vector<Element*> Document::select(std::string_view selector) const {
    std::vector<Element*> out;
    auto parsed = Selector::parse(selector);
    if (parsed) {
        root_->visit([&](Element& e) {
            if (parsed->matches(e)) {
                out.push_back(&e);
            }
            return true;
        });
    }
    return out;
}

Element* Document::selectFirst(std::string_view selector) const {
    if (root_->matches(selector)) {
        return root_.get();
    }
    return root_->selectFirst(selector);
}

std::string Document::serialize(bool withUids) const {
    std::string out = "<!DOCTYPE html>";
    writeHtml(*root_, true, withUids, out);
    return out;
}

std::string Document::computedStyle(const Element& element, std::string_view property) const {
    std::string inlineValue = element.style(property);
    if (!inlineValue.empty()) {
        return inlineValue;
    }
    return styles_.value(element, property);
}

void Document::attachBehaviors(Element& subtree) {
    subtree.visit([&](Element& e) {
        std::vector<Behavior*> found;
        for (const auto& name : words(computedStyle(e, "behavior"))) {
            if (Behavior* b = findBehavior(name)) {
                found.push_back(b);
            }
        }
        e.setBehaviors(std::move(found));
        return true;
    });
}

void Document::setMinSize(int width, int height) {
    minWidth_ = width;
    minHeight_ = height;
}

void Document::setViewSize(int width, int height) {
    viewWidth_ = width;
    viewHeight_ = height;
}

void Document::notify(const Change& change) {
    ++changeCount_;
    if (!loading_ && observer_ != nullptr) {
        observer_->changed(change);
    }
}

std::uint64_t Document::registerNode(Element* node) {
    std::uint64_t uid = nextUid();
    byUid_[uid] = node;
    return uid;
}

void Document::unregisterNode(Element* node) {
    if (observer_ != nullptr && !node->isText() && ownsWindow(*node)) {
        observer_->elementRemoved(*node);
    }
    byUid_.erase(node->uid());
}

void Document::subtreeAdded(Element& subtree) {
    // A new style block changes the cascade for the whole page.
    bool hasStyle = false;
    subtree.visit([&](Element& e) {
        hasStyle = hasStyle || e.tag() == "style";
        return true;
    });
    if (hasStyle && !loading_) {
        collectStyleSheets();
    }
    attachBehaviors(subtree);
    bool wasLoading = loading_;
    loading_ = true;
    subtree.visit([&](Element& e) {
        initialiseControl(e);
        return true;
    });
    loading_ = wasLoading;
    if (observer_ != nullptr) {
        subtree.visit([&](Element& e) {
            if (ownsWindow(e)) {
                observer_->elementAdded(e);
            }
            return true;
        });
    }
}

}  // namespace vandrel::ui
