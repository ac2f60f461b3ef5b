// Replacing a duplicate on Windows. Both files are opened without sharing them for writing, checked
// against what the scan saw and compared byte for byte while no other program can write to them; their
// change times, which no writer can set back, are checked again before the replacement. A hard link is
// made by the kept copy's path, so the new name is checked to be the file compared; a clone is made
// into the path's own handle.
#include "platform/ReplaceFile.h"

#include "platform/InputFile.h"
#include "platform/TemporaryLinkName.h"
#include "platform/win32/CompareFiles.h"
#include "platform/win32/LinkLeftovers.h"
#include "platform/win32/SystemMessage.h"
#include "platform/win32/Wide.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <vector>
#include <winioctl.h>

#ifndef FILE_SUPPORTS_BLOCK_REFCOUNTING
#define FILE_SUPPORTS_BLOCK_REFCOUNTING 0x08000000
#endif
#ifndef FSCTL_DUPLICATE_EXTENTS_TO_FILE
#define FSCTL_DUPLICATE_EXTENTS_TO_FILE                                                                      \
    CTL_CODE(FILE_DEVICE_FILE_SYSTEM, 209, METHOD_BUFFERED, FILE_WRITE_DATA)
#endif
#ifndef FSCTL_GET_INTEGRITY_INFORMATION
#define FSCTL_GET_INTEGRITY_INFORMATION                                                                      \
    CTL_CODE(FILE_DEVICE_FILE_SYSTEM, 159, METHOD_BUFFERED, FILE_ANY_ACCESS)
#endif

