// One launch at a time per request, each freed when GIO reports its end.
#include "platform/posix/Launch.h"

namespace platform {

namespace {

class CLaunchRequest
{
public:
    explicit CLaunchRequest(GAppInfo* application) : m_application(application), m_cancel(g_cancellable_new())
    {}
    CLaunchRequest(const CLaunchRequest&) = delete;
    CLaunchRequest& operator=(const CLaunchRequest&) = delete;

    ~CLaunchRequest()
    {
        g_object_unref(m_cancel);
        g_object_unref(m_application);
    }

    void Start(const std::string& uri)
    {
        m_deadline = g_timeout_add(kDesktopDeadlineMs, OnDeadline, this);
        GList uris{const_cast<gchar*>(uri.c_str()), nullptr, nullptr};
        g_app_info_launch_uris_async(m_application, &uris, nullptr, m_cancel, OnLaunched, this);
    }

private:
    // Cancelling gives up only the wait for the bus: GIO then starts the application without it.
    static gboolean OnDeadline(gpointer data)
    {
        auto* request = static_cast<CLaunchRequest*>(data);
        request->m_deadline = 0;
        g_cancellable_cancel(request->m_cancel);
        return G_SOURCE_REMOVE;
    }

    // Comes once, whether the launch went through or not; nobody is waiting for the outcome.
    static void OnLaunched(GObject* application, GAsyncResult* result, gpointer data)
    {
        auto* request = static_cast<CLaunchRequest*>(data);
        g_app_info_launch_uris_finish(G_APP_INFO(application), result, nullptr);
        if (request->m_deadline != 0)
            g_source_remove(request->m_deadline);
        delete request;
    }

    GAppInfo* m_application;
    GCancellable* m_cancel;
    guint m_deadline = 0;
};

} // namespace

void StartApplication(GAppInfo* application, const std::string& uri)
{
    (new CLaunchRequest(application))->Start(uri);
}

} // namespace platform
