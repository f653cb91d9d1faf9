// The view layer in the real renderer: WebKitGTK under Xvfb showing the demonstration page,
// driven by pointer and key events sent to the GTK window, checked in the model and in the
// page. One window serves every case.

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <source_location>
#include <span>
#include <thread>

#include "core/program_path.h"
#include "gtk/demo_page.h"
#include "gtk/glib_pump.h"
#include "gtk/shared_renderer.h"
#include "platform/gtk/glib_event_loop.h"
#include "platform/gtk/web_renderer.h"
#include "ui/canvas.h"
#include "ui/form_values.h"
#include "ui/resources.h"

std::span<const vandrel::ui::Resource> demoResources();

namespace vandrel::demo {
namespace {

struct Stage {
    gtk::GlibEventLoop loop;
    gtk::WebRenderer renderer;
    DemoPage page{loop};
    GtkWidget* window = nullptr;
    GtkWidget* view = nullptr;
};
Stage* stage = nullptr;

::testing::AssertionResult pumpUntil(const std::function<bool()>& done, int timeoutMs = 15000,
                                     std::source_location where = std::source_location::current()) {
    return testing::pumpUntil(done, timeoutMs, where);
}
using testing::pump;

// Runs script in the page world of the top frame and returns its result as text.
std::string evalJs(const std::string& script) {
    struct Result {
        bool done = false;
        std::string text;
    } result;
    webkit_web_view_evaluate_javascript(
        WEBKIT_WEB_VIEW(stage->view), script.c_str(), -1, nullptr, nullptr, nullptr,
        [](GObject* source, GAsyncResult* res, gpointer data) {
            auto* r = static_cast<Result*>(data);
            GError* error = nullptr;
            JSCValue* value =
                webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), res, &error);
            if (value != nullptr) {
                char* s = jsc_value_to_string(value);
                r->text = s != nullptr ? s : "";
                g_free(s);
                g_object_unref(value);
            } else {
                r->text = std::string("error: ") + (error != nullptr ? error->message : "");
                g_clear_error(&error);
            }
            r->done = true;
        },
        &result);
    EXPECT_TRUE(pumpUntil([&] { return result.done; })) << "the result of " << script;
    return result.text;
}

// Runs a function body (which may await) in the page world of the top frame, or in the world
// named with its string arguments.
std::string callJs(const std::string& body, const char* world = nullptr,
                   const std::vector<std::pair<const char*, std::string>>& arguments = {}) {
    GVariant* values = nullptr;
    if (!arguments.empty()) {
        GVariantBuilder builder;
        g_variant_builder_init(&builder, G_VARIANT_TYPE("a{sv}"));
        for (const auto& [name, value] : arguments) {
            g_variant_builder_add(&builder, "{sv}", name, g_variant_new_string(value.c_str()));
        }
        values = g_variant_builder_end(&builder);
    }
    struct Result {
        bool done = false;
        std::string text;
    } result;
    webkit_web_view_call_async_javascript_function(
        WEBKIT_WEB_VIEW(stage->view), body.c_str(), -1, values, world, nullptr, nullptr,
        [](GObject* source, GAsyncResult* res, gpointer data) {
            auto* r = static_cast<Result*>(data);
            JSCValue* value = webkit_web_view_call_async_javascript_function_finish(
                WEBKIT_WEB_VIEW(source), res, nullptr);
            if (value != nullptr) {
                char* s = jsc_value_to_string(value);
                r->text = s != nullptr ? s : "";
                g_free(s);
                g_object_unref(value);
            }
            r->done = true;
        },
        &result);
    EXPECT_TRUE(pumpUntil([&] { return result.done; })) << "the result of " << body;
    return result.text;
}

// The centre of an element in view coordinates; `frame` names an iframe holding it.
std::pair<int, int> centre(const std::string& selector, const std::string& frame = {}) {
    std::string script = "(() => { let dx = 0, dy = 0, doc = document;";
    if (!frame.empty()) {
        script += "const f = document.querySelector('" + frame +
                  "'); const fr = f.getBoundingClientRect(); dx = fr.left + f.clientLeft;"
                  " dy = fr.top + f.clientTop; doc = f.contentDocument;";
    }
    script += "const r = doc.querySelector('" + selector +
              "').getBoundingClientRect(); return Math.round(dx + r.left + r.width / 2) + ',' +"
              " Math.round(dy + r.top + r.height / 2); })()";
    std::string text = evalJs(script);
    auto comma = text.find(',');
    return {std::atoi(text.c_str()), std::atoi(text.c_str() + comma + 1)};
}

