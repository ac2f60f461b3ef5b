// The freedesktop trash through GIO, as file managers use it; a file system without a trash is a
// failure to report, never a reason to delete.
#include "platform/Trash.h"

#include <gio/gio.h>

namespace platform {

const char* const kTrashName = "trash";

bool MoveToTrash(const std::string& path, std::string& reason)
{
    GFile* file = g_file_new_for_path(path.c_str());
    GError* error = nullptr;
    const bool moved = g_file_trash(file, nullptr, &error) != FALSE;
    if (!moved)
        reason = error != nullptr ? error->message : "unknown error";
    if (error != nullptr)
        g_error_free(error);
    g_object_unref(file);
    return moved;
}

} // namespace platform
