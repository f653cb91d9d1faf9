#pragma once
// What the shell's windows need from the platform, gathered in one place so that the same
// MainFrame, PageHost and pages run under GTK and on the headless backend of the tests.

#include <functional>
#include <optional>
#include <string>

#include "app/frame_geometry.h"
#include "core/user_prompt.h"
#include "flows/session.h"
#include "map/map_service.h"
#include "ui/command_runner.h"

namespace vandrel::tracks {
class PhotosByTimeDialog;
}  // namespace vandrel::tracks

namespace vandrel::app {

using ui::CommandRunner;
using ui::DirectCommandRunner;

// Asks, without blocking the caller, whether an address answers; `done` comes later on the
// caller's loop with true when it did within the time-out.
class ConnectivityProbe {
  public:
    virtual ~ConnectivityProbe() = default;
    virtual void probe(const std::string& address, std::function<void(bool)> done) = 0;
};

// The frame's dealings with the desktop.
class FrameHost {
  public:
    virtual ~FrameHost() = default;
    virtual void minimize() = 0;
    virtual void moveTo(const ScreenRect& rect) = 0;
    virtual void close() = 0;
    // The desktop's size and the panel's rectangle, when the desktop reports one.
    virtual ScreenRect desktop() const = 0;
    virtual std::optional<ScreenRect> panel() const = 0;
};

struct ShellServices {
    // The program's data, which the pages reach through the flows.
    Session* session = nullptr;
    CommandRunner* commands = nullptr;
    ConnectivityProbe* probe = nullptr;
    FrameHost* frame = nullptr;
    // The track page's "Add Photos by Time..."; null where no dialogue can be held.
    tracks::PhotosByTimeDialog* photosDialog = nullptr;
    // The map pages' tiles and address search.
    map::MapService mapService;
    // The address the connectivity probe asks: the tile service's home page.
    std::string probeAddress = mapService.probeAddress();
};

}  // namespace vandrel::app
