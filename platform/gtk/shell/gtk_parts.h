#pragma once
// The GTK pieces of the desktop program, each answering one interface of the shell.

#include <gtk/gtk.h>
#include <libsoup/soup.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/busy_indicator.h"
#include "app/gui_prompt.h"
#include "app/main_frame.h"
#include "app/message_boxes.h"
#include "app/shell_services.h"
#include "platform/gtk/glib_event_loop.h"
#include "platform/gtk/web_renderer.h"
#include "tracks/photos_by_time_dialog.h"

namespace vandrel::gtk {

// Hides the tooltip GTK shows now (a button's title in a page of the main window). It is a
// window of its own above every other: a box, a file chooser or the busy window opening over
// the main window hides it first, and the main window shows none while they are open.
void hideTooltips();

// GTK's file chooser opens at a size from its font (1096 x 822 with the usual one) whatever
// the window it belongs to. While one of these lives, a chooser shown over `parent` is made to
// fit within it.
class ChooserFit {
  public:
    explicit ChooserFit(GtkWidget* parent);
    ~ChooserFit();
    ChooserFit(const ChooserFit&) = delete;
    ChooserFit& operator=(const ChooserFit&) = delete;

  private:
    bool fitShown();

    GtkWidget* parent_;
    guint source_ = 0;
    int ticks_ = 0;
};

// Each box is a modal undecorated window over the main window with its own web view, sized to
// the page's minimum size once the page reports it, run in a nested loop until a button or
// Enter/Esc ends it. The page loads off the screen first; window() is the box once shown.
class GtkBoxRunner final : public app::BoxRunner {
  public:
    GtkBoxRunner(GlibEventLoop& loop, WebRenderer& renderer) : loop_(loop), renderer_(renderer) {}
    void setParent(GtkWidget* parent) { parent_ = parent; }
    int run(app::MessageBox& box, ui::Window* owner) override;

    GtkWidget* window() const { return window_; }
    app::MessageBox* box() const { return box_; }
    ui::HtmlWindow* view() const { return view_; }

  private:
    GlibEventLoop& loop_;
    WebRenderer& renderer_;
    GtkWidget* parent_ = nullptr;
    GtkWidget* window_ = nullptr;
    app::MessageBox* box_ = nullptr;
    ui::HtmlWindow* view_ = nullptr;
};

class GtkFiles final : public app::FileChooser {
  public:
    void setParent(GtkWidget* parent) { parent_ = parent; }
    std::optional<std::string> open(const FileFilter& filter, ui::Window* owner) override;
    std::vector<std::string> openMany(const FileFilter& filter, ui::Window* owner) override;
    std::optional<std::string> save(const FileFilter& filter, ui::Window* owner) override;
    bool choosing() const { return choosing_; }

  private:
    enum class Choice { Open, OpenMany, Save };
    std::vector<std::string> choose(const FileFilter& filter, Choice choice);
    GtkWidget* parent_ = nullptr;
    bool choosing_ = false;
    std::string folder_;  // where the last file chosen lies, to open there again
};

// "Add Photos by Time...": a GTK file chooser that takes files or the folder it shows, and a
// modal preview listing each photo with its thumbnail and place, run in a nested loop.
class GtkPhotosDialog final : public tracks::PhotosByTimeDialog {
  public:
    void setParent(GtkWidget* parent) { parent_ = parent; }
    std::vector<std::string> choosePhotos() override;
    std::optional<tracks::PhotosChoice> preview(const std::vector<tracks::PreviewPhoto>& photos,
                                                const MatchSettings& start,
                                                const tracks::PhotoPlaces& places) override;
    // Whether one of its dialogs is open: the main window then shows no titles over it.
    bool open() const { return open_; }

  private:
    GtkWidget* parent_ = nullptr;
    bool open_ = false;
    std::string folder_;  // where the chooser was last, to open there again
};

// The small "Loading" window: the background artwork with the animated text, centred over the
// main window, which is insensitive from start() to stop(). hide() unmaps it while a question
// is in front; window() stays the busy window, shown or not.
class GtkBusyWindow final : public app::BusyIndicator {
  public:
    explicit GtkBusyWindow(GlibEventLoop& loop);
    ~GtkBusyWindow() override;
    void setParent(GtkWidget* parent) { parent_ = parent; }
    void start() override;
    void stop() override;
    void hide() override;
    void show() override;
    GtkWidget* window() const { return window_; }
    const std::string& text() const { return animation_.text(); }

  private:
    static gboolean draw(GtkWidget* widget, cairo_t* cr, gpointer self);
    app::BusyAnimation animation_;
    GtkWidget* parent_ = nullptr;
    GtkWidget* window_ = nullptr;
    cairo_surface_t* background_ = nullptr;
};

// Runs a command flow on a worker thread while the UI thread keeps its loop turning (the busy
// window animates, the page repaints); every question of the flow is asked on the UI thread,
// which the worker waits for. Nothing of GTK is touched off the UI thread.
class GtkCommandRunner final : public app::CommandRunner {
  public:
    explicit GtkCommandRunner(UserPrompt& prompt) : prompt_(prompt) {}
    void run(const std::function<void(UserPrompt&)>& command) override;
    void onUi(const std::function<void()>& step) override;
    UserPrompt& prompt() override { return prompt_; }
    bool running() const { return running_; }

  private:
    UserPrompt& prompt_;
    std::atomic<bool> running_{false};
};

// Asks whether an address answers within a second with libsoup, without blocking the loop.
class SoupProbe final : public app::ConnectivityProbe {
  public:
    SoupProbe();
    ~SoupProbe() override;
    void probe(const std::string& address, std::function<void(bool)> done) override;

  private:
    SoupSession* session_;
    std::shared_ptr<bool> alive_;
};

// The borderless main window and its dealings with the desktop.
class FrameWindow final : public app::FrameHost {
  public:
    explicit FrameWindow(app::MainFrame& frame, std::function<void()> closeRequested);
    GtkWidget* window() const { return window_; }
    void attach(GtkWidget* view);

    void minimize() override;
    void moveTo(const app::ScreenRect& rect) override;
    void close() override;
    app::ScreenRect desktop() const override;
    std::optional<app::ScreenRect> panel() const override;

  private:
    static gboolean pressed(GtkWidget* widget, GdkEventButton* event, gpointer self);
    static gboolean configured(GtkWidget* widget, GdkEventConfigure* event, gpointer self);
    GdkMonitor* monitor() const;

    app::MainFrame& frame_;
    std::function<void()> closeRequested_;
    GtkWidget* window_;
};

}  // namespace vandrel::gtk