// A pointer event as GTK delivers it to the view, with the seat's pointer as its device.
void button(std::pair<int, int> at, GdkEventType type, guint which = 1) {
    testing::sendButton(stage->view, at, type, which);
    pump(30);
}

void pointerEvent(GdkEvent* event, GdkWindow* window, std::pair<int, int> at, double* x, double* y,
                  double* xRoot, double* yRoot) {
    int ox = 0;
    int oy = 0;
    gdk_window_get_origin(window, &ox, &oy);
    *x = at.first;
    *y = at.second;
    *xRoot = ox + at.first;
    *yRoot = oy + at.second;
    GdkSeat* seat = gdk_display_get_default_seat(gdk_window_get_display(window));
    gdk_event_set_device(event, gdk_seat_get_pointer(seat));
    gtk_main_do_event(event);
    gdk_event_free(event);
}

void motion(std::pair<int, int> at) {
    GdkWindow* window = gtk_widget_get_window(stage->view);
    GdkEvent* event = gdk_event_new(GDK_MOTION_NOTIFY);
    event->motion.window = GDK_WINDOW(g_object_ref(window));
    event->motion.send_event = TRUE;
    event->motion.time = GDK_CURRENT_TIME;
    pointerEvent(event, window, at, &event->motion.x, &event->motion.y, &event->motion.x_root,
                 &event->motion.y_root);
}

void scrollDown(std::pair<int, int> at) {
    GdkWindow* window = gtk_widget_get_window(stage->view);
    GdkEvent* event = gdk_event_new(GDK_SCROLL);
    event->scroll.window = GDK_WINDOW(g_object_ref(window));
    event->scroll.send_event = TRUE;
    event->scroll.time = GDK_CURRENT_TIME;
    event->scroll.direction = GDK_SCROLL_DOWN;
    pointerEvent(event, window, at, &event->scroll.x, &event->scroll.y, &event->scroll.x_root,
                 &event->scroll.y_root);
}

void key(guint keyval) {
    GdkWindow* window = gtk_widget_get_window(stage->view);
    GdkSeat* seat = gdk_display_get_default_seat(gdk_window_get_display(window));
    for (GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
        GdkEvent* event = gdk_event_new(type);
        event->key.window = GDK_WINDOW(g_object_ref(window));
        event->key.send_event = TRUE;
        event->key.time = GDK_CURRENT_TIME;
        event->key.keyval = keyval;
        GdkKeymapKey* keys = nullptr;
        gint count = 0;
        if (gdk_keymap_get_entries_for_keyval(
                gdk_keymap_get_for_display(gdk_window_get_display(window)), keyval, &keys,
                &count) &&
            count > 0) {
            event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
        }
        g_free(keys);
        gdk_event_set_device(event, gdk_seat_get_keyboard(seat));
        gtk_main_do_event(event);
        gdk_event_free(event);
    }
    pump(10);
}

void clickAt(std::pair<int, int> at) {
    button(at, GDK_BUTTON_PRESS);
    button(at, GDK_BUTTON_RELEASE);
}

class Renderer : public ::testing::Test {
  protected:
    DemoPage& page() { return stage->page; }
    ui::Element& byId(const std::string& id) {
        return *page().document().selectFirst("[id='" + id + "']");
    }
};

TEST_F(Renderer, ThePageComesUpWithItsFramesAndControls) {
    EXPECT_TRUE(pumpUntil([] { return stage->renderer.isReady(stage->page); }));
    EXPECT_TRUE(pumpUntil([] {
        return stage->page.child() != nullptr && stage->renderer.isReady(*stage->page.child());
    }));
    EXPECT_TRUE(pumpUntil([] { return !stage->page.externalCalls.empty(); }));
    ASSERT_FALSE(page().externalCalls.empty());
    EXPECT_EQ(page().externalCalls[0].first, "Ready");
    EXPECT_TRUE(page().host()->isLoaded());
    EXPECT_EQ(stage->renderer.batchesFailed(), 0u);
    EXPECT_TRUE(pumpUntil([] { return stage->page.document().minHeight() > 300; }));
    // The narrowest width holds the widest column, well under the window's 1000 pixels.
    EXPECT_GT(page().document().minWidth(), 250);
    EXPECT_LT(page().document().minWidth(), 700);
}

