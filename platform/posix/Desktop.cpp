// The desktop's default applications through GIO, and the file manager through its freedesktop
// D-Bus interface, asked without waiting on the calling thread.
#include "platform/Desktop.h"

#include "platform/Path.h"
#include "platform/posix/Launch.h"

#include <gio/gio.h>

namespace platform {

namespace {

std::string AbsoluteUri(const std::string& path)
{
    gchar* uri = g_filename_to_uri(FullPath(path.empty() ? "/" : path).c_str(), nullptr, nullptr);
    std::string text = uri != nullptr ? uri : "";
    g_free(uri);
    return text;
}

// The application set for the file's type; null, with the system's reason where it gives one, when
// there is none. The file's type is read from the local disk, never through the bus.
GAppInfo* ApplicationForFile(const std::string& path, std::string& reason)
{
    GFile* file = g_file_new_for_path(FullPath(path.empty() ? "/" : path).c_str());
    GError* error = nullptr;
    GAppInfo* application = g_file_query_default_handler(file, nullptr, &error);
    g_object_unref(file);
    reason = error != nullptr ? error->message : "";
    if (error != nullptr)
        g_error_free(error);
    return application;
}

void OpenFolderLater(const std::string& folder)
{
    std::string reason;
    if (GAppInfo* application = ApplicationForFile(folder, reason))
        StartApplication(application, AbsoluteUri(folder));
}

// One request to the file manager. It is shared by the steps still to come (the connection, the
// call, the deadline), each holding a reference, and it ends once with the reply or with the folder.
class CShowRequest
{
public:
    CShowRequest(std::string uri, std::string folder)
        : m_uri(std::move(uri)), m_folder(std::move(folder)), m_cancel(g_cancellable_new())
    {}
    CShowRequest(const CShowRequest&) = delete;
    CShowRequest& operator=(const CShowRequest&) = delete;

    static void Start(std::string uri, std::string folder)
    {
        auto* request = new CShowRequest(std::move(uri), std::move(folder));
        request->m_deadline =
            g_timeout_add_full(G_PRIORITY_DEFAULT, kDesktopDeadlineMs, OnDeadline, request->Ref(), Unref);
        // A connection of its own, so that a bus that never answers holds up no other connection, and
        // the connection's reading happens on GIO's worker thread, never here.
        gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
        if (address == nullptr) {
            request->Finish(false);
        } else {
            g_dbus_connection_new_for_address(
                address,
                static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                  G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                nullptr, request->m_cancel, OnConnected, request->Ref());
            g_free(address);
        }
        Unref(request);
    }

private:
    ~CShowRequest()
    {
        if (m_bus != nullptr) {
            g_dbus_connection_close(m_bus, nullptr, nullptr, nullptr);
            g_object_unref(m_bus);
        }
        g_object_unref(m_cancel);
    }

    gpointer Ref()
    {
        ++m_references;
        return this;
    }

    static void Unref(gpointer data)
    {
        auto* request = static_cast<CShowRequest*>(data);
        if (--request->m_references == 0)
            delete request;
    }

    static void OnConnected(GObject*, GAsyncResult* result, gpointer data)
    {
        auto* request = static_cast<CShowRequest*>(data);
        request->m_bus = g_dbus_connection_new_for_address_finish(result, nullptr);
        if (request->m_bus == nullptr || request->m_finished) {
            request->Finish(false);
        } else {
            const gchar* items[] = {request->m_uri.c_str(), nullptr};
            g_dbus_connection_call(request->m_bus, "org.freedesktop.FileManager1",
                                   "/org/freedesktop/FileManager1", "org.freedesktop.FileManager1",
                                   "ShowItems", g_variant_new("(^ass)", items, ""), nullptr,
                                   G_DBUS_CALL_FLAGS_NONE, static_cast<gint>(kDesktopDeadlineMs),
                                   request->m_cancel, OnReply, request->Ref());
        }
        Unref(request);
    }

    static void OnReply(GObject* bus, GAsyncResult* result, gpointer data)
    {
        auto* request = static_cast<CShowRequest*>(data);
        GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, nullptr);
        request->Finish(reply != nullptr);
        if (reply != nullptr)
            g_variant_unref(reply);
        Unref(request);
    }

    static gboolean OnDeadline(gpointer data)
    {
        auto* request = static_cast<CShowRequest*>(data);
        request->m_deadline = 0;
        request->Finish(false);
        return G_SOURCE_REMOVE;
    }

    // The first outcome counts: a reply after the deadline opens nothing more.
    void Finish(bool shown)
    {
        if (m_finished)
            return;
        m_finished = true;
        g_cancellable_cancel(m_cancel);
        if (m_deadline != 0)
            g_source_remove(m_deadline);
        m_deadline = 0;
        if (!shown)
            OpenFolderLater(m_folder);
    }

    std::string m_uri;
    std::string m_folder;
    GCancellable* m_cancel;
    GDBusConnection* m_bus = nullptr;
    guint m_deadline = 0;
    bool m_finished = false;
    int m_references = 1;
};

} // namespace

bool OpenWithDefaultApplication(const std::string& path, const std::string&, std::string& reason)
{
    // The application for the file's type, never the file itself: a launch by URI cannot execute it.
    reason.clear();
    const std::string uri = AbsoluteUri(path);
    GAppInfo* application = uri.empty() ? nullptr : ApplicationForFile(path, reason);
    if (application == nullptr)
        return false;
    StartApplication(application, uri);
    return true;
}

bool ShowInFileManager(const std::string& path, const std::string& folder)
{
    // An empty Location is the root, or the current folder for a name given without one.
    const std::string shown = !folder.empty()                       ? folder
                              : path.find('/') == std::string::npos ? CurrentFolder()
                                                                    : "/";
    const std::string uri = AbsoluteUri(path);
    if (uri.empty())
        OpenFolderLater(shown);
    else
        CShowRequest::Start(uri, shown);
    return true;
}

} // namespace platform
