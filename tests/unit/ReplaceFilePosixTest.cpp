// Replacing on Linux, where other processes and users take part: a writer during the comparison, a
// process killed at each step, other owners and permissions, marks that forbid a change, privileges
// that a clone clears, and what the file system says was freed. Writers and killed runs are forked
// processes; an ordinary user is a forked process with the uid and gid of nobody.
#include "platform/ReplaceFile.h"
#include "platform/TemporaryLinkName.h"
#include "tests/support/LoopImage.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <grp.h>
#include <linux/fs.h>
#include <set>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using platform::EReplaceRefusal;
using platform::EReplaceWay;
using platform::testing::EReplaceStep;

constexpr uid_t kUser = 65534; // nobody, and its group nogroup: an ordinary user
constexpr const char* kWritten = "written by another program";

#define SKIP_UNLESS_MOUNTED(image)                                                                           \
    if (!(image).Mounted())                                                                                  \
    GTEST_SKIP() << "cannot mount a file system image here: " << (image).Reason()

platform::FileStamp StampOf(const std::string& path)
{
    struct stat st
    {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    return {{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)},
            static_cast<std::int64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

platform::ReplaceOutcome Replace(EReplaceWay way, const std::string& kept, const std::string& path)
{
    return platform::ReplaceWithCopyOf(way, kept, StampOf(kept), path, StampOf(path));
}

std::string ReadAll(const std::string& path)
{
    std::string bytes(fs::file_size(path), '\0');
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    EXPECT_EQ(read(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size())) << path;
    close(fd);
    return bytes;
}

void Write(const std::string& path, const std::string& bytes)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size())) << path;
    close(fd);
}

