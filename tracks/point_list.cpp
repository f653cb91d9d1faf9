#include "tracks/point_list.h"

#include <utility>

#include "core/units.h"
#include "tracks/track_list_row.h"
#include "ui/list_view.h"

namespace vandrel::tracks {
namespace {

const ui::Color kGridLine = ui::rgb(224, 224, 224);

}  // namespace

void attachPointList(ui::ListView& list, PointSource points, const DeviceSettings& settings) {
    for (std::size_t i = 0; i < kPointColumns.size(); ++i) {
        list.insertColumn(static_cast<int>(i), kPointColumns[i].width, kPointColumns[i].title);
    }
    list.setRowHeight(kPointRowHeight);
    list.setRowPainter([&list, &settings, points = std::move(points)](
                           ui::Canvas& canvas, int row, const ui::Rect& rect, bool selected) {
        const std::vector<TrackPoint>* shown = points();
        // The row count and the shown track change together; a row beyond the points is a
        // repaint caught between the two and stays blank.
        if (shown != nullptr && row >= 0 && row < static_cast<int>(shown->size())) {
            paintPointRow(canvas, list, (*shown)[static_cast<std::size_t>(row)], row, rect,
                          selected, settings);
        }
    });
}

void showPointRows(ui::ListView* list, int count) {
    if (list != nullptr) {
        list->deleteAllRows();
        list->setVirtualRowCount(count);
    }
}

std::array<std::string, kPointColumns.size()> pointRowTexts(const TrackPoint& point, int row,
                                                            const DeviceSettings& settings) {
    return {
        std::to_string(row + 1),
        FormatDateTime(point.sdate, settings),
        FormatCoordinate(point.lat),
        FormatCoordinate(point.lng),
        FormatAltitude(point.alt, settings),
        FormatPressure(point.bar),
        FormatTemperature(point.tmp, settings),
    };
}

void paintPointRow(ui::Canvas& canvas, const ui::ListView& list, const TrackPoint& point, int row,
                   const ui::Rect& rect, bool selected, const DeviceSettings& settings) {
    paintRowBackground(canvas, rect, selected);
    const auto texts = pointRowTexts(point, row, settings);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const ui::Rect header = list.columnRect(static_cast<int>(i));
        if (header.right <= 0 || header.left >= rect.right) {
            continue;  // scrolled out sideways
        }
        canvas.text({header.left + 2, rect.top, header.right, rect.bottom}, texts[i],
                    ui::rgb(0, 0, 0), ui::kAlignLeft | ui::kAlignMiddle);
        canvas.line({header.right - 1, rect.top}, {header.right - 1, rect.bottom}, kGridLine);
    }
    canvas.line({rect.left, rect.bottom - 1}, {rect.right, rect.bottom - 1}, kGridLine);
}

}  // namespace vandrel::tracks
