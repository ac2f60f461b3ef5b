// Paths on Windows: the system's own full-path rule, attributes, UTF-8 at the edge.
#include "platform/Path.h"

#include "platform/win32/Wide.h"

#include <windows.h>

#include <vector>

namespace platform {

std::wstring Widen(std::string_view utf8)
{
    if (utf8.empty())
        return std::wstring();
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
    return wide;
}

std::string Narrow(std::wstring_view wide)
{
    if (wide.empty())
        return std::string();
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), length, nullptr,
                        nullptr);
    return utf8;
}

std::wstring SystemPath(std::string_view utf8)
{
    std::wstring wide = Widen(utf8);
    if (wide.size() < 240 || wide.rfind(L"\\\\?\\", 0) == 0)
        return wide;
    if (wide.size() > 2 && wide[1] == L':' && (wide[2] == L'\\' || wide[2] == L'/'))
        return L"\\\\?\\" + wide;
    if (wide.rfind(L"\\\\", 0) == 0)
        return L"\\\\?\\UNC\\" + wide.substr(2);
    return wide;
}

std::string FullPath(std::string_view path)
{
    const std::wstring wide = Widen(path);
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetFullPathNameW(wide.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (length == 0)
            return std::string(path);
        if (length < buffer.size())
            return Narrow(std::wstring_view(buffer.data(), length));
        buffer.resize(length + 1);
    }
}

bool IsFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(SystemPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsSymbolicLink(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(SystemPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

std::string CurrentFolder()
{
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0)
            return std::string();
        if (length < buffer.size())
            return Narrow(std::wstring_view(buffer.data(), length));
        buffer.resize(length + 1);
    }
}

bool LocalTime(std::int64_t secondsSince1970, std::tm& local)
{
    const __time64_t t = secondsSince1970;
    return _localtime64_s(&local, &t) == 0;
}

} // namespace platform
