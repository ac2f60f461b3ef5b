// Removing what a killed replacement left: a second name of the kept copy, made before the move that
// was to put it in the path's place, whose bytes the check here sees again before it goes.
#include "platform/win32/LinkLeftovers.h"

#include "platform/FileIdentity.h"
#include "platform/TemporaryLinkName.h"
#include "platform/win32/CompareFiles.h"
#include "platform/win32/Wide.h"

#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace platform {

namespace {

constexpr std::size_t kFoldersRemembered = 4096; // then forgotten all at once, and listed again

struct FolderState
{
    FileId id;
    std::uint64_t written = 0; // a new name changes the folder's last-write time
};

bool StateOf(const std::string& folder, FolderState& state)
{
    CHandle handle;
    handle.Reset(CreateFileW(SystemPath(folder).c_str(), FILE_READ_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (handle.Get() == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle.Get(), &info))
        return false;
    state.id = {info.dwVolumeSerialNumber,
                (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    state.written = (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                    info.ftLastWriteTime.dwLowDateTime;
    return true;
}

// The folders looked at, with their last-write time then; an unsettled one (a live run's name in it)
// is not remembered, so that it is listed again until that run has ended.
class CSeenFolders
{
public:
    bool ChangedSince(const FolderState& state)
    {
        const std::lock_guard<std::mutex> hold(m_mutex);
        const auto seen = m_folders.find(Key(state.id));
        return seen == m_folders.end() || seen->second != state.written;
    }
    void Note(const FolderState& state, bool settled)
    {
        const std::lock_guard<std::mutex> hold(m_mutex);
        if (!settled) {
            m_folders.erase(Key(state.id));
            return;
        }
        if (m_folders.size() >= kFoldersRemembered)
            m_folders.clear();
        m_folders[Key(state.id)] = state.written;
    }
    void NoteOwnChange(const FolderState& state)
    {
        const std::lock_guard<std::mutex> hold(m_mutex);
        const auto seen = m_folders.find(Key(state.id));
        if (seen != m_folders.end())
            seen->second = state.written;
    }

private:
    static std::pair<std::uint64_t, std::uint64_t> Key(const FileId& id) { return {id.device, id.index}; }

    std::mutex m_mutex;
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::uint64_t> m_folders;
};

CSeenFolders& SeenFolders()
{
    static CSeenFolders seen;
    return seen;
}

// A process that may still be using its names; one that cannot be asked is taken to be alive.
bool MayBeRunning(unsigned long process)
{
    const HANDLE handle = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(process));
    if (handle == nullptr)
        return GetLastError() != ERROR_INVALID_PARAMETER; // no such process
    const bool running = WaitForSingleObject(handle, 0) == WAIT_TIMEOUT;
    CloseHandle(handle);
    return running;
}

// Opened so that nobody may write to it while it is compared.
HANDLE OpenHeld(const std::string& path)
{
    return CreateFileW(SystemPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

// Whether the leftover holds nothing that the file `original` does not: it is that file, or has its
// bytes.
bool HeldElsewhere(const std::string& leftover, const std::string& original)
{
    CHandle a, b;
    a.Reset(OpenHeld(leftover));
    b.Reset(OpenHeld(original));
    BY_HANDLE_FILE_INFORMATION x, y;
    if (a.Get() == INVALID_HANDLE_VALUE || b.Get() == INVALID_HANDLE_VALUE ||
        !GetFileInformationByHandle(a.Get(), &x) || !GetFileInformationByHandle(b.Get(), &y) ||
        ((x.dwFileAttributes | y.dwFileAttributes) &
         (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return false;
    if (x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
        x.nFileIndexLow == y.nFileIndexLow)
        return true;
    const auto size = (static_cast<std::int64_t>(x.nFileSizeHigh) << 32) | x.nFileSizeLow;
    return x.nFileSizeHigh == y.nFileSizeHigh && x.nFileSizeLow == y.nFileSizeLow &&
           CompareBytes(a.Get(), b.Get(), size) == ECompare::Same;
}

// The names in the folder: the temporary names of ended processes, and every other name; `settled`
// is false where a process that may still be running has one there.
bool ListFolder(const std::string& folder, std::vector<std::pair<std::string, std::uint64_t>>& leftovers,
                std::vector<std::string>& others, bool& settled)
{
    WIN32_FIND_DATAW found;
    const HANDLE find = FindFirstFileW(SystemPath(folder + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    do {
        const std::string name = Narrow(found.cFileName);
        TemporaryLinkOrigin origin;
        if (!ParseTemporaryLinkName(name, origin))
            others.push_back(name);
        else if (MayBeRunning(origin.process))
            settled = false;
        else
            leftovers.emplace_back(name, origin.forHash);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return true;
}

} // namespace

void RemoveLeftoverLinks(const std::string& folder)
{
    FolderState state;
    if (!StateOf(folder, state) || !SeenFolders().ChangedSince(state))
        return;
    std::vector<std::pair<std::string, std::uint64_t>> leftovers;
    std::vector<std::string> others;
    bool settled = true;
    if (!ListFolder(folder, leftovers, others, settled))
        return;
    for (const auto& [leftover, forHash] : leftovers)
        for (const std::string& name : others)
            if (NameHash(name) == forHash && HeldElsewhere(folder + "\\" + leftover, folder + "\\" + name)) {
                DeleteFileW(SystemPath(folder + "\\" + leftover).c_str());
                break;
            }
    if (StateOf(folder, state))
        SeenFolders().Note(state, settled);
}

void NoteFolderSeen(const std::string& folder)
{
    FolderState state;
    if (StateOf(folder, state))
        SeenFolders().NoteOwnChange(state);
}

} // namespace platform
