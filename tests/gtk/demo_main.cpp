// vandrel-demo: shows the demonstration page of the view layer in a window.
#include <gtk/gtk.h>

#include <memory>
#include <span>

#include "core/program_path.h"
#include "gtk/demo_page.h"
#include "platform/gtk/glib_event_loop.h"
#include "platform/gtk/web_renderer.h"
#include "ui/resources.h"

std::span<const vandrel::ui::Resource> demoResources();

int main(int argc, char** argv) {
    gtk_init(&argc, &argv);
    vandrel::ui::setResourceTable(demoResources());
    vandrel::gtk::GlibEventLoop loop;
    vandrel::gtk::WebRenderer renderer;
    std::filesystem::path folder = VANDREL_DEMO_DIR;
    renderer.serveFolder("demo", folder);
    vandrel::demo::DemoPage page(loop);
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(window), 1000, 640);
    gtk_container_add(GTK_CONTAINER(window), renderer.show(page));
    page.start(folder / "hosted.html");
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
    gtk_widget_show_all(window);
    gtk_main();
    return 0;
}
