// Names on Windows: letter case is ignored as the file system ignores it, and attributes hide.
#include "platform/NameRules.h"

#include "platform/Path.h"
#include "platform/win32/Wide.h"

#include <windows.h>

namespace platform {

std::string NameKey(std::string_view text)
{
    std::wstring wide = Widen(text);
    if (!wide.empty())
        CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
    return Narrow(wide);
}

bool IsHiddenFolder(const std::string& path)
{
    // A drive's root answers as hidden and system, yet it is what the user named, not a hidden folder.
    std::wstring wide = Widen(FullPath(path));
    wchar_t volume[MAX_PATH + 1];
    if (GetVolumePathNameW(wide.c_str(), volume, MAX_PATH + 1)) {
        std::wstring root = volume;
        while (!wide.empty() && (wide.back() == L'\\' || wide.back() == L'/'))
            wide.pop_back();
        while (!root.empty() && root.back() == L'\\')
            root.pop_back();
        if (CompareStringOrdinal(wide.c_str(), -1, root.c_str(), -1, TRUE) == CSTR_EQUAL)
            return false;
    }
    const DWORD attributes = GetFileAttributesW(SystemPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
}

} // namespace platform
