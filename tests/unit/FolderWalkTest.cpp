// The walk: what gets recorded, in what order, and which folders are reported.
#include "engine/FolderPrefetch.h"
#include "platform/FolderListing.h"
#include "platform/Path.h"
#include "tests/support/ScanRun.h"
#include "tests/support/ScopedState.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class FolderWalk : public ::testing::Test
{
protected:
    CTempTree m_tree;
};

TEST_F(FolderWalk, RecordsFilesInPreOrderAndReportsSubfoldersInPostOrder)
{
    // Distinct sizes in walk order make the size-sorted results show the walk's order.
    m_tree.Write("R/a.txt", "1");
    m_tree.Write("R/A/A1/x.txt", "22");
    m_tree.Write("R/A/y.txt", "333");
    m_tree.Write("R/B/z.txt", "4444");
    m_tree.Write("R/c.txt", "55555");
    m_tree.Write("twins/a.txt", "1");
    m_tree.Write("twins/x.txt", "22");
    m_tree.Write("twins/y.txt", "333");
    m_tree.Write("twins/z.txt", "4444");
    m_tree.Write("twins/c.txt", "55555");

    const ScanOutcome outcome = RunScan({m_tree.Path("R"), m_tree.Path("twins")});

    EXPECT_EQ(Relative(outcome.scanTexts, m_tree.Root()),
              (std::vector<std::string>{"(1 scanned) R/A/A1", "(2 scanned) R/A", "(3 scanned) R/B"}));
    EXPECT_EQ(GroupsOf(outcome.results, m_tree.Root()), (Groups{{"R/a.txt", "twins/a.txt"},
                                                                {"R/A/A1/x.txt", "twins/x.txt"},
                                                                {"R/A/y.txt", "twins/y.txt"},
                                                                {"R/B/z.txt", "twins/z.txt"},
                                                                {"R/c.txt", "twins/c.txt"}}));
}

TEST_F(FolderWalk, RootWithOnlyFilesSendsNoProgressText)
{
    m_tree.Write("one.txt", "x");
    const ScanOutcome outcome = RunScan({m_tree.Root()});
    EXPECT_TRUE(outcome.scanTexts.empty());
    EXPECT_EQ(outcome.summary, "Scan completed (1 files scanned, 0 duplicates found)");
}

TEST_F(FolderWalk, TrailingSeparatorsAndRelativeRootsGiveTheSameAbsolutePaths)
{
    m_tree.Write("R/sub/file.txt", "same");
    m_tree.Write("S/file.txt", "same");

    const ScanOutcome slashes = RunScan({m_tree.Path("R") + "//", m_tree.Path("S/")});
    EXPECT_EQ(GroupsOf(slashes.results, m_tree.Root()), (Groups{{"R/sub/file.txt", "S/file.txt"}}));
    EXPECT_EQ(Relative(slashes.scanTexts, m_tree.Root()), (std::vector<std::string>{"(1 scanned) R/sub"}));

    ScanOutcome relative;
    {
        const CScopedCurrentFolder inR(std::filesystem::u8path(m_tree.Path("R")));
        relative = RunScan({"sub/", "./../S"});
    }
    EXPECT_EQ(GroupsOf(relative.results, m_tree.Root()), (Groups{{"R/sub/file.txt", "S/file.txt"}}));
}

TEST_F(FolderWalk, MissingRootIsSkippedAndTheNextRootStillWalked)
{
    m_tree.Write("a/x.dat", "twin");
    m_tree.Write("b/y.dat", "twin");
    const ScanOutcome outcome = RunScan({m_tree.Path("a"), m_tree.Path("gone"), m_tree.Path("b")});
    EXPECT_EQ(GroupsOf(outcome.results, m_tree.Root()), (Groups{{"a/x.dat", "b/y.dat"}}));
    EXPECT_EQ(outcome.finishedCount, 1);
}