TEST_F(Renderer, ACommandElementSendsOneCommandOnlyWhenReleasedOverIt) {
    page().commands.clear();
    auto detail = centre("#funcpage2");
    clickAt(detail);
    EXPECT_TRUE(pumpUntil([&] { return !page().commands.empty(); }));
    pump(200);
    EXPECT_EQ(page().commands, (std::vector<std::string>{"funcpage2"}));

    page().commands.clear();
    button(detail, GDK_BUTTON_PRESS);
    button(centre("#status"), GDK_BUTTON_RELEASE);
    pump(300);
    EXPECT_TRUE(page().commands.empty());
    EXPECT_FALSE(byId("funcpage2").hasState(ui::STATE_CURRENT));
}

TEST_F(Renderer, ACommandInTheChildWindowGoesToTheChildWindow) {
    page().childCommands.clear();
    clickAt(centre("#inner", "#child"));
    EXPECT_TRUE(pumpUntil([&] { return !page().childCommands.empty(); }));
    EXPECT_EQ(page().childCommands, (std::vector<std::string>{"inner"}));
}

TEST_F(Renderer, WhatTheUserTypesIsWhatCollectFormValuesReads) {
    clickAt(centre("#address"));
    for (char c : std::string("Main St 5")) {
        key(c == ' ' ? GDK_KEY_space : gdk_unicode_to_keyval(static_cast<guint32>(c)));
    }
    ui::FormValues values;
    EXPECT_TRUE(pumpUntil([&] {
        values = ui::FormValues();
        ui::collectFormValues(byId("settings"), values);
        return values.find("address") != nullptr &&
               values.find("address")->toString() == "Main St 5";
    }));
    EXPECT_EQ(values.find("address")->toString(), "Main St 5");
    EXPECT_EQ(*values.find("lhtype"), ui::Value(1));
    // A check box the user clicks is checked by the model, and the page shows the model.
    clickAt(centre("#single"));
    EXPECT_TRUE(pumpUntil([&] { return byId("single").hasState(ui::STATE_CHECKED); }));
    EXPECT_TRUE(
        pumpUntil([] { return evalJs("document.getElementById('single').checked") == "true"; }));
}

TEST_F(Renderer, APopupAppearsAtThePointAndHidesAfterAClickInside) {
    page().commands.clear();
    ui::Element& menu = byId("menu");
    page().showPopupAt(menu, ui::Point{420, 60});
    EXPECT_TRUE(pumpUntil([] {
        return evalJs(
                   "(() => { const r = document.getElementById('menu').getBoundingClientRect();"
                   " return r.left + ',' + r.top + ',' + (r.width > 0); })()") == "420,60,true";
    }));
    clickAt(centre("#menuitem"));
    EXPECT_TRUE(pumpUntil([&] { return !page().commands.empty(); }));
    EXPECT_EQ(page().commands, (std::vector<std::string>{"menuitem"}));
    EXPECT_FALSE(menu.hasState(ui::STATE_POPUP));
    EXPECT_TRUE(pumpUntil([] {
        return evalJs("getComputedStyle(document.getElementById('menu')).display") == "none";
    }));
}

