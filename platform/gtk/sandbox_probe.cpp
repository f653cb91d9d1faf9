#include "platform/gtk/sandbox_probe.h"

#include <glib.h>

#include <iostream>

namespace vandrel::gtk {

bool sandboxWorks() {
    gchar* bwrap = g_find_program_in_path("bwrap");
    if (bwrap == nullptr) {
        std::cerr << "vandrel: bubblewrap (bwrap) is not installed; the web pages run without "
                     "WebKit's sandbox"
                  << std::endl;
        return false;
    }
    // The namespaces and mounts WebKit asks bubblewrap for, around a command that does nothing.
    const gchar* argv[] = {bwrap,
                           "--unshare-all",
                           "--die-with-parent",
                           "--ro-bind",
                           "/",
                           "/",
                           "--proc",
                           "/proc",
                           "--dev",
                           "/dev",
                           "true",
                           nullptr};
    gint status = 0;
    GError* error = nullptr;
    gboolean ran = g_spawn_sync(
        nullptr, const_cast<gchar**>(argv), nullptr,
        static_cast<GSpawnFlags>(G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL), nullptr,
        nullptr, nullptr, nullptr, &status, &error);
    g_free(bwrap);
    if (error != nullptr) {
        g_error_free(error);
    }
    if (ran && g_spawn_check_wait_status(status, nullptr)) {
        return true;
    }
    std::cerr << "vandrel: this system does not let bubblewrap create namespaces (a chroot, a "
                 "container or user namespaces turned off); the web pages run without WebKit's "
                 "sandbox"
              << std::endl;
    return false;
}

}  // namespace vandrel::gtk
