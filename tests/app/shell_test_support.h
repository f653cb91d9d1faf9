#pragma once
// The whole shell on the headless backend: the manual loop, the recording renderer, message
// boxes answered by a script, a fake desktop and a fake connectivity probe.

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/busy_indicator.h"
#include "app/gui_prompt.h"
#include "app/main_frame.h"
#include "app/message_boxes.h"
#include "platform/headless/headless_renderer.h"
#include "ui/element.h"
#include "ui/event_loop.h"

namespace vandrel::testing {

inline ui::Element* elementById(ui::HtmlWindow& w, const std::string& id) {
    return w.document().selectFirst("#" + id);
}

inline void pressKey(ui::HtmlWindow& w, int key) {
    ui::KeyEvent e;
    e.type = ui::KeyEventType::Down;
    e.keyCode = key;
    w.dispatchKey(e);
}

inline void clickId(ui::HtmlWindow& w, const std::string& id) {
    ui::BehaviorEvent e;
    e.type = ui::BUTTON_CLICK;
    e.target = elementById(w, id);
    w.sendBehaviorEvent(e);
}

// Shows each box in a headless view, records its texts and lets the next step of the script
// answer it; a box the script does not answer counts as not shown (-1).
class ScriptedBoxes final : public app::BoxRunner {
  public:
    using Step = std::function<void(ui::HtmlWindow& view)>;
    explicit ScriptedBoxes(ui::EventLoop& loop) : loop_(loop) {}

    int run(app::MessageBox& box, ui::Window* owner) override {
        ui::HtmlWindow view(loop_, nullptr);
        int result = -1;
        if (!box.attach(view, [&](int r) { result = r; })) {
            return -1;
        }
        ownerEnabled.push_back(owner == nullptr || owner->isEnabled());
        std::string text;
        for (const char* id : {"MsgText", "MsgText2"}) {
            if (ui::Element* e = elementById(view, id)) {
                if (!text.empty()) {
                    text += '|';
                }
                text += e->text();
            }
        }
        shown.push_back(text);
        ui::Element* focus = view.focus();
        focused.push_back(focus != nullptr ? focus->attribute("id") : "");
        if (!script.empty()) {
            Step step = std::move(script.front());
            script.pop_front();
            step(view);
        }
        return result;
    }

    std::deque<Step> script;
    std::vector<std::string> shown;
    std::vector<std::string> focused;
    std::vector<bool> ownerEnabled;

  private:
    ui::EventLoop& loop_;
};

inline ScriptedBoxes::Step press(int key) {
    return [key](ui::HtmlWindow& view) { pressKey(view, key); };
}
inline ScriptedBoxes::Step clickOn(std::string id) {
    return [id](ui::HtmlWindow& view) { clickId(view, id); };
}

// Every file dialog is cancelled; the counts say how many were opened.
class NoFiles final : public app::FileChooser {
  public:
    std::optional<std::string> open(const FileFilter&, ui::Window*) override {
        ++opened;
        return {};
    }
    std::optional<std::string> save(const FileFilter&, ui::Window*) override {
        ++saved;
        return {};
    }
    int opened = 0;
    int saved = 0;
};

// The busy window's animation on the manual loop, with every text it showed.
class RecordingBusy final : public app::BusyIndicator {
  public:
    explicit RecordingBusy(ui::EventLoop& loop)
        : animation(loop, [this](const std::string& text) { texts.push_back(text); }) {}
    void start() override {
        ++starts;
        animation.start();
    }
    void stop() override { animation.stop(); }
    void hide() override {
        ++hides;
        animation.stop();
    }
    void show() override { animation.start(); }
    app::BusyAnimation animation;
    std::vector<std::string> texts;
    int starts = 0;
    int hides = 0;
};

class FakeProbe final : public app::ConnectivityProbe {
  public:
    void probe(const std::string& address, std::function<void(bool)> done) override {
        asked.push_back(address);
        pending.push_back(std::move(done));
    }
    // Answers the oldest question.
    void answer(bool reached) {
        auto done = std::move(pending.front());
        pending.pop_front();
        done(reached);
    }
    std::vector<std::string> asked;
    std::deque<std::function<void(bool)>> pending;
};

class FakeDesktop final : public app::FrameHost {
  public:
    void minimize() override { ++minimized; }
    void moveTo(const app::ScreenRect& rect) override { moves.push_back(rect); }
    void close() override { ++closed; }
    app::ScreenRect desktop() const override { return {0, 0, 1600, 900}; }
    std::optional<app::ScreenRect> panel() const override {
        return app::ScreenRect{0, 860, 1600, 900};
    }
    int minimized = 0;
    int closed = 0;
    std::vector<app::ScreenRect> moves;
};

}  // namespace vandrel::testing
