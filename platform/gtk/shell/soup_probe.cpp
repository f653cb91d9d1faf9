// The connectivity probe: one asynchronous request, answered or given up within a second.
#include "platform/gtk/shell/gtk_parts.h"

namespace vandrel::gtk {

namespace {

struct Probe {
    std::function<void(bool)> done;
    std::weak_ptr<bool> alive;
    GCancellable* cancel = nullptr;
    guint timeout = 0;
};

}  // namespace

SoupProbe::SoupProbe()
    : session_(soup_session_new_with_options("user-agent", "InetURL/1.0", "timeout", 1u, nullptr)),
      alive_(std::make_shared<bool>(true)) {}

SoupProbe::~SoupProbe() {
    alive_.reset();
    soup_session_abort(session_);
    g_object_unref(session_);
}

void SoupProbe::probe(const std::string& address, std::function<void(bool)> done) {
    SoupMessage* message = soup_message_new(SOUP_METHOD_GET, address.c_str());
    if (message == nullptr) {
        done(false);
        return;
    }
    // Any answer of the server counts, whatever its status: only "no answer" is offline.
    soup_message_add_flags(message, SOUP_MESSAGE_NO_REDIRECT);
    auto* p = new Probe{std::move(done), alive_, g_cancellable_new(), 0};
    p->timeout = g_timeout_add(
        1000,
        [](gpointer data) -> gboolean {
            auto* q = static_cast<Probe*>(data);
            q->timeout = 0;
            g_cancellable_cancel(q->cancel);
            return G_SOURCE_REMOVE;
        },
        p);
    soup_session_send_async(
        session_, message, G_PRIORITY_DEFAULT, p->cancel,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            auto* q = static_cast<Probe*>(data);
            GError* error = nullptr;
            GInputStream* stream = soup_session_send_finish(SOUP_SESSION(source), result, &error);
            const bool answered = stream != nullptr;
            if (stream != nullptr) {
                g_input_stream_close(stream, nullptr, nullptr);
                g_object_unref(stream);
            }
            g_clear_error(&error);
            if (q->timeout != 0) {
                g_source_remove(q->timeout);
            }
            g_object_unref(q->cancel);
            if (!q->alive.expired()) {
                q->done(answered);
            }
            delete q;
        },
        p);
    g_object_unref(message);
}

}  // namespace vandrel::gtk
