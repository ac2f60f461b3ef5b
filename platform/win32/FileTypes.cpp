// Type names from the shell, judged by the name alone ("Text Document").
#include "platform/FileTypes.h"

#include "platform/win32/Wide.h"

#include <windows.h>

#include <shellapi.h>

namespace platform {

std::string FileTypeName(const std::string& path)
{
    SHFILEINFOW info{};
    if (SHGetFileInfoW(Widen(path).c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                       SHGFI_TYPENAME | SHGFI_USEFILEATTRIBUTES) == 0)
        return std::string();
    return Narrow(info.szTypeName);
}

std::string FolderTypeName()
{
    SHFILEINFOW info{};
    if (SHGetFileInfoW(L"folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                       SHGFI_TYPENAME | SHGFI_USEFILEATTRIBUTES) == 0)
        return std::string();
    return Narrow(info.szTypeName);
}

} // namespace platform
