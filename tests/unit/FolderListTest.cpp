// The folder list's overlap rule and the project file, on real files.
#include "views/FolderList.h"

#include "platform/Path.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

TEST(FolderOverlap, TableOfPairs)
{
    const struct
    {
        const char* listed;
        const char* added;
        bool overlap;
        const char* addedAfter; // the caller's text once the rule has run
    } rows[] = {
        {"/data", "/data", true, "/data"},
        {"/data", "/data/", true, "/data"},
        {"/data", "/Data", false, "/Data"}, // case matters
        {"/data", "/data/sub", true, "/data/sub"},
        {"/data/sub", "/data", true, "/data"},
        {"/data", "/data2", false, "/data2"},        // siblings
        {"/data", "/data2/sub", true, "/data2/sub"}, // a plain text prefix, as the list always had it
        {"/", "/home", true, "/home"},               // the root holds everything
        {"/home", "/", true, ""},
        {"/a/b", "/a/c", false, "/a/c"},
        {"/a/b//", "/a/b", true, "/a/b"},
        {"rel", "rel2", false, "rel2"}, // no separator in either: siblings too
        {"rel", "rel/x", true, "rel/x"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.listed) + " + " + row.added);
        std::string added = row.added;
        EXPECT_EQ(CFolderList::FoldersOverlap(row.listed, added), row.overlap);
        EXPECT_EQ(added, row.addedAfter);
    }
}

TEST(FolderList, AppendRefusesOverlapsAndAnEmptyListKeepsTheTrailingSeparator)
{
    CFolderList list;
    std::string root = "/";
    EXPECT_TRUE(list.Append(root));
    EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/"}));
    std::string inside = "/home/";
    EXPECT_FALSE(list.Append(inside));
    EXPECT_EQ(inside, "/home");

    CFolderList other;
    std::string first = "/srv/a/";
    EXPECT_TRUE(other.Append(first));
    std::string second = "/srv/b";
    EXPECT_TRUE(other.Append(second));
    EXPECT_EQ(other.Entries(), (std::vector<std::string>{"/srv/a/", "/srv/b"}));
}

TEST(FolderList, RemoveTakesExactlyTheGivenEntries)
{
    CFolderList list;
    for (std::string path : {"/a", "/b", "/c", "/d", "/e"})
        ASSERT_TRUE(list.Append(path));
    list.Remove({3, 1});
    EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/a", "/c", "/e"}));
}

TEST(FolderList, AppendAllGivesWhatAppendingOneByOneGives)
{
    // Short texts over a tiny alphabet meet every case of the rule: equal, inside, around, siblings,
    // text prefixes across a separator, the root, trailing separators, relative names.
    std::mt19937 random(20261207);
    const std::string alphabet = std::string("ab") + platform::kPathSeparator + platform::kPathSeparator;
    auto randomPath = [&] {
        std::string path;
        for (std::size_t length = random() % 7; length > 0; --length)
            path += alphabet[random() % alphabet.size()];
        return path;
    };
    for (int round = 0; round < 300; ++round) {
        std::vector<std::string> before(random() % 4);
        std::vector<std::string> added(random() % 12);
        for (std::string& path : before)
            path = randomPath();
        for (std::string& path : added)
            path = randomPath();
        CFolderList one;
        CFolderList all;
        for (std::string path : before) {
            one.Append(path);
            std::string copy = path;
            all.Append(copy);
        }
        std::vector<std::string> refusedOne;
        for (std::string path : added)
            if (!one.Append(path))
                refusedOne.push_back(path);
        const std::vector<std::string> refusedAll = all.AppendAll(added);
        ASSERT_EQ(all.Entries(), one.Entries()) << "round " << round;
        ASSERT_EQ(refusedAll, refusedOne) << "round " << round;
    }
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(ProjectFile, WritesCrLfLinesAndReadsThemBackUnchanged)
{
    CTempTree tree;
    const std::vector<std::string> folders = {"/one", " /two with spaces ", "/caf\xc3\xa9/$HOME"};
    ASSERT_EQ(WriteProjectFile(tree.Path("p.qvlprj"), folders), EProjectResult::Done);
    EXPECT_EQ(ReadBytes(tree.Path("p.qvlprj")), "/one\r\n /two with spaces \r\n/caf\xc3\xa9/$HOME\r\n");
    std::vector<std::string> lines;
    ASSERT_EQ(ReadProjectFile(tree.Path("p.qvlprj"), [&](std::string& line) { lines.push_back(line); }),
              EProjectResult::Done);
    EXPECT_EQ(lines, folders);

    ASSERT_EQ(WriteProjectFile(tree.Path("empty.qvlprj"), {}), EProjectResult::Done);
    EXPECT_EQ(ReadBytes(tree.Path("empty.qvlprj")), "");
}

TEST(ProjectFile, AcceptsLfEndingsEmptyLinesAndALastLineWithoutEnd)
{
    CTempTree tree;
    tree.Write("p.qvlprj", "/a\n\r\n/b\r\n\n/c");
    std::vector<std::string> lines;
    ASSERT_EQ(ReadProjectFile(tree.Path("p.qvlprj"), [&](std::string& line) { lines.push_back(line); }),
              EProjectResult::Done);
    EXPECT_EQ(lines, (std::vector<std::string>{"/a", "", "/b", "", "/c"}));
}

TEST(ProjectFile, ReportsWhatFailed)
{
    CTempTree tree;
    EXPECT_EQ(WriteProjectFile(tree.Path("missing/dir/p.qvlprj"), {"/a"}), EProjectResult::CannotOpen);
    EXPECT_EQ(ReadProjectFile(tree.Path("missing.qvlprj"), [](std::string&) {}), EProjectResult::CannotOpen);
    // A full disk shows as a write error, at the latest when the file is closed.
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_EQ(WriteProjectFile("/dev/full", {"/a", "/b"}), EProjectResult::WriteError);
    }
    // A folder opens but cannot be read here; other systems refuse to open it at all.
    tree.MakeFolder("folder.qvlprj");
    const EProjectResult folder = ReadProjectFile(tree.Path("folder.qvlprj"), [](std::string&) {});
    EXPECT_TRUE(folder == EProjectResult::ReadError ||
                (platform::kPathSeparator != '/' && folder == EProjectResult::CannotOpen));
}

TEST(ProjectFile, ReadsOnlyARegularFileOfAProjectsSize)
{
    CTempTree tree;
    tree.Write("largest.qvlprj", "");
    std::filesystem::resize_file(tree.Path("largest.qvlprj"), kLargestProjectFile);
    tree.Write("larger.qvlprj", "");
    std::filesystem::resize_file(tree.Path("larger.qvlprj"), kLargestProjectFile + 1);
    struct Row
    {
        std::string name;
        EProjectResult result;
        std::size_t lines;
    };
    std::vector<Row> rows = {{"largest.qvlprj", EProjectResult::Done, 1},
                             {"larger.qvlprj", EProjectResult::TooLarge, 0}};
#ifndef _WIN32
    // A pipe that no program writes to: reading it would wait for good.
    ASSERT_EQ(mkfifo(tree.Path("pipe.qvlprj").c_str(), 0600), 0);
    rows.push_back({"pipe.qvlprj", EProjectResult::ReadError, 0});
#endif
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::size_t lines = 0;
        bool opened = false;
        EXPECT_EQ(ReadProjectFile(
                      tree.Path(row.name), [&](std::string&) { ++lines; }, [&] { opened = true; }),
                  row.result);
        EXPECT_EQ(lines, row.lines);
        EXPECT_EQ(opened, row.result == EProjectResult::Done);
    }
}

} // namespace
