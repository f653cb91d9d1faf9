#include "platform/gtk/shell/single_instance.h"

#include <gio/gunixsocketaddress.h>

#include <string>

namespace vandrel::gtk {

namespace {

GSocketAddress* addressFor(const std::filesystem::path& folder) {
    std::error_code ec;
    std::string key = std::filesystem::weakly_canonical(folder, ec).string();
    gchar* digest = g_compute_checksum_for_string(G_CHECKSUM_SHA1, key.c_str(), -1);
    std::string name = std::string("vandrel-") + digest;
    g_free(digest);
    return g_unix_socket_address_new_with_type(name.c_str(), -1, G_UNIX_SOCKET_ADDRESS_ABSTRACT);
}

}  // namespace

SingleInstance::SingleInstance(const std::filesystem::path& folder, std::function<void()> raise)
    : raise_(std::move(raise)) {
    GSocketAddress* address = addressFor(folder);
    GSocketService* service = g_socket_service_new();
    GError* error = nullptr;
    if (g_socket_listener_add_address(G_SOCKET_LISTENER(service), address, G_SOCKET_TYPE_STREAM,
                                      G_SOCKET_PROTOCOL_DEFAULT, nullptr, nullptr, &error)) {
        service_ = service;
        g_signal_connect(service_, "incoming",
                         G_CALLBACK(+[](GSocketService*, GSocketConnection*, GObject*,
                                        gpointer self) -> gboolean {
                             auto* me = static_cast<SingleInstance*>(self);
                             if (me->raise_) {
                                 me->raise_();
                             }
                             return FALSE;
                         }),
                         this);
        g_socket_service_start(service_);
    } else {
        g_clear_error(&error);
        g_object_unref(service);
        // Someone holds the folder: knock, so that its window comes forward.
        GSocketClient* client = g_socket_client_new();
        GSocketConnection* connection =
            g_socket_client_connect(client, G_SOCKET_CONNECTABLE(address), nullptr, nullptr);
        if (connection != nullptr) {
            g_io_stream_close(G_IO_STREAM(connection), nullptr, nullptr);
            g_object_unref(connection);
        }
        g_object_unref(client);
    }
    g_object_unref(address);
}

SingleInstance::~SingleInstance() {
    if (service_ != nullptr) {
        g_socket_service_stop(service_);
        g_socket_listener_close(G_SOCKET_LISTENER(service_));
        g_object_unref(service_);
    }
}

}  // namespace vandrel::gtk