TEST_F(Renderer, ScrollingTheVirtualListShowsTheRowsAtThatPlace) {
    ui::ListView* list = page().list();
    ASSERT_NE(list, nullptr);
    evalJs("document.querySelector('[id=\"6001\"]').scrollTop = " +
           std::to_string(30000 * DemoPage::kRowHeight));
    EXPECT_TRUE(pumpUntil([&] { return list->visibleRows().first == 30000; }));
    auto shown = [] {
        return evalJs("document.querySelector('[id=\"6001\"] .vlist-rows').textContent");
    };
    // The rows are painted pieces, whose texts, a line for each row, are the pieces' content.
    EXPECT_TRUE(
        pumpUntil([&] { return shown().find("Row 30000\nRow 30001") != std::string::npos; }));
    EXPECT_EQ(shown().find("Row 0\n"), std::string::npos);
    EXPECT_LE(list->lastPaintedRows(), 3 * 12 + 2 * 7);  // rounded out to pieces of eight
    // The engine's own scroll shows rows drawn beyond the view at once, below the header, and
    // the pieces in view are painted before they show.
    const std::string rowTop = evalJs(
        "(() => { const e = document.querySelector('[id=\"6001\"]');"
        " e.scrollTop += 5 * " +
        std::to_string(DemoPage::kRowHeight) +
        ";"
        " const c = [...e.querySelectorAll('.vlist-rows canvas')]"
        "   .find((n) => n.textContent.split('\\n').includes('Row 30005'));"
        " if (!c || c.width === 0) return -1;"
        " const line = c.textContent.split('\\n').indexOf('Row 30005');"
        " const p = c.getContext('2d').getImageData(0, line * " +
        std::to_string(DemoPage::kRowHeight) + " + 4, c.width, " +
        std::to_string(DemoPage::kRowHeight) +
        " - 8).data;"
        " if (!p.some((v, i) => i % 4 === 3 && v > 0 && p[i - 1] < 128)) return -2;"
        " return Math.floor((c.getBoundingClientRect().top + line * " +
        std::to_string(DemoPage::kRowHeight) + " - e.getBoundingClientRect().top) / " +
        std::to_string(DemoPage::kRowHeight) + "); })()");
    EXPECT_EQ(rowTop, "1");  // the first row under the 24-pixel header
    // Scrolling on sends the pieces kept from before by their keys alone; a page that lost
    // them (a batch it could not apply) asks for the whole drawing, and the rows show again.
    evalJs("document.querySelector('[id=\"6001\"] .vlist-rows').replaceChildren()");
    evalJs("document.querySelector('[id=\"6001\"]').scrollTop = " +
           std::to_string(30030 * DemoPage::kRowHeight));
    EXPECT_TRUE(pumpUntil([&] {
        const std::string rows = shown();
        return rows.find("Row 30020\n") != std::string::npos &&
               rows.find("Row 30045\n") != std::string::npos;
    })) << shown();
    // A double click on a row reaches the page window as NM_DBLCLK with that row.
    page().notifications.clear();
    auto row = centre("[id=\"6001\"]");
    clickAt(row);
    button(row, GDK_2BUTTON_PRESS);
    button(row, GDK_BUTTON_RELEASE);
    EXPECT_TRUE(pumpUntil([&] { return !page().notifications.empty(); }));
    ASSERT_FALSE(page().notifications.empty());
    EXPECT_EQ(page().notifications[0].first, ui::NM_DBLCLK);
    EXPECT_GE(page().notifications[0].second, 30000);
}

// A list's pieces show as canvases painted from the program's drawing: each kind of mark the
// program draws must look as the engine shows the drawing itself (a text too long for its box
// cut at the box, a right-aligned one ending at the edge, the gradient running downwards).
TEST_F(Renderer, ADrawingPaintedIntoACanvasLooksAsTheDrawingItself) {
    ui::Canvas drawing(320, 120, "t-");
    drawing.fillRect({0, 0, 320, 120}, ui::rgb(255, 255, 255));
    drawing.verticalGradient({0, 0, 320, 24}, ui::rgb(250, 250, 250), ui::rgb(60, 90, 200));
    drawing.frameRect({4, 28, 100, 60}, ui::rgb(200, 0, 0), 2);
    drawing.roundRect({110, 28, 200, 60}, 8, ui::rgb(255, 220, 120), ui::rgb(0, 0, 0));
    drawing.line({0, 95}, {320, 95}, ui::rgb(0, 128, 0));
    drawing.polyline({{10, 115}, {80, 100}, {150, 112}}, ui::rgb(0, 0, 255), 2);
    drawing.text({6, 30, 60, 50}, "Much too long for its box", ui::rgb(0, 0, 0), ui::kAlignMiddle);
    drawing.text({110, 30, 300, 50}, "right", ui::rgb(0, 0, 0), ui::kAlignRight | ui::kAlignMiddle);
    drawing.setFont({14, true});
    drawing.text({110, 60, 300, 85}, "centre & <bold>", ui::rgb(40, 40, 40), ui::kAlignCenter);
    drawing.verticalText({290, 0, 320, 120}, "up", ui::rgb(0, 0, 0));
    const std::string compared = callJs(
        "const painter = window.vandrelDrawingCanvas;"
        "if (painter.canvasFor(markup.replace('</svg>', '<image href=\"x.png\"/></svg>')))"
        "  return 'an image was painted';"
        "const made = painter.canvasFor(markup);"
        "painter.paint(made.canvas, made.drawing);"
        "const image = new Image();"
        "image.src = 'data:image/svg+xml;charset=utf-8,' + encodeURIComponent(markup);"
        "await image.decode();"
        "const shown = document.createElement('canvas');"
        "shown.width = made.canvas.width;"
        "shown.height = made.canvas.height;"
        "shown.getContext('2d').drawImage(image, 0, 0, shown.width, shown.height);"
        "const pixels = (c) => c.getContext('2d').getImageData(0, 0, c.width, c.height).data;"
        "const a = pixels(made.canvas), b = pixels(shown);"
        "let differ = 0;"
        "for (let i = 0; i < a.length; i += 4) {"
        "  const d = Math.max(...[0, 1, 2, 3].map((k) => Math.abs(a[i + k] - b[i + k])));"
        "  differ += d > 96 ? 1 : 0;"
        "}"
        "return made.canvas.textContent + '|' + differ;",
        "vandrel", {{"markup", drawing.svg()}});
    // The texts are the canvas's content, a line for each baseline; the pixels are the same but
    // for the odd edge of a glyph (the long text painted past its box differs in 220).
    const auto bar = compared.find('|');
    ASSERT_NE(bar, std::string::npos) << compared;
    EXPECT_EQ(compared.substr(0, bar), "Much too long for its box right\ncentre & <bold>\nup");
    EXPECT_LT(std::stoi(compared.substr(bar + 1)), 40) << compared;
}

