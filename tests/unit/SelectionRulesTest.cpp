// Cleanup by rule on the rows alone: which rows each rule picks, and what a selection holds.
#include "views/SelectionRules.h"

#include "engine/FileItem.h"
#include "platform/Path.h"

#include <gtest/gtest.h>

#include <iterator>
#include <set>
#include <string_view>

namespace {

// Three groups of 2, 3 and 5 rows, then a group left with one row, then two pasted rows.
void MakeRows(CDuplicateRows& rows)
{
    struct Row
    {
        const char* path; // "" ends a group
        std::int64_t modified;
    };
    const Row table[] = {
        {"/pics/a.jpg", 300},
        {"/backup/a.jpg", 100},
        {"", 0},
        {"/backup/bb.jpg", 50},
        {"/pics/bb.jpg", 50},
        {"/x/bb.jpg", 70},
        {"", 0},
        {"/x/c.jpg", 10},
        {"/pics/c.jpg", 90},
        {"/backup/old/c.jpg", 5},
        {"/backup/c.jpg", 90},
        {"/y/c.jpg", 5},
        {"", 0},
        {"/pics/alone.jpg", 1},
        {"", 0},
    };
    std::uint64_t file = 0;
    for (const Row& row : table) {
        if (*row.path == '\0')
            rows.AddGroupSeparator();
        else
            rows.AddScannedRow(row.path, row.modified, platform::FileStamp{{1, ++file}, 1000, row.modified});
    }
    rows.AddPastedRow("/pics/pasted.jpg", 1000, 0);
    rows.AddPastedRow("/backup/pasted.jpg", 1000, 0);
}

TEST(SelectionRules, EachRuleKeepsOneCopyOrTheFolderAndNeverAGroupsLastRowOrAPastedRow)
{
    CDuplicateRows rows;
    MakeRows(rows);
    ASSERT_EQ(rows.RowCount(), 13u);
    EXPECT_EQ(rows.Row(0).group, rows.Row(1).group);
    EXPECT_NE(rows.Row(1).group, rows.Row(2).group);
    EXPECT_EQ(rows.Row(12).group, -1);

    const struct
    {
        EKeepRule rule;
        const char* folder;
        std::vector<std::size_t> selected;
    } cases[] = {
        {EKeepRule::First, "", {1, 3, 4, 6, 7, 8, 9}},
        {EKeepRule::Oldest, "", {0, 3, 4, 5, 6, 8, 9}}, // a tie keeps the higher row
        {EKeepRule::Newest, "", {1, 2, 3, 5, 7, 8, 9}},
        {EKeepRule::ShortestPath, "", {1, 2, 3, 6, 7, 8, 9}},
        {EKeepRule::InFolder, "/backup", {0, 3, 4, 5, 6, 7, 9}}, // its subfolder is another folder
        {EKeepRule::InFolder, "/pics", {1, 2, 4, 5, 7, 8, 9}},
        {EKeepRule::InFolder, "/nowhere", {}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(static_cast<int>(row.rule));
        SCOPED_TRACE(row.folder);
        CRowSelection selection;
        selection.SetRowCount(rows.RowCount());
        selection.SelectAll(); // replaced, not added to
        SelectDuplicates(rows, row.rule, row.folder, selection, [](const RowRecord&) { return true; });
        EXPECT_EQ(selection.Rows(), row.selected);
    }
}

TEST(SelectionRules, ARuleKeepsTheNextCopyInItsOrderWhoseFileIsUnchangedOrLeavesTheGroupAlone)
{
    CDuplicateRows rows;
    MakeRows(rows);
    // The files of these rows changed since the scan: the first group has no unchanged copy left.
    const std::set<std::string_view> changed = {"/pics/a.jpg", "/backup/a.jpg", "/backup/bb.jpg",
                                                "/backup/old/c.jpg", "/pics/c.jpg"};
    const auto unchanged = [&changed](const RowRecord& record) {
        return changed.count(record.fullPath) == 0;
    };
    const struct
    {
        EKeepRule rule;
        const char* folder;
        std::vector<std::size_t> selected;
    } cases[] = {
        {EKeepRule::First, "", {2, 4, 6, 7, 8, 9}},        // keeps /pics/bb.jpg and /x/c.jpg
        {EKeepRule::Oldest, "", {2, 4, 5, 6, 7, 8}},       // /backup/old/c.jpg changed: /y/c.jpg, as old
        {EKeepRule::ShortestPath, "", {2, 3, 6, 7, 8, 9}}, // /x/bb.jpg, then /x/c.jpg
        {EKeepRule::InFolder, "/backup", {5, 6, 7, 9}},    // only /backup/c.jpg is there unchanged
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(static_cast<int>(row.rule));
        CRowSelection selection;
        selection.SetRowCount(rows.RowCount());
        SelectDuplicates(rows, row.rule, row.folder, selection, unchanged);
        EXPECT_EQ(selection.Rows(), row.selected);
    }
    // What the pane says of a rule's selection, and of one that selected nothing.
    CRowSelection selection;
    selection.SetRowCount(rows.RowCount());
    const std::size_t groups = SelectDuplicates(rows, EKeepRule::First, "", selection, unchanged);
    EXPECT_EQ(RuleSummaryText(rows, selection, groups, EKeepRule::First, ""),
              "6 files selected, 6.0 KB in 2 groups");
    const struct
    {
        EKeepRule rule;
        const char* folder;
        const char* text;
    } nothing[] = {
        {EKeepRule::UnderFolder, "/nowhere", "No group has a copy under /nowhere"},
        {EKeepRule::InFolder, "/nowhere", "No group has a copy in /nowhere"},
        {EKeepRule::Newest, "/nowhere", "No duplicates to select"},
        {EKeepRule::UnderFolder, "/", "Every copy is under /, so there is nothing outside it to select"},
        {EKeepRule::UnderFolder, "/pics", "No copy under /pics is unchanged since the scan"}};
    for (const auto& row : nothing) {
        EXPECT_EQ(
            SelectDuplicates(rows, row.rule, row.folder, selection, [](const RowRecord&) { return false; }),
            0u);
        EXPECT_EQ(RuleSummaryText(rows, selection, 0, row.rule, row.folder), row.text);
    }
    // Keep Those Under a Folder names the folder kept, cut from its middle where the pane is narrow.
    const std::size_t under =
        SelectDuplicates(rows, EKeepRule::UnderFolder, "/backup/", selection, unchanged);
    const std::string said = "3 files selected, 3.0 KB in 1 group, keeping those under ";
    EXPECT_EQ(RuleSummaryText(rows, selection, under, EKeepRule::UnderFolder, "/backup/"), said + "backup");
    const MessageFit narrow{static_cast<int>(said.size()) + 5,
                            [](std::string_view text) { return static_cast<int>(text.size()); }};
    EXPECT_EQ(RuleSummaryText(rows, selection, under, EKeepRule::UnderFolder, "/backup/", narrow),
              said + "b" + kEllipsis + "p");
}

TEST(SelectionRules, AFolderHoldsWhatLiesUnderItByWholeNamesInThisSystemsPathStyle)
{
    const bool windows = platform::kPathSeparator == '\\';
    const struct
    {
        const char* path;
        const char* folder;
        bool under;
    } posix[] = {{"/a/b/x.jpg", "/a/b", true},   {"/a/b/c/d/x.jpg", "/a/b/", true},
                 {"/a/bc/x.jpg", "/a/b", false}, {"/a/b", "/a/b", true},
                 {"/x.jpg", "/", true},          {"/A/b/x.jpg", "/a/b", false},
                 {"/a/b\\x.jpg", "/a/b", false}, {"/a/x.jpg", "", false}},
      win32[] = {{"C:\\a\\b\\x.jpg", "C:\\a\\b", true},
                 {"C:\\a\\bc\\x.jpg", "C:\\a\\b", false},
                 {"c:\\A\\B\\x.jpg", "C:\\a\\b\\", true},
                 {"C:/a/b/x.jpg", "C:\\a\\b", true},
                 {"C:\\x.jpg", "C:\\", true},
                 {"D:\\a\\b\\x.jpg", "C:\\a\\b", false}};
    for (const auto& row : windows ? std::vector(std::begin(win32), std::end(win32))
                                   : std::vector(std::begin(posix), std::end(posix)))
        EXPECT_EQ(IsAtOrUnder(row.path, row.folder), row.under) << row.path << " in " << row.folder;

    // The picker opens at the listed folder holding the current row, else at the row's own folder.
    const std::string sep(1, platform::kPathSeparator);
    const std::vector<std::string> listed = {sep + "pics", sep + "backup"};
    EXPECT_EQ(UnderFolderStart(listed, sep + "backup" + sep + "2020" + sep + "a.jpg", "x"), sep + "backup");
    EXPECT_EQ(UnderFolderStart(listed, sep + "other" + sep + "a.jpg", "x"), sep + "other");
    EXPECT_EQ(UnderFolderStart(listed, "", "x"), sep + "pics"); // no current row: the first listed
    EXPECT_EQ(UnderFolderStart({}, "", "x"), "x");
}

TEST(SelectionRules, TheSummaryCountsTheFilesAndTheirSizeInDesktopUnits)
{
    const struct
    {
        std::uint64_t bytes;
        const char* text;
    } sizes[] = {{0, "0 bytes"},      {1, "1 byte"},          {999, "999 bytes"},
                 {1000, "1.0 KB"},    {999949, "999.9 KB"},   {999950, "1.0 MB"},
                 {1234567, "1.2 MB"}, {5000000000, "5.0 GB"}, {2500000000000, "2.5 TB"}};
    for (const auto& size : sizes)
        EXPECT_EQ(SizeText(size.bytes), size.text);

    CDuplicateRows rows;
    MakeRows(rows);
    CRowSelection selection;
    selection.SetRowCount(rows.RowCount());
    EXPECT_EQ(SelectionSummaryText(rows, selection), "");
    selection.Select(4);
    EXPECT_EQ(SelectionSummaryText(rows, selection), "1 file selected, 1.0 KB");
    selection.SelectRange(0, 2);
    EXPECT_EQ(SelectionSummaryText(rows, selection), "4 files selected, 4.0 KB");
}

} // namespace
