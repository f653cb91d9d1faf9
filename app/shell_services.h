#pragma once
// What the shell's windows need from the platform, gathered in one place so that the same
// MainFrame, PageHost and pages run under GTK and on the headless backend of the tests.

#include <functional>
#include <optional>
#include <string>

#include "app/frame_geometry.h"
#include "core/user_prompt.h"

namespace vandrel::app {

// Runs a long command flow with the user's prompt. The GTK runner keeps the window responsive
// (the busy window animates) while the flow runs; the headless one just calls it. `onUi` runs
// a step that touches the pages on the UI thread and returns when it is done.
class CommandRunner {
  public:
    virtual ~CommandRunner() = default;
    virtual void run(const std::function<void(UserPrompt&)>& command) = 0;
    virtual void onUi(const std::function<void()>& step) = 0;
};

// Runs everything at once on the caller's thread.
class DirectCommandRunner final : public CommandRunner {
  public:
    explicit DirectCommandRunner(UserPrompt& prompt) : prompt_(prompt) {}
    void run(const std::function<void(UserPrompt&)>& command) override { command(prompt_); }
    void onUi(const std::function<void()>& step) override { step(); }

  private:
    UserPrompt& prompt_;
};

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

// The home page of the map service the map pages draw their tiles from; the probe asks it.
inline constexpr const char* kMapServiceProbe = "https://tile.openstreetmap.org/";

struct ShellServices {
    CommandRunner* commands = nullptr;
    ConnectivityProbe* probe = nullptr;
    FrameHost* frame = nullptr;
    std::string probeAddress = kMapServiceProbe;
};

}  // namespace vandrel::app
