// The freedesktop trash, written here rather than through GIO's trash, which looks for a free name one
// candidate at a time from the first and so slows to a crawl when thousands of files share a name.
// The layout is the one every desktop's trash reads: files/NAME and info/NAME.trashinfo, in the home
// trash for the home's file system and in the top folder's .Trash/$uid or .Trash-$uid elsewhere.
// Mounts that GIO keeps out of the trash stay out. A file system without a usable trash is a failure
// to report, never a reason to delete.
#include "platform/Trash.h"

#include "platform/Path.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <gio/gio.h>
#include <gio/gunixmounts.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

const char* const kTrashName = "trash";

namespace {

struct TrashPlace
{
    std::string folder;    // holds files/ and info/
    std::string topFolder; // empty for the home trash
    std::string original;  // the path that Path= records: absolute, or relative to the top folder
};

std::string Reason(int error)
{
    return std::strerror(error);
}

std::string EnvOr(const char* name, const std::string& fallback)
{
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : fallback;
}

std::string HomeFolder()
{
    return EnvOr("HOME", g_get_home_dir());
}

std::string DataHome()
{
    return EnvOr("XDG_DATA_HOME", JoinPath(HomeFolder(), ".local/share"));
}

bool MakeFolders(const std::string& path)
{
    return g_mkdir_with_parents(path.c_str(), 0700) == 0;
}

// A trash folder of our own: a real folder (not a link to one) that belongs to this user.
bool IsOwnFolder(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid();
}

bool UsableOrMade(const std::string& path)
{
    return IsOwnFolder(path) || (mkdir(path.c_str(), 0700) == 0 && IsOwnFolder(path));
}

// The folder at the top of the file system that holds `folder` (itself resolved, without links).
std::string MountTop(const std::string& folder, dev_t device)
{
    std::string top = folder;
    while (top != "/") {
        const std::size_t slash = top.rfind('/');
        const std::string parent = slash == 0 ? "/" : top.substr(0, slash);
        struct stat st;
        if (stat(parent.c_str(), &st) != 0 || st.st_dev != device)
            break;
        top = parent;
    }
    return top;
}

// GIO's own rule, so that the desktop and this program agree on which mounts have a trash: none on
// system mounts, none where the mount says x-gvfs-notrash, none on a folder that is not a mount.
bool MountTakesTrash(const std::string& top)
{
    GUnixMountEntry* mount = g_unix_mount_at(top.c_str(), nullptr);
    if (mount == nullptr)
        return false;
    bool takes = g_unix_mount_is_system_internal(mount) == FALSE;
    const char* options = g_unix_mount_get_options(mount);
    if (takes && options != nullptr && std::strstr(options, "x-gvfs-notrash") != nullptr)
        takes = false;
    g_unix_mount_free(mount);
    return takes;
}

// The folders files/ and info/ of one trash, open: each a real folder inside it, reached without
// following a link, so that nothing the trash writes lands outside it.
class CTrashFolders
{
public:
    CTrashFolders() = default;
    ~CTrashFolders() { Close(); }
    CTrashFolders(const CTrashFolders&) = delete;
    CTrashFolders& operator=(const CTrashFolders&) = delete;

    // `own`: the trash folder itself must be a real folder of this user's too, as a top folder's is.
    bool Open(const std::string& folder, bool own)
    {
        Close();
        const int trash = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (own ? O_NOFOLLOW : 0));
        struct stat st;
        if (trash >= 0 && (!own || (fstat(trash, &st) == 0 && st.st_uid == geteuid()))) {
            files = OpenSubfolder(trash, "files");
            info = OpenSubfolder(trash, "info");
        }
        if (trash >= 0)
            close(trash);
        return files >= 0 && info >= 0;
    }

