// Replacing a duplicate on Linux. Both files are opened once, held and checked against what the scan
// saw; their bytes are compared through those descriptors, and the link or the clone is then made from
// the very descriptor that was compared, so that no file put in either place meanwhile takes part.
// Held means a lease on each file where the file system and the user allow one: from then on, another
// process's open for writing waits, and this process sees it waiting and refuses the file. Where no
// lease can be had, the change times, which no writer can set back, are checked after the comparison
// and again just before the replacement.
#include "platform/ReplaceFile.h"

#include "platform/TemporaryLinkName.h"
#include "platform/posix/CompareFiles.h"
#include "platform/posix/FileLease.h"
#include "platform/posix/FileMetadata.h"
#include "platform/posix/LinkLeftovers.h"
#include "platform/posix/LongPath.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace platform {

namespace {

using testing::EReplaceStep;

constexpr long kFatMagic = 0x4d44;       // vfat and msdos
constexpr long kExFatMagic = 0x2011BAB0; // exfat
constexpr long kFuseMagic = 0x65735546;  // any file system in user space

// One of the two files, open, with what the system said of it when it was last looked at.
struct CSide
{
    CDescriptor fd;
    struct stat st
    {};
    struct timespec changed
    {};               // its change time once held: any write, or change of its metadata, moves it
    CFileLease lease; // given back before the descriptor is closed
};

ReplaceOutcome Refused(EReplaceRefusal why)
{
    ReplaceOutcome outcome;
    outcome.refusal = why;
    return outcome;
}

ReplaceOutcome SystemFailure(int error, const std::string& before = {})
{
    ReplaceOutcome outcome = Refused(EReplaceRefusal::System);
    outcome.systemText = before + std::strerror(error);
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

bool Matches(const struct stat& st, const FileStamp& stamp)
{
    return S_ISREG(st.st_mode) && static_cast<std::uint64_t>(st.st_dev) == stamp.id.device &&
           static_cast<std::uint64_t>(st.st_ino) == stamp.id.index &&
           static_cast<std::int64_t>(st.st_size) == stamp.size && WriteTimeOf(st) == stamp.writeTime;
}

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool SameTime(const struct timespec& a, const struct timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

EReplaceRefusal ProtectionRefusal(EProtection protection, bool kept)
{
    if (protection == EProtection::Immutable)
        return kept ? EReplaceRefusal::KeptImmutable : EReplaceRefusal::Immutable;
    return kept ? EReplaceRefusal::KeptAppendOnly : EReplaceRefusal::AppendOnly;
}

// Why `path` could not be opened: gone or no plain file any more, held under another program's lease,
// marked so that nobody may write to it (which refuses an open for writing), or the system's reason.
ReplaceOutcome OpenFailure(int error, const std::string& path, EReplaceRefusal changed,
                           EReplaceRefusal openElsewhere)
{
    if (error == ENOENT || error == ELOOP || error == ENOTDIR)
        return Refused(changed);
    if (error == EWOULDBLOCK) // another program holds a lease on it, as this one would
        return Refused(openElsewhere);
    if (error == EPERM) {
        CDescriptor probe;
        probe.Reset(OpenAnyLength(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW));
        const EProtection protection = probe.Get() >= 0 ? ProtectionOf(probe.Get()) : EProtection::None;
        if (protection != EProtection::None)
            return Refused(ProtectionRefusal(protection, false));
    }
    return SystemFailure(error);
}

// Opens `path` and checks that it is still the regular file `stamp` describes: None when it is,
// `changed` when something else is there now. A link in the last step is not followed, and a pipe
// put in the file's place neither blocks nor passes.
ReplaceOutcome Open(CSide& side, const std::string& path, const FileStamp& stamp, int access,
                    EReplaceRefusal changed, EReplaceRefusal openElsewhere)
{
    side.fd.Reset(OpenAnyLength(path, access | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW));
    if (side.fd.Get() < 0)
        return OpenFailure(errno, path, changed, openElsewhere);
    if (fstat(side.fd.Get(), &side.st) != 0)
        return SystemFailure(errno);
    return Refused(Matches(side.st, stamp) ? EReplaceRefusal::None : changed);
}

// Takes the side's lease and notes its change time. A file that another program holds open for writing
// could be written at any moment: it is refused. Where no lease can be had, the change time alone guards.
ReplaceOutcome Hold(CSide& side, bool write, const FileStamp& stamp, EReplaceRefusal changed,
                    EReplaceRefusal openElsewhere)
{
    if (side.lease.Take(side.fd.Get(), write) == CFileLease::ETake::Conflict)
        return Refused(openElsewhere);
    if (fstat(side.fd.Get(), &side.st) != 0)
        return SystemFailure(errno);
    side.changed = side.st.st_ctim;
    // Written to between the open and the lease?
    return Refused(side.st.st_nlink > 0 && Matches(side.st, stamp) ? EReplaceRefusal::None : changed);
}

ReplaceOutcome HoldBoth(EReplaceWay way, CSide& kept, const FileStamp& keptStamp, CSide& target,
                        const FileStamp& pathStamp)
{
    const ReplaceOutcome outcome =
        Hold(kept, false, keptStamp, EReplaceRefusal::KeptChanged, EReplaceRefusal::KeptOpenForWriting);
    if (IsRefused(outcome))
        return outcome;
    // A clone is made into the file's own descriptor, open for writing: only a write lease goes with it.
    const bool clone = way == EReplaceWay::Clone;
    return Hold(target, clone, pathStamp, EReplaceRefusal::Changed,
                clone ? EReplaceRefusal::InUse : EReplaceRefusal::OpenForWriting);
}

// Looks at a held side again, without asking its lease: `changed` where it is no longer the file the
// scan saw (truncated, grown, left without a name), `written` where only its change time moved.
EReplaceRefusal Unwritten(CSide& side, const FileStamp& stamp, EReplaceRefusal changed,
                          EReplaceRefusal written)
{
    if (fstat(side.fd.Get(), &side.st) != 0 || side.st.st_nlink == 0 || !Matches(side.st, stamp))
        return changed;
    return SameTime(side.st.st_ctim, side.changed) ? EReplaceRefusal::None : written;
}

// The same, and nobody waits to write to it.
EReplaceRefusal StillAsHeld(CSide& side, const FileStamp& stamp, EReplaceRefusal changed,
                            EReplaceRefusal written)
{
    const EReplaceRefusal refusal = Unwritten(side, stamp, changed, written);
    return refusal == EReplaceRefusal::None && side.lease.WriteWanted() ? written : refusal;
}

EReplaceRefusal KeptStillAsHeld(CSide& kept, const FileStamp& keptStamp)
{
    return StillAsHeld(kept, keptStamp, EReplaceRefusal::KeptChanged, EReplaceRefusal::KeptChanged);
}

EReplaceRefusal TargetStillAsHeld(CSide& target, const FileStamp& pathStamp)
{
    return StillAsHeld(target, pathStamp, EReplaceRefusal::Changed, EReplaceRefusal::WrittenMeanwhile);
}

ReplaceOutcome BothStillAsHeld(CSide& kept, const FileStamp& keptStamp, CSide& target,
                               const FileStamp& pathStamp)
{
    const EReplaceRefusal refusal = KeptStillAsHeld(kept, keptStamp);
    return Refused(refusal != EReplaceRefusal::None ? refusal : TargetStillAsHeld(target, pathStamp));
}

// The folder that holds a path, open, and the file's name in it.
struct CFolder
{
    CDescriptor fd;
    std::string path;
    std::string name;
    int error = 0; // why it could not be opened
};

bool OpenFolderOf(const std::string& path, CFolder& folder)
{
    const std::size_t cut = path.rfind('/');
    folder.path = cut == std::string::npos ? "." : cut == 0 ? "/" : path.substr(0, cut);
    folder.name = cut == std::string::npos ? path : path.substr(cut + 1);
    folder.fd.Reset(OpenAnyLength(folder.path, O_PATH | O_DIRECTORY | O_CLOEXEC));
    folder.error = folder.fd.Get() < 0 ? errno : 0;
    return folder.fd.Get() >= 0;
}

// A folder marked immutable takes no new name and one marked append-only gives none up: either way a
// link could not take the path's place, and in an append-only folder its temporary name could not be
// removed again. None where the marks cannot be read.
EProtection FolderProtection(const CFolder& folder)
{
    CDescriptor listed;
    listed.Reset(openat(folder.fd.Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return listed.Get() >= 0 ? ProtectionOf(listed.Get()) : EProtection::None;
}

// What rules the replacement out before a byte is read: another volume or size, a mark that forbids
// it, metadata that a link would change, or what a clone would clear and this process could not put
// back (read into `privileges` for the clone to restore).
ReplaceOutcome Admissible(EReplaceWay way, CSide& kept, CSide& target, const CFolder& folder,
                          Privileges& privileges)
{
    // A hard link cannot cross file systems; a clone is left to the system to refuse, since one file
    // system may show its parts as different devices and still share storage between them.
    if (way == EReplaceWay::HardLink && kept.st.st_dev != target.st.st_dev)
        return Refused(EReplaceRefusal::OtherVolume);
    if (kept.st.st_size != target.st.st_size)
        return Refused(EReplaceRefusal::DifferentBytes);
    const EProtection protection = ProtectionOf(target.fd.Get());
    if (protection != EProtection::None)
        return Refused(ProtectionRefusal(protection, false));
    if (way == EReplaceWay::Clone) {
        // Only the owner may set a file's times; without that the clone would show as a write.
        if (geteuid() != 0 && geteuid() != target.st.st_uid)
            return Refused(EReplaceRefusal::OtherOwner);
        if (!ReadPrivileges(target.fd.Get(), target.st, privileges))
            return SystemFailure(errno);
        return Refused(CanRestore(privileges, target.st) ? EReplaceRefusal::None
                                                         : EReplaceRefusal::Privileges);
    }
    const EProtection keptProtection = ProtectionOf(kept.fd.Get());
    if (keptProtection != EProtection::None)
        return Refused(ProtectionRefusal(keptProtection, true));
    const EProtection folderProtection = FolderProtection(folder);
    if (folderProtection != EProtection::None)
        return Refused(folderProtection == EProtection::Immutable ? EReplaceRefusal::FolderImmutable
                                                                  : EReplaceRefusal::FolderAppendOnly);
    return Refused(SameOwnerAndPermissions(kept.fd.Get(), kept.st, target.fd.Get(), target.st)
                       ? EReplaceRefusal::None
                       : EReplaceRefusal::OwnerOrPermissions);
}

// Compares the held files' bytes, and stops as soon as another process waits to write to either.
ECompare CompareHeld(CSide& kept, CSide& target)
{
    const std::int64_t size = target.st.st_size;
    unsigned breaks = LeaseBreaks();
    bool half = false;
    return CompareBytes(kept.fd.Get(), target.fd.Get(), size, [&](std::int64_t done) {
        if (!half && 2 * done >= size) {
            half = true;
            Step(EReplaceStep::HalfCompared);
        }
        if (LeaseBreaks() == breaks)
            return true;
        breaks = LeaseBreaks();
        return !kept.lease.WriteWanted() && !target.lease.WriteWanted();
    });
}

// Opens, holds, checks and compares both files: None when both are as scanned, unwritten since they
// were held, and equal byte for byte.
ReplaceOutcome OpenAndCompare(EReplaceWay way, CSide& kept, const std::string& keptPath,
                              const FileStamp& keptStamp, CSide& target, const std::string& path,
                              const FileStamp& pathStamp, const CFolder& folder, Privileges& privileges)
{
    ReplaceOutcome outcome = Open(kept, keptPath, keptStamp, O_RDONLY, EReplaceRefusal::KeptChanged,
                                  EReplaceRefusal::KeptOpenForWriting);
    if (IsRefused(outcome))
        return outcome;
    // A clone is made into the file's own descriptor, so it is opened for writing from the start and
    // nothing can take its place between the comparison and the clone.
    const bool clone = way == EReplaceWay::Clone;
    outcome = Open(target, path, pathStamp, clone ? O_RDWR : O_RDONLY, EReplaceRefusal::Changed,
                   clone ? EReplaceRefusal::InUse : EReplaceRefusal::OpenForWriting);
    if (IsRefused(outcome) || SameFile(kept.st, target.st))
        return outcome;
    // Held before their metadata is read, so that a change to it afterwards moves the change time.
    outcome = HoldBoth(way, kept, keptStamp, target, pathStamp);
    if (IsRefused(outcome))
        return outcome;
    outcome = Admissible(way, kept, target, folder, privileges);
    if (IsRefused(outcome))
        return outcome;
    Step(EReplaceStep::Held);
    const ECompare compared = CompareHeld(kept, target);
    if (compared == ECompare::Failed)
        return SystemFailure(errno);
    // Written to while being compared: the bytes compared may not be the bytes now.
    outcome = BothStillAsHeld(kept, keptStamp, target, pathStamp);
    if (IsRefused(outcome))
        return outcome;
    return Refused(compared == ECompare::Same ? EReplaceRefusal::None : EReplaceRefusal::DifferentBytes);
}

// Makes `name` in `folder` a new name of an open file. The descriptor is named through /proc, which
// needs no privilege; where /proc is missing, the link is made from the file's path and then checked to
// be the file that was opened.
int LinkOpenFile(const CSide& side, const std::string& sidePath, int folder, const std::string& name)
{
    if (!testing::Hooks().linkByPath) {
        const std::string named = "/proc/self/fd/" + std::to_string(side.fd.Get());
        if (linkat(AT_FDCWD, named.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return 0;
        if (errno != ENOENT || access("/proc/self/fd", F_OK) == 0)
            return -1;
    }
    CFolder sideFolder;
    if (!OpenFolderOf(sidePath, sideFolder) ||
        linkat(sideFolder.fd.Get(), sideFolder.name.c_str(), folder, name.c_str(), 0) != 0)
        return -1;
    struct stat made;
    if (fstatat(folder, name.c_str(), &made, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(made, side.st))
        return 0;
    unlinkat(folder, name.c_str(), 0);
    errno = ESTALE; // another file took the path after it was opened
    return -1;
}

// A second name of one of the two files in the path's folder for as long as the replacement needs it,
// removed on every way out unless a rename took it. It says which process made it and for which name,
// so that a later run can tell it from a live run's and remove it if this process is killed.
class CTemporaryName
{
public:
    explicit CTemporaryName(const CFolder& folder) : m_folder(folder) {}
    ~CTemporaryName() { Drop(); }
    CTemporaryName(const CTemporaryName&) = delete;
    CTemporaryName& operator=(const CTemporaryName&) = delete;

    // Links the open file under a name that no other file has; 0, or -1 with errno.
    int Make(const CSide& side, const std::string& sidePath)
    {
        static std::atomic<unsigned> counter{0};
        for (int attempt = 0; attempt < 100; ++attempt) {
            m_name = TemporaryLinkName(ThisRun(), counter++, m_folder.name);
            if (LinkOpenFile(side, sidePath, m_folder.fd.Get(), m_name) == 0)
                return 0;
            m_name.clear();
            if (errno != EEXIST)
                return -1;
        }
        return -1;
    }
    const std::string& Name() const { return m_name; }
    void Drop()
    {
        if (!m_name.empty())
            unlinkat(m_folder.fd.Get(), m_name.c_str(), 0);
        m_name.clear();
    }
    // The name no longer names the file it was made for: it is not this object's to remove.
    void Forget() { m_name.clear(); }

private:
    const CFolder& m_folder;
    std::string m_name;
};

// A link refused with EPERM is a file system without hard links on FAT and exFAT, and on a file system in
// user space (which answers so where it has no links, e.g. FAT through one) where the system's protection
// of other users' files cannot be the reason. Marks on the files and the folder are looked at before.
bool HasNoHardLinks(int error, int folder, const struct stat& kept)
{
    if (error == EOPNOTSUPP || error == ENOSYS)
        return true;
    struct statfs fs;
    if (error != EPERM || fstatfs(folder, &fs) != 0)
        return false;
    if (fs.f_type == kFatMagic || fs.f_type == kExFatMagic)
        return true;
    return fs.f_type == kFuseMagic && (geteuid() == 0 || geteuid() == kept.st_uid);
}

ReplaceOutcome LinkFailure(int error, CSide& kept, const FileStamp& keptStamp, int folder)
{
    if (error == ESTALE || (error == ENOENT && KeptStillAsHeld(kept, keptStamp) != EReplaceRefusal::None))
        return Refused(EReplaceRefusal::KeptChanged);
    if (error == ENOENT)
        return Refused(EReplaceRefusal::Changed); // the folder went
    if (error == EXDEV)
        return Refused(EReplaceRefusal::OtherVolume); // one file system mounted in two places
    if (HasNoHardLinks(error, folder, kept.st))
        return Refused(EReplaceRefusal::NoHardLinks);
    return SystemFailure(error);
}

// Gives a held side a second name. A new name moves its change time, so the side is looked at just
// before, and after it for what a name alone changes (one name more, its size and last write as they
// were, nobody waiting to write): only then is the time after it the one checked from then on.
// `refusal` is the side's own where the look fails; errno says why the link failed where it returns -1.
int NameAgain(CSide& side, const std::string& sidePath, const FileStamp& stamp, CTemporaryName& name,
              EReplaceRefusal changed, EReplaceRefusal written, EReplaceRefusal& refusal)
{
    refusal = StillAsHeld(side, stamp, changed, written);
    if (refusal != EReplaceRefusal::None)
        return 0;
    const nlink_t names = side.st.st_nlink;
    if (name.Make(side, sidePath) != 0)
        return -1;
    if (fstat(side.fd.Get(), &side.st) != 0)
        return -1;
    if (!Matches(side.st, stamp) || side.st.st_nlink != names + 1 || side.lease.WriteWanted())
        refusal = written;
    side.changed = side.st.st_ctim;
    return 0;
}

// Gives the kept copy its temporary name in the path's folder.
ReplaceOutcome LinkUnderTemporaryName(CSide& kept, const std::string& keptPath, const FileStamp& keptStamp,
                                      const CFolder& folder, CTemporaryName& temporary)
{
    EReplaceRefusal refusal = EReplaceRefusal::None;
    if (NameAgain(kept, keptPath, keptStamp, temporary, EReplaceRefusal::KeptChanged,
                  EReplaceRefusal::KeptChanged, refusal) != 0)
        return temporary.Name().empty() ? LinkFailure(errno, kept, keptStamp, folder.fd.Get())
                                        : SystemFailure(errno);
    if (refusal != EReplaceRefusal::None)
        return Refused(refusal);
    Step(EReplaceStep::Linked);
    const auto& beforeRename = testing::Hooks().beforeRename;
    if (beforeRename && !beforeRename(folder.path + "/" + temporary.Name()))
        return SystemFailure(EINTR, "Stopped before the rename: ");
    return Refused(EReplaceRefusal::None);
}

bool PathNames(const CFolder& folder, const CSide& side)
{
    struct stat now;
    return fstatat(folder.fd.Get(), folder.name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
           SameFile(now, side.st);
}

// The kept copy must still hold the bytes compared, and the path must still name the file compared,
// unwritten since.
ReplaceOutcome ReadyToSwap(CSide& kept, const FileStamp& keptStamp, CSide& target, const FileStamp& pathStamp,
                           const CFolder& folder)
{
    const EReplaceRefusal refusal = KeptStillAsHeld(kept, keptStamp);
    if (refusal != EReplaceRefusal::None)
        return Refused(refusal);
    if (!PathNames(folder, target))
        return Refused(EReplaceRefusal::Changed);
    return Refused(TargetStillAsHeld(target, pathStamp));
}

bool Later(const struct timespec& a, const struct timespec& b)
{
    return a.tv_sec != b.tv_sec ? a.tv_sec > b.tv_sec : a.tv_nsec > b.tv_nsec;
}

// Whether the old file, once its name has gone to the kept copy, is still as compared: its size and last
// write as the scan saw them, nobody waiting to write to it, and its change time no later than the one
// the move of names gave the kept copy and the folder. Without a lease, that is what shows a write made
// just before the move, or since.
bool UnwrittenSinceTheMove(CSide& target, const FileStamp& pathStamp, const CSide& kept,
                           const CFolder& folder)
{
    struct stat keptNow, folderNow;
    if (fstat(target.fd.Get(), &target.st) != 0 || !Matches(target.st, pathStamp) ||
        target.lease.WriteWanted() || fstat(kept.fd.Get(), &keptNow) != 0 ||
        fstat(folder.fd.Get(), &folderNow) != 0)
        return false;
    struct timespec moved = keptNow.st_ctim;
    for (const struct timespec& also : {folderNow.st_mtim, folderNow.st_ctim})
        if (Later(also, moved))
            moved = also;
    return !Later(target.st.st_ctim, moved);
}

// Gives the path back to the file that `held` names now, the two names having been swapped or the link
// renamed over the path; the reason, where that fails, says where that file is.
ReplaceOutcome SwapBack(const CFolder& folder, CTemporaryName& held, int flags, EReplaceRefusal why,
                        const char* what)
{
    const int fd = folder.fd.Get();
    if (renameat2(fd, held.Name().c_str(), fd, folder.name.c_str(), static_cast<unsigned>(flags)) == 0) {
        if (flags == 0)
            held.Forget(); // the rename took the name
        return Refused(why);
    }
    const std::string name = held.Name();
    held.Forget();
    return SystemFailure(errno, std::string(what) + " now has the name " + name + ": ");
}

// A file system that cannot swap names: the old file is given a second temporary name first, so that it
// stays reachable while the link is renamed over the path, and is put back where a writer waits on it or
// it was written meanwhile (a writer that has it open would otherwise write to a file with no name).
ReplaceOutcome RenameOver(const CFolder& folder, CTemporaryName& temporary, const CSide& kept, CSide& target,
                          const std::string& path, const FileStamp& pathStamp)
{
    if (!PathNames(folder, target))
        return Refused(EReplaceRefusal::Changed);
    CTemporaryName aside(folder);
    EReplaceRefusal refusal = EReplaceRefusal::None;
    // Seen unwritten just before: whatever changed it since was a write.
    if (NameAgain(target, path, pathStamp, aside, EReplaceRefusal::WrittenMeanwhile,
                  EReplaceRefusal::WrittenMeanwhile, refusal) != 0)
        return SystemFailure(errno, "The old file could not be given a second name: ");
    if (refusal == EReplaceRefusal::None && !PathNames(folder, target))
        refusal = EReplaceRefusal::Changed;
    if (refusal != EReplaceRefusal::None)
        return Refused(refusal);
    const int fd = folder.fd.Get();
    if (renameat(fd, temporary.Name().c_str(), fd, folder.name.c_str()) != 0)
        return SystemFailure(errno);
    // Where another name of the kept copy took the path at the last moment, the rename did nothing and
    // the temporary name is still there, to be removed.
    struct stat left;
    if (fstatat(fd, temporary.Name().c_str(), &left, AT_SYMLINK_NOFOLLOW) != 0 || !SameFile(left, kept.st))
        temporary.Forget();
    Step(EReplaceStep::Exchanged);
    if (!UnwrittenSinceTheMove(target, pathStamp, kept, folder))
        return SwapBack(folder, aside, 0, EReplaceRefusal::WrittenMeanwhile, "The old file");
    return Refused(EReplaceRefusal::None); // the old file's last name here goes with `aside`
}

// The two names are swapped rather than the link renamed over the path, so that a file saved at the path
// since the last look is not thrown away: what the temporary name holds afterwards is looked at, and a
// file other than the one compared is swapped back. So is the old file when it was written just before
// the swap, or a writer waits on its lease: once let go, it would write to a file with no name.
ReplaceOutcome PutInPlace(const CFolder& folder, CTemporaryName& temporary, const CSide& kept, CSide& target,
                          const std::string& path, const FileStamp& pathStamp)
{
    const auto& beforeExchange = testing::Hooks().beforeExchange;
    if (beforeExchange)
        beforeExchange();
    const int fd = folder.fd.Get();
    const char* const name = temporary.Name().c_str();
    if (testing::Hooks().noExchange || renameat2(fd, name, fd, folder.name.c_str(), RENAME_EXCHANGE) != 0)
        return testing::Hooks().noExchange || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP
                   ? RenameOver(folder, temporary, kept, target, path, pathStamp)
                   : SystemFailure(errno);
    Step(EReplaceStep::Exchanged);
    struct stat swapped;
    if (fstatat(fd, name, &swapped, AT_SYMLINK_NOFOLLOW) != 0 || !SameFile(swapped, target.st))
        return SwapBack(folder, temporary, RENAME_EXCHANGE, EReplaceRefusal::Changed,
                        "Another file that took its name meanwhile");
    if (!UnwrittenSinceTheMove(target, pathStamp, kept, folder))
        return SwapBack(folder, temporary, RENAME_EXCHANGE, EReplaceRefusal::WrittenMeanwhile,
                        "The old file");
    return Refused(EReplaceRefusal::None);
}

// What a file's last name frees: its own storage, as the file system reports its extents; where it
// does not, the blocks it says the file takes.
std::uint64_t StorageOfItsOwn(const CSide& side)
{
    const auto size = static_cast<std::uint64_t>(side.st.st_size);
    bool known = false;
    const std::uint64_t own = OwnStorage(side.fd.Get(), size, known);
    return known ? own : std::min<std::uint64_t>(size, static_cast<std::uint64_t>(side.st.st_blocks) * 512);
}

// The link is made under a temporary name and put in the path's place, so the path names either the old
// file or the kept copy at every moment, and a failure leaves no other name behind.
ReplaceOutcome ReplaceByLink(CSide& kept, const std::string& keptPath, const FileStamp& keptStamp,
                             CSide& target, const std::string& path, const FileStamp& pathStamp,
                             const CFolder& folder)
{
    if (folder.fd.Get() < 0)
        return folder.error == ENOENT ? Refused(EReplaceRefusal::Changed) : SystemFailure(folder.error);
    const std::uint64_t own = StorageOfItsOwn(target);
    CTemporaryName temporary(folder);
    ReplaceOutcome outcome = LinkUnderTemporaryName(kept, keptPath, keptStamp, folder, temporary);
    if (!IsRefused(outcome))
        outcome = ReadyToSwap(kept, keptStamp, target, pathStamp, folder);
    if (!IsRefused(outcome))
        outcome = PutInPlace(folder, temporary, kept, target, path, pathStamp);
    temporary.Drop();
    NoteFolderSeen(folder.fd.Get());
    if (IsRefused(outcome))
        return outcome;
    Step(EReplaceStep::Done);
    // The old file's storage goes only where the path was its last name.
    if (fstat(target.fd.Get(), &target.st) == 0 && target.st.st_nlink == 0)
        outcome.freed = own;
    return outcome;
}

// The system counts the clone as a write, and does so before the clone itself can fail: it clears the
// set-ID bits and the capability and moves the last-write time. Whatever it changed is put back;
// `before` begins the reason where that fails.
ReplaceOutcome RestoreAfterClone(CSide& target, const Privileges& privileges, const std::string& before)
{
    if (!Restore(target.fd.Get(), privileges))
        return SystemFailure(errno, before + "its set-ID bits or capability could not be put back: ");
    struct stat now;
    if (fstat(target.fd.Get(), &now) != 0)
        return SystemFailure(errno, before + "its last-write time could not be read: ");
    if (SameTime(now.st_mtim, target.st.st_mtim) && SameTime(now.st_atim, target.st.st_atim))
        return Refused(EReplaceRefusal::None);
    const struct timespec times[2] = {target.st.st_atim, target.st.st_mtim};
    if (futimens(target.fd.Get(), times) != 0)
        return SystemFailure(errno, before + "its last-write time could not be put back: ");
    return Refused(EReplaceRefusal::None);
}

// Why the system refused the clone, once what it changed on the way is put back.
ReplaceOutcome CloneFailure(int error, CSide& target, const Privileges& privileges)
{
    const ReplaceOutcome putBack =
        RestoreAfterClone(target, privileges, "Not cloned (" + std::string(std::strerror(error)) + "), and ");
    if (IsRefused(putBack))
        return putBack;
    switch (error) {
    case EOPNOTSUPP:
    case EINVAL:
    case ENOTTY:
    case ENOSYS:
        return Refused(EReplaceRefusal::NoClones);
    case EXDEV:
        return Refused(EReplaceRefusal::OtherVolume);
    default:
        return SystemFailure(error);
    }
}

// Shares the kept copy's storage into the path's own file: its number, owner, permissions and other names
// stay, and what the clone changed is put back, so that it still matches what the scan saw. What it
// frees is what moved from the file's own storage to shared storage.
ReplaceOutcome ReplaceByClone(CSide& kept, const FileStamp& keptStamp, CSide& target,
                              const FileStamp& pathStamp, const Privileges& privileges)
{
    const auto size = static_cast<std::uint64_t>(target.st.st_size);
    bool known = false;
    const std::uint64_t ownBefore = OwnStorage(target.fd.Get(), size, known);
    // A write to either file since the comparison would be lost or spread to the other.
    ReplaceOutcome outcome = BothStillAsHeld(kept, keptStamp, target, pathStamp);
    if (IsRefused(outcome))
        return outcome;
    if (ioctl(target.fd.Get(), FICLONE, kept.fd.Get()) != 0)
        return CloneFailure(errno, target, privileges);
    Step(EReplaceStep::Cloned);
    outcome = RestoreAfterClone(target, privileges, "Cloned, but ");
    if (IsRefused(outcome))
        return outcome;
    // Where no lease held the kept copy, a write to it just before the clone would have spread to this
    // file: it is not called done, so that the row stays and the warning names it. (A writer waiting on
    // a lease writes only after the clone, to the kept copy's own storage.)
    if (Unwritten(kept, keptStamp, EReplaceRefusal::KeptChanged, EReplaceRefusal::KeptChanged) !=
        EReplaceRefusal::None) {
        outcome = Refused(EReplaceRefusal::System);
        outcome.systemText = "cloned from a copy that was written to meanwhile";
        return outcome;
    }
    Step(EReplaceStep::Done);
    const std::uint64_t ownAfter = OwnStorage(target.fd.Get(), size, known);
    outcome.freed = known && ownAfter < ownBefore ? ownBefore - ownAfter : 0;
    return outcome;
}

} // namespace

ReplaceOutcome ReplaceWithCopyOf(EReplaceWay way, const std::string& kept, const FileStamp& keptStamp,
                                 const std::string& path, const FileStamp& pathStamp)
{
    // Before either file is held: removing a leftover name of the kept copy moves its change time.
    CFolder folder;
    if (OpenFolderOf(path, folder))
        RemoveLeftoverLinks(folder.fd.Get());
    CSide keptSide, target;
    Privileges privileges;
    ReplaceOutcome outcome =
        OpenAndCompare(way, keptSide, kept, keptStamp, target, path, pathStamp, folder, privileges);
    // Two names of one file already share everything: there is nothing to replace.
    if (IsRefused(outcome) || SameFile(keptSide.st, target.st))
        return outcome;
    Step(EReplaceStep::Compared);
    return way == EReplaceWay::HardLink
               ? ReplaceByLink(keptSide, kept, keptStamp, target, path, pathStamp, folder)
               : ReplaceByClone(keptSide, keptStamp, target, pathStamp, privileges);
}

} // namespace platform
