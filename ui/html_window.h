#pragma once
// A window that shows one HTML document: the main frame, the page host, each page, each
// message box, each iframe. It routes the document's events through the behaviours to its
// handler, owns the native controls of its widget and iframe elements, and keeps the popups,
// the mouse capture and the focus. A renderer (the WebKit view, or the headless recorder in
// tests) is linked to it and reports input and layout back.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ui/document.h"
#include "ui/events.h"
#include "ui/resources.h"
#include "ui/window.h"

namespace vandrel::ui {

class Behavior;
class HtmlWindow;

// What a renderer learns from the windows it shows.
class RenderLink {
  public:
    virtual ~RenderLink() = default;
    virtual void documentLoaded(HtmlWindow& window) = 0;
    virtual void changed(HtmlWindow& window, const Change& change) = 0;
    virtual void controlCreated(HtmlWindow&, Element&, Window&) {}
    virtual void controlDestroyed(HtmlWindow&, Window&) {}
    // The window is being destroyed; the renderer forgets it and its child windows.
    virtual void windowDestroyed(HtmlWindow&) {}
};

// Notifications of an HTML window, by code. Each window answers them the same way: create
// control makes the element's native window, load data resolves the address, attach behaviour
// looks the name up, 0xB0A goes to the window's own handler, a few need nothing, and any other
// goes unchanged to the parent window (as WM_NOTIFY with the record) or is answered 0 without
// one.
inline constexpr unsigned HLN_CREATE_CONTROL = 0xB00;
inline constexpr unsigned HLN_LOAD_DATA = 0xB01;
inline constexpr unsigned HLN_CONTROL_CREATED = 0xB02;
inline constexpr unsigned HLN_DATA_LOADED = 0xB03;
inline constexpr unsigned HLN_DOCUMENT_COMPLETE = 0xB04;
inline constexpr unsigned HLN_DESTROY_CONTROL = 0xB06;
inline constexpr unsigned HLN_ATTACH_BEHAVIOR = 0xB07;
inline constexpr unsigned HLN_WINDOW_SPECIFIC = 0xB0A;

struct Notification {
    unsigned code = 0;
    Element* element = nullptr;  // create control, attach behaviour
    std::string text;            // load data: the address; attach behaviour: the name
    Window* control = nullptr;   // create control: the window made, if any
    Behavior* behavior = nullptr;
    LoadData data;  // load data: the answer
};

// Popup placements, as on a numeric keypad around the anchor: 2 below, 8 above, 4 left,
// 6 right.
inline constexpr int POPUP_BELOW = 2;
inline constexpr int POPUP_ABOVE = 8;
inline constexpr int POPUP_LEFT = 4;
inline constexpr int POPUP_RIGHT = 6;

// Where a popup asked for with its top-left corner at `at` shows in a view of that size, so
// that it stays whole inside: one that would cross the right (bottom) edge shows with its
// right (bottom) edge at the point instead, or against that edge when there is no room left of
// (above) the point either; none goes past the left (top) edge. Sizes of 0 are not known yet:
// that axis keeps the point. The page's script (bridge.js placePopup) places by the same rule.
Point placePopupInView(Point at, int width, int height, int viewWidth, int viewHeight);

class HtmlWindow : public Window, private DocumentObserver {
  public:
    HtmlWindow(EventLoop& loop, Window* parent = nullptr, int controlId = 0);
    ~HtmlWindow() override;

    Document& document() const { return *document_; }
    // Replaces the document (the media type is set first). The address is what relative
    // addresses in the markup are resolved against.
    void loadHtml(std::string_view markup, std::string address = {});
    const std::string& address() const { return address_; }
    // The folder the frames of the page load their files from (not resources): the program's
    // shipped files; a frame takes its parent's.
    const std::filesystem::path& fileFolder() const { return fileFolder_; }
    void setFileFolder(std::filesystem::path folder) { fileFolder_ = std::move(folder); }

    // The page's element event handler; it sees every event after the behaviours.
    void setHandler(EventHandler* handler) { handler_ = handler; }

    // Input, from the renderer or a test. A disabled window takes none.
    bool dispatchMouse(MouseEvent event);
    bool dispatchKey(KeyEvent event);
    bool sendBehaviorEvent(BehaviorEvent event);
    void postBehaviorEvent(const BehaviorEvent& event);
    // The user changed a form control's value or checked state in the page.
    void controlValueReported(Element& element, Value value);

    // The renderer laid the element out; a control whose size changed repaints.
    void reportLocation(Element& element, const Rect& rect);

    // The innermost element under the pointer (it and its ancestors have STATE_HOVER), or null.
    Element* hover() const;

    void setCapture(Element* element);
    void releaseCapture() { setCapture(nullptr); }
    Element* capture() const;

    void setFocus(Element* element, bool fromRenderer = false);
    Element* focus() const;

    // Shows the element as a popup with its top-left corner at the point (document
    // coordinates), or beside the anchor's border box; its parent owns it while it is shown.
    // The popup stays inside the view (see placePopupInView): once the page reports its size,
    // it moves to the place the rule gives.
    void showPopupAt(Element& popup, Point at);
    void showPopup(Element& popup, Element& anchor, int placement);
    void hidePopup(Element& popup);
    std::vector<Element*> shownPopups() const;

    // The native window of a widget or iframe element, or null.
    Window* control(const Element& element) const;
    const std::unordered_map<std::uint64_t, std::unique_ptr<Window>>& controls() const {
        return controls_;
    }
    // The control factory: the standard one gives each widget type its control.
    virtual std::unique_ptr<Window> createControl(Element& element);

    // Answers a notification by its code (see HLN_*); the result is the notification's result.
    std::intptr_t notify(Notification& notification);
    // The window-specific notification; nothing by default.
    virtual std::intptr_t onWindowNotification(Notification&) { return 0; }

    // The renderer showing this window (children inherit it).
    void setRenderLink(RenderLink* link);
    RenderLink* renderLink() const { return link_; }

  private:
    void changed(const Change& change) override;
    void documentLoaded() override;
    void elementAdded(Element& element) override;
    void elementRemoved(Element& element) override;
    void hideOtherPopups(const Element* target);
    void notifyPopupShown(const Element& popup);
    void placeShownPopup(Element& popup, Point asked, const Rect& reported);
    void forwardToControl(MouseEvent event, std::uint64_t targetUid);
    void updateHover(Element* under, const MouseEvent& event);
    void sendHoverEvent(std::uint64_t uid, MouseEventType type, const MouseEvent& event);
    template <typename Event, typename Call>
    void travel(Element* target, unsigned group, Event& event, Call call);

    std::unique_ptr<Document> document_;
    std::string address_;
    std::filesystem::path fileFolder_;
    EventHandler* handler_ = nullptr;
    RenderLink* link_ = nullptr;
    std::uint64_t capture_ = 0;
    std::uint64_t focus_ = 0;
    std::vector<std::uint64_t> hover_;  // the hovered chain, innermost first
    std::vector<std::uint64_t> popups_;
    std::unordered_map<std::uint64_t, Point>
        popupsAsked_;  // the point each shown popup was asked at
    std::unordered_map<std::uint64_t, std::unique_ptr<Window>> controls_;
};

}  // namespace vandrel::ui