    int files = -1;
    int info = -1;

private:
    static int OpenSubfolder(int trash, const char* name)
    {
        if (mkdirat(trash, name, 0700) != 0 && errno != EEXIST)
            return -1;
        return openat(trash, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    }
    void Close()
    {
        for (int* fd : {&files, &info})
            if (*fd >= 0) {
                close(*fd);
                *fd = -1;
            }
    }
};

bool FindTopTrash(const std::string& top, TrashPlace& place, CTrashFolders& folders, std::string& reason)
{
    if (!MountTakesTrash(top)) {
        reason = "the file system at " + top + " has no trash";
        return false;
    }
    const std::string uid = std::to_string(geteuid());
    // $top/.Trash is shared by every user: only a real folder with the sticky bit is trusted.
    const std::string shared = JoinPath(top, ".Trash");
    struct stat st;
    if (lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) != 0 &&
        UsableOrMade(JoinPath(shared, uid)) && folders.Open(JoinPath(shared, uid), true)) {
        place = {JoinPath(shared, uid), top, ""};
        return true;
    }
    const std::string own = JoinPath(top, ".Trash-" + uid);
    if (UsableOrMade(own) && folders.Open(own, true)) {
        place = {own, top, ""};
        return true;
    }
    reason = "no trash can be made on the file system at " + top;
    return false;
}

// The folder that holds `path`, with its links resolved: a top folder's trash records names relative
// to the top folder, which only the resolved form shows.
std::string ResolvedFolder(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    char* resolved = realpath(slash == 0 ? "/" : path.substr(0, slash).c_str(), nullptr);
    const std::string folder = resolved != nullptr ? resolved : "";
    std::free(resolved);
    return folder;
}

bool FindTrash(const std::string& path, const struct stat& file, TrashPlace& place, CTrashFolders& folders,
               std::string& reason)
{
    const std::string homeTrash = JoinPath(DataHome(), "Trash");
    struct stat home;
    if (MakeFolders(homeTrash) && stat(homeTrash.c_str(), &home) == 0 && home.st_dev == file.st_dev) {
        place = {homeTrash, "", path};
        if (folders.Open(homeTrash, false))
            return true;
        reason =
            "the trash at " + homeTrash + " has a link or a file where its folders files and info belong";
        return false;
    }
    const std::string folder = ResolvedFolder(path);
    if (folder.empty()) {
        reason = Reason(errno);
        return false;
    }
    if (!FindTopTrash(MountTop(folder, file.st_dev), place, folders, reason))
        return false;
    const std::string original = JoinPath(folder, path.substr(path.rfind('/') + 1));
    place.original = original.substr(place.topFolder == "/" ? 1 : place.topFolder.size() + 1);
    return true;
}

// What the trash's Path= says: URI-escaped bytes.
std::string EscapedPath(const std::string& original)
{
    gchar* escaped = g_uri_escape_string(original.c_str(), "/", FALSE);
    std::string text = escaped;
    g_free(escaped);
    return text;
}

std::string DeletionDate()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

// "same.txt" as "same.N.txt": the number goes before the first dot, where GIO puts it too.
std::string NumberedName(const std::string& name, unsigned number)
{
    if (number == 1)
        return name;
    const std::size_t dot = name.find('.', 1);
    const std::string suffix = "." + std::to_string(number);
    return dot == std::string::npos ? name + suffix : name.substr(0, dot) + suffix + name.substr(dot);
}

// The next number to try for a name in a trash, remembered across calls so that the n-th file of one
// name costs one try and not n. A number handed out and then taken by another program is only skipped.
class CNameNumbers
{
public:
    unsigned Next(const std::string& key)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        unsigned& next = m_next.try_emplace(key, 2).first->second;
        return next++;
    }

private:
    std::mutex m_mutex;
    std::map<std::string, unsigned> m_next;
};

CNameNumbers s_numbers;

constexpr unsigned kMostTries = 1u << 20; // a failed try costs one refused open

// 0 when all of `text` was written, else the system's reason, taken before anything else can
// change errno.
int WriteAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return errno;
        if (written == 0)
            return EIO; // nothing written and no reason given
        done += static_cast<std::size_t>(written);
    }
    return 0;
}

