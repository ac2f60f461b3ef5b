// Replacing a duplicate by a hard link or a clone: only a file still as scanned and equal byte for
// byte is replaced, the path never goes missing, and what is freed is only what really went.
#include "platform/ReplaceFile.h"

#include "platform/FolderListing.h"
#include "platform/TemporaryLinkName.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>

#ifdef _WIN32
#include "platform/win32/Wide.h"

#include <windows.h>

#include <winioctl.h>
#else
#include "tests/support/LoopImage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using platform::EReplaceRefusal;
using platform::EReplaceWay;

constexpr EReplaceWay kBothWays[] = {EReplaceWay::HardLink, EReplaceWay::Clone};

std::size_t NameCut(const std::string& path)
{
    return path.find_last_of("/\\");
}

// The stamp the scan would give the file: from the listing of its folder.
platform::FileStamp StampOf(const std::string& path)
{
    platform::CFolderListing listing;
    EXPECT_TRUE(listing.Open(path.substr(0, NameCut(path))));
    for (const auto& entry : listing.Entries())
        if (entry.name == path.substr(NameCut(path) + 1))
            return entry.Stamp();
    ADD_FAILURE() << "not listed: " << path;
    return {};
}

std::set<std::string> NamesIn(const std::string& folder)
{
    platform::CFolderListing listing;
    EXPECT_TRUE(listing.Open(folder));
    std::set<std::string> names;
    for (const auto& entry : listing.Entries())
        if (entry.name != "." && entry.name != "..")
            names.insert(entry.name);
    return names;
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

unsigned LinkCount(const std::string& path)
{
#ifdef _WIN32
    const HANDLE handle = CreateFileW(platform::SystemPath(path).c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    BY_HANDLE_FILE_INFORMATION info{};
    const bool read = handle != INVALID_HANDLE_VALUE && GetFileInformationByHandle(handle, &info);
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
    return read ? info.nNumberOfLinks : 0;
#else
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<unsigned>(st.st_nlink) : 0;
#endif
}

platform::ReplaceOutcome Replace(EReplaceWay way, const std::string& kept, const std::string& path)
{
    return platform::ReplaceWithCopyOf(way, kept, StampOf(kept), path, StampOf(path));
}

struct CScopedHooks
{
    ~CScopedHooks() { platform::testing::Hooks() = {}; }
};

TEST(ReplaceWithCopyOf, HardLinkLeavesOneFileUnderBothNamesAndFreesOnlyALastName)
{
    const struct
    {
        const char* what;
        bool secondName; // the file replaced has another name, which keeps its storage
        bool linkByPath;
    } rows[] = {
        {"its only name", false, false},
        {"one of two names", true, false},
        {"linked from the kept path", false, true},
    };
    const std::string bytes = PatternBytes(300000, 7);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        CTempTree tree;
        tree.Write("keep/a", bytes);
        tree.Write("dup/b", bytes);
        if (row.secondName)
            tree.HardLink("dup/b", "dup/c");
        CScopedHooks hooks;
        platform::testing::Hooks().linkByPath = row.linkByPath;

        const auto outcome = Replace(EReplaceWay::HardLink, tree.Path("keep/a"), tree.Path("dup/b"));
        EXPECT_EQ(outcome.refusal, EReplaceRefusal::None) << outcome.systemText;
        EXPECT_EQ(outcome.freed, row.secondName ? 0u : bytes.size());
        EXPECT_EQ(LinkCount(tree.Path("keep/a")), 2u);
        EXPECT_EQ(StampOf(tree.Path("dup/b")).id, StampOf(tree.Path("keep/a")).id);
        EXPECT_EQ(ReadAll(tree.Path("dup/b")), bytes);
        const std::set<std::string> names =
            row.secondName ? std::set<std::string>{"b", "c"} : std::set<std::string>{"b"};
        EXPECT_EQ(NamesIn(tree.Path("dup")), names);
        if (row.secondName) {
            EXPECT_EQ(LinkCount(tree.Path("dup/c")), 1u);
        }
    }
}

TEST(ReplaceWithCopyOf, RefusesAFileNoLongerAsScannedOrNoLongerEqual)
{
    constexpr std::int64_t kScanned = 1500000000;
    const std::string bytes = PatternBytes(100000, 3);
    const struct
    {
        const char* what;
        std::function<void(const CTempTree&)> change; // between the scan and the replacement
        EReplaceRefusal expected;
    } rows[] = {
        {"rewritten in place with its old size and time",
         [&](const CTempTree& tree) {
             tree.Write("b", PatternBytes(bytes.size(), 4));
             EXPECT_TRUE(tree.SetModified("b", kScanned));
         },
         EReplaceRefusal::DifferentBytes},
        {"grown", [](const CTempTree& tree) { tree.Append("b", "x"); }, EReplaceRefusal::Changed},
        {"deleted", [](const CTempTree& tree) { tree.Remove("b"); }, EReplaceRefusal::Changed},
        {"renamed over by an equal file",
         [&](const CTempTree& tree) {
             tree.Write("c", bytes);
             EXPECT_TRUE(tree.SetModified("c", kScanned));
             EXPECT_TRUE(tree.RenameOver("c", "b"));
         },
         EReplaceRefusal::Changed},
        {"a link to the kept copy in its place",
         [](const CTempTree& tree) {
             tree.Remove("b");
             tree.SymLink("a", "b"); // where the system makes none, the path is simply gone
         },
         EReplaceRefusal::Changed},
        {"kept copy grown", [](const CTempTree& tree) { tree.Append("a", "x"); },
         EReplaceRefusal::KeptChanged},
        {"kept copy deleted", [](const CTempTree& tree) { tree.Remove("a"); }, EReplaceRefusal::KeptChanged},
        {"kept copy renamed over",
         [&](const CTempTree& tree) {
             tree.Write("c", bytes);
             EXPECT_TRUE(tree.SetModified("c", kScanned));
             EXPECT_TRUE(tree.RenameOver("c", "a"));
         },
         EReplaceRefusal::KeptChanged},
    };
    for (const EReplaceWay way : kBothWays) {
        for (const auto& row : rows) {
            SCOPED_TRACE(std::string(row.what) + (way == EReplaceWay::HardLink ? ", hard link" : ", clone"));
            CTempTree tree;
            tree.Write("a", bytes);
            tree.Write("b", bytes);
            ASSERT_TRUE(tree.SetModified("a", kScanned) && tree.SetModified("b", kScanned));
            const auto keptStamp = StampOf(tree.Path("a"));
            const auto pathStamp = StampOf(tree.Path("b"));
            row.change(tree);
            const std::set<std::string> names = NamesIn(tree.Root());
            const std::string left = ReadAll(tree.Path("b"));

            const auto outcome =
                platform::ReplaceWithCopyOf(way, tree.Path("a"), keptStamp, tree.Path("b"), pathStamp);
            EXPECT_EQ(outcome.refusal, row.expected) << outcome.systemText;
            EXPECT_EQ(NamesIn(tree.Root()), names);
            EXPECT_EQ(ReadAll(tree.Path("b")), left);
        }
    }
}

TEST(ReplaceWithCopyOf, TwoNamesOfOneFileAreLeftAsTheyAre)
{
    for (const EReplaceWay way : kBothWays) {
        CTempTree tree;
        tree.Write("a", "one file");
        tree.HardLink("a", "b");
        const auto outcome = Replace(way, tree.Path("a"), tree.Path("b"));
        EXPECT_EQ(outcome.refusal, EReplaceRefusal::None) << outcome.systemText;
        EXPECT_EQ(outcome.freed, 0u);
        EXPECT_EQ(LinkCount(tree.Path("a")), 2u);
        EXPECT_EQ(NamesIn(tree.Root()), (std::set<std::string>{"a", "b"}));
    }
}

TEST(ReplaceWithCopyOf, StoppedBetweenLinkAndRenameLeavesTheFileAndNoTemporaryName)
{
    CTempTree tree;
    tree.Write("a", "equal bytes");
    tree.Write("b", "equal bytes");
    std::string temporary;
    CScopedHooks hooks;
    platform::testing::Hooks().beforeRename = [&](const std::string& name) {
        temporary = name;
        EXPECT_EQ(StampOf(name).id, StampOf(tree.Path("a")).id); // the link is there, not yet renamed
        return false;
    };
    const auto outcome = Replace(EReplaceWay::HardLink, tree.Path("a"), tree.Path("b"));
    EXPECT_EQ(outcome.refusal, EReplaceRefusal::System);
    EXPECT_FALSE(temporary.empty());
    EXPECT_EQ(NamesIn(tree.Root()), (std::set<std::string>{"a", "b"}));
    EXPECT_EQ(LinkCount(tree.Path("a")), 1u);
    EXPECT_EQ(LinkCount(tree.Path("b")), 1u);
    EXPECT_EQ(ReadAll(tree.Path("b")), "equal bytes");
}

TEST(ReplaceWithCopyOf, TheHeldFileRenamedAwayWithAnotherSavedAtItsPathIsNotReplaced)
{
    for (const bool noExchange : {false, true}) {
        SCOPED_TRACE(noExchange ? "names neither swapped nor replaced while open" : "the system's own way");
        CTempTree tree;
        tree.Write("a", "equal bytes");
        tree.Write("b", "equal bytes");
        CScopedHooks hooks;
        platform::testing::Hooks().noExchange = noExchange;
        platform::testing::Hooks().beforeRename = [&](const std::string&) {
            EXPECT_TRUE(tree.RenameOver("b", "moved")); // the held file is shared for renaming
            tree.Write("b", "saved meanwhile");
            return true;
        };
        const auto outcome = Replace(EReplaceWay::HardLink, tree.Path("a"), tree.Path("b"));
        EXPECT_EQ(outcome.refusal, EReplaceRefusal::Changed) << outcome.systemText;
        EXPECT_EQ(ReadAll(tree.Path("b")), "saved meanwhile");
        EXPECT_EQ(ReadAll(tree.Path("moved")), "equal bytes");
        EXPECT_EQ(NamesIn(tree.Root()), (std::set<std::string>{"a", "b", "moved"}));
    }
}

// A file of `size` zero bytes that takes no storage: a hole from start to end.
void WriteSparse(const std::string& path, std::int64_t size)
{
#ifdef _WIN32
    const HANDLE file = CreateFileW(platform::SystemPath(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                    nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD got = 0;
    LARGE_INTEGER end;
    end.QuadPart = size;
    EXPECT_TRUE(DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &got, nullptr) &&
                SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file));
    CloseHandle(file);
#else
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    EXPECT_EQ(ftruncate(fd, size), 0);
    close(fd);
#endif
}

TEST(ReplaceWithCopyOf, ALinkFreesNoMoreThanTheStorageTheOldFileTook)
{
    CTempTree tree;
    constexpr std::size_t kSize = 1u << 20;
    tree.Write("a", std::string(kSize, '\0'));
    WriteSparse(tree.Path("b"), kSize);
    const auto outcome = Replace(EReplaceWay::HardLink, tree.Path("a"), tree.Path("b"));
    EXPECT_EQ(outcome.refusal, EReplaceRefusal::None) << outcome.systemText;
    EXPECT_EQ(outcome.freed, 0u);
    EXPECT_EQ(LinkCount(tree.Path("a")), 2u);
}

// The number of a process that has ended.
unsigned long EndedProcess()
{
#ifdef _WIN32
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::wstring command = L"cmd /c exit";
    EXPECT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                               nullptr, &startup, &process));
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return process.dwProcessId;
#else
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    return static_cast<unsigned long>(child);
#endif
}

