#include "ui/html_window.h"

#include "core/program_path.h"

#include <algorithm>
#include <cstdlib>

#include "ui/behavior.h"
#include "ui/controls.h"
#include "ui/resources.h"

namespace vandrel::ui {

Point pointIn(const MouseEvent& event, const Element& element) {
    Rect r = element.location();
    return {event.pos.x - r.left, event.pos.y - r.top};
}

bool insideBorderBox(const MouseEvent& event, const Element& element) {
    return element.location().contains(event.pos);
}

HtmlWindow::HtmlWindow(EventLoop& loop, Window* parent, int controlId)
    : Window(loop, parent, controlId), document_(std::make_unique<Document>()) {
    document_->setWindow(this);
    document_->setObserver(this);
    if (auto* html = dynamic_cast<HtmlWindow*>(parent)) {
        link_ = html->link_;
        fileFolder_ = html->fileFolder_;
    } else {
        fileFolder_ = resourceFolder();
    }
}

HtmlWindow::~HtmlWindow() {
    if (link_ != nullptr) {
        link_->windowDestroyed(*this);
    }
    document_->setObserver(nullptr);
    document_.reset();
    controls_.clear();
}

void HtmlWindow::loadHtml(std::string_view markup, std::string address) {
    setMediaType(*this);
    capture_ = 0;
    focus_ = 0;
    hover_.clear();
    popups_.clear();
    popupsAsked_.clear();
    address_ = std::move(address);
    document_->load(markup);
}

void HtmlWindow::setRenderLink(RenderLink* link) {
    link_ = link;
    for (auto& [uid, child] : controls_) {
        if (auto* html = dynamic_cast<HtmlWindow*>(child.get())) {
            html->setRenderLink(link);
        }
    }
}

// Runs `call` for every behaviour of the target and its ancestors that subscribes to the
// group, then for the window's handler. The chain is taken by uid first: a handler may
// replace part of the tree, and an element gone by its turn is skipped, not touched.
template <typename Event, typename Call>
void HtmlWindow::travel(Element* target, unsigned group, Event& event, Call call) {
    std::vector<std::uint64_t> chain;
    for (Element* e = target; e != nullptr; e = e->parent()) {
        chain.push_back(e->uid());
    }
    for (std::uint64_t uid : chain) {
        Element* e = document_->findByUid(uid);
        if (e == nullptr) {
            continue;
        }
        if (e->hasState(STATE_DISABLED)) {
            continue;
        }
        auto behaviors = e->behaviors();
        for (Behavior* b : behaviors) {
            if ((b->mask() & group) != 0 && document_->findByUid(uid) == e && call(*b, *e)) {
                event.handled = true;
            }
        }
    }
    if (handler_ != nullptr && call(*handler_, document_->root())) {
        event.handled = true;
    }
}

bool HtmlWindow::dispatchMouse(MouseEvent event) {
    if (!isEnabled()) {
        return false;
    }
    // Hover follows the element really under the pointer, captured or not.
    if (event.type == MouseEventType::Leave || event.type == MouseEventType::Enter) {
        updateHover(event.type == MouseEventType::Leave ? nullptr : event.target, event);
        return false;
    }
    std::uint64_t targetUid = event.target != nullptr ? event.target->uid() : 0;
    updateHover(event.target != nullptr ? event.target : &document_->root(), event);
    // An Enter or Leave handler may have taken the target out of the page.
    event.target = targetUid != 0 ? document_->findByUid(targetUid) : nullptr;
    if (Element* captured = capture()) {
        event.target = captured;
    }
    if (event.target == nullptr) {
        event.target = &document_->root();
    }
    if (event.type == MouseEventType::Down || event.type == MouseEventType::DoubleClick) {
        hideOtherPopups(event.target);
    }
    // A handler may replace the target; the control is looked up by uid afterwards.
    targetUid = event.target->uid();
    travel(event.target, HANDLE_MOUSE, event,
           [&](EventHandler& h, Element& self) { return h.onMouse(*this, self, event); });
    forwardToControl(event, targetUid);
    return event.handled;
}

Element* HtmlWindow::hover() const {
    for (std::uint64_t uid : hover_) {
        if (Element* e = document_->findByUid(uid)) {
            return e;
        }
    }
    return nullptr;
}

// The elements the pointer went off get Leave (innermost first), then those it came onto get
// Enter (outermost first). The chains are kept by uid: a handler may change the page.
void HtmlWindow::updateHover(Element* under, const MouseEvent& event) {
    std::vector<std::uint64_t> chain;
    for (Element* e = under; e != nullptr; e = e->parent()) {
        chain.push_back(e->uid());
    }
    std::vector<std::uint64_t> old = std::move(hover_);
    hover_ = chain;
    auto has = [](const std::vector<std::uint64_t>& list, std::uint64_t uid) {
        return std::find(list.begin(), list.end(), uid) != list.end();
    };
    for (std::uint64_t uid : old) {
        if (!has(chain, uid)) {
            sendHoverEvent(uid, MouseEventType::Leave, event);
        }
    }
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!has(old, *it)) {
            sendHoverEvent(*it, MouseEventType::Enter, event);
        }
    }
}