// Moves without replacing: an entry already in files/ under that name stays what it is.
int RenameNoReplace(int fromFolder, const char* from, int toFolder, const char* to)
{
    if (renameat2(fromFolder, from, toFolder, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system that cannot refuse a replacement itself: look first.
    struct stat st;
    if (fstatat(toFolder, to, &st, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    return renameat(fromFolder, from, toFolder, to) == 0 ? 0 : errno;
}

bool MoveInto(const std::string& path, const TrashPlace& place, const CTrashFolders& folders,
              std::string& trashName, std::string& reason)
{
    const std::string name = path.substr(path.rfind('/') + 1);
    const std::string record =
        "[Trash Info]\nPath=" + EscapedPath(place.original) + "\nDeletionDate=" + DeletionDate() + "\n";
    const std::string numbersKey = place.folder + "/info/" + name;
    // Only names that were taken once are remembered, so that unique names cost no memory.
    for (unsigned attempt = 0; attempt < kMostTries; ++attempt) {
        trashName = NumberedName(name, attempt == 0 ? 1 : s_numbers.Next(numbersKey));
        const std::string infoName = trashName + ".trashinfo";
        // The record claims the name first: O_EXCL never takes over another file's record.
        const int fd = openat(folders.info, infoName.c_str(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            reason = Reason(errno);
            return false;
        }
        const int writeError = WriteAll(fd, record);
        const int closeError = close(fd) == 0 ? 0 : errno;
        if (writeError != 0 || closeError != 0) {
            reason = Reason(writeError != 0 ? writeError : closeError);
            unlinkat(folders.info, infoName.c_str(), 0);
            return false;
        }
        const int moveError = RenameNoReplace(AT_FDCWD, path.c_str(), folders.files, trashName.c_str());
        if (moveError == 0)
            return true;
        unlinkat(folders.info, infoName.c_str(), 0);
        if (moveError == EEXIST)
            continue; // a stray entry in files/ without its record: keep it and take another name
        reason = moveError == EXDEV ? "the trash is on another file system" : Reason(moveError);
        return false;
    }
    reason = "no free name in the trash";
    return false;
}

// The last file moved, so that it can be put back right after: only ever one, whatever the number of
// files moved.
struct LastMove
{
    std::string from; // the full path it had
    std::string trash;
    bool own = false; // a top folder's trash, which must be a real folder of this user's
    std::string trashName;
};

std::mutex s_lastMoveLock;
LastMove s_lastMove;

} // namespace

bool MoveToTrash(const std::string& given, std::string& reason)
{
    const std::string path = FullPath(given);
    struct stat st;
    if (path.empty() || path == "/" || lstat(path.c_str(), &st) != 0) {
        reason = Reason(path.empty() ? ENOENT : path == "/" ? EBUSY : errno);
        return false;
    }
    TrashPlace place;
    CTrashFolders folders;
    std::string trashName;
    if (!FindTrash(path, st, place, folders, reason) || !MoveInto(path, place, folders, trashName, reason))
        return false;
    const std::lock_guard<std::mutex> hold(s_lastMoveLock);
    s_lastMove = {path, place.folder, !place.topFolder.empty(), trashName};
    return true;
}

bool PutBackFromTrash(const std::string& given, std::string& reason)
{
    const std::lock_guard<std::mutex> hold(s_lastMoveLock);
    CTrashFolders folders;
    if (s_lastMove.from.empty() || s_lastMove.from != FullPath(given) ||
        !folders.Open(s_lastMove.trash, s_lastMove.own)) {
        reason = "it is no longer the last file moved to the trash";
        return false;
    }
    const int error =
        RenameNoReplace(folders.files, s_lastMove.trashName.c_str(), AT_FDCWD, s_lastMove.from.c_str());
    if (error != 0) {
        reason = Reason(error);
        return false;
    }
    unlinkat(folders.info, (s_lastMove.trashName + ".trashinfo").c_str(), 0);
    s_lastMove = {};
    return true;
}

} // namespace platform
