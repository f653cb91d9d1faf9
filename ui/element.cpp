#include "ui/element.h"

#include <algorithm>
#include <cctype>

#include "ui/behavior.h"
#include "ui/document.h"
#include "ui/html_io.h"
#include "ui/selector.h"
#include "ui/style_sheet.h"

namespace vandrel::ui {

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

Element::Element(Document& document, Kind kind, std::string tagOrText)
    : document_(document), kind_(kind) {
    if (kind == Kind::Text) {
        data_ = std::move(tagOrText);
    } else {
        tag_ = std::move(tagOrText);
    }
    uid_ = document_.registerNode(this);
}

Element::~Element() {
    // Children go first, so a window learns of a removed control while its element is whole.
    nodes_.clear();
    document_.unregisterNode(this);
}

std::size_t Element::childCount() const {
    return static_cast<std::size_t>(
        std::count_if(nodes_.begin(), nodes_.end(), [](const auto& n) { return !n->isText(); }));
}

Element* Element::child(std::size_t n) const {
    for (const auto& node : nodes_) {
        if (!node->isText() && n-- == 0) {
            return node.get();
        }
    }
    return nullptr;
}

int Element::index() const {
    if (parent_ == nullptr) {
        return -1;
    }
    int i = 0;
    for (const auto& node : parent_->nodes_) {
        if (node.get() == this) {
            return i;
        }
        if (!node->isText()) {
            ++i;
        }
    }
    return -1;
}

bool Element::isInside(const Element& ancestor) const {
    for (const Element* e = this; e != nullptr; e = e->parent_) {
        if (e == &ancestor) {
            return true;
        }
    }
    return false;
}

bool Element::visit(const std::function<bool(Element&)>& visitor) {
    if (isText()) {
        return true;
    }
    if (!visitor(*this)) {
        return false;
    }
    for (const auto& node : nodes_) {
        if (!node->visit(visitor)) {
            return false;
        }
    }
    return true;
}

bool Element::hasAttribute(std::string_view name) const {
    return std::any_of(attrs_.begin(), attrs_.end(),
                       [&](const auto& a) { return equalsIgnoreCase(a.first, name); });
}

std::string Element::attribute(std::string_view name) const {
    for (const auto& [n, v] : attrs_) {
        if (equalsIgnoreCase(n, name)) {
            return v;
        }
    }
    return {};
}

void Element::setAttribute(std::string_view name, std::string_view value) {
    auto it = std::find_if(attrs_.begin(), attrs_.end(),
                           [&](const auto& a) { return equalsIgnoreCase(a.first, name); });
    if (it != attrs_.end()) {
        if (it->second == value) {
            return;
        }
        it->second = std::string(value);
    } else {
        attrs_.emplace_back(std::string(name), std::string(value));
    }
    document_.notify(Change{Change::Kind::Attribute, uid_, std::string(name), std::string(value)});
    if (equalsIgnoreCase(name, "class") || equalsIgnoreCase(name, "id") ||
        equalsIgnoreCase(name, "style") || equalsIgnoreCase(name, "type")) {
        document_.attachBehaviors(*this);
    }
}

void Element::removeAttribute(std::string_view name) {
    auto it = std::find_if(attrs_.begin(), attrs_.end(),
                           [&](const auto& a) { return equalsIgnoreCase(a.first, name); });
    if (it == attrs_.end()) {
        return;
    }
    attrs_.erase(it);
    document_.notify(Change{Change::Kind::RemoveAttribute, uid_, std::string(name), {}});
}

std::string Element::style(std::string_view property) const {
    std::string found;
    for (const auto& [name, value] : parseDeclarations(attribute("style"))) {
        if (name == property) {
            found = value;
        }
    }
    return found;
}

void Element::setStyle(std::string_view property, std::string_view value) {
    auto decls = parseDeclarations(attribute("style"));
    std::erase_if(decls, [&](const auto& d) { return d.first == property; });
    if (!value.empty()) {
        decls.emplace_back(std::string(property), std::string(value));
    }
    setAttribute("style", writeDeclarations(decls));
}

void Element::setState(std::uint32_t set, std::uint32_t clear) {
    std::uint32_t next = (state_ & ~clear) | set;
    if (next == state_) {
        return;
    }
    state_ = next;
    Change change{Change::Kind::State, uid_, {}, {}};
    change.number = next;
    document_.notify(change);
}

std::string Element::text() const {
    if (isText()) {
        return data_;
    }
    std::string out;
    for (const auto& node : nodes_) {
        out += node->text();
    }
    return out;
}

void Element::setText(std::string_view text) {
    std::vector<std::unique_ptr<Element>> nodes;
    if (!text.empty()) {
        nodes.push_back(std::make_unique<Element>(document_, Kind::Text, std::string(text)));
    }
    replaceNodes(std::move(nodes));
}

std::string Element::html() const {
    std::string out;
    writeHtml(*this, false, false, out);
    return out;
}

void Element::setHtml(std::string_view markup) {
    replaceNodes(parseHtmlFragment(document_, markup));
}

void Element::replaceNodes(std::vector<std::unique_ptr<Element>> nodes) {
    // The old nodes are destroyed before the new ones are announced, so the window closes the
    // controls of the old content first.
    auto old = std::move(nodes_);
    nodes_.clear();
    old.clear();
    for (auto& node : nodes) {
        appendChild(std::move(node));
    }
    for (const auto& node : nodes_) {
        if (!node->isText()) {
            document_.subtreeAdded(*node);
        }
    }
    notifyContent();
}

void Element::notifyContent() {
    Change change{Change::Kind::Content, uid_, {}, {}};
    writeHtml(*this, false, true, change.value);
    document_.notify(change);
}

bool Element::isVisible() const {
    for (const Element* e = this; e != nullptr; e = e->parent_) {
        if (e->hasState(STATE_POPUP)) {
            continue;
        }
        if (e->document_.computedStyle(*e, "display") == "none" ||
            e->document_.computedStyle(*e, "visibility") == "hidden") {
            return false;
        }
    }
    return true;
}

void Element::scrollIntoView() {
    document_.notify(Change{Change::Kind::ScrollIntoView, uid_, {}, {}});
}

std::vector<Element*> Element::select(std::string_view selector) {
    std::vector<Element*> out;
    auto parsed = Selector::parse(selector);
    if (!parsed) {
        return out;
    }
    for (const auto& node : nodes_) {
        node->visit([&](Element& e) {
            if (parsed->matches(e)) {
                out.push_back(&e);
            }
            return true;
        });
    }
    return out;
}

Element* Element::selectFirst(std::string_view selector) {
    auto parsed = Selector::parse(selector);
    Element* found = nullptr;
    if (!parsed) {
        return nullptr;
    }
    for (const auto& node : nodes_) {
        if (!node->visit([&](Element& e) {
                if (parsed->matches(e)) {
                    found = &e;
                    return false;
                }
                return true;
            })) {
            break;
        }
    }
    return found;
}

bool Element::matches(std::string_view selector) const {
    auto parsed = Selector::parse(selector);
    return parsed && parsed->matches(*this);
}

void Element::sortChildren(std::size_t first, std::size_t last,
                           const std::function<bool(const Element&, const Element&)>& less) {
    // Text nodes between the elements are whitespace in every page that sorts; they stay where
    // they are and only the element slots are permuted.
    std::vector<std::size_t> slots;
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
        if (!nodes_[i]->isText()) {
            slots.push_back(i);
        }
    }
    last = std::min(last, slots.size());
    if (first >= last) {
        return;
    }
    std::vector<std::unique_ptr<Element>> range;
    for (std::size_t i = first; i < last; ++i) {
        range.push_back(std::move(nodes_[slots[i]]));
    }
    std::stable_sort(range.begin(), range.end(),
                     [&](const auto& a, const auto& b) { return less(*a, *b); });
    for (std::size_t i = first; i < last; ++i) {
        nodes_[slots[i]] = std::move(range[i - first]);
    }
    notifyContent();
}

bool Element::hasBehavior(std::string_view name) const {
    return std::any_of(behaviors_.begin(), behaviors_.end(),
                       [&](const Behavior* b) { return b->name() == name; });
}

ControlType Element::controlType() const {
    for (const Behavior* b : behaviors_) {
        if (b->controlType() != ControlType::None) {
            return b->controlType();
        }
    }
    return ControlType::None;
}

void Element::setControlValue(Value value, bool fromRenderer) {
    controlValue_ = std::move(value);
    if (!fromRenderer) {
        document_.notify(Change{Change::Kind::ControlValue, uid_, {}, controlValue_.toString()});
    }
}

Element& Element::appendChild(std::unique_ptr<Element> node) {
    node->parent_ = this;
    nodes_.push_back(std::move(node));
    return *nodes_.back();
}

void Element::appendAttribute(std::string name, std::string value) {
    attrs_.emplace_back(std::move(name), std::move(value));
}

}  // namespace vandrel::ui
