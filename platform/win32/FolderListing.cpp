// Folder listing on Windows: one pass over the folder that also gives every entry's file number,
// so that files with several names are known without opening them.
#include "platform/FolderListing.h"

#include "platform/Path.h"
#include "platform/win32/Wide.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace platform {

namespace {

constexpr std::int64_t kFileTimeTo1970 = 11644473600; // seconds from 1601 to 1970

std::int64_t SecondsSince1970(LARGE_INTEGER fileTime)
{
    return fileTime.QuadPart / 10000000 - kFileTimeTo1970;
}

} // namespace

bool CFolderListing::Open(const std::string& folder, const std::atomic<bool>* stop, const FileIdSet* leaveOut)
{
    m_entries.clear();
    m_leftOut = false;
    const HANDLE handle = CreateFileW(SystemPath(folder).c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        CloseHandle(handle);
        return false;
    }
    const std::uint64_t volume = info.dwVolumeSerialNumber;
    m_folderId = FileId{volume, (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    if (leaveOut != nullptr && leaveOut->count(m_folderId) != 0) {
        m_leftOut = true;
        CloseHandle(handle);
        return false;
    }

    std::vector<char> buffer(64 * 1024);
    FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
    while (GetFileInformationByHandleEx(handle, kind, buffer.data(), static_cast<DWORD>(buffer.size()))) {
        if (stop != nullptr && stop->load(std::memory_order_relaxed)) {
            CloseHandle(handle);
            m_entries.clear();
            return false;
        }
        kind = FileIdBothDirectoryInfo;
        for (std::size_t at = 0;;) {
            const auto* item = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer.data() + at);
            FolderEntry entry;
            entry.name = Narrow(std::wstring_view(item->FileName, item->FileNameLength / sizeof(wchar_t)));
            const DWORD attributes = item->FileAttributes;
            // A link to a folder is walked like a folder; a link to a file is listed with no size
            // and is not recorded.
            entry.isDirectory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            entry.isFile = !entry.isDirectory && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
            entry.size = item->EndOfFile.QuadPart;
            entry.modified = RecordedTime(SecondsSince1970(item->LastWriteTime));
            entry.writeTime = item->LastWriteTime.QuadPart;
            entry.id = FileId{volume, static_cast<std::uint64_t>(item->FileId.QuadPart)};
            entry.hidden = (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
            m_entries.push_back(std::move(entry));
            if (item->NextEntryOffset == 0)
                break;
            at += item->NextEntryOffset;
        }
    }
    CloseHandle(handle);
    std::sort(m_entries.begin(), m_entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    return true;
}

} // namespace platform