TEST(ReplaceWithCopyOf, TheNextRunRemovesWhatAKilledRunLeftWhereItsBytesAreHeldElsewhere)
{
    using platform::RunOrigin;
    const RunOrigin self = platform::ThisRun();
    ASSERT_NE(self.place, 0u) << "the system does not say when this process started";
    const RunOrigin ended{EndedProcess(), self.place, self.start};
    enum EHeld
    {
        SecondName, // a second name of the kept copy: killed before the move
        EqualCopy,  // a file of the same bytes: the old file, killed after the swap
        OtherBytes, // written to since
    };
    const struct
    {
        const char* what;
        RunOrigin run;
        EHeld held;
        bool stays;
    } rows[] = {
        {"killed before the move", ended, SecondName, false},
        {"killed after the swap", ended, EqualCopy, false},
        {"written to since", ended, OtherBytes, true},
        {"a live run's", self, EqualCopy, true},
        {"of a run whose number a process started later has now",
         {self.process, self.place, self.start + 1},
         EqualCopy,
         false},
        {"of another machine or space of process numbers",
         {ended.process, self.place ^ 2, 1},
         EqualCopy,
         true},
        {"of the earlier form, its process ended", {ended.process, 0, 0}, EqualCopy, false},
        {"of the earlier form, its number a live process's", {self.process, 0, 0}, EqualCopy, true},
    };
    CTempTree tree;
    for (const char* name : {"a", "b", "c"})
        tree.Write(name, "equal bytes");
    std::set<std::string> staying = {"a", "b", "c"};
    unsigned number = 0;
    for (const auto& row : rows) {
        const std::string name = platform::TemporaryLinkName(row.run, ++number, "b");
        platform::TemporaryLinkOrigin origin;
        EXPECT_TRUE(platform::ParseTemporaryLinkName(name, origin) && origin.run == row.run) << row.what;
        if (row.held == SecondName)
            tree.HardLink("a", name);
        else
            tree.Write(name, row.held == EqualCopy ? "equal bytes" : "other bytes");
        if (row.stays)
            staying.insert(name);
    }

    const auto outcome = Replace(EReplaceWay::HardLink, tree.Path("a"), tree.Path("c"));
    EXPECT_EQ(outcome.refusal, EReplaceRefusal::None) << outcome.systemText;
    EXPECT_EQ(NamesIn(tree.Root()), staying);
    EXPECT_EQ(LinkCount(tree.Path("a")), 2u);
}