void HtmlWindow::sendHoverEvent(std::uint64_t uid, MouseEventType type, const MouseEvent& event) {
    Element* e = document_->findByUid(uid);
    if (e == nullptr) {
        return;
    }
    bool entering = type == MouseEventType::Enter;
    // Gone off the chain while an earlier handler ran: no Enter for it any more.
    if (entering && std::find(hover_.begin(), hover_.end(), uid) == hover_.end()) {
        return;
    }
    if (entering) {
        e->setState(STATE_HOVER);
    } else {
        e->setState(0, STATE_HOVER);
    }
    MouseEvent sent = event;
    sent.type = type;
    sent.target = e;
    sent.handled = false;
    if (!e->hasState(STATE_DISABLED)) {
        auto behaviors = e->behaviors();
        for (Behavior* b : behaviors) {
            if ((b->mask() & HANDLE_MOUSE) != 0 && document_->findByUid(uid) == e &&
                b->onMouse(*this, *e, sent)) {
                sent.handled = true;
            }
        }
    }
    if (handler_ != nullptr && document_->findByUid(uid) == e) {
        handler_->onMouse(*this, document_->root(), sent);
    }
    forwardToControl(sent, uid);
}

// Native controls take their mouse input as messages with control-relative points.
void HtmlWindow::forwardToControl(MouseEvent event, std::uint64_t targetUid) {
    Element* target = document_->findByUid(targetUid);
    if (target == nullptr) {
        return;
    }
    event.target = target;
    auto* control = dynamic_cast<Control*>(target->window());
    if (control == nullptr) {
        return;
    }
    bool right = (event.buttons & PROP_MOUSE_BUTTON) != 0;
    MessageId id = 0;
    switch (event.type) {
        case MouseEventType::Down:
            id = right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN;
            break;
        case MouseEventType::Up:
            id = right ? WM_RBUTTONUP : WM_LBUTTONUP;
            break;
        case MouseEventType::DoubleClick:
            id = right ? WM_RBUTTONDOWN : WM_LBUTTONDBLCLK;
            break;
        case MouseEventType::Move:
            id = WM_MOUSEMOVE;
            break;
        case MouseEventType::Wheel:
            id = WM_MOUSEWHEEL;
            break;
        case MouseEventType::Leave:
            control->send(WM_MOUSELEAVE);
            return;
        default:
            return;
    }
    std::uintptr_t flags = ((event.modifiers & CONTROL_KEY_PRESSED) != 0 ? MK_CONTROL : 0) |
                           ((event.modifiers & SHIFT_KEY_PRESSED) != 0 ? MK_SHIFT : 0);
    if (event.type == MouseEventType::Move || event.type == MouseEventType::Wheel) {
        flags |= ((event.buttons & MAIN_MOUSE_BUTTON) != 0 ? MK_LBUTTON : 0) |
                 ((event.buttons & PROP_MOUSE_BUTTON) != 0 ? MK_RBUTTON : 0);
    }
    if (event.type == MouseEventType::Wheel) {
        flags |= static_cast<std::uintptr_t>(static_cast<std::uint16_t>(event.wheelDelta)) << 16;
    }
    // Points are the control's own, the wheel's too, so an owner reads every message alike.
    Point p = pointIn(event, *target);
    control->send(id, flags, makePointParam(p.x, p.y));
}

