// The settings on Windows are the registry's: one key per group, under the program's own key.
#include "platform/SavedSettings.h"

#include "platform/SystemError.h"
#include "platform/win32/Wide.h"

#include <windows.h>

#include <vector>

namespace platform {

std::string SettingsFolder()
{
    return std::string();
}

bool ReadSavedGroup(const std::string& vendor, const std::string& app, const std::string& group,
                    SettingValues& values, std::string& error)
{
    values.clear();
    const std::wstring path = Widen("Software\\" + vendor + "\\" + app + "\\" + group);
    HKEY key = nullptr;
    const LONG opened = RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &key);
    if (opened == ERROR_FILE_NOT_FOUND)
        return true;
    if (opened != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(opened));
        error = "HKEY_CURRENT_USER\\" + Narrow(path) + ": " + LastErrorText();
        return false;
    }
    std::vector<wchar_t> name(16384);
    std::vector<BYTE> data(65536);
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataLength = static_cast<DWORD>(data.size());
        DWORD type = 0;
        const LONG read =
            RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &dataLength);
        if (read == ERROR_NO_MORE_ITEMS)
            break;
        if (read != ERROR_SUCCESS)
            continue; // a value too long for a setting of ours is none of ours
        std::string value;
        if (type == REG_DWORD && dataLength == sizeof(DWORD))
            value = std::to_string(*reinterpret_cast<const DWORD*>(data.data()));
        else if (type == REG_SZ || type == REG_EXPAND_SZ)
            value = Narrow(std::wstring_view(reinterpret_cast<const wchar_t*>(data.data()),
                                             dataLength / sizeof(wchar_t)));
        while (!value.empty() && value.back() == '\0')
            value.pop_back();
        values.emplace_back(Narrow(std::wstring_view(name.data(), nameLength)), value);
    }
    RegCloseKey(key);
    return true;
}

} // namespace platform