std::set<std::string> NamesIn(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

struct CScopedHooks
{
    ~CScopedHooks() { platform::testing::Hooks() = {}; }
};

// Runs `work` in a child process, as `uid` and its group where given, and returns its exit code; -1
// where it ended otherwise.
int InChild(const std::function<int()>& work, uid_t uid = 0)
{
    const pid_t child = fork();
    if (child == 0) {
        if (uid != 0 && (setgroups(0, nullptr) != 0 || setgid(uid) != 0 || setuid(uid) != 0))
            _exit(255);
        _exit(work());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The refusal of a replacement made as an ordinary user, or as this process where `user` is false.
EReplaceRefusal ReplaceAs(bool user, EReplaceWay way, const std::string& kept, const std::string& path)
{
    return static_cast<EReplaceRefusal>(
        InChild([&] { return static_cast<int>(Replace(way, kept, path).refusal); }, user ? kUser : 0));
}

// Another program's write into the file itself: new bytes at its start, its old times put back.
void WriteInPlace(int fd)
{
    struct stat st;
    fstat(fd, &st);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (pwrite(fd, kWritten, std::strlen(kWritten), 0) != static_cast<ssize_t>(std::strlen(kWritten)) ||
        futimens(fd, times) != 0)
        _exit(1);
}

bool Ended(pid_t child)
{
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOHANG | WNOWAIT) != 0 ||
           info.si_pid != 0;
}

// Waits, a minute at most, until the child has ended or a lease break has been seen since `breaks`:
// either way its open for writing has happened.
void WaitForWriter(pid_t writer, unsigned breaks)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (std::chrono::steady_clock::now() < deadline && platform::testing::LeaseBreaksSeen() == breaks &&
           !Ended(writer))
        usleep(1000);
}

enum class EWriter
{
    OpensDuringTheComparison, // opens, writes and sets the time back once the comparison is half done
    KeepsItOpen,              // opened before the run, writes once the comparison is half done
};

struct WriterCase
{
    const char* what;
    EWriter writer;
    bool onKept;
    bool leases;
    EReplaceRefusal link, clone;
};

// Runs one replacement of `b` by `a` while a writer of the case writes to one of them; the refusal.
EReplaceRefusal ReplaceWhileWritten(const WriterCase& row, EReplaceWay way, const std::string& a,
                                    const std::string& b)
{
    const std::string written = row.onKept ? a : b;
    int go[2], ready[2];
    EXPECT_TRUE(pipe(go) == 0 && pipe(ready) == 0);
    // Opens the file (at once, or when told), says so, writes when told, and ends.
    const auto startWriter = [&](bool openFirst) {
        const pid_t writer = fork();
        if (writer != 0)
            return writer;
        char byte = 0;
        const int fd = openFirst ? open(written.c_str(), O_RDWR) : -1;
        if ((openFirst && (fd < 0 || write(ready[1], "r", 1) != 1)) || read(go[0], &byte, 1) != 1)
            _exit(1);
        WriteInPlace(openFirst ? fd : open(written.c_str(), O_WRONLY));
        _exit(0);
    };
    pid_t writer = -1;
    char byte = 0;
    if (row.writer == EWriter::KeepsItOpen) {
        writer = startWriter(true);
        EXPECT_EQ(read(ready[0], &byte, 1), 1);
    }
    CScopedHooks hooks;
    platform::testing::Hooks().noLeases = !row.leases;
    platform::testing::Hooks().atStep = [&](EReplaceStep step) {
        if (step != EReplaceStep::HalfCompared)
            return;
        const unsigned breaks = platform::testing::LeaseBreaksSeen();
        if (writer < 0)
            writer = startWriter(false);
        EXPECT_EQ(write(go[1], "w", 1), 1);
        WaitForWriter(writer, breaks);
    };
    const auto outcome = Replace(way, a, b);
    if (writer < 0)
        writer = startWriter(false);
    EXPECT_EQ(write(go[1], "w", 1), 1); // a writer not yet told writes now
    int status = -1;
    waitpid(writer, &status, 0);
    EXPECT_EQ(status, 0) << "the writer could not write";
    for (const int fd : {go[0], go[1], ready[0], ready[1]})
        close(fd);
    return outcome.refusal;
}

class WrittenDuringTheComparisonOn : public testing::TestWithParam<const char*>
{};

TEST_P(WrittenDuringTheComparisonOn, IsRefusedAndTheWrittenBytesStay)
{
    CLoopImage image(GetParam());
    SKIP_UNLESS_MOUNTED(image);
    using R = EReplaceRefusal;
    const WriterCase rows[] = {
        {"rewritten in place during the comparison", EWriter::OpensDuringTheComparison, false, true,
         R::WrittenMeanwhile, R::WrittenMeanwhile},
        {"the same without leases", EWriter::OpensDuringTheComparison, false, false, R::WrittenMeanwhile,
         R::WrittenMeanwhile},
        {"held open for writing", EWriter::KeepsItOpen, false, true, R::OpenForWriting, R::InUse},
        {"the same without leases", EWriter::KeepsItOpen, false, false, R::WrittenMeanwhile,
         R::WrittenMeanwhile},
        {"kept copy rewritten during the comparison", EWriter::OpensDuringTheComparison, true, true,
         R::KeptChanged, R::KeptChanged},
        {"kept copy held open for writing", EWriter::KeepsItOpen, true, true, R::KeptOpenForWriting,
         R::KeptOpenForWriting},
        {"the same without leases", EWriter::KeepsItOpen, true, false, R::KeptChanged, R::KeptChanged},
    };
    const std::string bytes = PatternBytes(4u << 20, 5); // four blocks of the comparison
    for (const EReplaceWay way : {EReplaceWay::HardLink, EReplaceWay::Clone}) {
        for (const WriterCase& row : rows) {
            SCOPED_TRACE(std::string(row.what) + (way == EReplaceWay::Clone ? ", clone" : ", link"));
            for (const char* name : {"a", "b"}) {
                fs::remove(image.Path(name));
                image.Write(name, bytes);
            }
            const std::set<std::string> names = NamesIn(image.Root());
            const auto refusal = ReplaceWhileWritten(row, way, image.Path("a"), image.Path("b"));
            EXPECT_EQ(refusal, way == EReplaceWay::HardLink ? row.link : row.clone);
            const std::string changed = kWritten + bytes.substr(std::strlen(kWritten));
            EXPECT_TRUE(ReadAll(image.Path(row.onKept ? "a" : "b")) == changed)
                << "the written bytes are lost";
            EXPECT_TRUE(ReadAll(image.Path(row.onKept ? "b" : "a")) == bytes) << "the other file was written";
            EXPECT_FALSE(fs::equivalent(image.Path("a"), image.Path("b")));
            EXPECT_EQ(NamesIn(image.Root()), names);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(ReplaceWithCopyOf, WrittenDuringTheComparisonOn, testing::Values("ext4", "btrfs"));

} // namespace

// What another program does as the names move: just before (once the path has been seen to name the
// file compared), or just after, to the old file at its temporary name.
enum class EMeanwhile
{
    Nothing,
    WriterWaitsOnTheLease,     // opens the path for writing before the names move, and writes when let
    RewrittenWithoutLeases,    // writes into the path before the names move, no lease to stop it
    SavedOver,                 // saves another file at the path before the names move
    WriterAtTheTemporaryName,  // opens the old file at its temporary name for writing, and writes when let
    WrittenAtTheTemporaryName, // writes into the old file at its temporary name, no lease to stop it
};

// The temporary name in `folder` that the file numbered `inode` has now.
std::string TemporaryNameOf(const std::string& folder, ino_t inode)
{
    for (const std::string& name : NamesIn(folder)) {
        struct stat st;
        if (name.rfind(".quorvel-link-", 0) == 0 && lstat((folder + "/" + name).c_str(), &st) == 0 &&
            st.st_ino == inode)
            return folder + "/" + name;
    }
    ADD_FAILURE() << "the old file has no temporary name";
    return {};
}

// Opens `path` for writing in a forked process that writes once the open is let through; returns
// once that process waits on the lease (or has ended).
pid_t StartWriter(const std::string& path)
{
    const unsigned breaks = platform::testing::LeaseBreaksSeen();
    const pid_t writer = fork();
    if (writer == 0) {
        WriteInPlace(open(path.c_str(), O_WRONLY | O_CLOEXEC));
        _exit(0);
    }
    WaitForWriter(writer, breaks);
    return writer;
}

void WriteAt(const std::string& path)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    EXPECT_EQ(pwrite(fd, kWritten, std::strlen(kWritten), 0), static_cast<ssize_t>(std::strlen(kWritten)));
    close(fd);
}

TEST(ReplaceWithCopyOf, AWriteOrASaveAsTheNamesMoveIsKeptWhetherOrNotTheNamesCanBeSwapped)
{
    using M = EMeanwhile;
    const struct
    {
        const char* what;
        EMeanwhile act;
        bool leases;
        EReplaceRefusal expected;
    } rows[] = {
        {"nothing", M::Nothing, true, EReplaceRefusal::None},
        {"a writer waiting on the lease", M::WriterWaitsOnTheLease, true, EReplaceRefusal::WrittenMeanwhile},
        {"rewritten without leases", M::RewrittenWithoutLeases, false, EReplaceRefusal::WrittenMeanwhile},
        {"another file saved at the path", M::SavedOver, true, EReplaceRefusal::Changed},
        {"a writer at the temporary name", M::WriterAtTheTemporaryName, true,
         EReplaceRefusal::WrittenMeanwhile},
        {"written at the temporary name without leases", M::WrittenAtTheTemporaryName, false,
         EReplaceRefusal::WrittenMeanwhile},
    };
    const std::string bytes = PatternBytes(64u << 10, 13);
    const std::string written = kWritten + bytes.substr(std::strlen(kWritten));
    for (const bool exchange : {true, false}) {
        for (const auto& row : rows) {
            SCOPED_TRACE(std::string(row.what) + (exchange ? "" : ", names not swapped"));
            CTempTree tree;
            tree.Write("a", bytes);
            tree.Write("b", bytes);
            struct stat old;
            ASSERT_EQ(stat(tree.Path("b").c_str(), &old), 0);
            CScopedHooks hooks;
            platform::testing::Hooks().noLeases = !row.leases;
            platform::testing::Hooks().noExchange = !exchange;
            pid_t writer = -1;
            platform::testing::Hooks().beforeExchange = [&] {
                if (row.act == M::WriterWaitsOnTheLease)
                    writer = StartWriter(tree.Path("b"));
                else if (row.act == M::RewrittenWithoutLeases)
                    WriteAt(tree.Path("b"));
                else if (row.act == M::SavedOver && !tree.RenameOver("saved", "b"))
                    ADD_FAILURE() << "could not save over the path";
            };
            platform::testing::Hooks().atStep = [&](EReplaceStep step) {
                if (step == EReplaceStep::Exchanged && row.act == M::WriterAtTheTemporaryName)
                    writer = StartWriter(TemporaryNameOf(tree.Root(), old.st_ino));
                else if (step == EReplaceStep::Exchanged && row.act == M::WrittenAtTheTemporaryName)
                    WriteAt(TemporaryNameOf(tree.Root(), old.st_ino));
            };
            if (row.act == M::SavedOver)
                tree.Write("saved", "saved meanwhile");
            const auto outcome = Replace(EReplaceWay::HardLink, tree.Path("a"), tree.Path("b"));
            if (writer > 0) {
                int status = -1;
                waitpid(writer, &status, 0);
                EXPECT_EQ(status, 0) << "the writer could not write";
            }
            EXPECT_EQ(outcome.refusal, row.expected) << outcome.systemText;
            EXPECT_EQ(NamesIn(tree.Root()), (std::set<std::string>{"a", "b"}));
            EXPECT_TRUE(ReadAll(tree.Path("a")) == bytes);
            const std::string expected = row.act == M::Nothing     ? bytes
                                         : row.act == M::SavedOver ? std::string("saved meanwhile")
                                                                   : written;
            EXPECT_TRUE(ReadAll(tree.Path("b")) == expected) << "the path lost what was written";
            EXPECT_EQ(fs::equivalent(tree.Path("a"), tree.Path("b")), row.act == M::Nothing);
        }
    }
}

// Replaces `b` by `a` in a child process that is killed at `step`; whether it was.
bool KilledAt(EReplaceStep step, EReplaceWay way, const std::string& a, const std::string& b)
{
    CScopedHooks hooks;
    platform::testing::Hooks().atStep = [step](EReplaceStep at) {
        if (at == step)
            raise(SIGKILL);
    };
    const pid_t child = fork();
    if (child == 0)
        _exit(static_cast<int>(Replace(way, a, b).refusal));
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status)) << "ended with " << WEXITSTATUS(status);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

TEST(ReplaceWithCopyOf, AKillAtAnyStepLeavesNoNameThatTheNextRunKeeps)
{
    CLoopImage btrfs("btrfs");
    SKIP_UNLESS_MOUNTED(btrfs);
    const std::vector<EReplaceStep> linkSteps = {EReplaceStep::Held,      EReplaceStep::HalfCompared,
                                                 EReplaceStep::Compared,  EReplaceStep::Linked,
                                                 EReplaceStep::Exchanged, EReplaceStep::Done};
    const struct
    {
        EReplaceWay way;
        bool noExchange; // the link renamed over the path, the old file given a second name first
        std::vector<EReplaceStep> steps;
    } ways[] = {
        {EReplaceWay::HardLink, false, linkSteps},
        {EReplaceWay::HardLink, true, linkSteps},
        {EReplaceWay::Clone,
         false,
         {EReplaceStep::Held, EReplaceStep::HalfCompared, EReplaceStep::Compared, EReplaceStep::Cloned,
          EReplaceStep::Done}},
    };
    const std::string bytes = PatternBytes(256u << 10, 9);
    for (const auto& [way, noExchange, steps] : ways) {
        for (const EReplaceStep step : steps) {
            const std::string what = way == EReplaceWay::Clone ? "clone" : noExchange ? "rename" : "link";
            SCOPED_TRACE(testing::Message() << what << ", killed at step " << static_cast<int>(step));
            const std::string folder = btrfs.Path(what + std::to_string(static_cast<int>(step)));
            platform::testing::Hooks().noExchange = noExchange;
            fs::create_directory(folder);
            for (const char* name : {"/a", "/b", "/c"})
                Write(folder + name, bytes);
            ASSERT_TRUE(KilledAt(step, way, folder + "/a", folder + "/b"));
            // The next run, on another file of the folder, removes what the killed one left.
            const auto next = Replace(way, folder + "/a", folder + "/c");
            EXPECT_EQ(next.refusal, EReplaceRefusal::None) << next.systemText;
            EXPECT_EQ(NamesIn(folder), (std::set<std::string>{"a", "b", "c"}));
            for (const char* name : {"/a", "/b", "/c"})
                EXPECT_TRUE(ReadAll(folder + name) == bytes) << name;
        }
    }
}

TEST(ReplaceWithCopyOf, AFolderWithALiveRunsNameIsListedAgainOnlyOnceThatRunEndsOrTheFolderChanges)
{
    CTempTree tree;
    for (const char* name : {"a", "b", "c", "d"})
        tree.Write(name, "equal bytes");
    // A live run: a child that leaves its name and waits until told to end.
    int go[2], ready[2];
    ASSERT_TRUE(pipe(go) == 0 && pipe(ready) == 0);
    const pid_t run = fork();
    if (run == 0) {
        char byte = 0;
        tree.Write(platform::TemporaryLinkName(platform::ThisRun(), 1, "b"), "equal bytes");
        _exit(write(ready[1], "r", 1) == 1 && read(go[0], &byte, 1) == 1 ? 0 : 1);
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    EXPECT_EQ(Replace(EReplaceWay::HardLink, tree.Path("a"), tree.Path("b")).refusal, EReplaceRefusal::None);
    // A leftover of an ended run, put there without the folder's time changing: not looked for while the
    // live run goes on.
    const pid_t ended = fork();
    if (ended == 0)
        _exit(0);
    waitpid(ended, nullptr, 0);
    platform::RunOrigin origin = platform::ThisRun();
    origin.process = static_cast<unsigned long>(ended);
    const std::string leftover = platform::TemporaryLinkName(origin, 2, "c");
    struct stat folder;
    ASSERT_EQ(stat(tree.Root().c_str(), &folder), 0);
    tree.Write(leftover, "equal bytes");
    const struct timespec times[2] = {{0, UTIME_OMIT}, folder.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, tree.Root().c_str(), times, 0), 0);
    EXPECT_EQ(Replace(EReplaceWay::HardLink, tree.Path("a"), tree.Path("c")).refusal, EReplaceRefusal::None);
    EXPECT_EQ(NamesIn(tree.Root()).count(leftover), 1u) << "the folder was listed again";
    // Once the live run has ended, the folder is listed again: both names go.
    EXPECT_EQ(write(go[1], "g", 1), 1);
    int status = -1;
    waitpid(run, &status, 0);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Replace(EReplaceWay::HardLink, tree.Path("a"), tree.Path("d")).refusal, EReplaceRefusal::None);
    EXPECT_EQ(NamesIn(tree.Root()), (std::set<std::string>{"a", "b", "c", "d"}));
    for (const int fd : {go[0], go[1], ready[0], ready[1]})
        close(fd);
}

