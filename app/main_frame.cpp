#include "app/main_frame.h"

#include "flows/read_device_settings.h"
#include "ui/behavior.h"
#include "ui/controls.h"
#include "ui/element.h"
#include "ui/messages.h"
#include "ui/resources.h"

namespace vandrel::app {

MainFrame::MainFrame(ui::EventLoop& loop, ShellServices& services)
    : ui::HtmlWindow(loop, nullptr), services_(services) {}

std::unique_ptr<ui::Window> MainFrame::createControl(ui::Element& element) {
    if (element.tag() == "iframe" && element.attribute("name") == "main") {
        auto host = std::make_unique<PageHost>(loop(), this, 0, services_);
        host_ = host.get();
        ui::startFrame(*host, element);
        return host;
    }
    return ui::HtmlWindow::createControl(element);
}

void MainFrame::create() {
    services_.session->openStore();
    setHandler(this);
    ui::loadHtmlResource(*this, 215);
    if (host_ != nullptr) {
        host_->init();
    }
}

void MainFrame::destroy() {
    saveProgramSettings(*services_.session);
    services_.session->closeStore();
}

ui::Element* MainFrame::element(const char* id) const {
    std::string selector = "#";
    selector += id;
    return document().selectFirst(selector);
}

void MainFrame::windowMoved(const ScreenRect& rect) {
    if (!maximised_) {
        restore_ = rect;
    }
}

FrameHit MainFrame::hitTest(ui::Point p) const {
    FrameLayout layout;
    auto box = [](ui::Element* e) -> std::optional<ui::Rect> {
        if (e == nullptr) {
            return std::nullopt;
        }
        return e->location();
    };
    layout.caption = box(element("caption"));
    layout.icon = box(element("icon"));
    if (ui::Element* body = element("body")) {
        // The body's 3-pixel padding is the resize ring.
        ui::Rect r = body->location();
        layout.bodyContent = ui::Rect{r.left + 3, r.top + 3, r.right - 3, r.bottom - 3};
    }
    return frameHitTest(p, maximised_, layout);
}

bool MainFrame::onBehaviorEvent(ui::HtmlWindow&, ui::Element&, ui::BehaviorEvent& event) {
    if (event.type != ui::BUTTON_CLICK || event.target == nullptr) {
        return false;
    }
    const std::string id = event.target->attribute("id");
    if (id == "minimize") {
        if (services_.frame != nullptr) {
            services_.frame->minimize();
        }
    } else if (id == "maximize" || id == "restore") {
        post(ui::WM_FRAME_MAXRESTORE, 0, reinterpret_cast<std::intptr_t>(event.target));
    } else if (id == "close") {
        post(WM_CLOSE);
    } else {
        return false;
    }
    return true;
}

std::intptr_t MainFrame::handleMessage(const ui::Message& message) {
    switch (message.id) {
        case ui::WM_ELEMENT_COMMAND:
            return 0;
        case ui::WM_FRAME_MAXRESTORE:
            maxRestore(reinterpret_cast<const ui::Element*>(message.lParam));
            return 0;
        case WM_CLOSE:
            if (services_.frame != nullptr) {
                services_.frame->close();
            }
            return 0;
        default:
            return ui::HtmlWindow::handleMessage(message);
    }
}

void MainFrame::maxRestore(const ui::Element* clicked) {
    ui::Element* maximize = element("maximize");
    ui::Element* restore = element("restore");
    auto display = [](ui::Element* e, const char* value) {
        if (e != nullptr) {
            e->setStyle("display", value);
        }
    };
    if (clicked == nullptr) {
        return;
    }
    if (clicked == maximize) {
        maximised_ = true;
        if (services_.frame != nullptr) {
            const ScreenRect desktop = services_.frame->desktop();
            services_.frame->moveTo(
                WorkArea(desktop.width(), desktop.height(), services_.frame->panel()));
        }
        display(restore, "block");
        display(maximize, "none");
    } else if (clicked == restore) {
        maximised_ = false;
        if (services_.frame != nullptr) {
            services_.frame->moveTo(restore_);
        }
        display(restore, "none");
        display(maximize, "block");
    }
}

}  // namespace vandrel::app
