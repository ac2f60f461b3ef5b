// The file actions' rules without a window: the clipboard's lines, rows of one folder, the warning
// about files that stayed, the plan of links made to each group's kept copy, the facts of a pasted
// name, and launching and waiting for programs.
#include "views/FileActions.h"

#include "engine/ScanEngine.h"
#include "platform/EntryFacts.h"
#include "platform/InputFile.h"
#include "platform/Path.h"
#include "platform/ShellExecute.h"
#include "platform/Trash.h"
#include "tests/support/ScanRun.h"
#include "tests/support/ScopedState.h"
#include "tests/support/TempTree.h"
#include "views/ClipboardText.h"
#include "views/SelectionRules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sys/stat.h>
#ifndef _WIN32
#include <sys/mount.h>
#endif

namespace {

const bool kWindows = platform::kPathSeparator == '\\';

TEST(ClipboardText, PathsJoinWithCrLfAndAnyLineEndsSplitWithoutTrimming)
{
    EXPECT_EQ(JoinClipboardPaths({"/a/one"}), "/a/one");
    EXPECT_EQ(JoinClipboardPaths({"/p1", "/p2", "/p3"}), "/p1\r\n/p2\r\n/p3");
    EXPECT_EQ(JoinClipboardPaths({}), "");
    EXPECT_EQ(JoinClipboardPaths({"/a\xff\xc3", "/caf\xc3\xa9"}),
              "/a\xef\xbf\xbd\xef\xbf\xbd\r\n/caf\xc3\xa9");
    // A stray byte among long runs of ASCII, at each place of the eight bytes looked at together.
    for (std::size_t at = 0; at < 17; ++at) {
        std::string path(20, 'a');
        path[at] = '\xff';
        EXPECT_EQ(JoinClipboardPaths({path}), std::string(path).replace(at, 1, "\xef\xbf\xbd")) << at;
    }

    const struct
    {
        std::string text;
        std::vector<std::string> lines;
    } rows[] = {
        {"/p1\r\n/p2\r\n/p3", {"/p1", "/p2", "/p3"}},
        {"\n\n/a\n\r\r\n/b\r\n", {"/a", "/b"}},
        {"/a \n /b", {"/a ", " /b"}},
        {"\r\n", {}},
        {"", {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(SplitClipboardLines(row.text), row.lines);
    }
}

TEST(ClipboardText, ALineHoldingNulIsSkipped)
{
    // No path holds NUL: the system would take only the part before it, another file.
    EXPECT_EQ(SplitClipboardLines(std::string("/a\0/b\n/c\r\n\0\r\n/d\0", 16)),
              (std::vector<std::string>{"/c"}));
}

TEST(FileActions, RowsInFolderMatchTheLocationExactlyFromLastToFirst)
{
    const std::string s(1, platform::kPathSeparator);
    CDuplicateRows rows;
    for (const std::string& path : {s + "d" + s + "a.txt", s + "d" + s + "sub" + s + "b.txt",
                                    s + "D" + s + "c.txt", s + "dd" + s + "e.txt", s + "d" + s + "f.txt"})
        rows.AddPastedRow(path, 1, 0);
    EXPECT_EQ(RowsInFolder(rows, s + "d"), (std::vector<std::size_t>{4, 0}));
    EXPECT_EQ(RowsInFolder(rows, s + "d" + s + "sub"), (std::vector<std::size_t>{1}));
    EXPECT_TRUE(RowsInFolder(rows, s + "x").empty());
}

int Bytes(std::string_view text)
{
    return static_cast<int>(text.size());
}

TEST(FileActions, TheWarningNamesTwentyFilesWithTheirReasonsThenCountsTheRest)
{
    std::vector<TrashFailure> failures{{"/only.txt", "Permission denied"}};
    EXPECT_EQ(
        TrashFailureText(failures, "trash", {80, Bytes}),
        "This file could not be moved to the trash and stays in the list:\n\n/only.txt: Permission denied");
    for (int i = 1; i < 25; ++i)
        failures.push_back({"/f" + std::to_string(i), "gone"});
    const std::string text = TrashFailureText(failures, "Recycle Bin", {80, Bytes});
    EXPECT_NE(text.find("These files could not be moved to the Recycle Bin"), std::string::npos);
    EXPECT_NE(text.find("\n/f19: gone\nand 5 more"), std::string::npos);
    EXPECT_EQ(text.find("/f20"), std::string::npos);
}

TEST(FileActions, AWarningLineFitsItsBudgetWithThePathShortenedAndTheReasonWhole)
{
    const std::string path = "/home/" + std::string(240, 'p') + "/end.txt";
    const std::string text = TrashFailureText({{path, "Permission denied"}}, "trash", {60, Bytes});
    const std::string line = text.substr(text.rfind('\n') + 1);
    // 60 bytes: the path's first 19 and last 19 around the ellipsis's 3, then the reason whole.
    EXPECT_EQ(line, "/home/" + std::string(13, 'p') + kEllipsis + std::string(11, 'p') +
                        "/end.txt: Permission denied");
}

// The trash of these tests: a real move of the file into a folder of the tree.
std::string g_bin;
bool MoveToBin(const std::string& path, std::string& reason)
{
    static int moved = 0;
    std::error_code error;
    std::filesystem::rename(path, g_bin + "/" + std::to_string(++moved), error);
    reason = error.message();
    return !error;
}

TEST(FileActions, DeleteMovesOnlyTheFileTheScanComparedAndAPastedRowOnlyWhileItNamesAFileOrFolder)
{
    CTempTree tree;
    g_bin = tree.Path("bin");
    tree.MakeFolder("bin");
    for (const char* name : {"a/link.txt", "b/link.txt", "a/renamed.txt", "b/renamed.txt", "a/grown.txt",
                             "b/grown.txt", "a/folder.txt", "b/folder.txt", "a/same.txt", "b/same.txt"})
        tree.Write(name, "copy of one text");
    CDuplicateRows rows;
    {
        CScanEngine engine;
        engine.AddFolder(tree.Path("a"));
        engine.AddFolder(tree.Path("b"));
        ScanThreadProc(&engine);
        rows.AddScanResults(engine);
    }
    ASSERT_EQ(rows.RowCount(), 10u);
    // After the scan: a rename puts a file of other text in the place of a copy, another grows, one
    // becomes a folder; a second folder holds a copy that nothing changed.
    tree.Write("other.txt", "unique");
    ASSERT_TRUE(tree.RenameOver("other.txt", "a/renamed.txt"));
    tree.Append("a/grown.txt", "!");
    tree.Remove("a/folder.txt");
    tree.MakeFolder("a/folder.txt");
    std::vector<std::size_t> all;
    std::string sameInB; // as the scan spelled it: a second row names that path again
    for (std::size_t row = 0; row < rows.RowCount(); ++row) {
        const std::string path = Slashed(std::string(rows.Row(row).fullPath));
        if (path.find("/a/") != std::string::npos)
            all.push_back(row);
        if (path == Slashed(tree.Path("b/same.txt")))
            sameInB = rows.Row(row).fullPath;
    }
    // Pasted rows: an unchanged file named twice, and what is neither a file nor a folder.
    rows.AddPastedRow(sameInB, 16, 0);
    rows.AddPastedRow(tree.Path("missing.txt"), 16, 0);
    all.push_back(rows.RowCount() - 2);
    all.push_back(rows.RowCount() - 1);
#ifndef _WIN32
    const bool fifo = mkfifo(tree.Path("pipe").c_str(), 0600) == 0;
#else
    const bool fifo = false;
#endif
    if (fifo) {
        rows.AddPastedRow(tree.Path("pipe"), 0, 0);
        all.push_back(rows.RowCount() - 1);
    }

    std::vector<TrashFailure> failures;
    const std::vector<std::size_t> gone = TrashFilesOfRows(rows, all, failures, MoveToBin);
    std::vector<std::string> goneNames, failed;
    for (const std::size_t row : gone)
        goneNames.push_back(Slashed(std::string(rows.Row(row).fullPath)).substr(tree.Root().size() + 1));
    for (const TrashFailure& failure : failures)
        failed.push_back(Slashed(failure.path).substr(tree.Root().size() + 1) + ": " + failure.reason);
    // b/same.txt went with its pasted row, and its scanned row leaves with it, with no failure.
    EXPECT_EQ(goneNames, (std::vector<std::string>{"a/link.txt", "a/same.txt", "b/same.txt", "b/same.txt"}));
    std::vector<std::string> expected = {
        "a/renamed.txt: changed since the scan", "a/grown.txt: changed since the scan",
        "a/folder.txt: changed since the scan", "missing.txt: there is no file or folder of that name"};
    if (fifo)
        expected.push_back("pipe: not a file or folder");
    EXPECT_EQ(failed.size(), expected.size());
    for (const std::string& text : expected)
        EXPECT_NE(std::find(failed.begin(), failed.end(), text), failed.end()) << text;
    EXPECT_TRUE(std::filesystem::is_directory(tree.Path("a/folder.txt")));
}

// Four groups of two, k/N.txt and p/N.txt, as the scan lists them.
void ScanPairs(CTempTree& tree, CDuplicateRows& rows)
{
    g_bin = tree.Path("bin");
    tree.MakeFolder("bin");
    for (const char* n : {"1", "2", "3", "4"}) {
        tree.Write(std::string("k/") + n + ".txt", std::string("pair ") + n);
        tree.Write(std::string("p/") + n + ".txt", std::string("pair ") + n);
    }
    CScanEngine engine;
    engine.AddFolder(tree.Path("k"));
    engine.AddFolder(tree.Path("p"));
    ScanThreadProc(&engine);
    rows.AddScanResults(engine);
}

std::vector<std::string> Names(const CTempTree& tree, const CDuplicateRows& rows,
                               const std::vector<std::size_t>& which)
{
    std::vector<std::string> names;
    for (const std::size_t row : which)
        names.push_back(Slashed(std::string(rows.Row(row).fullPath)).substr(tree.Root().size() + 1));
    std::sort(names.begin(), names.end());
    return names;
}

TEST(FileActions, AGroupGoesOnlyWhileACopyThatStaysIsUnchangedUnlessEveryRowWasChosen)
{
    CTempTree tree;
    CDuplicateRows rows;
    ScanPairs(tree, rows);
    ASSERT_EQ(rows.RowCount(), 8u);
    // After the scan the copy that was to stay goes (1) or is rewritten (2); 3 is untouched; of 4
    // both rows are chosen, whose files go whatever happened to them.
    tree.Remove("k/1.txt");
    tree.Write("k/2.txt", "pair 2 rewritten");
    std::vector<std::size_t> chosen;
    for (std::size_t row = 0; row < rows.RowCount(); ++row)
        if (Slashed(std::string(rows.Row(row).fullPath)).find("/p/") != std::string::npos ||
            rows.Row(row).fullPath.find("4.txt") != std::string_view::npos)
            chosen.push_back(row);
    std::vector<TrashFailure> failures;
    const std::vector<std::size_t> gone = TrashFilesOfRows(rows, chosen, failures, MoveToBin);
    EXPECT_EQ(Names(tree, rows, gone), (std::vector<std::string>{"k/4.txt", "p/3.txt", "p/4.txt"}));
    ASSERT_EQ(failures.size(), 2u);
    for (const TrashFailure& failure : failures)
        EXPECT_EQ(failure.reason, kNoCopyLeft) << failure.path;
    EXPECT_TRUE(std::filesystem::exists(tree.Path("p/1.txt")));
    EXPECT_TRUE(std::filesystem::exists(tree.Path("p/2.txt")));
}

TEST(FileActions, APastedRowChosenWithTheCopiesThatWouldStayCountsThemAsGoing)
{
    CTempTree tree;
    CDuplicateRows rows;
    ScanPairs(tree, rows);
    // Ctrl+D's choice (the p/ copies; the k/ ones stay), chosen in one Delete with the pasted folder
    // of the k/ copies and one of them pasted by name, which the scanned rows come before.
    rows.AddPastedRow(tree.Path("k/1.txt"), 7, 0);
    rows.AddPastedRow(tree.Path("k"), 0, 0, true);
    std::vector<std::size_t> chosen;
    for (std::size_t row = 0; row < rows.RowCount(); ++row)
        if (Slashed(std::string(rows.Row(row).fullPath)).find("/p/") != std::string::npos)
            chosen.push_back(row);
    chosen.push_back(rows.RowCount() - 2);
    chosen.push_back(rows.RowCount() - 1);
    std::vector<TrashFailure> failures;
    TrashTotals totals;
    const std::vector<std::size_t> gone =
        TrashFilesOfRows(rows, chosen, failures, MoveToBin, nullptr, &totals);
    EXPECT_EQ(failures.size(), 4u); // every p/ copy stays: the other copy of its group went with k
    for (const char* n : {"1", "2", "3", "4"})
        EXPECT_TRUE(std::filesystem::exists(tree.Path(std::string("p/") + n + ".txt"))) << n;
    EXPECT_EQ(Names(tree, rows, gone),
              (std::vector<std::string>{"k", "k/1.txt", "k/1.txt", "k/2.txt", "k/3.txt", "k/4.txt"}));
    EXPECT_EQ(totals.files, 4u); // each listed file once; the folder is no file of its own
}

TEST(FileActions, APastedFolderThatWentTakesTheRowsUnderItAndNoRuleKeepsThem)
{
    CTempTree tree;
    CDuplicateRows rows;
    ScanPairs(tree, rows);
    // The folder of the copies a rule would keep is pasted and deleted first.
    rows.AddPastedRow(tree.Path("k"), 0, 0, true);
    std::vector<TrashFailure> failures;
    const std::vector<std::size_t> gone = TrashFilesOfRows(rows, {rows.RowCount() - 1}, failures, MoveToBin);
    EXPECT_TRUE(failures.empty());
    EXPECT_EQ(Names(tree, rows, gone),
              (std::vector<std::string>{"k", "k/1.txt", "k/2.txt", "k/3.txt", "k/4.txt"}));
    // Were they still listed, the rule would keep the copies that are left, not the rows of gone files.
    CRowSelection selection;
    selection.SetRowCount(rows.RowCount());
    SelectDuplicates(rows, EKeepRule::First, "", selection);
    EXPECT_EQ(Names(tree, rows, selection.Rows()),
              (std::vector<std::string>{"k/1.txt", "k/2.txt", "k/3.txt", "k/4.txt"}));
    rows.RemoveRows(gone);
    selection.SetRowCount(rows.RowCount());
    SelectDuplicates(rows, EKeepRule::First, "", selection);
    EXPECT_TRUE(selection.Empty());
}

TEST(FileActions, AFolderReplacedByALinkToItsCopiesKeepsTheLastCopies)
{
    CTempTree tree;
    g_bin = tree.Path("bin");
    tree.MakeFolder("bin");
    tree.Write("t/a/x.txt", "copy");
    tree.Write("t/b/x.txt", "copy");
    tree.Write("u/x.txt", "copy");
    CDuplicateRows rows;
    {
        CScanEngine engine;
        engine.AddFolder(tree.Path("t"));
        ScanThreadProc(&engine);
        rows.AddScanResults(engine);
    }
    ASSERT_EQ(rows.RowCount(), 2u);
    // A link-making deduplicator replaces a/ by a link to b/; or a/ now leads somewhere never scanned.
    for (const char* target : {"t/b", "u"}) {
        SCOPED_TRACE(target);
        std::filesystem::remove_all(tree.Path("t/a"));
        if (!tree.SymLink(tree.Path(target), "t/a"))
            GTEST_SKIP() << "the system will not make a link to a folder";
        std::vector<TrashFailure> failures;
        EXPECT_TRUE(
            TrashFilesOfRows(rows, RowsInFolder(rows, tree.Path("t/a")), failures, MoveToBin).empty());
        ASSERT_EQ(failures.size(), 1u);
        EXPECT_EQ(failures[0].reason, kChangedSinceScan);
        EXPECT_TRUE(std::filesystem::exists(tree.Path(target) + "/x.txt"));
    }
}

// Groups of copies a/N.txt, b/N.txt, c/N.txt (and d/N.txt), as the scan lists them, and the scanned row of
// each path.
std::map<std::string, std::size_t> ScanCopies(CTempTree& tree, CDuplicateRows& rows, int groups,
                                              int copies = 3)
{
    const std::vector<std::string> folders = {"a", "b", "c", "d"};
    for (int n = 1; n <= groups; ++n)
        for (int c = 0; c < copies; ++c)
            tree.Write(folders[c] + "/" + std::to_string(n) + ".txt", "copy number " + std::to_string(n));
    CScanEngine engine;
    for (int c = 0; c < copies; ++c)
        engine.AddFolder(tree.Path(folders[c]));
    ScanThreadProc(&engine);
    rows.AddScanResults(engine);
    std::map<std::string, std::size_t> rowOf;
    for (std::size_t row = 0; row < rows.RowCount(); ++row)
        rowOf[Slashed(std::string(rows.Row(row).fullPath)).substr(tree.Root().size() + 1)] = row;
    return rowOf;
}

TEST(FileActions, AKeptCopyPastedUnderAnotherSpellingGoesAsThatFileAndItsGroupKeepsTheOtherCopy)
{
    if (kWindows)
        GTEST_SKIP() << "a doubled separator and a link to a folder are POSIX spellings";
    CTempTree tree;
    CDuplicateRows rows;
    g_bin = tree.Path("bin");
    tree.MakeFolder("bin");
    std::map<std::string, std::size_t> rowOf = ScanCopies(tree, rows, 2, 2);
    ASSERT_TRUE(tree.SymLink(tree.Path("a"), "L"));
    // Ctrl+D keeps a/N.txt; a/1.txt and a/2.txt are pasted under other spellings and chosen too.
    std::vector<std::size_t> chosen = {rowOf["b/1.txt"], rowOf["b/2.txt"], rows.RowCount(),
                                       rows.RowCount() + 1};
    rows.AddPastedPaths({tree.Path("a") + "//1.txt", tree.Path("L/2.txt")});
    std::vector<TrashFailure> failures;
    const std::vector<std::size_t> gone = TrashFilesOfRows(rows, chosen, failures, MoveToBin);
    EXPECT_TRUE(std::filesystem::exists(tree.Path("b/1.txt")));
    EXPECT_TRUE(std::filesystem::exists(tree.Path("b/2.txt")));
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_EQ(failures[0].reason, kNoCopyLeft);
    // The listed rows of the files that went leave with their pasted rows.
    EXPECT_EQ(Names(tree, rows, gone),
              (std::vector<std::string>{"L/2.txt", "a//1.txt", "a/1.txt", "a/2.txt"}));
}

#ifndef _WIN32

// `source` seen through bindfs at `mountPoint`, a view whose files show another device, until the end.
class CBindView
{
public:
    CBindView(const std::string& source, const std::string& mountPoint) : m_mountPoint(mountPoint)
    {
        if (std::system("command -v bindfs >/dev/null 2>&1") != 0)
            m_problem = "bindfs is not installed";
        else if (std::system(("bindfs '" + source + "' '" + mountPoint + "' 2>/dev/null").c_str()) != 0)
            m_problem = "bindfs could not mount (it needs /dev/fuse and the right to mount)";
    }
    ~CBindView()
    {
        if (m_problem.empty())
            umount2(m_mountPoint.c_str(), MNT_DETACH);
    }
    const std::string& Problem() const { return m_problem; }

private:
    std::string m_mountPoint;
    std::string m_problem;
};

TEST(FileActions, AFolderListedWithAViewOfItKeepsItsGroupsKeptCopyThroughEveryMove)
{
    CTempTree tree;
    const CScopedEnvironment home("HOME", tree.Path("home"));
    const CScopedEnvironment data("XDG_DATA_HOME", tree.Path("home/data"));
    tree.Write("x/p.txt", "one text");
    tree.Write("x/q.txt", "one text");
    tree.MakeFolder("view");
    const CBindView view(tree.Path("x"), tree.Path("view"));
    if (!view.Problem().empty())
        GTEST_SKIP() << view.Problem();
    CDuplicateRows rows;
    {
        CScanEngine engine;
        engine.AddFolder(tree.Path("x"));
        engine.AddFolder(tree.Path("view"));
        ScanThreadProc(&engine);
        rows.AddScanResults(engine);
    }
    ASSERT_EQ(rows.RowCount(), 4u); // two files, each seen twice
    CRowSelection selection;
    selection.SetRowCount(rows.RowCount());
    SelectDuplicates(rows, EKeepRule::First, "", selection);
    std::vector<TrashFailure> failures;
    TrashFilesOfRows(rows, selection.Rows(), failures, platform::MoveToTrash, nullptr, nullptr,
                     platform::PutBackFromTrash);
    EXPECT_TRUE(StillScannedFile(rows.Row(0))) << rows.Row(0).fullPath; // the copy the group keeps
}

#endif

// Other bytes of the same size written into the file itself, its last-write time put back: what the
// scan's stamp cannot see. False where the file no longer matches the stamp all the same (Wine keeps
// the time only to its own unit).
bool RewriteInPlaceKeepingTime(const CTempTree& tree, const std::string& relative,
                               const platform::FileStamp& stamp)
{
    const std::filesystem::path path = tree.Path(relative);
    const auto time = std::filesystem::last_write_time(path);
    {
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(0);
        file.put('X');
    }
    std::filesystem::last_write_time(path, time);
    return platform::StillSame(tree.Path(relative), stamp);
}

bool SameFile(const CTempTree& tree, const std::string& one, const std::string& other)
{
    return std::filesystem::equivalent(tree.Path(one), tree.Path(other));
}

TEST(FilePlan, ALinkIsMadeToTheCopyTheFirstRuleKeepsAndEveryRefusalKeepsItsFileAndSaysWhy)
{
    CTempTree tree;
    CDuplicateRows rows;
    std::map<std::string, std::size_t> rowOf = ScanCopies(tree, rows, 5);
    ASSERT_EQ(rows.RowCount(), 15u);
    // After the scan: group 1's first copy rewritten, so both the rule and the plan keep b/1; c/2, and
    // group 4's kept copy a/4, rewritten in place with their old size and time, which only the byte
    // comparison sees; every row of group 3 given; b/5 pasted by name too, and a name that is nothing.
    tree.Write("a/1.txt", "copy number 1, now other");
    for (const char* name : {"c/2.txt", "a/4.txt"})
        if (!RewriteInPlaceKeepingTime(tree, name, rows.Row(rowOf[name]).Stamp()))
            GTEST_SKIP() << "the system did not keep a rewritten file's last-write time";
    rows.AddPastedRow(std::string(rows.Row(rowOf["b/5.txt"]).fullPath), 13, 0);
    rows.AddPastedRow(tree.Path("elsewhere"), 13, 0);
    CRowSelection selection;
    selection.SetRowCount(rows.RowCount());
    SelectDuplicates(rows, EKeepRule::First, "", selection);
    selection.Select(rowOf["a/3.txt"]);
    selection.Select(rows.RowCount() - 2);
    selection.Select(rows.RowCount() - 1);

    FilePlan plan = PlanFileAction(rows, selection.Rows(), EFileAction::HardLink);
    ASSERT_EQ(plan.size(), 6u); // five groups, then the pasted rows' run
    EXPECT_EQ(plan.back().group, -1);
    const FileActionReport report = RunFilePlan(rows, plan, {nullptr, platform::ReplaceWithCopyOf});

    const std::string kept[] = {"b/1.txt", "a/2.txt", "", "a/4.txt",
                                "a/5.txt"}; // per group; "" where none is
    for (const auto& [name, row] : rowOf)
        for (std::size_t g = 0; g < 5; ++g)
            for (const FileOperation& operation : plan[g].operations) {
                // a/1 failed its own check before a kept copy was asked for.
                if (operation.row != row || name == "a/1.txt")
                    continue;
                const std::string& expected = kept[name[2] - '1'];
                EXPECT_EQ(operation.kept, expected.empty() ? CRowSelection::npos : rowOf[expected]) << name;
            }
    EXPECT_TRUE(SameFile(tree, "c/1.txt", "b/1.txt"));
    EXPECT_TRUE(SameFile(tree, "b/2.txt", "a/2.txt"));
    EXPECT_TRUE(SameFile(tree, "b/5.txt", "a/5.txt"));
    EXPECT_TRUE(SameFile(tree, "c/5.txt", "a/5.txt"));
    EXPECT_EQ(std::filesystem::hard_link_count(tree.Path("a/5.txt")), 3u);
    // b/5 is replaced once, through its scanned row: its pasted row leaves with it, with no warning.
    EXPECT_EQ(Names(tree, rows, report.gone),
              (std::vector<std::string>{"b/2.txt", "b/5.txt", "b/5.txt", "c/1.txt", "c/5.txt"}));
    EXPECT_EQ(report.files, 4u);

    std::vector<std::string> failed;
    for (const FileFailure& failure : report.failures)
        failed.push_back(Slashed(failure.path).substr(tree.Root().size() + 1) + ": " + failure.reason);
    std::sort(failed.begin(), failed.end());
    const std::string differ = ": its bytes now differ from the kept copy's";
    EXPECT_EQ(failed, (std::vector<std::string>{
                          "a/1.txt: changed since the scan", "a/3.txt: " + std::string(kNoKeptCopy),
                          "b/3.txt: " + std::string(kNoKeptCopy), "b/4.txt" + differ, "c/2.txt" + differ,
                          "c/3.txt: " + std::string(kNoKeptCopy), "c/4.txt" + differ,
                          "elsewhere: " + std::string(kPastedRow)}));
    for (const char* whole : {"a/1.txt", "c/2.txt", "a/3.txt", "b/4.txt", "c/4.txt"})
        EXPECT_EQ(std::filesystem::hard_link_count(tree.Path(whole)), 1u) << whole;
}

TEST(FilePlan, AKeptCopyChangedDuringTheRunGivesWayToTheNextAndAStopLeavesTheRestUntouched)
{
    CTempTree tree;
    CDuplicateRows rows;
    std::map<std::string, std::size_t> rowOf = ScanCopies(tree, rows, 3, 4);
    ASSERT_EQ(rows.RowCount(), 12u);
    // c/N and d/N are given. Before d/1 is replaced, the copy that c/1 was linked to, a/1, is replaced
    // by other bytes under its name: d/1 goes to b/1 instead. The run stops before c/3.
    const std::vector<std::size_t> which = {rowOf["c/1.txt"], rowOf["d/1.txt"], rowOf["c/2.txt"],
                                            rowOf["d/2.txt"], rowOf["c/3.txt"], rowOf["d/3.txt"]};
    FilePlan plan = PlanFileAction(rows, which, EFileAction::HardLink);
    std::vector<std::size_t> asked;
    const auto progress = [&](std::size_t done, std::size_t total) {
        EXPECT_EQ(total, which.size());
        asked.push_back(done);
        if (done == 1) {
            tree.Write("other", "copy number 9");
            EXPECT_TRUE(tree.RenameOver("other", "a/1.txt"));
        }
        return done < 4;
    };
    const FileActionReport report = RunFilePlan(rows, plan, {nullptr, platform::ReplaceWithCopyOf}, progress);
    EXPECT_EQ(asked, (std::vector<std::size_t>{0, 1, 2, 3, 4}));
    EXPECT_TRUE(report.failures.empty());
    EXPECT_EQ(Names(tree, rows, report.gone),
              (std::vector<std::string>{"c/1.txt", "c/2.txt", "d/1.txt", "d/2.txt"}));
    EXPECT_EQ(report.files, 4u);
    EXPECT_GT(report.bytes, 0u);
    EXPECT_EQ(plan[0].operations[0].kept, rowOf["a/1.txt"]);
    EXPECT_EQ(plan[0].operations[1].kept, rowOf["b/1.txt"]);
    EXPECT_TRUE(SameFile(tree, "d/1.txt", "b/1.txt"));
    EXPECT_TRUE(SameFile(tree, "d/2.txt", "a/2.txt"));
    for (const char* untouched : {"c/3.txt", "d/3.txt"}) {
        EXPECT_EQ(std::filesystem::hard_link_count(tree.Path(untouched)), 1u) << untouched;
        EXPECT_EQ(plan[2].operations[untouched[0] == 'c' ? 0 : 1].kept, CRowSelection::npos);
    }
}

TEST(EntryFacts, ANameMustMatchExactlyAndAFolderHasNoSize)
{
    CTempTree tree;
    tree.Write("x.txt", "12345");
    tree.MakeFolder("sub");
    platform::EntryFacts facts;
    ASSERT_TRUE(platform::LookUpEntry(tree.Path("x.txt"), facts));
    EXPECT_FALSE(facts.isFolder);
    EXPECT_EQ(facts.size, 5);
    EXPECT_GT(facts.modified, 0);
    ASSERT_TRUE(platform::LookUpEntry(tree.Path("sub"), facts));
    EXPECT_TRUE(facts.isFolder);
    EXPECT_EQ(facts.size, 0);
    // Some systems drop a trailing space or dot from a name; a pasted line names what it says.
    EXPECT_FALSE(platform::LookUpEntry(tree.Path("x.txt "), facts));
    EXPECT_FALSE(platform::LookUpEntry(tree.Path("x.txt."), facts));
    EXPECT_FALSE(platform::LookUpEntry(tree.Path("missing"), facts));
    EXPECT_FALSE(platform::LookUpEntry("", facts));
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A shell and the parameters that make it run `command`.
std::pair<std::string, std::string> Shell(const std::string& command)
{
    return kWindows ? std::pair<std::string, std::string>{"cmd", "/c " + command}
                    : std::pair<std::string, std::string>{"sh", "-c '" + command + "'"};
}

TEST(ShellExecute, AProgramRunsInItsFolderAndItsExitCodeIsKept)
{
    CTempTree tree;
    tree.MakeFolder("work");
    CShellExecute shell;
    shell.m_directory = tree.Path("work");
    const auto [program, parameters] = Shell("echo here> out.txt && exit 7");
    ASSERT_TRUE(shell.Run(program, parameters, true)) << shell.m_errorText;
    EXPECT_EQ(shell.m_exitCode, 7u);
    EXPECT_EQ(shell.m_info.process, 0);
    EXPECT_NE(ReadAll(tree.Path("work/out.txt")).find("here"), std::string::npos);

    CShellExecute missing;
    EXPECT_FALSE(missing.Run(tree.Path("no-such-program"), "", true));
    EXPECT_EQ(missing.m_errorText, "ShellExecuteEx failed");
}

TEST(ShellExecute, AProcessThatOutlivesItsTimeoutIsEnded)
{
    CTempTree tree;
    CShellExecute shell;
    shell.m_timeoutSeconds = 1;
    shell.m_directory = tree.Root();
    // Started directly, not through a shell, so that ending it leaves no child of its own behind.
    // The timeout text is set only when the process was really ended.
    EXPECT_FALSE(kWindows ? shell.Run("ping", "-n 120 127.0.0.1", true) : shell.Run("sleep", "120", true));
    EXPECT_EQ(shell.m_errorText, "WAIT_TIMEOUT interval exceeding - process terminated");
    EXPECT_NE(shell.m_info.process, 0); // released with the object
}

} // namespace
