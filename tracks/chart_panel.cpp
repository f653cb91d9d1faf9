#include "tracks/chart_panel.h"

#include <string>

#include "map/map_bridge.h"
#include "ui/element.h"
#include "ui/messages.h"
#include "ui/static_control.h"

namespace vandrel::tracks {

ChartPanel::ChartPanel(ui::PageWindow& page, TrackPageModel& model)
    : page_(page), model_(model), tip_(page, "charttip") {}

void ChartPanel::attach() {
    if (ui::StaticControl* control = chartControl(page_)) {
        control->setPainter([this](ui::Canvas& canvas) {
            chart_.paint(canvas);
            markAt(marker_);  // the chart may have changed size
        });
        control->setMouseHandler([this](const ui::Message& message) { onMouse(message); });
    }
}

void ChartPanel::select(int n) {
    const std::string old = "tab" + std::to_string(static_cast<int>(kind_));
    page_.setDisplay(old + "-s", "none");
    page_.setDisplay(old, "block");
    kind_ = static_cast<ChartKind>(n);
    const std::string now = "tab" + std::to_string(n);
    page_.setDisplay(now + "-s", "block");
    page_.setDisplay(now, "none");
    if (model_.shown) {
        build();
    }
}

void ChartPanel::build() {
    tip_.hide();
    hotSpot_ = -1;
    if (!model_.shown) {
        return;
    }
    chart_.Build(kind_, *model_.shown, model_.session.settings);
    if (ui::StaticControl* control = chartControl(page_)) {
        control->invalidate();
    }
}

void ChartPanel::clear() {
    chart_.Clear();
    markAt(-1);
    tip_.hide();
    hotSpot_ = -1;
    if (ui::StaticControl* control = chartControl(page_)) {
        control->invalidate();
    }
}

void ChartPanel::onMouse(const ui::Message& message) {
    ui::StaticControl* control = chartControl(page_);
    if (control == nullptr) {
        return;
    }
    const ui::Rect client = control->clientRect();
    const ui::Point at{ui::pointParamX(message.lParam), ui::pointParamY(message.lParam)};
    const bool inPlot = ProfileChart::plotArea(client.width(), client.height()).contains(at);
    const int hot = inPlot ? chart_.pointAt(at.x, client.width()) : -1;
    switch (message.id) {
        case ui::WM_MOUSEMOVE: {
            // Dragging or a held modifier is no hover.
            constexpr std::uintptr_t kHeld =
                ui::MK_LBUTTON | ui::MK_RBUTTON | ui::MK_SHIFT | ui::MK_CONTROL;
            hover(*control, at, (message.wParam & kHeld) != 0 ? -2 : hot);
            return;
        }
        case ui::WM_MOUSELEAVE:
            hover(*control, at, -2);
            return;
        case ui::WM_LBUTTONDOWN:
            pressed_ = inPlot;
            return;
        case ui::WM_LBUTTONUP:
            if (pressed_ && hot >= 0) {
                page_.post(ui::MSG_CHART_CLICK, static_cast<std::uintptr_t>(hot));
            }
            pressed_ = false;
            return;
        default:
            return;
    }
}

// The tooltip of the point under the mouse; -2 is no hover at all (gone, or dragging).
void ChartPanel::hover(ui::StaticControl& control, ui::Point at, int hot) {
    if (hot == -2) {
        tip_.hide();
        hotSpot_ = -1;
        return;
    }
    if (hot == hotSpot_) {
        return;
    }
    hotSpot_ = hot;
    const ui::Element* e = control.element();
    const ui::Point origin = e != nullptr ? e->location().origin() : ui::Point{};
    tip_.show(chart_.tooltipText(hot), {origin.x + at.x, origin.y + at.y}, true);
}

// The mark is an element of its own over the chart: painting the whole chart again at each
// step of a replay cost five times the processor time of the step itself.
void ChartPanel::markAt(int index) {
    marker_ = index;
    ui::Element* mark = page_.byId("chartmark");
    const ui::StaticControl* control = chartControl(page_);
    const ui::Element* e = control != nullptr ? control->element() : nullptr;
    if (mark == nullptr || e == nullptr) {
        return;
    }
    const ui::Rect box = e->location();
    const int x = chart_.xOfPoint(index, box.width());
    if (x < 0) {
        mark->setStyle("display", "none");
        return;
    }
    const ui::Rect plot = ProfileChart::plotArea(box.width(), box.height());
    mark->setStyle("left", std::to_string(box.left + x - 1) + "px");
    mark->setStyle("top", std::to_string(box.top + plot.top) + "px");
    mark->setStyle("height", std::to_string(plot.height()) + "px");
    mark->setStyle("display", "block");
}

void ChartPanel::clicked(int index) {
    if (index < 0 || index >= chart_.pointCount()) {
        return;
    }
    const TrackPoint& p = chart_.point(index);
    const map::MapBridge bridge(trackMap(page_));
    bridge.setCenter(p.lat, p.lng, 0);
    bridge.showAnimationPoint(p.lat, p.lng);
}

}  // namespace vandrel::tracks
