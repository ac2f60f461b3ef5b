// The desktop's default applications through GIO, and the file manager through its freedesktop
// D-Bus interface.
#include "platform/Desktop.h"

#include "platform/Path.h"

#include <gio/gio.h>

namespace platform {

namespace {

constexpr int kFileManagerTimeoutMs = 10000; // a file manager that is not running yet is started first

std::string AbsoluteUri(const std::string& path)
{
    gchar* uri = g_filename_to_uri(FullPath(path.empty() ? "/" : path).c_str(), nullptr, nullptr);
    std::string text = uri != nullptr ? uri : "";
    g_free(uri);
    return text;
}

bool AskFileManagerToShow(const std::string& uri)
{
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (bus == nullptr)
        return false;
    const gchar* items[] = {uri.c_str(), nullptr};
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1", "org.freedesktop.FileManager1",
        "ShowItems", g_variant_new("(^ass)", items, ""), nullptr, G_DBUS_CALL_FLAGS_NONE,
        kFileManagerTimeoutMs, nullptr, nullptr);
    g_object_unref(bus);
    if (reply == nullptr)
        return false;
    g_variant_unref(reply);
    return true;
}

} // namespace

bool OpenWithDefaultApplication(const std::string& path, const std::string&)
{
    // The application for the file's type, never the file itself: a launch by URI cannot execute it.
    const std::string uri = AbsoluteUri(path);
    return !uri.empty() && g_app_info_launch_default_for_uri(uri.c_str(), nullptr, nullptr) != FALSE;
}

bool ShowInFileManager(const std::string& path, const std::string& folder)
{
    const std::string uri = AbsoluteUri(path);
    if (!uri.empty() && AskFileManagerToShow(uri))
        return true;
    // An empty Location is the root, or the current folder for a name given without one.
    const std::string shown = !folder.empty()                       ? folder
                              : path.find('/') == std::string::npos ? CurrentFolder()
                                                                    : "/";
    return OpenWithDefaultApplication(shown, shown);
}

} // namespace platform
