// Type names from GIO's content types, guessed from the file name alone so that no file is read.
#include "platform/FileTypes.h"

#include <gio/gio.h>

namespace platform {

namespace {

std::string Description(const gchar* type)
{
    gchar* description = g_content_type_get_description(type);
    std::string name = description != nullptr ? description : "";
    g_free(description);
    return name;
}

} // namespace

std::string FileTypeName(const std::string& path)
{
    gboolean uncertain = FALSE;
    gchar* type = g_content_type_guess(path.c_str(), nullptr, 0, &uncertain);
    if (type == nullptr)
        return std::string();
    std::string name = Description(type);
    g_free(type);
    return name;
}

std::string FolderTypeName()
{
    // A guess from a folder's name alone would call it an empty file.
    return Description("inode/directory");
}

} // namespace platform
