// The bridge's side of the renderer: messages from the pages (input, layout, the end of a
// load, window.external calls) and the calls into browser-hosted pages.

#include <algorithm>
#include <filesystem>

#include "core/program_path.h"
#include "core/utf8.h"
#include "platform/gtk/json_text.h"
#include "platform/gtk/web_renderer.h"
#include "ui/controls.h"
#include "ui/list_view.h"

namespace vandrel::gtk {
namespace {

// Owned JSC values, read by property name.
struct Js {
    JSCValue* value;
    explicit Js(JSCValue* v) : value(v) {}
    ~Js() {
        if (value != nullptr) {
            g_object_unref(value);
        }
    }
    Js(const Js&) = delete;
    Js& operator=(const Js&) = delete;
    bool isObject() const { return value != nullptr && jsc_value_is_object(value); }
};

Js property(JSCValue* object, const char* name) {
    return Js(object != nullptr && jsc_value_is_object(object)
                  ? jsc_value_object_get_property(object, name)
                  : nullptr);
}

std::string text(JSCValue* object, const char* name) {
    Js v = property(object, name);
    if (v.value == nullptr || !jsc_value_is_string(v.value)) {
        return {};
    }
    char* s = jsc_value_to_string(v.value);
    std::string out = s != nullptr ? s : "";
    g_free(s);
    return out;
}

std::int64_t number(JSCValue* object, const char* name) {
    Js v = property(object, name);
    if (v.value == nullptr || !jsc_value_is_number(v.value)) {
        return 0;
    }
    return static_cast<std::int64_t>(jsc_value_to_double(v.value));
}

std::vector<std::string> strings(JSCValue* object, const char* name) {
    std::vector<std::string> out;
    Js array = property(object, name);
    if (!array.isObject() || !jsc_value_is_array(array.value)) {
        return out;
    }
    std::int64_t length = number(array.value, "length");
    for (std::int64_t i = 0; i < length && i < 64; ++i) {
        Js item(jsc_value_object_get_property_at_index(array.value, static_cast<guint>(i)));
        char* s = item.value != nullptr ? jsc_value_to_string(item.value) : nullptr;
        out.emplace_back(s != nullptr ? s : "");
        g_free(s);
    }
    return out;
}

ui::MouseEventType mouseType(const std::string& kind) {
    if (kind == "down") {
        return ui::MouseEventType::Down;
    }
    if (kind == "up") {
        return ui::MouseEventType::Up;
    }
    if (kind == "dbl") {
        return ui::MouseEventType::DoubleClick;
    }
    if (kind == "wheel") {
        return ui::MouseEventType::Wheel;
    }
    if (kind == "leave") {
        return ui::MouseEventType::Leave;
    }
    return ui::MouseEventType::Move;
}

}  // namespace

void WebRenderer::handleMessage(JSCValue* message) {
    if (message == nullptr || !jsc_value_is_object(message)) {
        return;
    }
    std::string type = text(message, "t");
    if (type == "external" || type == "loaded") {
        ui::BrowserHost* host = findHost(static_cast<std::uint64_t>(number(message, "host")));
        if (host == nullptr) {
            return;
        }
        if (type == "external") {
            host->externalCall(text(message, "method"), strings(message, "args"));
        } else {
            host->pageLoaded(text(message, "href"));
        }
    } else {
        WindowState* state = stateByKey(static_cast<int>(number(message, "w")));
        if (state == nullptr) {
            return;
        }
        handleWindowMessage(*state, type, message);
    }
}

void WebRenderer::handleWindowMessage(WindowState& state, const std::string& type,
                                      JSCValue* message) {
    ui::HtmlWindow& window = *state.window;
    ui::Document& document = window.document();
    ui::Element* element = document.findByUid(static_cast<std::uint64_t>(number(message, "uid")));
    if (type == "ready") {
        windowReady(state);
    } else if (type == "mouse") {
        handleMouse(state, message);
    } else if (type == "layout") {
        // The view's size first: the popups among the rectangles are placed inside it.
        document.setViewSize(static_cast<int>(number(message, "viewW")),
                             static_cast<int>(number(message, "viewH")));
        Js rects = property(message, "rects");
        applyRects(state, rects.value);
        document.setMinSize(static_cast<int>(number(message, "minW")),
                            static_cast<int>(number(message, "minH")));
    } else if (type == "value" && element != nullptr) {
        window.controlValueReported(*element, ui::Value(text(message, "value")));
    } else if (type == "focus") {
        window.setFocus(element, true);
    } else if (type == "key") {
        ui::KeyEvent key;
        key.keyCode = static_cast<int>(number(message, "code"));
        key.modifiers = static_cast<unsigned>(number(message, "mods"));
        key.target = element;
        window.dispatchKey(key);
    } else if (type == "scroll" && element != nullptr) {
        if (auto* list = dynamic_cast<ui::ListView*>(element->window())) {
            list->scrollTo(static_cast<int>(number(message, "top")),
                           static_cast<int>(number(message, "left")));
        }
    } else if (type == "redraw" && element != nullptr) {
        // A list's drawing named a piece the page no longer shows (a batch it could not
        // apply): it is drawn whole.
        if (auto* list = dynamic_cast<ui::ListView*>(element->window())) {
            list->invalidate();
        }
    }
}

void WebRenderer::windowReady(WindowState& state) {
    state.ready = true;
    ui::HtmlWindow& window = *state.window;
    // The page was served from the model as it is; what it still lacks is the content of its
    // frames and controls, and the popups shown.
    for (auto& [uid, control] : window.controls()) {
        if (auto* frame = dynamic_cast<ui::HtmlWindow*>(control.get())) {
            WindowState& child = ensure(*frame);
            child.hostUid = uid;
            child.parentKey = state.key;
            child.view = state.view;
            child.ready = false;
            std::string op;
            appendOpJson("frame", uid, windowAddress(child), op);
            queue(state, std::move(op), true);
        } else if (auto* browser = dynamic_cast<ui::BrowserHost*>(control.get())) {
            if (backends_.count(browser) == 0) {
                controlCreated(window, *window.document().findByUid(uid), *browser);
            } else if (!browser->address().empty()) {
                browse(*browser, browser->address());
            }
        } else if (auto* c = dynamic_cast<ui::Control*>(control.get())) {
            c->resized();
        }
    }
    for (ui::Element* popup : window.shownPopups()) {
        ui::Change change{ui::Change::Kind::Popup, popup->uid(), {}, {}};
        change.number = 1;
        change.x = popup->location().left;
        change.y = popup->location().top;
        changed(window, change);
    }
    // The focus is no part of the markup: the element the model focused before the page was
    // served takes it now (a box's button, whose ring shows what Enter presses).
    if (ui::Element* focused = window.focus()) {
        changed(window, ui::Change{ui::Change::Kind::Focus, focused->uid(), {}, {}});
    }
    window.document().root().visit([&](ui::Element& e) {
        const ui::Value& value = e.controlValue();
        if (!value.isUndefined() && value.toString() != e.attribute("value")) {
            changed(window,
                    ui::Change{ui::Change::Kind::ControlValue, e.uid(), {}, value.toString()});
        }
        return true;
    });
    scheduleFlush();
}

void WebRenderer::applyRects(WindowState& state, JSCValue* rects) {
    if (rects == nullptr || !jsc_value_is_object(rects)) {
        return;
    }
    gchar** names = jsc_value_object_enumerate_properties(rects);
    for (gchar** name = names; name != nullptr && *name != nullptr; ++name) {
        ui::Element* e = state.window->document().findByUid(std::strtoull(*name, nullptr, 10));
        Js r = property(rects, *name);
        if (e == nullptr || !r.isObject()) {
            continue;
        }
        ui::Rect rect{
            static_cast<int>(number(r.value, "0")), static_cast<int>(number(r.value, "1")),
            static_cast<int>(number(r.value, "2")), static_cast<int>(number(r.value, "3"))};
        // A shown popup keeps the place the program gives it (HtmlWindow::reportLocation).
        state.window->reportLocation(*e, rect);
    }
    g_strfreev(names);
}

void WebRenderer::handleMouse(WindowState& state, JSCValue* message) {
    Js rects = property(message, "rects");
    applyRects(state, rects.value);
    ui::MouseEvent event;
    event.type = mouseType(text(message, "kind"));
    event.pos = {static_cast<int>(number(message, "x")), static_cast<int>(number(message, "y"))};
    event.buttons = static_cast<unsigned>(number(message, "buttons"));
    event.modifiers = static_cast<unsigned>(number(message, "mods"));
    event.wheelDelta =
        static_cast<int>(std::clamp<std::int64_t>(number(message, "delta"), -32768, 32767));
    // A leave names no element: the pointer went off the window.
    std::uint64_t uid = static_cast<std::uint64_t>(number(message, "uid"));
    event.target = uid != 0 ? state.window->document().findByUid(uid) : nullptr;
    if (event.type != ui::MouseEventType::Leave && event.target == nullptr) {
        event.target = &state.window->document().root();
    }
    state.window->dispatchMouse(event);
}

ui::BrowserHost* WebRenderer::findHost(std::uint64_t uid) const {
    for (const auto& [control, backend] : backends_) {
        auto* host = dynamic_cast<const ui::BrowserHost*>(control);
        if (host != nullptr && host->elementUid() == uid) {
            return const_cast<ui::BrowserHost*>(host);
        }
    }
    return nullptr;
}

std::string WebRenderer::addressFor(const std::string& path) const {
    namespace fs = std::filesystem;
    std::string name = path;
    for (char& c : name) {
        c = c == '\\' ? '/' : c;
    }
    fs::path full = fs::path(name).is_absolute() ? fs::path(name) : programPath(name);
    std::error_code ec;
    fs::path canonical = fs::weakly_canonical(full, ec);
    auto under = [&](const fs::path& folder, const std::string& prefix) -> std::string {
        fs::path base = fs::weakly_canonical(folder, ec);
        auto rel = canonical.lexically_relative(base);
        if (rel.empty() || *rel.begin() == "..") {
            return {};
        }
        return "vandrel://app/" + prefix + "/" + rel.generic_string();
    };
    for (const char* folder : {"Html", "images", "pois"}) {
        std::string a = under(resourceFolder() / folder, folder);
        if (!a.empty()) {
            return a;
        }
    }
    for (const auto& [prefix, folder] : folders_) {
        std::string a = under(folder, prefix);
        if (!a.empty()) {
            return a;
        }
    }
    return {};
}

void WebRenderer::browse(ui::BrowserHost& host, const std::string& address) {
    auto it = keys_.find(&host.owner());
    if (it == keys_.end()) {
        return;
    }
    std::string url = addressFor(address);
    if (url.empty()) {
        return;  // only the program's own pages are shown
    }
    std::string op;
    appendOpJson("browse", host.elementUid(), url, op);
    queue(windows_[it->second], std::move(op), true);
}

void WebRenderer::callPageFunction(ui::BrowserHost& host, const std::string& function,
                                   const std::vector<std::string>& args,
                                   std::function<void(bool, std::string)> done) {
    auto it = keys_.find(&host.owner());
    if (it == keys_.end() || windows_[it->second].view == nullptr) {
        done(false, {});
        return;
    }
    WindowState& state = windows_[it->second];
    std::string path = pathJson(state);
    std::string uid = path.size() > 2 ? "," : "";
    uid += std::to_string(host.elementUid());
    path.insert(path.size() - 1, uid);
    // Arguments go as a dictionary of strings with a count: the call accepts no arrays.
    GVariantBuilder list;
    g_variant_builder_init(&list, G_VARIANT_TYPE("a{sv}"));
    for (std::size_t i = 0; i < args.size(); ++i) {
        g_variant_builder_add(&list, "{sv}", std::to_string(i).c_str(),
                              g_variant_new_string(sanitizeUtf8(args[i]).c_str()));
    }
    GVariantBuilder params;
    g_variant_builder_init(&params, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&params, "{sv}", "path", g_variant_new_string(path.c_str()));
    g_variant_builder_add(&params, "{sv}", "name", g_variant_new_string(function.c_str()));
    g_variant_builder_add(&params, "{sv}", "count",
                          g_variant_new_int32(static_cast<gint32>(args.size())));
    g_variant_builder_add(&params, "{sv}", "args", g_variant_builder_end(&list));
    // Walks the iframes by uid to the host's frame, finds the global function by name.
    static const std::string kBody = script("call_function", "JS");
    auto* callback = new std::function<void(bool, std::string)>(std::move(done));
    webkit_web_view_call_async_javascript_function(
        state.view, kBody.c_str(), -1, g_variant_builder_end(&params), nullptr, nullptr, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            std::unique_ptr<std::function<void(bool, std::string)>> done(
                static_cast<std::function<void(bool, std::string)>*>(data));
            GError* error = nullptr;
            JSCValue* value = webkit_web_view_call_async_javascript_function_finish(
                WEBKIT_WEB_VIEW(source), result, &error);
            bool found = value != nullptr && jsc_value_is_string(value);
            std::string out;
            if (found) {
                char* s = jsc_value_to_string(value);
                out = s != nullptr ? s : "";
                g_free(s);
            }
            if (error != nullptr) {
                g_error_free(error);
            }
            if (value != nullptr) {
                g_object_unref(value);
            }
            if (*done) {
                (*done)(found, out);
            }
        },
        callback);
}

}  // namespace vandrel::gtk
