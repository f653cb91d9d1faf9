#include "ui/page_window.h"

#include "ui/behavior.h"
#include "ui/element.h"
#include "ui/messages.h"
#include "ui/resources.h"

namespace vandrel::ui {

PageWindow::PageWindow(EventLoop& loop, Window* parent, int controlId, CommandRunner* commands,
                       int resourceId)
    : HtmlWindow(loop, parent, controlId), commands_(commands), resourceId_(resourceId) {}

void PageWindow::init() {
    setHandler(this);
    loadHtmlResource(*this, resourceId_);
}

Element* PageWindow::byId(const std::string& id) const {
    return document().selectFirst("#" + id);
}

void PageWindow::setDisplay(const std::string& id, const char* display) const {
    if (Element* e = byId(id)) {
        e->setStyle("display", display);
    }
}

void PageWindow::guard(const std::function<void()>& step) const {
    if (commands_ == nullptr) {
        step();
        return;
    }
    try {
        step();
    } catch (const std::exception& e) {
        commands_->prompt().error(failureText(e.what()));
    }
}

std::string PageWindow::failureText(const std::string& what) const {
    return "The page could not be brought up to date: " + what;
}

void PageWindow::addClick(std::string id, Handler handler) {
    clicks_.emplace_back(std::move(id), std::move(handler));
}

void PageWindow::addCommand(std::string id, Handler handler) {
    elementCommands_.emplace_back(std::move(id), std::move(handler));
}

void PageWindow::addMessage(MessageId id, std::function<void(const Message&)> handler) {
    messages_.emplace_back(id, std::move(handler));
}

bool PageWindow::onBehaviorEvent(HtmlWindow&, Element&, BehaviorEvent& event) {
    if (event.type != BUTTON_CLICK || event.target == nullptr) {
        return false;
    }
    const std::string id = event.target->attribute("id");
    if (id.empty()) {
        return false;
    }
    for (const auto& [known, handler] : clicks_) {
        if (known == id) {
            guard(handler);
        }
    }
    return false;
}

std::intptr_t PageWindow::handleMessage(const Message& message) {
    if (message.id == WM_ELEMENT_COMMAND && message.lParam != 0) {
        const auto* command = reinterpret_cast<const ElementCommand*>(message.lParam);
        for (const auto& [known, handler] : elementCommands_) {
            if (known == command->id) {
                guard(handler);
            }
        }
        return 0;
    }
    for (const auto& [id, handler] : messages_) {
        if (id == message.id) {
            guard([&handler, &message] { handler(message); });
            return 0;
        }
    }
    return HtmlWindow::handleMessage(message);
}

}  // namespace vandrel::ui
