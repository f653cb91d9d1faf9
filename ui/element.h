#pragma once
// One node of a page: an element with its tag, ordered attributes, inline style (kept in its
// `style` attribute), state bits, children, and a uid that stays with it for its life and is
// never reused, so the renderer can address it. Text nodes are elements of kind Text holding
// their characters.
//
// Every change goes through the document, which tells the window's renderer; page code changes
// the model synchronously and never waits for the renderer.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/geometry.h"
#include "ui/value.h"

namespace vandrel::ui {

class Behavior;
class Document;
class Window;

// Element state bits, as the pages and behaviours know them.
inline constexpr std::uint32_t STATE_LINK = 0x1;
inline constexpr std::uint32_t STATE_HOVER = 0x2;
inline constexpr std::uint32_t STATE_ACTIVE = 0x4;
inline constexpr std::uint32_t STATE_FOCUS = 0x8;
inline constexpr std::uint32_t STATE_VISITED = 0x10;
inline constexpr std::uint32_t STATE_CURRENT = 0x20;
inline constexpr std::uint32_t STATE_CHECKED = 0x40;
inline constexpr std::uint32_t STATE_DISABLED = 0x80;
inline constexpr std::uint32_t STATE_READONLY = 0x100;
inline constexpr std::uint32_t STATE_EXPANDED = 0x200;
inline constexpr std::uint32_t STATE_COLLAPSED = 0x400;
inline constexpr std::uint32_t STATE_ANCHOR = 0x4000;
inline constexpr std::uint32_t STATE_OWNS_POPUP = 0x10000;
inline constexpr std::uint32_t STATE_PRESSED = 0x4000000;
inline constexpr std::uint32_t STATE_POPUP = 0x8000000;

// Control types an element reports, after its behaviours.
enum class ControlType {
    None = 0,
    Unknown = 1,
    Edit = 2,
    Numeric = 3,
    Button = 4,
    Checkbox = 5,
    Radio = 6,
    SelectSingle = 7,
    SelectMultiple = 8,
    DropdownSelect = 9,
    Textarea = 10,
    HtmlArea = 11,
    Password = 12,
    Hyperlink = 18,
};

class Element {
  public:
    enum class Kind { Element, Text };

    Element(Document& document, Kind kind, std::string tagOrText);
    ~Element();
    Element(const Element&) = delete;
    Element& operator=(const Element&) = delete;

    Kind kind() const { return kind_; }
    bool isText() const { return kind_ == Kind::Text; }
    // Lower-case tag; empty for a text node.
    const std::string& tag() const { return tag_; }
    // The characters of a text node.
    const std::string& data() const { return data_; }
    std::uint64_t uid() const { return uid_; }
    Document& document() const { return document_; }

    // Tree. Children and indexes count elements only, never text nodes.
    Element* parent() const { return parent_; }
    std::size_t childCount() const;
    Element* child(std::size_t n) const;
    int index() const;
    const std::vector<std::unique_ptr<Element>>& nodes() const { return nodes_; }
    bool isInside(const Element& ancestor) const;  // true for the element itself too
    // Visits this element and its element descendants in document order; stops when the
    // visitor returns false.
    bool visit(const std::function<bool(Element&)>& visitor);

    // Attributes. Names compare without regard to ASCII case.
    bool hasAttribute(std::string_view name) const;
    std::string attribute(std::string_view name) const;
    void setAttribute(std::string_view name, std::string_view value);
    void removeAttribute(std::string_view name);
    const std::vector<std::pair<std::string, std::string>>& attributes() const { return attrs_; }

    // Inline style properties, read from and written to the `style` attribute. An empty value
    // removes the property.
    std::string style(std::string_view property) const;
    void setStyle(std::string_view property, std::string_view value);

    std::uint32_t state() const { return state_; }
    bool hasState(std::uint32_t bits) const { return (state_ & bits) == bits; }
    void setState(std::uint32_t set, std::uint32_t clear = 0);

    // Text of all descendant text nodes; setting it replaces the children by one text node.
    std::string text() const;
    void setText(std::string_view text);
    // Markup of the children; setting it parses it.
    std::string html() const;
    void setHtml(std::string_view markup);

    // Border box in the coordinates of the window's document, as last laid out.
    Rect location() const { return location_; }
    void setLocation(const Rect& rect) { location_ = rect; }
    // False when the element or an ancestor is styled display:none or visibility:hidden inline,
    // or is a popup not shown.
    bool isVisible() const;
    void scrollIntoView();

    // Elements inside this one (not itself) matching the selector, in document order.
    std::vector<Element*> select(std::string_view selector);
    Element* selectFirst(std::string_view selector);
    bool matches(std::string_view selector) const;

    // Stable sort of the element children in [first, last) by `less`.
    void sortChildren(std::size_t first, std::size_t last,
                      const std::function<bool(const Element&, const Element&)>& less);

    // Behaviours attached from the style sheets and the built-ins.
    const std::vector<Behavior*>& behaviors() const { return behaviors_; }
    void setBehaviors(std::vector<Behavior*> behaviors) { behaviors_ = std::move(behaviors); }
    bool hasBehavior(std::string_view name) const;
    ControlType controlType() const;

    // The value of a plain control (edit, number, select, text area), owned by the model.
    const Value& controlValue() const { return controlValue_; }
    // Sets the value; `fromRenderer` marks a value the user typed, which needs no echo.
    void setControlValue(Value value, bool fromRenderer = false);

    // The native window of a widget or iframe element, or null.
    Window* window() const { return window_; }
    void setWindow(Window* window) { window_ = window; }

    // Tree building, for the parser.
    Element& appendChild(std::unique_ptr<Element> node);
    void appendAttribute(std::string name, std::string value);
    std::vector<std::unique_ptr<Element>> takeNodes() { return std::move(nodes_); }
    void replaceNodes(std::vector<std::unique_ptr<Element>> nodes);

  private:
    void notifyContent();

    Document& document_;
    Kind kind_;
    std::string tag_;
    std::string data_;
    std::uint64_t uid_;
    Element* parent_ = nullptr;
    std::vector<std::unique_ptr<Element>> nodes_;
    std::vector<std::pair<std::string, std::string>> attrs_;
    std::uint32_t state_ = 0;
    Rect location_;
    std::vector<Behavior*> behaviors_;
    Value controlValue_;
    Window* window_ = nullptr;
};

// ASCII case-insensitive equality, for attribute names and style keywords.
bool equalsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace vandrel::ui