#ifdef _WIN32

TEST(ReplaceWithCopyOf, NobodyCanWriteToEitherFileDuringTheComparison)
{
    CTempTree tree;
    const std::string bytes = PatternBytes(3u << 20, 2);
    tree.Write("a", bytes);
    tree.Write("b", bytes);
    CScopedHooks hooks;
    int tried = 0;
    platform::testing::Hooks().atStep = [&](platform::testing::EReplaceStep step) {
        if (step != platform::testing::EReplaceStep::HalfCompared)
            return;
        for (const char* name : {"a", "b"}) {
            const HANDLE writer = CreateFileW(platform::SystemPath(tree.Path(name)).c_str(), GENERIC_WRITE,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, 0, nullptr);
            EXPECT_EQ(writer, INVALID_HANDLE_VALUE) << name;
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION)) << name;
            if (writer != INVALID_HANDLE_VALUE)
                CloseHandle(writer);
            ++tried;
        }
    };
    EXPECT_EQ(Replace(EReplaceWay::HardLink, tree.Path("a"), tree.Path("b")).refusal, EReplaceRefusal::None);
    EXPECT_EQ(tried, 2);
}

TEST(ReplaceWithCopyOf, WhereNoOpenFileCanBeReplacedTheOldFileStaysHeldUntilItGoes)
{
    CTempTree tree;
    tree.Write("a", "equal bytes");
    tree.Write("b", "equal bytes");
    CScopedHooks hooks;
    platform::testing::Hooks().noExchange = true;
    int tried = 0;
    platform::testing::Hooks().atStep = [&](platform::testing::EReplaceStep step) {
        if (step != platform::testing::EReplaceStep::Exchanged)
            return;
        // The link has the path; the old file has a temporary name, and still nobody can write to it.
        for (const std::string& name : NamesIn(tree.Root())) {
            if (name.rfind(".quorvel-link-", 0) != 0)
                continue;
            const HANDLE writer = CreateFileW(platform::SystemPath(tree.Path(name)).c_str(), GENERIC_WRITE,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, 0, nullptr);
            EXPECT_EQ(writer, INVALID_HANDLE_VALUE) << name;
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION)) << name;
            if (writer != INVALID_HANDLE_VALUE)
                CloseHandle(writer);
            ++tried;
        }
    };
    const auto outcome = Replace(EReplaceWay::HardLink, tree.Path("a"), tree.Path("b"));
    EXPECT_EQ(outcome.refusal, EReplaceRefusal::None) << outcome.systemText;
    EXPECT_EQ(tried, 1);
    EXPECT_EQ(outcome.freed, std::string("equal bytes").size());
    EXPECT_EQ(NamesIn(tree.Root()), (std::set<std::string>{"a", "b"}));
    EXPECT_EQ(LinkCount(tree.Path("a")), 2u);
}