void HtmlWindow::reportLocation(Element& element, const Rect& rect) {
    Rect old = element.location();
    const auto asked = popupsAsked_.find(element.uid());
    if (asked != popupsAsked_.end() && element.hasState(STATE_POPUP)) {
        placeShownPopup(element, asked->second, rect);
    } else {
        element.setLocation(rect);
    }
    if (old.width() != rect.width() || old.height() != rect.height()) {
        if (auto* control = dynamic_cast<Control*>(element.window())) {
            control->resized();
        }
    }
}

bool HtmlWindow::dispatchKey(KeyEvent event) {
    if (!isEnabled()) {
        return false;
    }
    if (event.target == nullptr) {
        event.target = focus() != nullptr ? focus() : &document_->root();
    }
    std::uint64_t targetUid = event.target->uid();
    travel(event.target, HANDLE_KEY, event,
           [&](EventHandler& h, Element& self) { return h.onKey(*this, self, event); });
    // A native control with the focus takes its keys as messages (a list moves its rows).
    Element* target = document_->findByUid(targetUid);
    auto* control = target != nullptr ? dynamic_cast<Control*>(target->window()) : nullptr;
    if (control != nullptr && event.type == KeyEventType::Down &&
        control->send(WM_KEYDOWN, static_cast<std::uintptr_t>(event.keyCode),
                      static_cast<std::intptr_t>(event.modifiers)) != 0) {
        event.handled = true;
    }
    return event.handled;
}

bool HtmlWindow::sendBehaviorEvent(BehaviorEvent event) {
    if (event.target == nullptr) {
        return false;
    }
    if (event.source == nullptr) {
        event.source = event.target;
    }
    travel(event.target, HANDLE_BEHAVIOR_EVENT, event,
           [&](EventHandler& h, Element& self) { return h.onBehaviorEvent(*this, self, event); });
    return event.handled;
}

void HtmlWindow::postBehaviorEvent(const BehaviorEvent& event) {
    if (event.target == nullptr) {
        return;
    }
    std::uint64_t target = event.target->uid();
    std::uint64_t source = event.source != nullptr ? event.source->uid() : target;
    unsigned type = event.type;
    std::intptr_t reason = event.reason;
    // Posted like a message, so it never reaches a window or element that is gone.
    loop().post([this, alive = aliveToken(), target, source, type, reason] {
        auto token = alive.lock();
        if (!token || !*token) {
            return;
        }
        Element* t = document_->findByUid(target);
        if (t == nullptr) {
            return;
        }
        Element* s = document_->findByUid(source);
        sendBehaviorEvent(BehaviorEvent{type, t, s != nullptr ? s : t, reason, false});
    });
}

void HtmlWindow::controlValueReported(Element& element, Value value) {
    switch (element.controlType()) {
        case ControlType::Checkbox:
        case ControlType::Radio:
            // Checked states are the model's: the behaviours set them on the click.
            return;
        default:
            break;
    }
    // A number field reports its text; the model keeps numbers as numbers.
    if (element.controlType() == ControlType::Numeric) {
        std::string text = value.toString();
        char* end = nullptr;
        double number = std::strtod(text.c_str(), &end);
        if (text.empty() || end == nullptr || *end != '\0') {
            value = Value();
        } else if (text.find_first_of(".eE") != std::string::npos) {
            value = Value(number);
        } else {
            value = Value(static_cast<std::int64_t>(number));
        }
    }
    element.setControlValue(std::move(value), true);
    unsigned type = element.controlType() == ControlType::SelectSingle ||
                            element.controlType() == ControlType::DropdownSelect
                        ? SELECT_SELECTION_CHANGED
                        : EDIT_VALUE_CHANGED;
    sendBehaviorEvent(BehaviorEvent{type, &element, &element, 0, false});
}