namespace platform {

namespace {

using testing::EReplaceStep;

constexpr std::int64_t kCloneStep = 1ll << 30; // one request must stay under 4 GiB
// What a hard link would give the path along with the kept copy's storage, besides its security.
constexpr DWORD kLinkedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
constexpr int kRenameInfoEx = 22; // FileRenameInfoEx, which older headers lack
constexpr DWORD kRenameReplaceIfExists = 0x1;
constexpr DWORD kRenamePosixSemantics = 0x2; // replaces a file that is still open, shared for deleting

// The layouts of the block-cloning requests, which older headers lack.
struct DuplicateExtents
{
    HANDLE source;
    LARGE_INTEGER sourceOffset;
    LARGE_INTEGER targetOffset;
    LARGE_INTEGER byteCount;
};

struct IntegrityInformation
{
    WORD checksumAlgorithm;
    WORD reserved;
    DWORD flags;
    DWORD checksumChunkSize;
    DWORD clusterSize;
};

// FILE_RENAME_INFO with flags in place of its first member, as the newer request takes it.
struct RenameInfoEx
{
    DWORD flags;
    HANDLE rootDirectory;
    DWORD fileNameLength;
    WCHAR fileName[1];
};

// One of the two files, open, with what the system said of it when it was last looked at.
struct CSide
{
    CHandle handle;
    BY_HANDLE_FILE_INFORMATION info{};
    std::int64_t changed = 0; // its change time once open: any write, or change of its metadata, moves it
};

std::uint64_t Join(DWORD high, DWORD low)
{
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

FileId IdOf(const BY_HANDLE_FILE_INFORMATION& info)
{
    return FileId{info.dwVolumeSerialNumber, Join(info.nFileIndexHigh, info.nFileIndexLow)};
}

std::int64_t SizeOf(const BY_HANDLE_FILE_INFORMATION& info)
{
    return static_cast<std::int64_t>(Join(info.nFileSizeHigh, info.nFileSizeLow));
}

bool Matches(const BY_HANDLE_FILE_INFORMATION& info, const FileStamp& stamp)
{
    const auto written = static_cast<std::int64_t>(
        Join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime));
    return (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0 &&
           IdOf(info) == stamp.id && SizeOf(info) == stamp.size && written == stamp.writeTime;
}

// The change time; -1 where the system does not say.
std::int64_t ChangeTimeOf(HANDLE handle)
{
    FILE_BASIC_INFO basic{};
    return GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic)
               ? basic.ChangeTime.QuadPart
               : -1;
}

ReplaceOutcome Refused(EReplaceRefusal why)
{
    ReplaceOutcome outcome;
    outcome.refusal = why;
    return outcome;
}

ReplaceOutcome SystemFailure(DWORD error, const std::string& before = {})
{
    ReplaceOutcome outcome = Refused(EReplaceRefusal::System);
    outcome.systemText = before + SystemMessage(error);
    return outcome;
}

bool IsRefused(const ReplaceOutcome& outcome)
{
    return outcome.refusal != EReplaceRefusal::None;
}

void Step(EReplaceStep step)
{
    const auto& atStep = testing::Hooks().atStep;
    if (atStep)
        atStep(step);
}

// Why `path` could not be opened: gone, held open for writing by another program, marked read-only
// (which refuses an open for writing), or the system's reason.
ReplaceOutcome OpenFailure(DWORD error, const std::string& path, EReplaceRefusal changed,
                           EReplaceRefusal openElsewhere)
{
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return Refused(changed);
    if (error == ERROR_SHARING_VIOLATION)
        return Refused(openElsewhere);
    const DWORD attributes = GetFileAttributesW(SystemPath(path).c_str());
    if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        return Refused(EReplaceRefusal::ReadOnly);
    return SystemFailure(error);
}

// Opens `path` and checks that it is still the regular file `stamp` describes: None when it is,
// `changed` when something else is there now. Others may go on reading it, and may rename or delete
// it, but not write to it while it is open here; a reparse point in its place is not followed.
ReplaceOutcome Open(CSide& side, const std::string& path, const FileStamp& stamp, DWORD access,
                    EReplaceRefusal changed, EReplaceRefusal openElsewhere)
{
    side.handle.Reset(CreateFileW(SystemPath(path).c_str(), access | READ_CONTROL,
                                  FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (side.handle.Get() == INVALID_HANDLE_VALUE)
        return OpenFailure(GetLastError(), path, changed, openElsewhere);
    if (GetFileType(side.handle.Get()) != FILE_TYPE_DISK)
        return Refused(changed);
    if (!GetFileInformationByHandle(side.handle.Get(), &side.info))
        return SystemFailure(GetLastError());
    side.changed = ChangeTimeOf(side.handle.Get());
    return Refused(Matches(side.info, stamp) ? EReplaceRefusal::None : changed);
}

// Looks at an open side again: `changed` where it is no longer the file the scan saw (truncated, grown,
// left without a name), `written` where only its change time moved.
EReplaceRefusal StillAsHeld(CSide& side, const FileStamp& stamp, EReplaceRefusal changed,
                            EReplaceRefusal written)
{
    if (!GetFileInformationByHandle(side.handle.Get(), &side.info) || side.info.nNumberOfLinks == 0 ||
        !Matches(side.info, stamp))
        return changed;
    return ChangeTimeOf(side.handle.Get()) == side.changed ? EReplaceRefusal::None : written;
}

ReplaceOutcome BothStillAsHeld(CSide& kept, const FileStamp& keptStamp, CSide& target,
                               const FileStamp& pathStamp)
{
    const EReplaceRefusal refusal =
        StillAsHeld(kept, keptStamp, EReplaceRefusal::KeptChanged, EReplaceRefusal::KeptChanged);
    return Refused(refusal != EReplaceRefusal::None ? refusal
                                                    : StillAsHeld(target, pathStamp, EReplaceRefusal::Changed,
                                                                  EReplaceRefusal::WrittenMeanwhile));
}

// The owner, group and access list of an open file, in the system's own form; empty where it will not
// say.
std::vector<char> SecurityOf(HANDLE handle)
{
    constexpr SECURITY_INFORMATION kWhat =
        OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    DWORD size = 0;
    GetKernelObjectSecurity(handle, kWhat, nullptr, 0, &size);
    std::vector<char> security(size);
    if (size == 0 || !GetKernelObjectSecurity(handle, kWhat, security.data(), size, &size))
        security.clear();
    return security;
}

// What rules the replacement out before a byte is read: another volume or size, the read-only mark, or
// attributes and security that a link would change.
ReplaceOutcome Admissible(EReplaceWay way, CSide& kept, CSide& target)
{
    // Neither a link nor a clone crosses volumes.
    if (kept.info.dwVolumeSerialNumber != target.info.dwVolumeSerialNumber)
        return Refused(EReplaceRefusal::OtherVolume);
    if (SizeOf(kept.info) != SizeOf(target.info))
        return Refused(EReplaceRefusal::DifferentBytes);
    if (target.info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
        return Refused(EReplaceRefusal::ReadOnly);
    if (way == EReplaceWay::Clone)
        return Refused(EReplaceRefusal::None);
    const bool same = (kept.info.dwFileAttributes & kLinkedAttributes) ==
                          (target.info.dwFileAttributes & kLinkedAttributes) &&
                      SecurityOf(kept.handle.Get()) == SecurityOf(target.handle.Get());
    return Refused(same ? EReplaceRefusal::None : EReplaceRefusal::OwnerOrPermissions);
}

// Opens, checks and compares both files: None when both are as scanned, unwritten since they were
// opened, and equal byte for byte.
ReplaceOutcome OpenAndCompare(EReplaceWay way, CSide& kept, const std::string& keptPath,
                              const FileStamp& keptStamp, CSide& target, const std::string& path,
                              const FileStamp& pathStamp)
{
    ReplaceOutcome outcome = Open(kept, keptPath, keptStamp, GENERIC_READ, EReplaceRefusal::KeptChanged,
                                  EReplaceRefusal::KeptOpenForWriting);
    if (IsRefused(outcome))
        return outcome;
    const DWORD access = way == EReplaceWay::Clone ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
    // Held open elsewhere: for writing (which a link would let go on into a file without a name), or,
    // for a clone, which rewrites the file in place, at all.
    outcome = Open(target, path, pathStamp, access, EReplaceRefusal::Changed,
                   way == EReplaceWay::Clone ? EReplaceRefusal::InUse : EReplaceRefusal::OpenForWriting);
    if (IsRefused(outcome) || IdOf(kept.info) == IdOf(target.info))
        return outcome;
    outcome = Admissible(way, kept, target);
    if (IsRefused(outcome))
        return outcome;
    Step(EReplaceStep::Held);
    const std::int64_t size = SizeOf(target.info);
    bool half = false;
    const ECompare compared =
        CompareBytes(kept.handle.Get(), target.handle.Get(), size, [&](std::int64_t done) {
            if (!half && 2 * done >= size) {
                half = true;
                Step(EReplaceStep::HalfCompared);
            }
        });
    if (compared == ECompare::Failed)
        return SystemFailure(GetLastError());
    outcome = BothStillAsHeld(kept, keptStamp, target, pathStamp);
    if (IsRefused(outcome))
        return outcome;
    return Refused(compared == ECompare::Same ? EReplaceRefusal::None : EReplaceRefusal::DifferentBytes);
}

bool IsFile(const std::wstring& path, const FileId& id)
{
    CSide side;
    side.handle.Reset(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return side.handle.Get() != INVALID_HANDLE_VALUE &&
           GetFileInformationByHandle(side.handle.Get(), &side.info) && IdOf(side.info) == id;
}

ReplaceOutcome LinkFailure(DWORD error)
{
    switch (error) {
    case ERROR_NOT_SAME_DEVICE:
        return Refused(EReplaceRefusal::OtherVolume);
    case ERROR_INVALID_FUNCTION:
    case ERROR_NOT_SUPPORTED:
        return Refused(EReplaceRefusal::NoHardLinks);
    case ERROR_FILE_NOT_FOUND:
        return Refused(EReplaceRefusal::KeptChanged);
    case ERROR_PATH_NOT_FOUND:
        return Refused(EReplaceRefusal::Changed); // the folder went
    default:
        return SystemFailure(error);
    }
}

// The folder that holds a path, and the file's name in it.
struct CFolder
{
    std::string path;
    std::string name;
};

CFolder FolderOf(const std::string& path)
{
    const std::size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? CFolder{".", path} : CFolder{path.substr(0, cut), path.substr(cut + 1)};
}

// A temporary name in the path's folder that says which run made it and for which name.
std::string NewTemporaryPath(const CFolder& folder)
{
    static std::atomic<unsigned> counter{0};
    return folder.path + "\\" + TemporaryLinkName(ThisRun(), counter++, folder.name);
}

// A name of the kept copy in the path's folder for as long as the replacement needs it, removed on
// every way out unless the move took it. It says which process made it and for which name, so that a
// later run can tell it from a live run's and remove it if this process is killed.
class CTemporaryName
{
public:
    CTemporaryName() = default;
    ~CTemporaryName() { Drop(); }
    CTemporaryName(const CTemporaryName&) = delete;
    CTemporaryName& operator=(const CTemporaryName&) = delete;

    // Links the kept copy under a name that no other file has, checked to be the file compared.
    ReplaceOutcome Make(const std::string& keptPath, const CSide& kept, const CFolder& folder)
    {
        for (int attempt = 0; attempt < 100; ++attempt) {
            m_path = NewTemporaryPath(folder);
            if (!CreateHardLinkW(SystemPath(m_path).c_str(), SystemPath(keptPath).c_str(), nullptr)) {
                const DWORD error = GetLastError();
                m_path.clear();
                if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)
                    continue;
                return LinkFailure(error);
            }
            if (IsFile(SystemPath(m_path), IdOf(kept.info)))
                return Refused(EReplaceRefusal::None);
            Drop();
            return Refused(EReplaceRefusal::KeptChanged); // another file took the kept copy's path
        }
        return SystemFailure(ERROR_ALREADY_EXISTS);
    }
    const std::string& Path() const { return m_path; }
    void Drop()
    {
        if (!m_path.empty())
            DeleteFileW(SystemPath(m_path).c_str());
        m_path.clear();
    }
    // The move took the name.
    void Forget() { m_path.clear(); }

private:
    std::string m_path;
};

// Moves the link over the path while the old file stays held, where the system can replace an open
// file (Windows 10 and later on NTFS): nobody can write to it until it has gone. False, with the
// system's error, where it cannot.
bool MoveHoldingTheOldFile(const std::string& temporary, const std::string& path)
{
    CHandle link;
    link.Reset(CreateFileW(SystemPath(temporary).c_str(), DELETE | SYNCHRONIZE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (link.Get() == INVALID_HANDLE_VALUE)
        return false;
    const std::wstring name = SystemPath(path);
    std::vector<char> buffer(sizeof(RenameInfoEx) + name.size() * sizeof(WCHAR));
    auto* rename = reinterpret_cast<RenameInfoEx*>(buffer.data());
    rename->flags = kRenameReplaceIfExists | kRenamePosixSemantics;
    rename->fileNameLength = static_cast<DWORD>(name.size() * sizeof(WCHAR));
    std::memcpy(rename->fileName, name.data(), rename->fileNameLength);
    return SetFileInformationByHandle(link.Get(), static_cast<FILE_INFO_BY_HANDLE_CLASS>(kRenameInfoEx),
                                      rename, static_cast<DWORD>(buffer.size()));
}

// Renames an open file through its handle, never over another file.
bool RenameHeld(HANDLE handle, const std::string& to)
{
    const std::wstring name = SystemPath(to);
    std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + name.size() * sizeof(WCHAR));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(name.size() * sizeof(WCHAR));
    std::memcpy(rename->FileName, name.data(), rename->FileNameLength);
    return SetFileInformationByHandle(handle, FileRenameInfo, rename, static_cast<DWORD>(buffer.size()));
}

ReplaceOutcome InUseOr(DWORD error)
{
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ? Refused(EReplaceRefusal::InUse)
                                                                            : SystemFailure(error);
}

// Where the system replaces no open file (before Windows 10, and under Wine), the old file stays held,
// so that nobody can write to it at any moment: it is renamed aside through a handle of its own, the link
// is moved into the free name (never over a file saved there meanwhile), and the old file is deleted
// through that handle, which the system does once the last handle to it goes. A failure renames it
// back. `deleted` says whether its storage goes.
ReplaceOutcome MoveAside(const std::string& temporary, const std::string& path, const CSide& target,
                         const CFolder& folder, bool& deleted)
{
    CHandle old;
    old.Reset(CreateFileW(SystemPath(path).c_str(), DELETE | SYNCHRONIZE | FILE_READ_ATTRIBUTES,
                          FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                          FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (old.Get() == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND ? Refused(EReplaceRefusal::Changed)
                                                      : InUseOr(GetLastError());
    if (!GetFileInformationByHandle(old.Get(), &info) || IdOf(info) != IdOf(target.info))
        return Refused(EReplaceRefusal::Changed);
    const std::string aside = NewTemporaryPath(folder);
    if (!RenameHeld(old.Get(), aside))
        return InUseOr(GetLastError());
    if (!MoveFileExW(SystemPath(temporary).c_str(), SystemPath(path).c_str(), 0)) {
        const DWORD error = GetLastError();
        if (!RenameHeld(old.Get(), path))
            return SystemFailure(GetLastError(), "The old file now has the name " + aside + ": ");
        return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? Refused(EReplaceRefusal::Changed)
                                                                           : SystemFailure(error);
    }
    Step(EReplaceStep::Exchanged);
    // Where it cannot be deleted, the path is replaced all the same, and a later run removes the name.
    FILE_DISPOSITION_INFO disposition{TRUE};
    deleted = SetFileInformationByHandle(old.Get(), FileDispositionInfo, &disposition, sizeof disposition);
    return Refused(EReplaceRefusal::None);
}

// What the old file's storage was: its length, or less where the system says it takes less (sparse,
// compressed, or small enough to be kept in the volume's own records).
std::uint64_t StorageOfItsOwn(const CSide& side, const std::string& path)
{
    auto own = static_cast<std::uint64_t>(SizeOf(side.info));
    FILE_STANDARD_INFO standard{};
    if (GetFileInformationByHandleEx(side.handle.Get(), FileStandardInfo, &standard, sizeof standard))
        own = std::min<std::uint64_t>(own, static_cast<std::uint64_t>(standard.AllocationSize.QuadPart));
    DWORD high = 0;
    const DWORD low = GetCompressedFileSizeW(SystemPath(path).c_str(), &high);
    if (low != INVALID_FILE_SIZE || GetLastError() == NO_ERROR)
        own = std::min(own, Join(high, low));
    return own;
}

// The link is made under a temporary name and moved over the path, so the path names either the old
// file or the kept copy at every moment, and a failure leaves no other name behind. Just before the
// move the path must still name the held file: others may rename it, as it is shared for deleting, and
// save another file in its place.
ReplaceOutcome ReplaceByLink(CSide& kept, const std::string& keptPath, const FileStamp& keptStamp,
                             CSide& target, const std::string& path, const FileStamp& pathStamp)
{
    const CFolder folder = FolderOf(path);
    const std::uint64_t own = target.info.nNumberOfLinks == 1 ? StorageOfItsOwn(target, path) : 0;
    CTemporaryName temporary;
    ReplaceOutcome outcome = temporary.Make(keptPath, kept, folder);
    if (IsRefused(outcome))
        return outcome;
    kept.changed = ChangeTimeOf(kept.handle.Get()); // the new name moved it; no writer can, while held
    Step(EReplaceStep::Linked);
    const auto& beforeRename = testing::Hooks().beforeRename;
    if (beforeRename && !beforeRename(temporary.Path()))
        return SystemFailure(ERROR_CANCELLED, "Stopped before the rename: ");
    outcome = IsFile(SystemPath(path), IdOf(target.info))
                  ? BothStillAsHeld(kept, keptStamp, target, pathStamp)
                  : Refused(EReplaceRefusal::Changed);
    bool deleted = true;
    if (!IsRefused(outcome) &&
        (testing::Hooks().noExchange || !MoveHoldingTheOldFile(temporary.Path(), path)))
        outcome = MoveAside(temporary.Path(), path, target, folder, deleted);
    if (!IsRefused(outcome))
        temporary.Forget();
    temporary.Drop();
    NoteFolderSeen(folder.path);
    if (IsRefused(outcome))
        return outcome;
    Step(EReplaceStep::Done);
    // The old file's storage goes only where the path was its last name.
    outcome.freed = deleted ? own : 0;
    return outcome;
}

// Where each cluster of the file lies on the volume, run by run: (first cluster in the file, first
// cluster on the volume). Empty where the system will not tell.
std::vector<std::pair<std::int64_t, std::int64_t>> ClusterRuns(HANDLE handle)
{
    std::vector<std::pair<std::int64_t, std::int64_t>> runs;
    STARTING_VCN_INPUT_BUFFER from{};
    std::vector<std::int64_t> buffer(4096);
    for (;;) {
        DWORD got = 0;
        const BOOL all =
            DeviceIoControl(handle, FSCTL_GET_RETRIEVAL_POINTERS, &from, sizeof from, buffer.data(),
                            static_cast<DWORD>(buffer.size() * sizeof(std::int64_t)), &got, nullptr);
        if (!all && GetLastError() != ERROR_MORE_DATA)
            return {};
        const auto* pointers = reinterpret_cast<const RETRIEVAL_POINTERS_BUFFER*>(buffer.data());
        for (DWORD i = 0; i < pointers->ExtentCount; ++i)
            runs.emplace_back(pointers->Extents[i].NextVcn.QuadPart, pointers->Extents[i].Lcn.QuadPart);
        if (all || pointers->ExtentCount == 0)
            return runs;
        from.StartingVcn = pointers->Extents[pointers->ExtentCount - 1].NextVcn;
    }
}

// The volume's cluster size where it can share clusters between files; 0 where it cannot.
DWORD CloneClusterSize(HANDLE handle, DWORD& error)
{
    DWORD flags = 0;
    error = 0;
    if (!GetVolumeInformationByHandleW(handle, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) ||
        (flags & FILE_SUPPORTS_BLOCK_REFCOUNTING) == 0)
        return 0;
    IntegrityInformation integrity{};
    DWORD got = 0;
    if (!DeviceIoControl(handle, FSCTL_GET_INTEGRITY_INFORMATION, nullptr, 0, &integrity, sizeof integrity,
                         &got, nullptr) ||
        integrity.clusterSize == 0)
        error = GetLastError();
    return error == 0 ? integrity.clusterSize : 0;
}

// Shares the kept copy's storage into the path's own file where the volume can count references to
// its blocks: the file keeps its number, attributes and other names, and its last-write time is put
// back. The system cannot say whether a cluster is shared with a third file, so the bytes counted as
// freed are all of them unless the file already lies on the kept copy's own clusters.
ReplaceOutcome ReplaceByClone(CSide& kept, const FileStamp& keptStamp, CSide& target,
                              const FileStamp& pathStamp)
{
    DWORD error = 0;
    const DWORD clusterSize = CloneClusterSize(target.handle.Get(), error);
    if (clusterSize == 0)
        return error == 0 ? Refused(EReplaceRefusal::NoClones) : SystemFailure(error);
    const auto keptRuns = ClusterRuns(kept.handle.Get());
    const bool alreadyShared = !keptRuns.empty() && keptRuns == ClusterRuns(target.handle.Get());
    ReplaceOutcome outcome = BothStillAsHeld(kept, keptStamp, target, pathStamp);
    if (IsRefused(outcome))
        return outcome;
    // Whole clusters only: the last one reaches past the end, which both files share.
    const std::int64_t size = SizeOf(target.info);
    const std::int64_t rounded = (size + clusterSize - 1) / clusterSize * clusterSize;
    for (std::int64_t at = 0; at < rounded; at += kCloneStep) {
        DuplicateExtents request{};
        request.source = kept.handle.Get();
        request.sourceOffset.QuadPart = at;
        request.targetOffset.QuadPart = at;
        request.byteCount.QuadPart = std::min(kCloneStep, rounded - at);
        DWORD got = 0;
        if (!DeviceIoControl(target.handle.Get(), FSCTL_DUPLICATE_EXTENTS_TO_FILE, &request, sizeof request,
                             nullptr, 0, &got, nullptr)) {
            error = GetLastError();
            if (error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION)
                return Refused(EReplaceRefusal::NoClones);
            // The bytes are the same either way; its time is put back so that it still looks unchanged.
            if (at != 0)
                SetFileTime(target.handle.Get(), nullptr, &target.info.ftLastAccessTime,
                            &target.info.ftLastWriteTime);
            return SystemFailure(error, at == 0 ? "" : "Cloned in part (the bytes are the same): ");
        }
    }
    Step(EReplaceStep::Cloned);
    if (!SetFileTime(target.handle.Get(), nullptr, &target.info.ftLastAccessTime,
                     &target.info.ftLastWriteTime))
        return SystemFailure(GetLastError(), "Cloned, but its last-write time could not be put back: ");
    Step(EReplaceStep::Done);
    outcome.freed = alreadyShared ? 0 : static_cast<std::uint64_t>(size);
    return outcome;
}

} // namespace

ReplaceOutcome ReplaceWithCopyOf(EReplaceWay way, const std::string& kept, const FileStamp& keptStamp,
                                 const std::string& path, const FileStamp& pathStamp)
{
    // Two names of one file, which the system will not open for writing and reading at once: there is
    // nothing to replace where both still are as scanned.
    if (keptStamp.id == pathStamp.id) {
        if (!StillSame(kept, keptStamp))
            return Refused(EReplaceRefusal::KeptChanged);
        return Refused(StillSame(path, pathStamp) ? EReplaceRefusal::None : EReplaceRefusal::Changed);
    }
    RemoveLeftoverLinks(FolderOf(path).path);
    CSide keptSide, target;
    ReplaceOutcome outcome = OpenAndCompare(way, keptSide, kept, keptStamp, target, path, pathStamp);
    // Two names of one file already share everything: there is nothing to replace.
    if (IsRefused(outcome) || IdOf(keptSide.info) == IdOf(target.info))
        return outcome;
    Step(EReplaceStep::Compared);
    return way == EReplaceWay::HardLink ? ReplaceByLink(keptSide, kept, keptStamp, target, path, pathStamp)
                                        : ReplaceByClone(keptSide, keptStamp, target, pathStamp);
}

unsigned testing::LeaseBreaksSeen()
{
    return 0; // the files are held without write sharing instead
}

} // namespace platform
