#pragma once
// The profile chart under the shown track (widget 5001) with its four tabs: built from the
// shown track for the chosen series, a hover's tooltip names the point under the mouse, a
// click centres the map on it, and a mark shows where the replay's car stands.

#include "tracks/profile_chart.h"
#include "tracks/track_page_model.h"
#include "ui/page_window.h"
#include "ui/tooltip.h"

namespace vandrel::ui {
struct Message;
}

namespace vandrel::tracks {

class ChartPanel {
  public:
    ChartPanel(ui::PageWindow& page, TrackPageModel& model);

    // Takes the chart control's painting and mouse.
    void attach();
    // Altitude, air pressure, temperature or speed, 1 to 4: the tabs show the choice.
    void select(int n);
    // The chart of the shown track, or nothing while none is shown.
    void build();
    // No track: the chart, its mark and its tooltip go.
    void clear();
    // The car stands on the point, or nowhere (-1).
    void markAt(int index);
    // The map centres on the point picked in the chart and shows it.
    void clicked(int index);

    const ProfileChart& chart() const { return chart_; }

  private:
    void onMouse(const ui::Message& message);
    void hover(ui::StaticControl& control, ui::Point at, int hot);

    ui::PageWindow& page_;
    TrackPageModel& model_;
    ChartKind kind_ = ChartKind::Altitude;
    ProfileChart chart_;
    ui::Tooltip tip_;
    int hotSpot_ = -1;
    int marker_ = -1;  // the point the car stands on, marked across the profile
    bool pressed_ = false;
};

}  // namespace vandrel::tracks