TEST_F(Renderer, KeysMoveTheListSelectionAndScrollThePage) {
    ui::ListView* list = page().list();
    ASSERT_NE(list, nullptr);
    clickAt(centre("[id=\"6001\"]"));
    EXPECT_TRUE(pumpUntil([] { return evalJs("document.activeElement.id") == "6001"; }));
    ASSERT_FALSE(list->selectedRows().empty());
    int start = list->selectedRows()[0];
    key(GDK_KEY_Down);
    EXPECT_TRUE(pumpUntil([&] { return list->selectedRows() == std::vector<int>{start + 1}; }));
    key(GDK_KEY_End);
    EXPECT_TRUE(
        pumpUntil([&] { return list->selectedRows() == std::vector<int>{DemoPage::kRows - 1}; }));
    // The page scrolled to the very end: the model knows the list's client height.
    EXPECT_TRUE(pumpUntil([] {
        return evalJs(
                   "(() => { const e = document.querySelector('[id=\"6001\"]');"
                   " return e.scrollHeight - e.scrollTop - e.clientHeight; })()") == "0";
    }));
    EXPECT_TRUE(pumpUntil([&] { return list->visibleRows().second == DemoPage::kRows; }));
    // Wider columns scroll sideways in the page, and the model follows.
    list->insertColumn(1, 300, "Wide");
    const std::string list6001 = "document.querySelector('[id=\"6001\"]')";
    EXPECT_TRUE(pumpUntil([&] { return evalJs(list6001 + ".scrollWidth") == "560"; }));
    evalJs(list6001 + ".scrollLeft = 120");
    EXPECT_TRUE(pumpUntil([&] { return list->scrollLeft() == 120; }));
    EXPECT_EQ(list->columnRect(1).left, 140);
    list->setColumnWidth(1, 0);
    EXPECT_TRUE(pumpUntil([&] { return evalJs(list6001 + ".scrollWidth") == "260"; }));
}

TEST_F(Renderer, TheCanvasOwnerSeesMovesWheelTurnsAndTheLeave) {
    auto& pointer = page().canvasPointer;
    ui::Element& canvas = byId("5000");
    auto mid = centre("[id=\"5000\"]");
    motion(centre("#status"));
    pump(100);
    pointer.clear();
    // A burst of moves within one frame is reported as fewer moves, the last one last.
    for (int i = 0; i < 20; ++i) {
        motion({mid.first - 20 + i, mid.second});
    }
    EXPECT_TRUE(pumpUntil([&] { return canvas.hasState(ui::STATE_HOVER) && !pointer.empty(); }));
    pump(100);
    ASSERT_FALSE(pointer.empty());
    EXPECT_LT(pointer.size(), 20u);
    ui::Rect r = canvas.location();
    EXPECT_EQ(pointer.back().id, ui::WM_MOUSEMOVE);
    EXPECT_EQ(ui::pointParamX(pointer.back().lParam), mid.first - 1 - r.left);
    EXPECT_EQ(ui::pointParamY(pointer.back().lParam), mid.second - r.top);
    pointer.clear();
    scrollDown(mid);
    EXPECT_TRUE(pumpUntil([&] { return !pointer.empty(); }));
    ASSERT_FALSE(pointer.empty());
    EXPECT_EQ(pointer[0].id, ui::WM_MOUSEWHEEL);
    // One notch towards the user.
    EXPECT_EQ(static_cast<std::int16_t>(pointer[0].wParam >> 16), -ui::WHEEL_DELTA);
    pointer.clear();
    motion(centre("#status"));
    EXPECT_TRUE(pumpUntil([&] { return !pointer.empty(); }));
    ASSERT_FALSE(pointer.empty());
    EXPECT_EQ(pointer[0].id, ui::WM_MOUSELEAVE);
    EXPECT_FALSE(canvas.hasState(ui::STATE_HOVER));
    EXPECT_TRUE(byId("status").hasState(ui::STATE_HOVER));
}