TEST(ReplaceWithCopyOf, AReadOnlyFileIsNamedSoAndALinkKeepsAPathsAttributes)
{
    const struct
    {
        const char* marked;
        DWORD attribute;
        EReplaceWay way;
        EReplaceRefusal expected;
    } rows[] = {
        {"b", FILE_ATTRIBUTE_READONLY, EReplaceWay::HardLink, EReplaceRefusal::ReadOnly},
        {"b", FILE_ATTRIBUTE_READONLY, EReplaceWay::Clone, EReplaceRefusal::ReadOnly},
        {"a", FILE_ATTRIBUTE_READONLY, EReplaceWay::HardLink, EReplaceRefusal::OwnerOrPermissions},
        {"b", FILE_ATTRIBUTE_HIDDEN, EReplaceWay::HardLink, EReplaceRefusal::OwnerOrPermissions},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.marked << " " << row.attribute);
        CTempTree tree;
        tree.Write("a", "equal bytes");
        tree.Write("b", "equal bytes");
        ASSERT_TRUE(SetFileAttributesW(platform::SystemPath(tree.Path(row.marked)).c_str(), row.attribute));
        EXPECT_EQ(Replace(row.way, tree.Path("a"), tree.Path("b")).refusal, row.expected);
        EXPECT_EQ(LinkCount(tree.Path("b")), 1u);
        SetFileAttributesW(platform::SystemPath(tree.Path(row.marked)).c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST(ReplaceWithCopyOf, RefusesClonesWhereTheVolumeCannotShareStorage)
{
    CTempTree tree;
    tree.Write("a", "equal bytes");
    tree.Write("b", "equal bytes");
    const auto stamp = StampOf(tree.Path("b"));
    EXPECT_EQ(Replace(EReplaceWay::Clone, tree.Path("a"), tree.Path("b")).refusal, EReplaceRefusal::NoClones);
    EXPECT_EQ(StampOf(tree.Path("b")), stamp);
}

#else

#define SKIP_UNLESS_MOUNTED(image)                                                                           \
    if (!(image).Mounted())                                                                                  \
    GTEST_SKIP() << "cannot mount a file system image here: " << (image).Reason()

TEST(ReplaceWithCopyOf, RefusesAKeptCopyOnAnotherVolume)
{
    CLoopImage image("ext4");
    SKIP_UNLESS_MOUNTED(image);
    CTempTree tree;
    image.Write("a", "equal bytes");
    tree.Write("b", "equal bytes");
    for (const EReplaceWay way : kBothWays) {
        const auto outcome = Replace(way, image.Path("a"), tree.Path("b"));
        EXPECT_EQ(outcome.refusal, EReplaceRefusal::OtherVolume) << outcome.systemText;
        EXPECT_EQ(NamesIn(tree.Root()), std::set<std::string>{"b"});
    }
}

TEST(ReplaceWithCopyOf, RefusesHardLinksWhereTheFileSystemHasNone)
{
    CLoopImage image("vfat");
    SKIP_UNLESS_MOUNTED(image);
    image.Write("a", "equal bytes");
    image.Write("b", "equal bytes");
    const auto outcome = Replace(EReplaceWay::HardLink, image.Path("a"), image.Path("b"));
    EXPECT_EQ(outcome.refusal, EReplaceRefusal::NoHardLinks) << outcome.systemText;
    EXPECT_EQ(NamesIn(image.Root()), (std::set<std::string>{"a", "b"}));
    EXPECT_EQ(ReadAll(image.Path("b")), "equal bytes");
}

TEST(ReplaceWithCopyOf, RefusesClonesWhereTheFileSystemCannotShareStorage)
{
    CLoopImage image("ext4");
    SKIP_UNLESS_MOUNTED(image);
    image.Write("a", "equal bytes");
    image.Write("b", "equal bytes");
    const auto stamp = StampOf(image.Path("b"));
    const auto outcome = Replace(EReplaceWay::Clone, image.Path("a"), image.Path("b"));
    EXPECT_EQ(outcome.refusal, EReplaceRefusal::NoClones) << outcome.systemText;
    EXPECT_EQ(StampOf(image.Path("b")), stamp);
}

class CloneOn : public testing::TestWithParam<const char*>
{};

TEST_P(CloneOn, SharesStorageAndKeepsTheFileItsModeAndTime)
{
    CLoopImage image(GetParam());
    SKIP_UNLESS_MOUNTED(image);
    const std::string bytes = PatternBytes((1u << 20) + 5, 11);
    image.Write("a", bytes);
    image.Write("b", bytes);
    ASSERT_EQ(chmod(image.Path("b").c_str(), 0640), 0);
    const struct timespec times[2] = {{1400000000, 123456789}, {1500000000, 987654321}};
    ASSERT_EQ(utimensat(AT_FDCWD, image.Path("b").c_str(), times, 0), 0);
    const auto stamp = StampOf(image.Path("b"));

    const auto first = Replace(EReplaceWay::Clone, image.Path("a"), image.Path("b"));
    EXPECT_EQ(first.refusal, EReplaceRefusal::None) << first.systemText;
    EXPECT_EQ(first.freed, bytes.size());
    struct stat st;
    ASSERT_EQ(stat(image.Path("b").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_nlink, 1u);
    EXPECT_EQ(StampOf(image.Path("b")), stamp); // the same file, size and last write

    // Its storage is now shared with the kept copy: cloning again frees nothing.
    const auto second = Replace(EReplaceWay::Clone, image.Path("a"), image.Path("b"));
    EXPECT_EQ(second.refusal, EReplaceRefusal::None) << second.systemText;
    EXPECT_EQ(second.freed, 0u);

    // Yet the two stay separate files.
    {
        std::fstream out(image.Path("b"), std::ios::in | std::ios::out | std::ios::binary);
        out.seekp(1000);
        out.write("changed", 7);
    }
    EXPECT_EQ(ReadAll(image.Path("a")), bytes);
    EXPECT_NE(ReadAll(image.Path("b")), bytes);
}

INSTANTIATE_TEST_SUITE_P(ReplaceWithCopyOf, CloneOn, testing::Values("btrfs", "xfs"));

#endif

} // namespace
