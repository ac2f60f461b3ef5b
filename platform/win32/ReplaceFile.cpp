// Replacing a duplicate on Windows. Both files are opened without sharing them for writing, checked
// against what the scan saw and compared byte for byte while no other program can write to them. A
// hard link is made by the kept copy's path, so the new name is checked to be the file compared; a
// clone is made into the path's own handle.
#include "platform/ReplaceFile.h"

#include "platform/InputFile.h"
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

constexpr DWORD kCompareBlock = 1u << 20;
constexpr std::int64_t kCloneStep = 1ll << 30; // one request must stay under 4 GiB

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

class CHandle
{
public:
    CHandle() = default;
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;
    ~CHandle() { Reset(INVALID_HANDLE_VALUE); }

    void Reset(HANDLE handle)
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);
        m_handle = handle;
    }
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

// One of the two files, open, with what the system said of it when it was last looked at.
struct CSide
{
    CHandle handle;
    BY_HANDLE_FILE_INFORMATION info{};
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

// Opens `path` and checks that it is still the regular file `stamp` describes: None when it is,
// `changed` when something else is there now. Others may go on reading it, and may rename or delete
// it, but not write to it while it is open here; a reparse point in its place is not followed.
ReplaceOutcome Open(CSide& side, const std::string& path, const FileStamp& stamp, DWORD access,
                    EReplaceRefusal changed)
{
    side.handle.Reset(CreateFileW(SystemPath(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (side.handle.Get() == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Refused(changed)
                                                                              : SystemFailure(error);
    }
    if (GetFileType(side.handle.Get()) != FILE_TYPE_DISK)
        return Refused(changed);
    if (!GetFileInformationByHandle(side.handle.Get(), &side.info))
        return SystemFailure(GetLastError());
    return Refused(Matches(side.info, stamp) ? EReplaceRefusal::None : changed);
}

bool StillAsScanned(CSide& side, const FileStamp& stamp)
{
    return GetFileInformationByHandle(side.handle.Get(), &side.info) && side.info.nNumberOfLinks > 0 &&
           Matches(side.info, stamp);
}

// Reads until `count` bytes or the end; the count read, or -1.
std::int64_t ReadSome(HANDLE handle, char* buffer, DWORD count)
{
    DWORD done = 0;
    while (done < count) {
        DWORD got = 0;
        if (!ReadFile(handle, buffer + done, count - done, &got, nullptr))
            return -1;
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

enum class ECompare
{
    Same,
    Different,
    Shorter,
    Failed, // GetLastError says why
};

// Compares two files from their start, a large block of each at a time.
ECompare CompareBytes(HANDLE first, HANDLE second, std::int64_t size)
{
    const std::unique_ptr<char[]> buffers(new char[2 * kCompareBlock]);
    char* const a = buffers.get();
    char* const b = a + kCompareBlock;
    for (std::int64_t at = 0; at < size;) {
        const auto want = static_cast<DWORD>(std::min<std::int64_t>(kCompareBlock, size - at));
        const std::int64_t gotA = ReadSome(first, a, want);
        if (gotA < 0)
            return ECompare::Failed;
        const std::int64_t gotB = ReadSome(second, b, want);
        if (gotB < 0)
            return ECompare::Failed;
        if (gotA != want || gotB != want)
            return ECompare::Shorter;
        if (std::memcmp(a, b, want) != 0)
            return ECompare::Different;
        at += want;
    }
    return ECompare::Same;
}

// Opens, checks and compares both files: None when both are as scanned and equal byte for byte.
ReplaceOutcome OpenAndCompare(EReplaceWay way, CSide& kept, const std::string& keptPath,
                              const FileStamp& keptStamp, CSide& target, const std::string& path,
                              const FileStamp& pathStamp)
{
    ReplaceOutcome outcome = Open(kept, keptPath, keptStamp, GENERIC_READ, EReplaceRefusal::KeptChanged);
    if (outcome.refusal != EReplaceRefusal::None)
        return outcome;
    const DWORD access = way == EReplaceWay::Clone ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
    outcome = Open(target, path, pathStamp, access, EReplaceRefusal::Changed);
    if (outcome.refusal != EReplaceRefusal::None || IdOf(kept.info) == IdOf(target.info))
        return outcome;
    // Neither a link nor a clone crosses volumes.
    if (kept.info.dwVolumeSerialNumber != target.info.dwVolumeSerialNumber)
        return Refused(EReplaceRefusal::OtherVolume);
    if (SizeOf(kept.info) != SizeOf(target.info))
        return Refused(EReplaceRefusal::DifferentBytes);
    const ECompare compared = CompareBytes(kept.handle.Get(), target.handle.Get(), SizeOf(target.info));
    if (compared == ECompare::Failed)
        return SystemFailure(GetLastError());
    if (!StillAsScanned(kept, keptStamp))
        return Refused(EReplaceRefusal::KeptChanged);
    if (!StillAsScanned(target, pathStamp))
        return Refused(EReplaceRefusal::Changed);
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

// Links the kept copy under a name of its own in the path's folder, checked to be the file compared.
ReplaceOutcome LinkUnderTemporaryName(const std::string& keptPath, const CSide& kept, const std::string& path,
                                      std::string& temporary)
{
    static std::atomic<unsigned> counter{0};
    const std::string folder = path.substr(0, path.find_last_of("/\\") + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = folder + ".quorvel-link-" + std::to_string(GetCurrentProcessId()) + "-" +
                    std::to_string(counter++);
        if (!CreateHardLinkW(SystemPath(temporary).c_str(), SystemPath(keptPath).c_str(), nullptr)) {
            const DWORD error = GetLastError();
            if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)
                continue;
            return LinkFailure(error);
        }
        if (IsFile(SystemPath(temporary), IdOf(kept.info)))
            return Refused(EReplaceRefusal::None);
        DeleteFileW(SystemPath(temporary).c_str());
        return Refused(EReplaceRefusal::KeptChanged); // another file took the kept copy's path
    }
    return SystemFailure(ERROR_ALREADY_EXISTS);
}

// The link is made under a temporary name and moved over the path, so the path names either the
// old file or the kept copy at every moment, and a failure leaves no other name behind. The system
// replaces no file that is open, so the handles are closed first and the path checked once more.
ReplaceOutcome ReplaceByLink(CSide& kept, const std::string& keptPath, CSide& target, const std::string& path,
                             const FileStamp& pathStamp)
{
    std::string temporary;
    ReplaceOutcome outcome = LinkUnderTemporaryName(keptPath, kept, path, temporary);
    if (outcome.refusal != EReplaceRefusal::None)
        return outcome;
    const std::wstring wideTemporary = SystemPath(temporary);
    const auto& beforeRename = testing::Hooks().beforeRename;
    if (beforeRename && !beforeRename(temporary)) {
        DeleteFileW(wideTemporary.c_str());
        return SystemFailure(ERROR_CANCELLED, "Stopped before the rename: ");
    }
    const bool lastName = target.info.nNumberOfLinks == 1;
    // The system replaces no file that is open, so the file to replace is let go here; the kept copy
    // stays held, shared for reading and renaming only, so that nobody writes to it until the move.
    target.handle.Reset(INVALID_HANDLE_VALUE);
    if (!StillSame(path, pathStamp)) {
        DeleteFileW(wideTemporary.c_str());
        return Refused(EReplaceRefusal::Changed);
    }
    if (!MoveFileExW(wideTemporary.c_str(), SystemPath(path).c_str(), MOVEFILE_REPLACE_EXISTING)) {
        const DWORD error = GetLastError();
        DeleteFileW(wideTemporary.c_str());
        return SystemFailure(error);
    }
    // The old file's storage goes only where the path was its last name.
    outcome.freed = lastName ? static_cast<std::uint64_t>(SizeOf(target.info)) : 0;
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

// Shares the kept copy's storage into the path's own file where the volume can count references to
// its blocks: the file keeps its number, attributes and other names, and its last-write time is put
// back. The system cannot say whether a cluster is shared with a third file, so the bytes counted as
// freed are all of them unless the file already lies on the kept copy's own clusters.
ReplaceOutcome ReplaceByClone(CSide& kept, const FileStamp& keptStamp, CSide& target,
                              const FileStamp& pathStamp)
{
    DWORD flags = 0;
    if (!GetVolumeInformationByHandleW(target.handle.Get(), nullptr, 0, nullptr, nullptr, &flags, nullptr,
                                       0) ||
        (flags & FILE_SUPPORTS_BLOCK_REFCOUNTING) == 0)
        return Refused(EReplaceRefusal::NoClones);
    IntegrityInformation integrity{};
    DWORD got = 0;
    if (!DeviceIoControl(target.handle.Get(), FSCTL_GET_INTEGRITY_INFORMATION, nullptr, 0, &integrity,
                         sizeof integrity, &got, nullptr) ||
        integrity.clusterSize == 0)
        return SystemFailure(GetLastError());
    const auto keptRuns = ClusterRuns(kept.handle.Get());
    const bool alreadyShared = !keptRuns.empty() && keptRuns == ClusterRuns(target.handle.Get());
    if (!StillAsScanned(kept, keptStamp))
        return Refused(EReplaceRefusal::KeptChanged);
    if (!StillAsScanned(target, pathStamp))
        return Refused(EReplaceRefusal::Changed);
    // Whole clusters only: the last one reaches past the end, which both files share.
    const std::int64_t size = SizeOf(target.info);
    const std::int64_t rounded =
        (size + integrity.clusterSize - 1) / integrity.clusterSize * integrity.clusterSize;
    for (std::int64_t at = 0; at < rounded; at += kCloneStep) {
        DuplicateExtents request{};
        request.source = kept.handle.Get();
        request.sourceOffset.QuadPart = at;
        request.targetOffset.QuadPart = at;
        request.byteCount.QuadPart = std::min(kCloneStep, rounded - at);
        if (!DeviceIoControl(target.handle.Get(), FSCTL_DUPLICATE_EXTENTS_TO_FILE, &request, sizeof request,
                             nullptr, 0, &got, nullptr)) {
            const DWORD error = GetLastError();
            if (error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION)
                return Refused(EReplaceRefusal::NoClones);
            // The bytes are the same either way; its time is put back so that it still looks unchanged.
            if (at != 0)
                SetFileTime(target.handle.Get(), nullptr, &target.info.ftLastAccessTime,
                            &target.info.ftLastWriteTime);
            return SystemFailure(error, at == 0 ? "" : "Cloned in part (the bytes are the same): ");
        }
    }
    if (!SetFileTime(target.handle.Get(), nullptr, &target.info.ftLastAccessTime,
                     &target.info.ftLastWriteTime))
        return SystemFailure(GetLastError(), "Cloned, but its last-write time could not be put back: ");
    ReplaceOutcome outcome;
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
    CSide keptSide, target;
    ReplaceOutcome outcome = OpenAndCompare(way, keptSide, kept, keptStamp, target, path, pathStamp);
    // Two names of one file already share everything: there is nothing to replace.
    if (outcome.refusal != EReplaceRefusal::None || IdOf(keptSide.info) == IdOf(target.info))
        return outcome;
    return way == EReplaceWay::HardLink ? ReplaceByLink(keptSide, kept, target, path, pathStamp)
                                        : ReplaceByClone(keptSide, keptStamp, target, pathStamp);
}

} // namespace platform