TEST_F(Renderer, StringsReachThePageUnchangedAndRunNoScript) {
    const std::string hostile =
        "'); window.external.Injected(); document.title = 'owned'; (' \" </script>"
        "<img src=x onerror=\"document.title = 'owned'; window.external.Injected()\"> \\ "
        "\xE2\x80\xA8 line";
    page().externalCalls.clear();
    bool found = false;
    std::string result;
    bool done = false;
    ASSERT_TRUE(page().host()->callFunction("echo", {hostile}, [&](bool f, std::string r) {
        found = f;
        result = std::move(r);
        done = true;
    }));
    EXPECT_TRUE(pumpUntil([&] { return done && !page().externalCalls.empty(); }));
    EXPECT_TRUE(found);
    EXPECT_EQ(result, "length " + std::to_string(g_utf8_strlen(hostile.c_str(), -1)));
    ASSERT_FALSE(page().externalCalls.empty());
    EXPECT_EQ(page().externalCalls[0].first, "Echo");
    EXPECT_EQ(page().externalCalls[0].second, (std::vector<std::string>{hostile}));
    // The same text set into the model shows as text in the page.
    byId("status").setText(hostile);
    EXPECT_TRUE(pumpUntil(
        [&] { return evalJs("document.getElementById('status').textContent") == hostile; }));
    pump(300);
    for (const auto& call : page().externalCalls) {
        EXPECT_NE(call.first, "Injected");
    }
    EXPECT_EQ(evalJs("document.title"), "View layer demonstration");
    EXPECT_EQ(evalJs("document.querySelector('[id=\"2000\"] iframe').contentDocument.title"),
              "Hosted page");
    done = false;
    page().host()->callFunction("noSuchFunction", {}, [&](bool f, std::string) {
        found = f;
        done = true;
    });
    EXPECT_TRUE(pumpUntil([&] { return done; }));
    EXPECT_FALSE(found);
}

TEST_F(Renderer, MessagesFromScriptTheProgramDidNotLoadAreIgnored) {
    page().externalCalls.clear();
    std::string result;
    bool done = false;
    page().host()->callFunction("forge", {}, [&](bool, std::string r) {
        result = std::move(r);
        done = true;
    });
    EXPECT_TRUE(pumpUntil([&] { return done; }));
    EXPECT_EQ(result, "refused");
    EXPECT_EQ(evalJs("typeof (window.webkit && window.webkit.messageHandlers &&"
                     " window.webkit.messageHandlers.vandrel)"),
              "undefined");
    // A navigation away from the program's pages is refused.
    evalJs("document.getElementById('child').src = 'data:text/html,<b>x</b>'; 1");
    pump(500);
    EXPECT_EQ(evalJs("document.getElementById('child').contentWindow.location.protocol"),
              "vandrel:");
    pump(200);
    EXPECT_TRUE(page().externalCalls.empty());
}

TEST_F(Renderer, GridRowsSelectedInThePageShowTheirState) {
    clickAt(centre("#people tr:nth-child(3) td"));
    ui::Element* bob = page().document().selectFirst("#people tr:last-child");
    ASSERT_NE(bob, nullptr);
    EXPECT_TRUE(pumpUntil([&] { return bob->hasState(ui::STATE_CURRENT | ui::STATE_CHECKED); }));
    EXPECT_TRUE(pumpUntil([] {
        return evalJs(
                   "document.querySelector('#people tr:nth-child(3)').getAttribute('data-vs')") ==
               "current checked anchor";
    }));
    // The style sheet's :checked rule reaches the row through the translated selector.
    EXPECT_EQ(evalJs("getComputedStyle(document.querySelector('#people tr:nth-child(3) td'))"
                     ".fontWeight"),
              "700");
    // A header click of the sortable grid sorts it in the model and the page.
    clickAt(centre("#hsize"));
    EXPECT_TRUE(pumpUntil([] {
        return evalJs("document.querySelector('#sizes tr:nth-child(2) td').textContent") == "a";
    }));
}

