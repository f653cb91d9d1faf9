#include "tracks/track_page_model.h"

#include "map/map_widget.h"
#include "ui/element.h"
#include "ui/html_window.h"
#include "ui/list_view.h"
#include "ui/static_control.h"

namespace vandrel::tracks {
namespace {

constexpr int kCalendar = 5000;
constexpr int kChart = 5001;
constexpr int kTotalsChart = 5002;
constexpr int kPointList = 6001;

template <typename Control>
Control* widget(const ui::HtmlWindow& page, int id) {
    ui::Element* e = page.document().selectFirst("widget[id='" + std::to_string(id) + "']");
    return e != nullptr ? dynamic_cast<Control*>(page.control(*e)) : nullptr;
}

}  // namespace

ui::StaticControl* calendarControl(const ui::HtmlWindow& page) {
    return widget<ui::StaticControl>(page, kCalendar);
}

ui::StaticControl* chartControl(const ui::HtmlWindow& page) {
    return widget<ui::StaticControl>(page, kChart);
}

ui::StaticControl* totalsChartControl(const ui::HtmlWindow& page) {
    return widget<ui::StaticControl>(page, kTotalsChart);
}

ui::ListView* trackListControl(const ui::HtmlWindow& page) {
    return widget<ui::ListView>(page, kTrackListId);
}

ui::ListView* pointListControl(const ui::HtmlWindow& page) {
    return widget<ui::ListView>(page, kPointList);
}

ui::BrowserHost* trackMap(const ui::HtmlWindow& page) {
    return map::mapWidget(page);
}

}  // namespace vandrel::tracks