TEST_F(FolderWalk, EmptyFilesAreNeitherRecordedNorCounted)
{
    m_tree.Write("R/empty1.txt", "");
    m_tree.Write("R/empty2.txt", "");
    m_tree.Write("R/sub/full.txt", "x");
    const ScanOutcome outcome = RunScan({m_tree.Path("R")});
    EXPECT_EQ(Relative(outcome.scanTexts, m_tree.Root()), (std::vector<std::string>{"(1 scanned) R/sub"}));
    EXPECT_TRUE(outcome.results.empty());
    EXPECT_EQ(outcome.summary, "Scan completed (1 files scanned, 0 duplicates found)");
}

TEST_F(FolderWalk, FolderReachedTwiceIsWalkedOnceButStillReported)
{
    m_tree.Write("R/in/a.txt", "copy");
    m_tree.Write("R/b.txt", "copy");

    // The same root twice, and a root inside an earlier one: every file recorded once.
    const ScanOutcome twice = RunScan({m_tree.Path("R"), m_tree.Path("R"), m_tree.Path("R/in")});
    EXPECT_EQ(twice.summary, "Scan completed (2 files scanned, 2 duplicates found)");
    EXPECT_EQ(GroupsOf(twice.results, m_tree.Root()), (Groups{{"R/b.txt", "R/in/a.txt"}}));

    // The inner root first: the outer walk meets it again, reports it, and does not enter it.
    const ScanOutcome inner = RunScan({m_tree.Path("R/in"), m_tree.Path("R")});
    EXPECT_EQ(Relative(inner.scanTexts, m_tree.Root()), (std::vector<std::string>{"(2 scanned) R/in"}));
    EXPECT_EQ(GroupsOf(inner.results, m_tree.Root()), (Groups{{"R/in/a.txt", "R/b.txt"}}));
}

TEST_F(FolderWalk, LinkLoopEndsAndLinkedFolderIsWalkedOnce)
{
    m_tree.Write("R/sub/file.txt", "data");
    if (!m_tree.SymLink("..", "R/sub/loop")) // back up to R
        GTEST_SKIP() << "no symbolic links here";
    m_tree.Write("X/other.txt", "data");
    ASSERT_TRUE(m_tree.SymLink(m_tree.Path("X"), "R/toX")); // a folder outside the root

    const ScanOutcome outcome = RunScan({m_tree.Path("R"), m_tree.Path("X")});
    EXPECT_EQ(Relative(outcome.scanTexts, m_tree.Root()),
              (std::vector<std::string>{"(1 scanned) R/sub/loop", "(1 scanned) R/sub", "(2 scanned) R/toX"}));
    EXPECT_EQ(GroupsOf(outcome.results, m_tree.Root()), (Groups{{"R/sub/file.txt", "R/toX/other.txt"}}));
}

TEST_F(FolderWalk, HardLinksAreOneFileAndFileLinksAreNotRecorded)
{
    m_tree.Write("R/original.txt", "only one file");
    m_tree.HardLink("R/original.txt", "R/second-name.txt");
    const bool links =
        m_tree.SymLink("original.txt", "R/pointer.txt") && m_tree.SymLink("nowhere.txt", "R/dangling.txt");

    const ScanOutcome outcome = RunScan({m_tree.Path("R")});
    EXPECT_EQ(outcome.summary, "Scan completed (1 files scanned, 0 duplicates found)")
        << "links made: " << links;
    EXPECT_TRUE(outcome.results.empty());

    // A real copy still groups with the first name met, never with its own second name.
    m_tree.Write("R/copy.txt", "only one file");
    EXPECT_EQ(GroupsOf(RunScan({m_tree.Path("R")}).results, m_tree.Root()),
              (Groups{{"R/copy.txt", "R/original.txt"}}));
}

TEST_F(FolderWalk, NamesThatAreNotUtf8KeepTheirBytes)
{
    if (platform::kPathSeparator != '/')
        GTEST_SKIP() << "names are UTF-16 here, always UTF-8 to the program";
    const std::string latin1 = "caf\xe9.txt";
    m_tree.Write("R/" + latin1, "bytes");
    m_tree.Write("R/\xff\xfe.txt", "bytes");
    const ScanOutcome outcome = RunScan({m_tree.Path("R")});
    EXPECT_EQ(GroupsOf(outcome.results, m_tree.Root()), (Groups{{"R/" + latin1, "R/\xff\xfe.txt"}}));
}