// A tree that the ordinary user owns, so that it may make and remove names in it.
void GiveToUser(const std::string& folder)
{
    ASSERT_EQ(chown(folder.c_str(), kUser, kUser), 0);
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        ASSERT_EQ(lchown(entry.path().c_str(), kUser, kUser), 0) << entry.path();
}

void SetAttribute(const std::string& path, const char* name, const std::string& value)
{
    ASSERT_EQ(setxattr(path.c_str(), name, value.data(), value.size(), 0), 0)
        << name << ": " << std::strerror(errno);
}

// An access control list that also lets user 1000 read: the system's own format of it.
std::string ListLettingUserRead()
{
    const std::uint16_t entries[][4] = {{0x01, 06, 0xffff, 0xffff},
                                        {0x02, 04, 1000, 0},
                                        {0x04, 04, 0xffff, 0xffff},
                                        {0x10, 04, 0xffff, 0xffff},
                                        {0x20, 04, 0xffff, 0xffff}}; // tag, permission, id in two halves
    std::string list("\x02\0\0\0", 4);
    list.append(reinterpret_cast<const char*>(entries), sizeof entries);
    return list;
}

TEST(ReplaceWithCopyOf, AHardLinkReplacesOnlyACopyWithTheKeptCopysOwnerPermissionsAndAttributes)
{
    const struct
    {
        const char* what;
        std::function<void(const std::string& kept, const std::string& copy)> change;
        EReplaceRefusal expected;
    } rows[] = {
        {"all the same", [](const std::string&, const std::string&) {}, EReplaceRefusal::None},
        {"another owner", [](const std::string&, const std::string& copy) { lchown(copy.c_str(), 1000, -1); },
         EReplaceRefusal::OwnerOrPermissions},
        {"another group", [](const std::string&, const std::string& copy) { lchown(copy.c_str(), -1, 1000); },
         EReplaceRefusal::OwnerOrPermissions},
        {"other permissions", [](const std::string&, const std::string& copy) { chmod(copy.c_str(), 0640); },
         EReplaceRefusal::OwnerOrPermissions},
        {"an extended attribute",
         [](const std::string&, const std::string& copy) { SetAttribute(copy, "user.note", "mine"); },
         EReplaceRefusal::OwnerOrPermissions},
        {"an access control list",
         [](const std::string&, const std::string& copy) {
             SetAttribute(copy, "system.posix_acl_access", ListLettingUserRead());
         },
         EReplaceRefusal::OwnerOrPermissions},
        {"an attribute only the kept copy has",
         [](const std::string& kept, const std::string&) { SetAttribute(kept, "user.note", "kept"); },
         EReplaceRefusal::OwnerOrPermissions},
    };
    for (const bool user : {false, true}) {
        for (const auto& row : rows) {
            SCOPED_TRACE(std::string(row.what) + (user ? ", as an ordinary user" : ", as root"));
            CTempTree tree;
            tree.Write("a", "equal bytes");
            tree.Write("b", "equal bytes");
            GiveToUser(tree.Root());
            row.change(tree.Path("a"), tree.Path("b"));
            struct stat before;
            ASSERT_EQ(stat(tree.Path("b").c_str(), &before), 0);
            EXPECT_EQ(ReplaceAs(user, EReplaceWay::HardLink, tree.Path("a"), tree.Path("b")), row.expected);
            struct stat after;
            ASSERT_EQ(stat(tree.Path("b").c_str(), &after), 0);
            EXPECT_EQ(after.st_ino == before.st_ino, row.expected != EReplaceRefusal::None);
            EXPECT_TRUE(after.st_uid == before.st_uid && after.st_gid == before.st_gid &&
                        after.st_mode == before.st_mode);
        }
    }
}

