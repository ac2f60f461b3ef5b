// The OS layer's rules that the walk relies on.
#include "platform/FileTypes.h"
#include "platform/FolderListing.h"
#include "platform/InputFile.h"
#include "platform/Path.h"
#include "platform/SaveFile.h"
#include "tests/support/ScopedState.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#ifndef _WIN32
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>
#else
#include <windows.h>
#endif

namespace {

TEST(FullPath, NormalisesLexicallyAgainstTheCurrentFolder)
{
    if (platform::kPathSeparator != '/')
        GTEST_SKIP() << "the system's own full-path rule is used here";
    const std::string here = std::filesystem::current_path().string();
    const struct
    {
        std::string in;
        std::string out;
    } rows[] = {
        {"/", "/"},
        {"", here == "/" ? "/" : here},
        {"/a//b/./c/", "/a/b/c"},
        {"/a/b/../c", "/a/c"},
        {"/../..", "/"},
        {"rel/x", (here == "/" ? "" : here) + "/rel/x"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.in);
        EXPECT_EQ(platform::FullPath(row.in), row.out);
    }
}

TEST(FolderListing, ListsInByteOrderAndTellsWhatEachEntryIs)
{
    CTempTree tree;
    tree.Write("b.txt", "12345");
    tree.Write("A.txt", "1");
    tree.MakeFolder("dir");
    if (!tree.SymLink("dir", "dirlink") || !tree.SymLink("b.txt", "filelink"))
        GTEST_SKIP() << "no symbolic links here";
    platform::CFolderListing listing;
    ASSERT_TRUE(listing.Open(tree.Root()));
    std::vector<std::string> names;
    for (const auto& entry : listing.Entries())
        names.push_back(entry.name);
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "A.txt", "b.txt", "dir", "dirlink", "filelink"}));
    const auto& entries = listing.Entries();
    EXPECT_TRUE(entries[3].isFile);
    EXPECT_EQ(entries[3].size, 5);
    EXPECT_TRUE(entries[4].isDirectory);
    EXPECT_TRUE(entries[5].isDirectory);
    EXPECT_FALSE(entries[6].isFile || entries[6].isDirectory);
    EXPECT_FALSE(listing.Open(tree.Path("b.txt")));
    EXPECT_FALSE(listing.Open(tree.Path("missing")));
}

TEST(RecordedTime, YearsBefore1900ReadZeroAndEverythingElseIsKept)
{
    EXPECT_EQ(platform::RecordedTime(0), 0);
    EXPECT_EQ(platform::RecordedTime(-315619200), -315619200);                     // 1960
    EXPECT_EQ(platform::RecordedTime(-2208988800 + 200000), -2208988800 + 200000); // early 1900
    EXPECT_EQ(platform::RecordedTime(-2208988800 - 200000), 0);                    // late 1899
    EXPECT_EQ(platform::RecordedTime(32535216000), 32535216000);                   // 3001
}

TEST(FileTypeName, NamesTheTypeFromTheFileNameAlone)
{
    // The desktop's names are translated: the untranslated ones are asked for.
    const CScopedEnvironment language("LANGUAGE", "C");
    const CScopedEnvironment all("LC_ALL", "C");
    if (platform::kPathSeparator == '/') {
        EXPECT_EQ(platform::FileTypeName("/nowhere/notes.txt"), "plain text document");
    }
    EXPECT_FALSE(platform::FileTypeName("/nowhere/notes.txt").empty());
    if (platform::kPathSeparator == '/') { // an unknown extension is named as typed elsewhere
        EXPECT_EQ(platform::FileTypeName("/nowhere/photo.JPG"), platform::FileTypeName("/x/other.jpg"));
    }
    EXPECT_NE(platform::FileTypeName("/nowhere/photo.jpg"), platform::FileTypeName("/nowhere/notes.txt"));
}

