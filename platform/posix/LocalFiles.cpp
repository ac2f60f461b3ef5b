// GIO picks its virtual file system once, at its first use, by GIO_USE_VFS: the variable is set for
// that moment only, so that the file manager and the applications started later get the desktop's.
#include "platform/LocalFiles.h"

#include <cstdlib>
#include <gio/gio.h>

namespace platform {

void UseLocalFilesOnly()
{
    if (std::getenv("GIO_USE_VFS") != nullptr)
        return; // the user chose one
    setenv("GIO_USE_VFS", "local", 1);
    g_vfs_get_default();
    unsetenv("GIO_USE_VFS");
}

} // namespace platform
