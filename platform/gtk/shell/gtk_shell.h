#pragma once
// The desktop program: the borderless main window showing MainFrame, with GTK's message
// boxes, file chooser, busy window, connectivity probe and the worker that keeps the window
// alive while a command runs. main() parses the options and runs it; the Xvfb tests run it in
// their own process.

#include <gtk/gtk.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/gui_prompt.h"
#include "app/main_frame.h"
#include "app/message_boxes.h"
#include "platform/gtk/glib_event_loop.h"
#include "platform/gtk/web_renderer.h"

namespace vandrel::gtk {

class GtkBoxRunner;
class GtkFiles;
class GtkPhotosDialog;
class GtkBusyWindow;
class GtkCommandRunner;
class SoupProbe;
class FrameWindow;

class GtkShell {
  public:
    // The map service: OpenStreetMap's tiles unless VANDREL_MAP_SERVICE names another tile
    // address template (or a local stand-in's address); the probe asks its home page. The
    // address search asks OpenStreetMap's search unless VANDREL_GEOCODER names another.
    explicit GtkShell(Session& session);
    ~GtkShell();
    GtkShell(const GtkShell&) = delete;
    GtkShell& operator=(const GtkShell&) = delete;

    // Creates the frame and shows the window centred at 920 x 720, then maximised.
    void start();
    // Starts with the map source of that name, or with an offline map file (FILE.mbtiles)
    // added for this run. False, with the reason in `error`, when there is no such source or
    // the file is no map.
    bool chooseMap(const std::string& nameOrFile, std::string& error);
    // Runs until the window closes; the settings are saved and the database closed then.
    void run();
    // Brings the window forward (a second start asked for it).
    void present();

    app::MainFrame& frame() { return *frame_; }
    WebRenderer& renderer() { return renderer_; }
    GlibEventLoop& loop() { return loop_; }
    GtkWidget* window() const;
    GtkWidget* busyWindow() const;
    // The top-level window of the box shown now, or null.
    GtkWidget* boxWindow() const;
    app::MessageBox* box() const;
    ui::HtmlWindow* boxView() const;
    // The prompt of the UI thread: its boxes, file choosers and busy window.
    app::GuiPrompt& prompt() { return *prompt_; }
    bool closed() const { return closed_; }
    void setProbeAddress(std::string address) { services_.probeAddress = std::move(address); }
    void close();
    // Files dropped onto the window (or given as dropped): offline map files are added to the
    // maps and shown on the map of the page shown (PageHost::addDroppedMaps); the others are
    // imported under the busy indicator, with the overwrite question, and the pages refresh
    // afterwards.
    void dropFiles(const std::vector<std::filesystem::path>& files);

  private:
    // No tooltip of the main window while a box, a file chooser or the busy window is open.
    static gboolean queryTooltip(GtkWidget* view, gint x, gint y, gboolean keyboard,
                                 GtkTooltip* tooltip, gpointer self);

    GlibEventLoop loop_;
    WebRenderer renderer_;
    std::unique_ptr<GtkBoxRunner> boxes_;
    std::unique_ptr<GtkFiles> files_;
    std::unique_ptr<GtkPhotosDialog> photosDialog_;
    std::unique_ptr<GtkBusyWindow> busy_;
    std::unique_ptr<app::GuiPrompt> prompt_;
    std::unique_ptr<GtkCommandRunner> commands_;
    std::unique_ptr<SoupProbe> probe_;
    std::unique_ptr<FrameWindow> frameWindow_;
    app::ShellServices services_;
    std::function<void(const std::vector<std::filesystem::path>&)> dropped_;
    std::unique_ptr<app::MainFrame> frame_;
    bool closed_ = false;
};

}  // namespace vandrel::gtk
