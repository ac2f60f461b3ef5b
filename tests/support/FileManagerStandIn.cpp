// A stand-in file manager for the tests: owns org.freedesktop.FileManager1 on the session bus and
// writes each item that ShowItems is asked to show, one per line, to the file named by its argument.
// With a second argument, "silent", it takes each call and never answers it, as a file manager that
// hangs does. It prints "ready" once the name is its own and runs until it is ended.
#include <cstdio>
#include <gio/gio.h>

namespace {

const char* const kInterface = "<node><interface name='org.freedesktop.FileManager1'>"
                               "<method name='ShowItems'><arg type='as' direction='in'/>"
                               "<arg type='s' direction='in'/></method></interface></node>";

const char* s_record = nullptr;
bool s_silent = false;

void OnCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
            GVariant* parameters, GDBusMethodInvocation* invocation, gpointer)
{
    if (g_strcmp0(method, "ShowItems") == 0) {
        GVariantIter* items = nullptr;
        const gchar* startup = nullptr;
        g_variant_get(parameters, "(as&s)", &items, &startup);
        FILE* record = std::fopen(s_record, "a");
        const gchar* item = nullptr;
        while (g_variant_iter_loop(items, "&s", &item))
            std::fprintf(record, "%s\n", item);
        std::fclose(record);
        g_variant_iter_free(items);
    }
    if (s_silent)
        return; // the invocation is kept, unanswered, until the process ends
    g_dbus_method_invocation_return_value(invocation, nullptr);
}

void OnBus(GDBusConnection* bus, const gchar*, gpointer)
{
    static const GDBusInterfaceVTable table = {OnCall, nullptr, nullptr, {}};
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kInterface, nullptr);
    g_dbus_connection_register_object(bus, "/org/freedesktop/FileManager1", node->interfaces[0], &table,
                                      nullptr, nullptr, nullptr);
    g_dbus_node_info_unref(node);
}

void OnName(GDBusConnection*, const gchar*, gpointer)
{
    std::printf("ready\n");
    std::fflush(stdout);
}

void OnNameLost(GDBusConnection*, const gchar*, gpointer loop)
{
    g_main_loop_quit(static_cast<GMainLoop*>(loop));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && !(argc == 3 && g_strcmp0(argv[2], "silent") == 0))
        return 2;
    s_record = argv[1];
    s_silent = argc == 3;
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    g_bus_own_name(G_BUS_TYPE_SESSION, "org.freedesktop.FileManager1", G_BUS_NAME_OWNER_FLAGS_NONE, OnBus,
                   OnName, OnNameLost, loop, nullptr);
    g_main_loop_run(loop);
    return 1;
}