TEST_F(Renderer, ThePageFollowsTheMediaTypeOfTheModel) {
    auto shown = [] {
        return evalJs(
            "(() => { const d = document.getElementById('child').contentDocument;"
            " const s = getComputedStyle(d.getElementById('inner'));"
            " return s.color + ' ' + s.backgroundColor; })()");
    };
    EXPECT_TRUE(pumpUntil([&] { return shown() == "rgb(0, 0, 128) rgba(0, 0, 0, 0)"; }));
    ui::HtmlWindow* child = page().child();
    const ui::Resource* markup = ui::findResource("child", "HTML");
    ASSERT_TRUE(child != nullptr && markup != nullptr);
    for (bool contrast : {true, false}) {
        ui::setHighContrastQuery([contrast] { return contrast; });
        child->loadHtml(markup->data(), "res:child.html");
        EXPECT_EQ(child->document().mediaType(), contrast ? "contrast-screen" : "screen");
        EXPECT_TRUE(pumpUntil([&] {
            return shown() ==
                   (contrast ? "rgb(255, 255, 0) rgb(0, 0, 0)" : "rgb(0, 0, 128) rgba(0, 0, 0, 0)");
        })) << shown();
        // The top page keeps the type it was served with.
        EXPECT_EQ(evalJs("document.documentElement.getAttribute('data-vmedia')"), "screen");
    }
    EXPECT_TRUE(pumpUntil([] { return stage->renderer.isReady(*stage->page.child()); }));
}

TEST_F(Renderer, AFileDocumentResolvesItsAddressesBesideTheFile) {
    ui::HtmlWindow* child = page().child();
    ASSERT_NE(child, nullptr);
    std::string file = std::string(VANDREL_DEMO_DIR) + "/hosted.html";
    child->loadHtml("<p id=inner>beside</p>", file);
    auto base = [] {
        return evalJs(
            "(() => { const d = document.getElementById('child').contentDocument;"
            " return d.getElementById('inner') ? d.baseURI : ''; })()");
    };
    EXPECT_TRUE(pumpUntil([&] { return base() == "vandrel://app/demo/hosted.html"; })) << base();
    // The page holding the frame never loads the src itself; the renderer addresses it.
    EXPECT_EQ(evalJs("document.getElementById('child').hasAttribute('data-vuid') &&"
                     " document.getElementById('child').src.indexOf('?w=') > 0"),
              "true");
    const ui::Resource* markup = ui::findResource("child", "HTML");
    child->loadHtml(markup->data(), "res:child.html");
    EXPECT_TRUE(pumpUntil([&] { return base().find("?w=") != std::string::npos; })) << base();
}

TEST_F(Renderer, ControlsInsideReplacedMarkupKeepTheirContent) {
    // Sorting the column that holds the canvas and the list rebuilds that part of the page.
    ui::Element* column = page().document().selectFirst("[id='5000']")->parent();
    column->sortChildren(0, column->childCount(), [](const ui::Element& a, const ui::Element& b) {
        return a.tag() < b.tag();
    });
    EXPECT_TRUE(pumpUntil([] {
        return evalJs(
                   "document.querySelector('[id=\"5000\"] svg') !== null && "
                   "document.querySelector('[id=\"6001\"] .vlist-rows canvas') !== null") == "true";
    }));
}