TEST(InputFile, AnOpenFileDeletedOrRenamedOverIsChangedAsItsDescriptorSeesIt)
{
    if (platform::kPathSeparator == '\\')
        GTEST_SKIP() << "an open file can be neither deleted nor renamed over here";
    const struct
    {
        const char* what;
        std::function<void(const CTempTree&)> change;
        bool unchanged;
    } rows[] = {
        {"left alone", [](const CTempTree&) {}, true},
        {"deleted", [](const CTempTree& tree) { tree.Remove("f"); }, false},
        {"renamed over", [](const CTempTree& tree) { EXPECT_TRUE(tree.RenameOver("g", "f")); }, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        CTempTree tree;
        tree.Write("f", "the same bytes");
        tree.Write("g", "the same bytes");
        platform::CFolderListing listing;
        ASSERT_TRUE(listing.Open(tree.Root()));
        const platform::FileStamp stamp = listing.Entries()[2].Stamp(); // after "." and ".."
        platform::CInputFile file;
        ASSERT_EQ(file.OpenSame(tree.Path("f"), stamp), platform::CInputFile::EOpen::Opened);
        row.change(tree);
        EXPECT_EQ(file.Unchanged(stamp), row.unchanged);
    }
}

#ifndef _WIN32
TEST(InputFile, ReadsFromTheDiskAreCountedAndReadsFromTheCacheAreNot)
{
    CTempTree tree;
    struct statfs fs;
    ASSERT_EQ(statfs(tree.Root().c_str(), &fs), 0);
    if (fs.f_type == TMPFS_MAGIC)
        GTEST_SKIP() << "the temporary folder is in memory: no read of it comes from a disk";
    constexpr std::size_t kBytes = 256 << 10;
    tree.Write("f", std::string(kBytes, 'x'));
    const int fd = open(tree.Path("f").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    // Written out and dropped from the cache, so that the next read must come from the disk.
    ASSERT_EQ(fsync(fd), 0);
    ASSERT_EQ(posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED), 0);
    std::string buffer(kBytes, '\0');
    const std::int64_t before = platform::BytesReadFromStorage();
    EXPECT_EQ(pread(fd, buffer.data(), kBytes, 0), static_cast<ssize_t>(kBytes));
    const std::int64_t fromDisk = platform::BytesReadFromStorage();
    EXPECT_GE(fromDisk - before, static_cast<std::int64_t>(kBytes));
    EXPECT_EQ(pread(fd, buffer.data(), kBytes, 0), static_cast<ssize_t>(kBytes));
    EXPECT_EQ(platform::BytesReadFromStorage(), fromDisk);
    close(fd);
}
#endif

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(SaveFile, ASaveWritesThroughALinkKeepsWhatTheReplacedFileHadAndRefusesWhatIsNoFile)
{
    CTempTree tree;
    tree.Write("target.txt", "old");
    tree.Write("private.txt", "old");
    tree.MakeFolder("folder");
    std::string reason;
#ifndef _WIN32
    ASSERT_TRUE(tree.SymLink("target.txt", "link.txt"));
    ASSERT_TRUE(platform::SaveFileWhole(tree.Path("link.txt"), "new", reason)) << reason;
    EXPECT_TRUE(std::filesystem::is_symlink(tree.Path("link.txt")));
    EXPECT_EQ(ReadAll(tree.Path("target.txt")), "new");
    // Another user's private file, where the test may give it one.
    const uid_t owner = geteuid() == 0 ? 1234 : geteuid();
    ASSERT_EQ(chown(tree.Path("private.txt").c_str(), owner, owner), 0);
    ASSERT_EQ(chmod(tree.Path("private.txt").c_str(), 0400), 0);
    ASSERT_TRUE(platform::SaveFileWhole(tree.Path("private.txt"), "new", reason)) << reason;
    struct stat status;
    ASSERT_EQ(stat(tree.Path("private.txt").c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, owner);
    EXPECT_EQ(status.st_mode & 07777, 0400u);
    ASSERT_EQ(mkfifo(tree.Path("pipe").c_str(), 0600), 0);
    EXPECT_FALSE(platform::SaveFileWhole(tree.Path("pipe"), "new", reason));
    EXPECT_EQ(reason, "it is a named pipe, not a regular file");
    EXPECT_TRUE(std::filesystem::is_fifo(tree.Path("pipe")));
#else
    const std::wstring hidden = std::filesystem::path(tree.Path("private.txt")).wstring();
    ASSERT_TRUE(SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(platform::SaveFileWhole(tree.Path("private.txt"), "new", reason)) << reason;
    EXPECT_NE(GetFileAttributesW(hidden.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
#endif
    EXPECT_EQ(ReadAll(tree.Path("private.txt")), "new");
    EXPECT_FALSE(platform::SaveFileWhole(tree.Path("folder"), "new", reason));
    EXPECT_EQ(reason, "it is a folder, not a regular file");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tree.Root()),
                            std::filesystem::directory_iterator()),
              platform::kPathSeparator == '\\' ? 3 : 5); // no temporary file left behind
}

} // namespace