void HtmlWindow::setCapture(Element* element) {
    capture_ = element != nullptr ? element->uid() : 0;
}

Element* HtmlWindow::capture() const {
    return capture_ != 0 ? document_->findByUid(capture_) : nullptr;
}

Element* HtmlWindow::focus() const {
    return focus_ != 0 ? document_->findByUid(focus_) : nullptr;
}

void HtmlWindow::setFocus(Element* element, bool fromRenderer) {
    Element* old = focus();
    if (old == element) {
        return;
    }
    if (old != nullptr) {
        FocusEvent lost{false, old, element, false};
        old->setState(0, STATE_FOCUS);
        travel(old, HANDLE_FOCUS, lost,
               [&](EventHandler& h, Element& self) { return h.onFocus(*this, self, lost); });
    }
    // A handler may have removed the new element from the page.
    if (element != nullptr && document_->findByUid(element->uid()) != element) {
        element = nullptr;
    }
    focus_ = element != nullptr ? element->uid() : 0;
    if (element == nullptr) {
        return;
    }
    element->setState(STATE_FOCUS);
    if (!fromRenderer) {
        document_->notify(Change{Change::Kind::Focus, element->uid(), {}, {}});
    }
    FocusEvent got{true, element, old, false};
    travel(element, HANDLE_FOCUS, got,
           [&](EventHandler& h, Element& self) { return h.onFocus(*this, self, got); });
}

namespace {

int placeOnAxis(int at, int size, int view) {
    if (size > 0 && view > 0 && at + size > view) {
        at = at - size >= 0 ? at - size : view - size;
    }
    return std::max(at, 0);
}

}  // namespace

Point placePopupInView(Point at, int width, int height, int viewWidth, int viewHeight) {
    return {placeOnAxis(at.x, width, viewWidth), placeOnAxis(at.y, height, viewHeight)};
}

void HtmlWindow::showPopupAt(Element& popup, Point at) {
    Rect old = popup.location();
    popupsAsked_[popup.uid()] = at;
    const Point placed = placePopupInView(at, old.width(), old.height(), document_->viewWidth(),
                                          document_->viewHeight());
    popup.setLocation(Rect{placed.x, placed.y, placed.x + old.width(), placed.y + old.height()});
    popup.setState(STATE_POPUP);
    if (Element* owner = popup.parent()) {
        owner->setState(STATE_OWNS_POPUP);
    }
    if (std::find(popups_.begin(), popups_.end(), popup.uid()) == popups_.end()) {
        popups_.push_back(popup.uid());
    }
    notifyPopupShown(popup);
    sendBehaviorEvent(BehaviorEvent{POPUP_READY, &popup, &popup, 0, false});
}

void HtmlWindow::notifyPopupShown(const Element& popup) {
    Change change{Change::Kind::Popup, popup.uid(), {}, {}};
    change.number = 1;
    change.x = popup.location().left;
    change.y = popup.location().top;
    document_->notify(change);
}

// The page laid a shown popup out: it takes the size reported at the place the rule gives for
// that size, and moves there if it is not there yet. A popup the page has not shown yet (no
// size) keeps its place.
void HtmlWindow::placeShownPopup(Element& popup, Point asked, const Rect& reported) {
    const Rect old = popup.location();
    if (reported.isEmpty()) {
        popup.setLocation(Rect{old.left, old.top, old.left, old.top});
        return;
    }
    const Point placed = placePopupInView(asked, reported.width(), reported.height(),
                                          document_->viewWidth(), document_->viewHeight());
    popup.setLocation(
        Rect{placed.x, placed.y, placed.x + reported.width(), placed.y + reported.height()});
    if (placed != old.origin()) {
        notifyPopupShown(popup);
    }
}

void HtmlWindow::showPopup(Element& popup, Element& anchor, int placement) {
    Rect a = anchor.location();
    Rect p = popup.location();
    Point at{a.left, a.bottom};
    switch (placement) {
        case POPUP_ABOVE:
            at = {a.left, a.top - p.height()};
            break;
        case POPUP_LEFT:
            at = {a.left - p.width(), a.top};
            break;
        case POPUP_RIGHT:
            at = {a.right, a.top};
            break;
        default:
            break;
    }
    showPopupAt(popup, at);
}