TEST_F(Renderer, OnlyFilesInsideTheServedFoldersAreServed) {
    std::string bytes;
    std::string mime;
    EXPECT_TRUE(stage->renderer.serveFile("/demo/hosted.html", bytes, mime));
    EXPECT_EQ(mime, "text/html; charset=utf-8");
    for (const char* path : {"/demo/../CMakeLists.txt", "/demo/%2e%2e/CMakeLists.txt",
                             "/demo//etc/passwd", "/etc/passwd", "/demo", "/demo/", "/nothing/x",
                             "/demo/missing.html", "/demo/..%2Fdemo_page.cpp"}) {
        EXPECT_FALSE(stage->renderer.serveFile(path, bytes, mime)) << path;
    }
    // A link inside a served folder that leads out of it is not followed.
    std::filesystem::path folder = std::filesystem::path(VANDREL_TEST_OUTPUT) / "served";
    std::filesystem::create_directories(folder);
    std::filesystem::remove(folder / "out.txt");
    std::filesystem::create_symlink("/etc/hostname", folder / "out.txt");
    stage->renderer.serveFolder("served", folder);
    EXPECT_FALSE(stage->renderer.serveFile("/served/out.txt", bytes, mime));
    // Leaflet of the system's package is reached through the link the build puts in its place.
    if (std::filesystem::is_symlink(programPath("Html/vendor/leaflet"))) {
        EXPECT_TRUE(stage->renderer.serveFile("/Html/vendor/leaflet/leaflet.js", bytes, mime));
        EXPECT_EQ(mime, "text/javascript");
    }
    // The page cannot fetch such a path either.
    for (const char* url :
         {"vandrel://app/demo/%2e%2e/CMakeLists.txt", "vandrel://app/demo/../CMakeLists.txt"}) {
        EXPECT_EQ(callJs(std::string("return await fetch('") + url +
                         "').then(r => r.ok ? 'got' : 'refused', () => 'refused');"),
                  "refused")
            << url;
    }
    EXPECT_EQ(callJs("return await fetch('vandrel://app/demo/hosted.html')"
                     ".then(r => r.ok ? 'got' : 'refused', () => 'refused');"),
              "got");
}

TEST_F(Renderer, WindowTimersAndPostedMessagesRunOnTheGlibLoop) {
    class Ticker : public ui::Window {
      public:
        using Window::Window;
        std::intptr_t handleMessage(const ui::Message& m) override {
            if (m.id == ui::WM_TIMER && ++ticks == 3) {
                killTimer(1000);
            } else if (m.id == ui::MSG_DATE_CHANGED) {
                ++posted;
            }
            return 0;
        }
        int ticks = 0;
        int posted = 0;
    } ticker(stage->loop, nullptr);
    ticker.post(ui::MSG_DATE_CHANGED);
    ticker.setTimer(1000, std::chrono::milliseconds(20));
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(pumpUntil([&] { return ticker.ticks == 3; }));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(55));
    pump(100);
    EXPECT_EQ(ticker.ticks, 3);
    EXPECT_EQ(ticker.posted, 1);
}

TEST_F(Renderer, AScreenshotOfThePageIsSaved) {
    std::filesystem::path out = std::filesystem::path(VANDREL_TEST_OUTPUT) / "demo-page.png";
    std::filesystem::create_directories(out.parent_path());
    std::filesystem::remove(out);
    bool done = false;
    webkit_web_view_get_snapshot(
        WEBKIT_WEB_VIEW(stage->view), WEBKIT_SNAPSHOT_REGION_VISIBLE, WEBKIT_SNAPSHOT_OPTIONS_NONE,
        nullptr,
        [](GObject* source, GAsyncResult* res, gpointer data) {
            auto* args = static_cast<std::pair<bool*, std::string*>*>(data);
            cairo_surface_t* surface =
                webkit_web_view_get_snapshot_finish(WEBKIT_WEB_VIEW(source), res, nullptr);
            if (surface != nullptr) {
                cairo_surface_write_to_png(surface, args->second->c_str());
                cairo_surface_destroy(surface);
            }
            *args->first = true;
        },
        new std::pair<bool*, std::string*>(&done, new std::string(out.string())));
    EXPECT_TRUE(pumpUntil([&] { return done; }));
    EXPECT_GT(std::filesystem::file_size(out), 1000u);
}

}  // namespace
}  // namespace vandrel::demo

namespace vandrel::testing {
gtk::WebRenderer& sharedRenderer() {
    return demo::stage->renderer;
}
gtk::GlibEventLoop& sharedLoop() {
    return demo::stage->loop;
}
}  // namespace vandrel::testing

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    gtk_init(&argc, &argv);
    vandrel::ui::setResourceTable(demoResources());
    vandrel::demo::Stage stage;
    vandrel::demo::stage = &stage;
    std::filesystem::path folder = VANDREL_DEMO_DIR;
    stage.renderer.serveFolder("demo", folder);
    stage.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(stage.window), 1000, 640);
    stage.view = stage.renderer.show(stage.page);
    gtk_container_add(GTK_CONTAINER(stage.window), stage.view);
    stage.page.start(folder / "hosted.html");
    gtk_widget_show_all(stage.window);
    int result = RUN_ALL_TESTS();
    gtk_widget_destroy(stage.window);
    return result;
}