TEST_F(FolderWalk, TimesBefore1970AndFarAheadAreRecorded)
{
    m_tree.Write("R/old.txt", "same");
    m_tree.Write("R/far.txt", "same");
    m_tree.Write("R/now.txt", "same");
    const bool oldSet = m_tree.SetModified("R/old.txt", -315619200); // 1960-01-01
    const bool farSet = m_tree.SetModified("R/far.txt", 7258118400); // 2200-01-01
    ASSERT_TRUE(m_tree.SetModified("R/now.txt", 1600000000));

    const ScanOutcome outcome = RunScan({m_tree.Path("R")});
    ASSERT_EQ(outcome.results.size(), 4u);
    EXPECT_EQ(outcome.results[1].modified, 1600000000);
    if (!oldSet || !farSet)
        GTEST_SKIP() << "the library here cannot set times before 1970 or after 2038";
    EXPECT_EQ(outcome.results[0].modified, 7258118400);
    EXPECT_EQ(outcome.results[2].modified, -315619200);
}

TEST_F(FolderWalk, StopDuringADeepWalkFinishesOpenListingsWithoutEntering)
{
    // R/a/deep/leaf is where the stop comes; R/a/later is still reported but not entered,
    // R/a/z.txt and R/top.txt are still recorded, and root S is never begun.
    m_tree.Write("R/a/deep/leaf/f1.txt", "1");
    m_tree.Write("R/a/later/never.txt", "2");
    m_tree.Write("R/a/z.txt", "3");
    m_tree.Write("R/b/never.txt", "4");
    m_tree.Write("R/top.txt", "5");
    m_tree.Write("S/never.txt", "6");

    ScanHooks hooks;
    hooks.onScanProgress = [](CScanEngine& engine, const std::string&) { engine.RequestStop(); };
    const ScanOutcome outcome = RunScan({m_tree.Path("R"), m_tree.Path("S")}, hooks);

    EXPECT_TRUE(outcome.stopped);
    EXPECT_EQ(Relative(outcome.scanTexts, m_tree.Root()),
              (std::vector<std::string>{"(1 scanned) R/a/deep/leaf", "(1 scanned) R/a/deep",
                                        "(1 scanned) R/a/later", "(2 scanned) R/a", "(2 scanned) R/b"}));
    EXPECT_TRUE(outcome.resolveTexts.empty());
    EXPECT_EQ(outcome.summary, "Scan completed (3 files scanned, 0 duplicates found)");
    EXPECT_EQ(outcome.finishedCount, 1);
}

} // namespace

namespace {

TEST(FolderPrefetch, SeveralListersHandEveryFolderOverOnceAndWhole)
{
    // A tree wider than the listers, walked depth first as the walk does: every listing taken from
    // the helpers must equal the folder listed directly, whichever thread made it.
    CTempTree tree;
    for (int a = 0; a < 6; ++a)
        for (int b = 0; b < 6; ++b)
            tree.Write("d" + std::to_string(a) + "/e" + std::to_string(b) + "/f.txt", std::to_string(a * b));
    std::atomic<bool> stop{false};
    CFolderPrefetch prefetch(stop, 4);
    std::vector<std::string> stack{platform::FullPath(tree.Root())};
    std::size_t folders = 0;
    while (!stack.empty()) {
        const std::string folder = stack.back();
        stack.pop_back();
        platform::CFolderListing ahead;
        platform::CFolderListing direct;
        ASSERT_TRUE(prefetch.Open(folder, ahead));
        ASSERT_TRUE(direct.Open(folder));
        ASSERT_EQ(ahead.Entries().size(), direct.Entries().size()) << folder;
        for (std::size_t i = 0; i < direct.Entries().size(); ++i)
            EXPECT_EQ(ahead.Entries()[i].name, direct.Entries()[i].name);
        prefetch.Offer(folder, ahead);
        ++folders;
        for (const platform::FolderEntry& entry : ahead.Entries())
            if (entry.isDirectory && !platform::IsSelfOrParent(entry.name))
                stack.push_back(platform::JoinPath(folder, entry.name));
    }
    EXPECT_EQ(folders, 1u + 6u + 36u);
}

} // namespace