void HtmlWindow::hidePopup(Element& popup) {
    auto it = std::find(popups_.begin(), popups_.end(), popup.uid());
    if (it == popups_.end()) {
        return;
    }
    popups_.erase(it);
    popupsAsked_.erase(popup.uid());
    popup.setState(0, STATE_POPUP);
    Element* owner = popup.parent();
    if (owner != nullptr) {
        owner->setState(0, STATE_OWNS_POPUP);
    }
    Change change{Change::Kind::Popup, popup.uid(), {}, {}};
    document_->notify(change);
    if (owner != nullptr) {
        sendBehaviorEvent(BehaviorEvent{POPUP_DISMISSED, owner, &popup, 0, false});
    }
}

std::vector<Element*> HtmlWindow::shownPopups() const {
    std::vector<Element*> out;
    for (std::uint64_t uid : popups_) {
        if (Element* e = document_->findByUid(uid)) {
            out.push_back(e);
        }
    }
    return out;
}

// A press outside a shown popup closes it, as any popup menu does; a press on the dropdown
// that owns it is left to the dropdown.
void HtmlWindow::hideOtherPopups(const Element* target) {
    for (Element* popup : shownPopups()) {
        const Element* owner = popup->parent();
        bool onDropdown = owner != nullptr && owner->hasBehavior("dropdown") && target != nullptr &&
                          target->isInside(*owner);
        if (target == nullptr || (!target->isInside(*popup) && !onDropdown)) {
            hidePopup(*popup);
        }
    }
}

std::intptr_t HtmlWindow::notify(Notification& n) {
    switch (n.code) {
        case HLN_CREATE_CONTROL:
            if (n.element != nullptr && control(*n.element) == nullptr) {
                elementAdded(*n.element);
            }
            n.control = n.element != nullptr ? control(*n.element) : nullptr;
            return 0;
        case HLN_LOAD_DATA:
            n.data = resolveLoadData(n.text);
            return n.data.outcome == LoadData::Outcome::Discard ? 1 : 0;
        case HLN_ATTACH_BEHAVIOR:
            n.behavior = findBehavior(n.text);
            return 0;
        case HLN_CONTROL_CREATED:
        case HLN_DATA_LOADED:
        case HLN_DOCUMENT_COMPLETE:
        case HLN_DESTROY_CONTROL:
        case 0xB08:
        case 0xB09:
        case 0xB0F:
            return 0;
        case HLN_WINDOW_SPECIFIC:
            return onWindowNotification(n);
        default:
            if (parent() == nullptr) {
                return 0;
            }
            return parent()->send(WM_NOTIFY, static_cast<std::uintptr_t>(controlId()),
                                  reinterpret_cast<std::intptr_t>(&n));
    }
}

Window* HtmlWindow::control(const Element& element) const {
    auto it = controls_.find(element.uid());
    return it != controls_.end() ? it->second.get() : nullptr;
}

std::unique_ptr<Window> HtmlWindow::createControl(Element& element) {
    return createStandardControl(*this, element);
}

void HtmlWindow::changed(const Change& change) {
    if (link_ != nullptr) {
        link_->changed(*this, change);
    }
}

void HtmlWindow::documentLoaded() {
    if (link_ != nullptr) {
        link_->documentLoaded(*this);
    }
}

void HtmlWindow::elementAdded(Element& element) {
    std::unique_ptr<Window> window = createControl(element);
    if (!window) {
        return;
    }
    element.setWindow(window.get());
    Window& created = *window;
    controls_[element.uid()] = std::move(window);
    if (link_ != nullptr) {
        link_->controlCreated(*this, element, created);
    }
}

void HtmlWindow::elementRemoved(Element& element) {
    auto it = controls_.find(element.uid());
    if (it == controls_.end()) {
        return;
    }
    if (link_ != nullptr) {
        link_->controlDestroyed(*this, *it->second);
    }
    element.setWindow(nullptr);
    controls_.erase(it);
}

}  // namespace vandrel::ui
