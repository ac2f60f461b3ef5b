// Removing what a killed replacement left: a second name of the kept copy, made before the move that
// was to put it in the path's place, or the old file renamed aside, whose bytes the check here sees
// again before it goes. A run is known by its process's number on this computer and by when that
// process was created, so that a number reused within minutes does not pass for the run.
#include "platform/win32/LinkLeftovers.h"

#include "platform/LeftoverNames.h"
#include "platform/win32/CompareFiles.h"
#include "platform/win32/Wide.h"

#include <mutex>
#include <vector>

namespace platform {

namespace {

std::uint64_t Join(DWORD high, DWORD low)
{
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

// When the process was created; 0 where the system will not say.
std::uint64_t CreatedAt(HANDLE process)
{
    FILETIME created{}, exited{}, kernel{}, user{};
    return GetProcessTimes(process, &created, &exited, &kernel, &user)
               ? Join(created.dwHighDateTime, created.dwLowDateTime)
               : 0;
}

// This computer: processes of another one that shares the folder cannot be looked at from here.
std::uint64_t ThisPlace()
{
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(name, &size))
        return 0;
    return NameHash(Narrow(std::wstring(name, size))) | 1; // never 0, which marks the earlier form
}

// Opened so that nobody may write to it while it is compared.
HANDLE OpenHeld(const std::string& path)
{
    return CreateFileW(SystemPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

// A folder by its path.
class CWindowsFolder : public CLeftoverFolder
{
public:
    explicit CWindowsFolder(const std::string& folder) : m_folder(folder) {}

    bool State(FileId& id, std::int64_t& modified) override
    {
        CHandle handle;
        handle.Reset(CreateFileW(SystemPath(m_folder).c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        BY_HANDLE_FILE_INFORMATION info;
        if (handle.Get() == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle.Get(), &info))
            return false;
        id = {info.dwVolumeSerialNumber, Join(info.nFileIndexHigh, info.nFileIndexLow)};
        // A new name changes the folder's last-write time.
        modified = static_cast<std::int64_t>(
            Join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime));
        return true;
    }

    bool List(std::vector<std::string>& names) override
    {
        WIN32_FIND_DATAW found;
        const HANDLE find = FindFirstFileW(SystemPath(m_folder + "\\*").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE)
            return false;
        do
            names.push_back(Narrow(found.cFileName));
        while (FindNextFileW(find, &found));
        FindClose(find);
        return true;
    }

    bool HeldElsewhere(const std::string& leftover, const std::string& original) override
    {
        CHandle a, b;
        a.Reset(OpenHeld(m_folder + "\\" + leftover));
        b.Reset(OpenHeld(m_folder + "\\" + original));
        BY_HANDLE_FILE_INFORMATION x, y;
        if (a.Get() == INVALID_HANDLE_VALUE || b.Get() == INVALID_HANDLE_VALUE ||
            !GetFileInformationByHandle(a.Get(), &x) || !GetFileInformationByHandle(b.Get(), &y) ||
            ((x.dwFileAttributes | y.dwFileAttributes) &
             (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
            return false;
        if (x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
            x.nFileIndexLow == y.nFileIndexLow)
            return true;
        const auto size = static_cast<std::int64_t>(Join(x.nFileSizeHigh, x.nFileSizeLow));
        return x.nFileSizeHigh == y.nFileSizeHigh && x.nFileSizeLow == y.nFileSizeLow &&
               CompareBytes(a.Get(), b.Get(), size) == ECompare::Same;
    }

    void Remove(const std::string& leftover) override
    {
        DeleteFileW(SystemPath(m_folder + "\\" + leftover).c_str());
    }

private:
    std::string m_folder;
};

} // namespace

RunOrigin ThisRun()
{
    static std::once_flag once;
    static RunOrigin run;
    std::call_once(once, [] {
        run.process = GetCurrentProcessId();
        run.start = CreatedAt(GetCurrentProcess());
        run.place = run.start != 0 ? ThisPlace() : 0;
    });
    return run;
}

bool MayBeRunning(const RunOrigin& run)
{
    if (run.place != 0 && run.place != ThisRun().place)
        return true;
    const HANDLE process =
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, static_cast<DWORD>(run.process));
    if (process == nullptr)
        return GetLastError() != ERROR_INVALID_PARAMETER; // no such process
    // The earlier form says only the number.
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT &&
                         (run.place == 0 || CreatedAt(process) == run.start);
    CloseHandle(process);
    return running;
}

void RemoveLeftoverLinks(const std::string& folder)
{
    CWindowsFolder named(folder);
    RemoveLeftovers(named);
}

void NoteFolderSeen(const std::string& folder)
{
    CWindowsFolder named(folder);
    NoteLeftoverFolderSeen(named);
}

} // namespace platform
