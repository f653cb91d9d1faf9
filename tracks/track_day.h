#pragma once
// The day the track page lists: the calendar that marks the days stored tracks cover and its
// month commands, the day's tracks in the list with their origins, the list's menu and
// deleting the selected tracks.

#include <vector>

#include "tracks/month_calendar.h"
#include "tracks/month_choice.h"
#include "tracks/page_statistics.h"
#include "tracks/shown_track.h"
#include "tracks/track_page_model.h"
#include "ui/page_window.h"

namespace vandrel::tracks {

class TrackDay {
  public:
    struct Parts {
        ShownTrack& shown;
        PageStatistics& statistics;
    };
    TrackDay(ui::PageWindow& page, TrackPageModel& model, ui::CommandRunner* commands, Parts parts);

    // Takes the calendar's and the list's painting and input, and opens on today.
    void attach();

    // The day the calendar selects, read again: nothing is shown any more.
    void load();
    // The marked days read again; the selected day is read again once the page gets to it.
    void refresh();
    // The stored tracks changed: the days marked anew and a newest track's month in view.
    void showStoredTracks(const std::vector<TrackHeader>& headers, double newestStart);
    // The selected day's tracks read into the list again; the shown track is the caller's.
    void readDay();

    MonthCalendar& calendar() { return calendar_; }
    MonthChoice& monthChoice() { return monthChoice_; }
    void showMonth(int year, int month);
    void lastMonth();
    void nextMonth();
    void today();

    // The row the list's selection mark is on, or -1; whether a row is selected.
    int markedRow() const;
    std::vector<bool> selectedRows() const;
    bool hasSelection() const;
    void openMenu(ui::Point at);
    void hideMenu();
    void deleteSelected();

  private:
    void attachCalendar();
    void attachList();
    void loadTrackDates();
    void loadTrackDates(const std::vector<TrackHeader>& headers);
    void repaintCalendar();
    void writeMonthLabel();
    void onCalendarMouse(const ui::Message& message);
    void fillTrackList();
    void writeTrackCount();
    void applyColumnRule();
    void keepUnchosenRows(const std::vector<int>& chosenRows);
    void datesChanged();

    ui::PageWindow& page_;
    TrackPageModel& model_;
    ui::CommandRunner* commands_;
    Parts parts_;
    MonthCalendar calendar_;
    MonthChoice monthChoice_;
};

}  // namespace vandrel::tracks
