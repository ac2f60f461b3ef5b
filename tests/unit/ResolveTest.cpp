// Resolving: which files form groups, in what order, and the texts sent on the way.
#include "engine/PathTail.h"
#include "platform/InputFile.h"
#include "tests/support/PairwiseClasses.h"
#include "tests/support/ScanRun.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <set>

namespace {

class DuplicateResolution : public ::testing::Test
{
protected:
    Groups Scan() { return GroupsOf(RunScan({m_tree.Root()}).results, m_tree.Root()); }

    CTempTree m_tree;
};

TEST_F(DuplicateResolution, TailsDifferingOnlyInCaseStillMatch)
{
    m_tree.Write("a/photo.JPG", "same bytes");
    m_tree.Write("b/copy.jpg", "same bytes");
    EXPECT_EQ(Scan(), (Groups{{"a/photo.JPG", "b/copy.jpg"}}));
}

TEST_F(DuplicateResolution, DifferentTailsNeverMatchButSameEndingsWithoutExtensionDo)
{
    m_tree.Write("a.jpg", "same bytes");
    m_tree.Write("b.jpeg", "same bytes"); // "jpeg" against ".jpg"
    m_tree.Write("c.png", "same bytes");
    m_tree.Write("READMEFILE", "other bytes");
    m_tree.Write("notes/OTHERFILE", "other bytes");
    EXPECT_EQ(Scan(), (Groups{{"READMEFILE", "notes/OTHERFILE"}}));

    EXPECT_FALSE(TailsMatch("abcd", "abcd"));
    EXPECT_FALSE(TailsMatch("/abcd", "abcd"));
    EXPECT_TRUE(TailsMatch("/x.TXT", "/longer/name.txT"));
    EXPECT_FALSE(TailsMatch("/x.t\xc9t", "/x.t\xe9t")); // only ASCII letters fold
}

TEST_F(DuplicateResolution, InterleavedPairsEachFormTheirOwnGroupInAnchorOrder)
{
    const std::string first = PatternBytes(3000, 1);
    const std::string second = PatternBytes(3000, 2);
    m_tree.Write("a.dat", first);
    m_tree.Write("b.dat", second);
    m_tree.Write("c.dat", first);
    m_tree.Write("d.dat", second);
    const ScanOutcome outcome = RunScan({m_tree.Root()});
    EXPECT_EQ(GroupsOf(outcome.results, m_tree.Root()), (Groups{{"a.dat", "c.dat"}, {"b.dat", "d.dat"}}));
    EXPECT_EQ(outcome.groupCount, 2);
    EXPECT_EQ(outcome.summary, "Scan completed (4 files scanned, 4 duplicates found)");
}

TEST_F(DuplicateResolution, ThreeAlikeAndOneThatDiffersInAnyPosition)
{
    const std::string same = PatternBytes(1500, 7);
    std::string odd = same;
    odd[700] ^= 1;
    for (int oddPosition = 0; oddPosition < 4; ++oddPosition) {
        SCOPED_TRACE(oddPosition);
        CTempTree tree;
        Groups expected(1);
        for (int i = 0; i < 4; ++i) {
            const std::string name = std::string(1, static_cast<char>('a' + i)) + ".bin";
            tree.Write(name, i == oddPosition ? odd : same);
            if (i != oddPosition)
                expected[0].push_back(name);
        }
        EXPECT_EQ(GroupsOf(RunScan({tree.Root()}).results, tree.Root()), expected);
    }
}

TEST_F(DuplicateResolution, DifferenceInFirstMiddleOrLastByteOnBlockBoundaries)
{
    int index = 0;
    for (const std::size_t size : {1u, 1023u, 1024u, 1025u, 2048u, 4097u}) {
        const std::string base = PatternBytes(size, static_cast<unsigned>(size));
        for (const std::size_t at : std::set<std::size_t>{0, size / 2, size - 1}) {
            std::string changed = base;
            changed[at] ^= 0x40;
            m_tree.Write("differ/" + std::to_string(index++) + ".bin", changed);
        }
        m_tree.Write("same/" + std::to_string(size) + "-1.bin", base);
        m_tree.Write("same/" + std::to_string(size) + "-2.bin", base);
    }
    Groups expected;
    for (const char* size : {"1", "1023", "1024", "1025", "2048", "4097"})
        expected.push_back({std::string("same/") + size + "-1.bin", std::string("same/") + size + "-2.bin"});
    EXPECT_EQ(Scan(), expected);
}

TEST_F(DuplicateResolution, ProgressTextsOnePerRunInSizeOrder)
{
    m_tree.Write("a1.txt", "xx"); // run of size 2 at positions 0..1
    m_tree.Write("a2.txt", "yy");
    m_tree.Write("b.txt", "123");   // size 3 occurs once
    m_tree.Write("c1.txt", "abcd"); // run of size 4 at positions 3..4
    m_tree.Write("c2.txt", "abcd");
    const ScanOutcome outcome = RunScan({m_tree.Root()});
    EXPECT_EQ(outcome.resolveTexts,
              (std::vector<std::string>{"", "0 of 5 files - 0%", "3 of 5 files - 60%"}));
    EXPECT_EQ(GroupsOf(outcome.results, m_tree.Root()), (Groups{{"c1.txt", "c2.txt"}}));
}

TEST_F(DuplicateResolution, SizesThatOccurOnceAreNeverResolved)
{
    m_tree.Write("a.txt", "1");
    m_tree.Write("b.txt", "22");
    const ScanOutcome outcome = RunScan({m_tree.Root()});
    EXPECT_EQ(outcome.resolveTexts, (std::vector<std::string>{""}));
    EXPECT_TRUE(outcome.results.empty());
    EXPECT_EQ(outcome.groupCount, 0);
}

TEST_F(DuplicateResolution, ResultRecordsAreMarkedGroupedAndSeparatorsAreBlank)
{
    m_tree.Write("x.txt", "copy");
    m_tree.Write("y.txt", "copy");
    m_tree.SetModified("x.txt", 1234567890);
    const ScanOutcome outcome = RunScan({m_tree.Root()});
    ASSERT_EQ(outcome.results.size(), 3u);
    EXPECT_TRUE(outcome.results[0].grouped);
    EXPECT_EQ(outcome.results[0].size, 4);
    EXPECT_EQ(outcome.results[0].modified, 1234567890);
    EXPECT_TRUE(outcome.results[1].grouped);
    const FileItem& separator = outcome.results[2];
    EXPECT_EQ(separator.path, GROUP_SEPARATOR);
    EXPECT_EQ(separator.size, 0);
    EXPECT_FALSE(separator.grouped);
    EXPECT_EQ(separator.modified, 0);
}

TEST_F(DuplicateResolution, FileChangedOrGoneAfterTheWalkEqualsNothing)
{
    m_tree.Write("grows.txt", "same");
    m_tree.Write("stays.txt", "same");
    m_tree.Write("gone1.dat", "twin");
    m_tree.Write("gone2.dat", "twin");
    ScanHooks hooks;
    hooks.onResolveProgress = [this](CScanEngine&, const std::string& text) {
        if (text.empty()) {
            m_tree.Append("grows.txt", "!");
            m_tree.Remove("gone1.dat");
        }
    };
    const ScanOutcome outcome = RunScan({m_tree.Root()}, hooks);
    EXPECT_TRUE(outcome.results.empty());
    EXPECT_EQ(outcome.summary, "Scan completed (4 files scanned, 0 duplicates found)");
}

TEST_F(DuplicateResolution, FilesEmptiedAfterTheWalkEqualNothing)
{
    m_tree.Write("a.txt", "left");
    m_tree.Write("b.txt", "rite");
    ScanHooks hooks;
    hooks.onResolveProgress = [this](CScanEngine&, const std::string& text) {
        if (text.empty()) {
            m_tree.Write("a.txt", "");
            m_tree.Write("b.txt", "");
        }
    };
    EXPECT_TRUE(RunScan({m_tree.Root()}, hooks).results.empty());
}

TEST(CompareContents, FilesThatEndAtDifferentPlacesAreUnequal)
{
    CTempTree tree;
    const std::string bytes = PatternBytes(3000, 5);
    tree.Write("short", bytes.substr(0, 2048));
    tree.Write("long", bytes);
    for (const bool shortFirst : {true, false}) {
        SCOPED_TRACE(shortFirst);
        platform::CInputFile a;
        platform::CInputFile b;
        ASSERT_TRUE(a.Open(tree.Path(shortFirst ? "short" : "long")));
        ASSERT_TRUE(b.Open(tree.Path(shortFirst ? "long" : "short")));
        EXPECT_FALSE(CompareContents(a, b));
    }
    platform::CInputFile a;
    platform::CInputFile b;
    ASSERT_TRUE(a.Open(tree.Path("long")));
    ASSERT_TRUE(b.Open(tree.Path("long")));
    EXPECT_TRUE(CompareContents(a, b));
}

TEST(FilesEqual, UnopenableOrNonRegularFilesEqualNothing)
{
    CTempTree tree;
    tree.Write("a.txt", "x");
    tree.MakeFolder("folder");
    FileItem file(tree.Path("a.txt"));
    EXPECT_TRUE(FilesEqual(file, file));
    EXPECT_FALSE(FilesEqual(file, FileItem(tree.Path("missing.txt"))));
    EXPECT_FALSE(FilesEqual(FileItem(tree.Path("missing.txt")), file));
    EXPECT_FALSE(FilesEqual(FileItem(tree.Path("folder")), FileItem(tree.Path("folder"))));
}

} // namespace
