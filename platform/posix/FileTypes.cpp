// Type names from GIO's content types, guessed from the file name alone so that no file is read.
#include "platform/FileTypes.h"

#include <gio/gio.h>

namespace platform {

std::string FileTypeName(const std::string& path)
{
    gboolean uncertain = FALSE;
    gchar* type = g_content_type_guess(path.c_str(), nullptr, 0, &uncertain);
    if (type == nullptr)
        return std::string();
    gchar* description = g_content_type_get_description(type);
    std::string name = description != nullptr ? description : "";
    g_free(description);
    g_free(type);
    return name;
}

} // namespace platform
