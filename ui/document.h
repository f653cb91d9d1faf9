#pragma once
// A page: the element tree parsed from UTF-8 markup, its style sheets (for the `behavior`,
// `display` and `visibility` properties the model needs), its media type and minimum size,
// and the link to whoever renders it.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ui/element.h"
#include "ui/style_sheet.h"

namespace vandrel::ui {

class HtmlWindow;

// One change of the model that the renderer must show.
struct Change {
    enum class Kind {
        Attribute,        // name = value
        RemoveAttribute,  // name
        State,            // bits in `number`
        Content,          // value = the new inner markup, with uids
        ControlValue,     // value = the control's new text; number = 1 for checked states
        Popup,            // number = 1 shown at (x, y), 0 hidden
        ScrollIntoView,
        Focus,
        WidgetContent,  // value = markup drawn by a native control (SVG or rows)
    };
    Kind kind;
    std::uint64_t uid = 0;
    std::string name;
    std::string value;
    std::int64_t number = 0;
    int x = 0;
    int y = 0;
    // A list's drawing comes in two parts, so that the renderer can scroll the rows under a
    // header that stays on top: `value` holds the rows, drawn from `top` pixels below the top
    // of the scroller, and `header` the column header (empty when the list shows none). The
    // rows come as pieces, each an <svg> with a data-key; a piece the renderer was sent before
    // and still has as it was comes as its key alone, <svg data-key="K"/>.
    std::string header{};
    std::int64_t top = 0;
};

class DocumentObserver {
  public:
    virtual ~DocumentObserver() = default;
    virtual void changed(const Change& change) = 0;
    // The whole tree was replaced; no changes are reported for the load itself.
    virtual void documentLoaded() {}
    // A widget or iframe element appeared (load or new inner markup) or is about to go.
    virtual void elementAdded(Element&) {}
    virtual void elementRemoved(Element&) {}
};

class Document {
  public:
    Document();
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // Replaces the whole tree by the parsed markup. Always succeeds: HTML parsing recovers
    // from any input, and an empty input gives an empty page.
    void load(std::string_view markup);

    Element& root() const { return *root_; }
    Element* body() const;
    Element* findByUid(std::uint64_t uid) const;
    // Elements matching the selector, the root included, in document order.
    std::vector<Element*> select(std::string_view selector) const;
    Element* selectFirst(std::string_view selector) const;

    // The markup of the whole page; with uids each element carries data-vuid for the renderer.
    std::string serialize(bool withUids) const;

    // Computed value of a cascaded property (style sheets, then the inline style).
    std::string computedStyle(const Element& element, std::string_view property) const;
    // Attaches behaviours to the element and its descendants from the cascade.
    void attachBehaviors(Element& subtree);

    const std::string& mediaType() const { return mediaType_; }
    void setMediaType(std::string type) { mediaType_ = std::move(type); }
    int minWidth() const { return minWidth_; }
    int minHeight() const { return minHeight_; }
    void setMinSize(int width, int height);
    // The size of the area the page is shown in, as the renderer reports it; 0 until then.
    int viewWidth() const { return viewWidth_; }
    int viewHeight() const { return viewHeight_; }
    void setViewSize(int width, int height);

    // The window showing the document; null for a document of its own (tests, tools).
    HtmlWindow* window() const { return window_; }
    void setWindow(HtmlWindow* window) { window_ = window; }

    void setObserver(DocumentObserver* observer) { observer_ = observer; }
    void notify(const Change& change);
    // Counts every change since the document was made; the renderer batches by it.
    std::uint64_t changeCount() const { return changeCount_; }

    // Bookkeeping of the elements, for Element.
    std::uint64_t registerNode(Element* node);
    void unregisterNode(Element* node);
    void subtreeAdded(Element& subtree);

  private:
    void collectStyleSheets();

    std::unique_ptr<Element> root_;
    std::unordered_map<std::uint64_t, Element*> byUid_;
    StyleSheet styles_;
    std::string mediaType_ = "screen";
    int minWidth_ = 0;
    int minHeight_ = 0;
    int viewWidth_ = 0;
    int viewHeight_ = 0;
    DocumentObserver* observer_ = nullptr;
    HtmlWindow* window_ = nullptr;
    std::uint64_t changeCount_ = 0;
    bool loading_ = false;
};

}  // namespace vandrel::ui
