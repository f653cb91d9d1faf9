#include "platform/gtk/shell/gtk_shell.h"

#include <cstdlib>

#include "app/dropped_files.h"
#include "flows/track_files.h"
#include "map/map_service.h"
#include "map/map_sources.h"
#include "platform/gtk/image_size_reader.h"
#include "platform/gtk/shell/file_drop.h"
#include "platform/gtk/shell/gtk_parts.h"
#include "ui/element.h"
#include "ui/messages.h"

namespace vandrel::gtk {

GtkShell::GtkShell(Session& session)
    : boxes_(std::make_unique<GtkBoxRunner>(loop_, renderer_)),
      files_(std::make_unique<GtkFiles>()),
      photosDialog_(std::make_unique<GtkPhotosDialog>()),
      busy_(std::make_unique<GtkBusyWindow>(loop_)),
      prompt_(std::make_unique<app::GuiPrompt>(*boxes_, *files_, *busy_)),
      commands_(std::make_unique<GtkCommandRunner>(*prompt_)),
      probe_(std::make_unique<SoupProbe>()) {
    installImageSizeReader();
    services_.commands = commands_.get();
    services_.probe = probe_.get();
    services_.session = &session;
    services_.photosDialog = photosDialog_.get();
    renderer_.servePhotos(session.folder().photos());
    // A flow on the command worker reaches the pages through the UI thread.
    session.setOwnerThread([this](const std::function<void()>& step) { commands_->onUi(step); });
    services_.mapService = map::MapService::fromEnvironment();
    services_.probeAddress = services_.mapService.probeAddress();
    auto sources = std::make_shared<map::MapSources>(services_.mapService,
                                                     session.folder().file("mapsources.xml"));
    for (const std::string& problem : sources->problems()) {
        g_warning("%s", problem.c_str());
    }
    // The offline map files' tiles come from the files themselves, never from a web server.
    renderer_.serveAnswers(
        map::kTileRequestFolder,
        [sources](const std::string& rest, std::string& bytes, std::string& mime) {
            return sources->tile(rest, bytes, mime);
        });
    services_.mapService.sources = std::move(sources);
    frame_ = std::make_unique<app::MainFrame>(loop_, services_);
    frameWindow_ = std::make_unique<FrameWindow>(*frame_, [this] { close(); });
    services_.frame = frameWindow_.get();
    prompt_->setOwner(frame_.get());
    boxes_->setParent(frameWindow_->window());
    files_->setParent(frameWindow_->window());
    photosDialog_->setParent(frameWindow_->window());
    busy_->setParent(frameWindow_->window());
}

GtkShell::~GtkShell() {
    if (!closed_) {
        frame_->destroy();
    }
    // The frame's windows go before the renderer that shows them.
    frame_.reset();
}

GtkWidget* GtkShell::window() const {
    return frameWindow_->window();
}

GtkWidget* GtkShell::busyWindow() const {
    return busy_->window();
}

GtkWidget* GtkShell::boxWindow() const {
    return boxes_->window();
}

app::MessageBox* GtkShell::box() const {
    return boxes_->box();
}

ui::HtmlWindow* GtkShell::boxView() const {
    return boxes_->view();
}

gboolean GtkShell::queryTooltip(GtkWidget* view, gint, gint, gboolean, GtkTooltip*, gpointer self) {
    const auto* shell = static_cast<const GtkShell*>(self);
    if (shell->boxes_->box() != nullptr || shell->files_->choosing() ||
        shell->busy_->window() != nullptr || shell->photosDialog_->open()) {
        // Before WebKit's own handler, which would show the title under the pointer.
        g_signal_stop_emission_by_name(view, "query-tooltip");
    }
    return FALSE;
}

bool GtkShell::chooseMap(const std::string& nameOrFile, std::string& error) {
    map::MapSources& sources = *services_.mapService.sources;
    std::string name = nameOrFile;
    if (sources.find(nameOrFile) == nullptr && nameOrFile.ends_with(".mbtiles")) {
        name = sources.addFile(nameOrFile, false, error);
        if (name.empty()) {
            return false;
        }
    }
    return sources.choose(name, false, error);
}

void GtkShell::start() {
    GtkWidget* view = renderer_.show(*frame_);
    frameWindow_->attach(view);
    // The buttons' titles are GTK tooltips of the view, shown in a window above every other.
    g_signal_connect(view, "query-tooltip", G_CALLBACK(queryTooltip), this);
    dropped_ = [this](const std::vector<std::filesystem::path>& files) { dropFiles(files); };
    acceptFileDrops(view, &dropped_);
    frame_->create();
    GtkWindow* window = GTK_WINDOW(frameWindow_->window());
    // 920 x 720 in the middle of the desktop: the rectangle that restore returns to.
    const app::ScreenRect desktop = frameWindow_->desktop();
    const int left = desktop.left + (desktop.width() - app::kFrameWidth) / 2;
    const int top = desktop.top + (desktop.height() - app::kFrameHeight) / 2;
    gtk_window_set_default_size(window, app::kFrameWidth, app::kFrameHeight);
    gtk_window_move(window, left, top);
    frame_->windowMoved({left, top, left + app::kFrameWidth, top + app::kFrameHeight});
    gtk_widget_show_all(frameWindow_->window());
    frame_->post(ui::WM_FRAME_MAXRESTORE, 0,
                 reinterpret_cast<std::intptr_t>(frame_->document().selectFirst("#maximize")));
}

void GtkShell::run() {
    while (!closed_) {
        g_main_context_iteration(nullptr, TRUE);
    }
}

void GtkShell::present() {
    gtk_window_present(GTK_WINDOW(frameWindow_->window()));
}

void GtkShell::dropFiles(const std::vector<std::filesystem::path>& files) {
    Session& session = *services_.session;
    // A drop while a command runs is not taken: one command at a time.
    if (commands_->running()) {
        return;
    }
    const app::DroppedFiles sorted = app::sortDroppedFiles(files);
    if (!sorted.maps.empty() && frame_->pageHost() != nullptr) {
        frame_->pageHost()->addDroppedMaps(sorted.maps);
    }
    if (!sorted.tracks.empty()) {
        commands_->run([&session, tracks = sorted.tracks](UserPrompt& prompt) {
            ImportDroppedFiles(prompt, session, tracks);
        });
    }
}

void GtkShell::close() {
    if (closed_ || commands_->running()) {
        return;  // a command in progress finishes first
    }
    closed_ = true;
    frame_->destroy();
    gtk_widget_hide(frameWindow_->window());
}

}  // namespace vandrel::gtk