// The file capability that lets a program open raw sockets, in the system's format.
std::string RawSocketCapability()
{
    const std::uint32_t capability[5] = {0x02000001, 1u << 13, 0, 0, 0}; // revision 2, effective; permitted
    return std::string(reinterpret_cast<const char*>(capability), sizeof capability);
}

TEST(ReplaceWithCopyOf, AClonePutsBackItsSetIdBitsAndCapabilityOrIsRefusedBeforeItIsMade)
{
    CLoopImage btrfs("btrfs");
    SKIP_UNLESS_MOUNTED(btrfs);
    const struct
    {
        const char* what;
        mode_t mode;
        bool capability;
        gid_t group;
        EReplaceRefusal asRoot, asUser;
        uid_t owner = kUser;
    } rows[] = {
        {"set-user-ID", 04755, false, kUser, EReplaceRefusal::None, EReplaceRefusal::None},
        {"set-group-ID", 02755, false, kUser, EReplaceRefusal::None, EReplaceRefusal::None},
        {"both", 06750, false, kUser, EReplaceRefusal::None, EReplaceRefusal::None},
        {"set-group-ID of a group the user is not in", 02755, false, 1000, EReplaceRefusal::None,
         EReplaceRefusal::Privileges},
        {"a file capability", 0755, true, kUser, EReplaceRefusal::None, EReplaceRefusal::Privileges},
        {"another user's file that anyone may write", 0666, false, kUser, EReplaceRefusal::None,
         EReplaceRefusal::OtherOwner, 1000},
    };
    fs::permissions(fs::path(btrfs.Root()).parent_path(), fs::perms::others_exec, fs::perm_options::add);
    const std::string bytes = PatternBytes(200000, 3);
    const std::string folder = btrfs.Path("f");
    for (const bool user : {false, true}) {
        for (const auto& row : rows) {
            SCOPED_TRACE(std::string(row.what) + (user ? ", as an ordinary user" : ", as root"));
            fs::remove_all(folder);
            fs::create_directory(folder);
            for (const char* name : {"/a", "/b"})
                Write(folder + name, bytes);
            GiveToUser(folder);
            const std::string copy = folder + "/b";
            ASSERT_EQ(lchown(copy.c_str(), row.owner, row.group), 0);
            ASSERT_EQ(chmod(copy.c_str(), row.mode), 0);
            if (row.capability)
                SetAttribute(copy, "security.capability", RawSocketCapability());
            const auto stamp = StampOf(copy);
            const EReplaceRefusal expected = user ? row.asUser : row.asRoot;
            EXPECT_EQ(ReplaceAs(user, EReplaceWay::Clone, folder + "/a", copy), expected);
            struct stat st;
            ASSERT_EQ(stat(copy.c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, row.mode);
            std::string capability(64, '\0');
            const ssize_t size =
                getxattr(copy.c_str(), "security.capability", capability.data(), capability.size());
            EXPECT_EQ(size >= 0 ? capability.substr(0, static_cast<std::size_t>(size)) : std::string(),
                      row.capability ? RawSocketCapability() : std::string());
            EXPECT_EQ(StampOf(copy), stamp);
        }
    }
}

TEST(ReplaceWithCopyOf, AFailedCloneLeavesTheFilesSetIdBitsCapabilityAndTime)
{
    // With its records in one copy and its data full, Btrfs refuses every clone for want of space, after
    // it has already treated the clone as a write.
    CLoopImage btrfs("btrfs", {.size = "200M", .format = "-m single"});
    SKIP_UNLESS_MOUNTED(btrfs);
    const struct
    {
        const char* name;
        mode_t mode;
        bool capability;
        bool user; // the system keeps set-ID bits for root, but not its capability or time
    } rows[] = {{"setuid", 04755, false, true}, {"capability", 0755, true, false}};
    const std::string bytes = PatternBytes(4u << 20, 23);
    fs::permissions(fs::path(btrfs.Root()).parent_path(), fs::perms::others_exec, fs::perm_options::add);
    for (const char* name : {"a", "probe", rows[0].name, rows[1].name})
        Write(btrfs.Path(name), name == std::string("probe") ? std::string() : bytes);
    GiveToUser(btrfs.Root());
    for (const auto& row : rows) {
        ASSERT_EQ(chmod(btrfs.Path(row.name).c_str(), row.mode), 0);
        if (row.capability)
            SetAttribute(btrfs.Path(row.name), "security.capability", RawSocketCapability());
    }
    const std::string zeros(1u << 20, '\0');
    const int fill = open(btrfs.Path("fill").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    while (write(fill, zeros.data(), zeros.size()) > 0) {
    }
    close(fill);
    const int from = open(btrfs.Path("a").c_str(), O_RDONLY | O_CLOEXEC);
    const int probe = open(btrfs.Path("probe").c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_NE(ioctl(probe, FICLONE, from), 0) << "the full image still clones";
    close(probe);
    close(from);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string copy = btrfs.Path(row.name);
        const auto stamp = StampOf(copy);
        EXPECT_EQ(ReplaceAs(row.user, EReplaceWay::Clone, btrfs.Path("a"), copy), EReplaceRefusal::System);
        struct stat st;
        ASSERT_EQ(stat(copy.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, row.mode);
        EXPECT_EQ(getxattr(copy.c_str(), "security.capability", nullptr, 0) > 0, row.capability);
        EXPECT_EQ(StampOf(copy), stamp);
    }
}

int SetFlags(const std::string& path, int flags)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const int result = ioctl(fd, FS_IOC_SETFLAGS, &flags);
    close(fd);
    return result;
}

TEST(ReplaceWithCopyOf, AFileMarkedImmutableOrAppendOnlyIsNamedSo)
{
    const struct
    {
        const char* what;
        EReplaceWay way;
        const char* marked;
        int flag;
        EReplaceRefusal expected;
    } rows[] = {
        {"immutable copy, link", EReplaceWay::HardLink, "b", FS_IMMUTABLE_FL, EReplaceRefusal::Immutable},
        {"append-only copy, link", EReplaceWay::HardLink, "b", FS_APPEND_FL, EReplaceRefusal::AppendOnly},
        {"immutable kept copy, link", EReplaceWay::HardLink, "a", FS_IMMUTABLE_FL,
         EReplaceRefusal::KeptImmutable},
        {"append-only kept copy, link", EReplaceWay::HardLink, "a", FS_APPEND_FL,
         EReplaceRefusal::KeptAppendOnly},
        {"immutable copy, clone", EReplaceWay::Clone, "b", FS_IMMUTABLE_FL, EReplaceRefusal::Immutable},
        {"append-only copy, clone", EReplaceWay::Clone, "b", FS_APPEND_FL, EReplaceRefusal::AppendOnly},
        {"immutable folder, link", EReplaceWay::HardLink, ".", FS_IMMUTABLE_FL,
         EReplaceRefusal::FolderImmutable},
        {"append-only folder, link", EReplaceWay::HardLink, ".", FS_APPEND_FL,
         EReplaceRefusal::FolderAppendOnly},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        CTempTree tree;
        tree.Write("a", "equal bytes");
        tree.Write("b", "equal bytes");
        if (SetFlags(tree.Path(row.marked), row.flag) != 0)
            GTEST_SKIP() << "the temporary folder's file system keeps no such marks: "
                         << std::strerror(errno);
        const auto outcome = Replace(row.way, tree.Path("a"), tree.Path("b"));
        SetFlags(tree.Path(row.marked), 0);
        EXPECT_EQ(outcome.refusal, row.expected) << outcome.systemText;
        EXPECT_FALSE(fs::equivalent(tree.Path("a"), tree.Path("b")));
        EXPECT_EQ(NamesIn(tree.Root()), (std::set<std::string>{"a", "b"}));
    }
}

TEST(ReplaceWithCopyOf, AFileUnderAnotherProgramsLeaseIsNamedAsOpenElsewhere)
{
    const struct
    {
        const char* what;
        const char* leased;
        bool writeLease; // held by a program that has it open for writing, and by nobody else
        EReplaceWay way;
        EReplaceRefusal expected;
    } rows[] = {
        {"copy, link", "b", true, EReplaceWay::HardLink, EReplaceRefusal::OpenForWriting},
        {"copy, clone", "b", false, EReplaceWay::Clone, EReplaceRefusal::InUse},
        {"kept copy", "a", true, EReplaceWay::HardLink, EReplaceRefusal::KeptOpenForWriting},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        CTempTree tree;
        tree.Write("a", "equal bytes");
        tree.Write("b", "equal bytes");
        int go[2], ready[2];
        ASSERT_TRUE(pipe(go) == 0 && pipe(ready) == 0);
        const pid_t holder = fork();
        if (holder == 0) {
            signal(SIGIO, SIG_IGN); // told of the break, it keeps its lease until its time is up
            const int fd =
                open(tree.Path(row.leased).c_str(), (row.writeLease ? O_RDWR : O_RDONLY) | O_CLOEXEC);
            char byte = 0;
            const bool held = fcntl(fd, F_SETLEASE, row.writeLease ? F_WRLCK : F_RDLCK) == 0;
            _exit(held && write(ready[1], "r", 1) == 1 && read(go[0], &byte, 1) == 1 ? 0 : 1);
        }
        char byte = 0;
        ASSERT_EQ(read(ready[0], &byte, 1), 1);
        const auto outcome = Replace(row.way, tree.Path("a"), tree.Path("b"));
        EXPECT_EQ(outcome.refusal, row.expected) << outcome.systemText;
        EXPECT_EQ(write(go[1], "g", 1), 1);
        waitpid(holder, nullptr, 0);
        EXPECT_FALSE(fs::equivalent(tree.Path("a"), tree.Path("b")));
        for (const int fd : {go[0], go[1], ready[0], ready[1]})
            close(fd);
    }
}

TEST(ReplaceWithCopyOf, ALeaseBreakToldWithSigioIsCountedNotFatal)
{
    // Where the queue of real-time signals is full, the system tells of a break with SIGIO.
    EXPECT_EQ(InChild([] {
                  CTempTree tree;
                  tree.Write("a", "equal bytes");
                  tree.Write("b", "equal bytes");
                  const unsigned breaks = platform::testing::LeaseBreaksSeen();
                  Replace(EReplaceWay::HardLink, tree.Path("a"), tree.Path("b")); // the first lease
                  raise(SIGIO);
                  return platform::testing::LeaseBreaksSeen() == breaks + 1 ? 0 : 1;
              }),
              0);
}

// Bytes in use on the file system: free space as the system reports it, and the sum of the extents
// that `btrfs filesystem du` finds, shared ones once. Both after the file system has committed.
struct SpaceInUse
{
    std::int64_t df = 0;
    std::int64_t du = 0;
};

SpaceInUse SpaceOf(const std::string& root)
{
    const int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    syncfs(fd);
    close(fd);
    struct statvfs fs;
    EXPECT_EQ(statvfs(root.c_str(), &fs), 0);
    SpaceInUse space;
    space.df = -static_cast<std::int64_t>(fs.f_bavail * fs.f_frsize);
    FILE* const du = popen(("btrfs filesystem du -s --raw '" + root + "' 2>/dev/null").c_str(), "r");
    long long total = 0, exclusive = 0, shared = 0;
    char line[4096];
    while (du != nullptr && std::fgets(line, sizeof line, du) != nullptr)
        std::sscanf(line, "%lld %lld %lld", &total, &exclusive, &shared);
    if (du != nullptr)
        pclose(du);
    space.du = exclusive + shared;
    return space;
}

// Bytes of the size that compress to almost nothing: one short line again and again.
std::string CompressibleBytes(std::size_t size, unsigned seed)
{
    const std::string line = "line " + std::to_string(seed) + " of a file that compresses well\n";
    std::string bytes;
    while (bytes.size() < size)
        bytes += line;
    bytes.resize(size);
    return bytes;
}

TEST(ReplaceWithCopyOf, FreedIsWhatBtrfsReleasesNothingForInlineSharedOrCompressedStorage)
{
    constexpr std::size_t kLarge = 1u << 20, kInline = 1500;
    for (const bool compressed : {false, true}) {
        // Compressed extents free less than their length, by an amount the system does not say: none is
        // counted.
        CLoopImage btrfs("btrfs", {.mount = compressed ? "compress-force=zstd" : ""});
        SKIP_UNLESS_MOUNTED(btrfs);
        const auto bytesOf = compressed ? CompressibleBytes : PatternBytes;
        for (const EReplaceWay way : {EReplaceWay::Clone, EReplaceWay::HardLink}) {
            SCOPED_TRACE(std::string(way == EReplaceWay::Clone ? "clones" : "links") +
                         (compressed ? ", compressed" : ""));
            fs::remove_all(btrfs.Path("k"));
            fs::remove_all(btrfs.Path("c"));
            fs::create_directory(btrfs.Path("k"));
            fs::create_directory(btrfs.Path("c"));
            // Eight copies of their own storage, four stored inline, two that share their kept copy's.
            std::vector<std::string> names;
            for (unsigned i = 0; i < 14; ++i) {
                names.push_back(std::to_string(i));
                Write(btrfs.Path("k/" + names.back()), bytesOf(i < 8 || i >= 12 ? kLarge : kInline, i));
                if (i < 12) {
                    Write(btrfs.Path("c/" + names.back()), ReadAll(btrfs.Path("k/" + names.back())));
                    continue;
                }
                const int from = open(btrfs.Path("k/" + names.back()).c_str(), O_RDONLY | O_CLOEXEC);
                const int to =
                    open(btrfs.Path("c/" + names.back()).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
                ASSERT_EQ(ioctl(to, FICLONE, from), 0);
                close(to);
                close(from);
            }
            const SpaceInUse before = SpaceOf(btrfs.Root());
            std::uint64_t freed = 0;
            for (const std::string& name : names) {
                const auto outcome = Replace(way, btrfs.Path("k/" + name), btrfs.Path("c/" + name));
                EXPECT_EQ(outcome.refusal, EReplaceRefusal::None) << name << ": " << outcome.systemText;
                freed += outcome.freed;
            }
            EXPECT_EQ(freed, compressed ? 0 : 8 * kLarge);
            const SpaceInUse after = SpaceOf(btrfs.Root());
            // Each compressed piece of 128 KiB still takes a block of 4 KiB: those go, uncounted.
            EXPECT_NEAR(static_cast<double>(before.df - after.df), static_cast<double>(freed),
                        (compressed ? 512.0 : 256.0) * 1024);
            if (before.du > 0 && !compressed) {
                EXPECT_EQ(before.du - after.du, static_cast<std::int64_t>(freed));
            }
        }
    }
}
