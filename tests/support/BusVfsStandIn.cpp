// A stand-in for the desktop's virtual file system, as a GIO module: like the real one it connects
// to the session bus, synchronously, when it is first asked for, and it outranks the local one; every
// request it then hands to the local one. Alone in a folder named by GIO_MODULE_DIR, it lets a test
// start the program as a desktop with that file system installed would.
#include <gio/gio.h>

namespace {

GFile* FileForPath(GVfs*, const char* path)
{
    return g_vfs_get_file_for_path(g_vfs_get_local(), path);
}

GFile* FileForUri(GVfs*, const char* uri)
{
    return g_vfs_get_file_for_uri(g_vfs_get_local(), uri);
}

const gchar* const* Schemes(GVfs*)
{
    return g_vfs_get_supported_uri_schemes(g_vfs_get_local());
}

GFile* ParseName(GVfs*, const char* name)
{
    return g_vfs_parse_name(g_vfs_get_local(), name);
}

gboolean IsActive(GVfs*)
{
    return TRUE;
}

void ClassInit(gpointer klass, gpointer)
{
    GVfsClass* vfs = G_VFS_CLASS(klass);
    vfs->is_active = IsActive;
    vfs->get_file_for_path = FileForPath;
    vfs->get_file_for_uri = FileForUri;
    vfs->get_supported_uri_schemes = Schemes;
    vfs->parse_name = ParseName;
}

void InstanceInit(GTypeInstance*, gpointer)
{
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (bus != nullptr)
        g_object_unref(bus);
}

} // namespace

extern "C" G_MODULE_EXPORT void g_io_module_load(GIOModule* module)
{
    GTypeInfo info{};
    info.class_size = sizeof(GVfsClass);
    info.class_init = ClassInit;
    info.instance_size = sizeof(GVfs);
    info.instance_init = InstanceInit;
    const GType type = g_type_module_register_type(G_TYPE_MODULE(module), G_TYPE_VFS, "QuorvelBusVfsStandIn",
                                                   &info, GTypeFlags{});
    g_io_extension_point_implement(G_VFS_EXTENSION_POINT_NAME, type, "bus-stand-in", 100);
}

extern "C" G_MODULE_EXPORT void g_io_module_unload(GIOModule*) {}
