#include "gtk/demo_page.h"

#include "ui/behavior.h"
#include "ui/controls.h"
#include "ui/resources.h"

namespace vandrel::demo {

namespace {

// The child window records its commands in the page.
class ChildFrame : public ui::HtmlWindow {
  public:
    ChildFrame(DemoPage& page, int id) : HtmlWindow(page.loop(), &page, id), page_(page) {}
    std::intptr_t handleMessage(const ui::Message& message) override {
        if (message.id == ui::WM_ELEMENT_COMMAND) {
            page_.childCommands.push_back(
                reinterpret_cast<const ui::ElementCommand*>(message.lParam)->id);
        }
        return 0;
    }

  private:
    DemoPage& page_;
};

}  // namespace

std::unique_ptr<ui::Window> DemoPage::createControl(ui::Element& element) {
    if (element.tag() != "iframe") {
        return HtmlWindow::createControl(element);
    }
    auto frame = std::make_unique<ChildFrame>(*this, std::atoi(element.attribute("id").c_str()));
    ui::startFrame(*frame, element);
    return frame;
}

DemoPage::DemoPage(ui::EventLoop& loop) : HtmlWindow(loop) {
    setHandler(this);
}

void DemoPage::start(const std::filesystem::path& hosted) {
    ui::loadHtmlResource(*this, 100);
    if (auto* c = canvas()) {
        c->setPainter([](ui::Canvas& canvas) {
            ui::Rect all{0, 0, canvas.width(), canvas.height()};
            canvas.verticalGradient(all, ui::rgb(230, 240, 255), ui::rgb(160, 190, 240));
            canvas.frameRect(all, ui::rgb(200, 213, 253));
            canvas.roundRect(ui::Rect{10, 10, 90, 40}, 6, ui::rgb(255, 128, 64), ui::rgb(0, 0, 0));
            canvas.line(ui::Point{0, 60}, ui::Point{canvas.width(), 60}, ui::rgb(255, 0, 0));
            canvas.text(ui::Rect{100, 10, 250, 40}, "SUN 1 < 2", ui::rgb(0, 0, 255),
                        ui::kAlignCenter | ui::kAlignMiddle);
        });
        c->setMouseHandler([this](const ui::Message& m) {
            if (m.id == ui::WM_LBUTTONDOWN) {
                clicks.push_back("canvas " + std::to_string(ui::pointParamX(m.lParam)) + "," +
                                 std::to_string(ui::pointParamY(m.lParam)));
            } else if (m.id == ui::WM_MOUSEMOVE || m.id == ui::WM_MOUSEWHEEL ||
                       m.id == ui::WM_MOUSELEAVE) {
                canvasPointer.push_back(m);
            }
        });
    }
    if (auto* l = list()) {
        l->insertColumn(0, 260, "Row");
        l->setRowHeight(kRowHeight);
        l->setRowPainter([](ui::Canvas& canvas, int row, const ui::Rect& r, bool selected) {
            canvas.fillRect(r, selected ? ui::rgb(51, 153, 255) : ui::rgb(255, 255, 255));
            canvas.text(ui::Rect{r.left + 4, r.top, r.right, r.bottom},
                        "Row " + std::to_string(row), ui::rgb(0, 0, 0), ui::kAlignMiddle);
        });
        l->setVirtualRowCount(kRows);
    }
    if (auto* h = host()) {
        h->setExternalHandler(
            [this](const std::string& method, const std::vector<std::string>& args) {
                externalCalls.emplace_back(method, args);
                return std::string();
            });
        h->navigate(hosted.string());
    }
}

std::intptr_t DemoPage::handleMessage(const ui::Message& message) {
    if (message.id == ui::WM_ELEMENT_COMMAND) {
        auto* command = reinterpret_cast<const ui::ElementCommand*>(message.lParam);
        commands.push_back(command->id);
    } else if (message.id == ui::WM_NOTIFY) {
        auto* n = reinterpret_cast<const ui::ListNotify*>(message.lParam);
        notifications.emplace_back(n->code, n->item);
    }
    return 0;
}

bool DemoPage::onBehaviorEvent(HtmlWindow&, ui::Element&, ui::BehaviorEvent& e) {
    if (e.type == ui::BUTTON_CLICK && e.source != nullptr) {
        std::string id = e.source->attribute("id");
        clicks.push_back(id);
        if (id == "go") {
            if (ui::Element* menu = document().selectFirst("#menu")) {
                showPopupAt(*menu, ui::Point{420, 60});
            }
        }
    }
    return false;
}

namespace {
template <typename T>
T* controlOf(const ui::HtmlWindow& w, const char* selector) {
    ui::Element* e = w.document().selectFirst(selector);
    return e != nullptr ? dynamic_cast<T*>(e->window()) : nullptr;
}
}  // namespace

ui::ListView* DemoPage::list() const {
    return controlOf<ui::ListView>(*this, "[id='6001']");
}
ui::StaticControl* DemoPage::canvas() const {
    return controlOf<ui::StaticControl>(*this, "[id='5000']");
}
ui::BrowserHost* DemoPage::host() const {
    return controlOf<ui::BrowserHost>(*this, "[id='2000']");
}
ui::HtmlWindow* DemoPage::child() const {
    return controlOf<ui::HtmlWindow>(*this, "#child");
}

}  // namespace vandrel::demo
