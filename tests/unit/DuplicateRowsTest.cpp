// The duplicates list's rows: group colours, column texts, removal.
#include "views/DuplicateRows.h"

#include "engine/FileItem.h"
#include "platform/FileTypes.h"
#include "platform/Path.h"
#include "tests/support/ScanRun.h"
#include "tests/support/ScopedState.h"
#include "tests/support/TempTree.h"
#include "views/FileActions.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

std::vector<int> ColorIndexes(const CDuplicateRows& rows)
{
    std::vector<int> indexes;
    for (std::size_t i = 0; i < rows.RowCount(); ++i)
        indexes.push_back(static_cast<int>(
            std::find(std::begin(GroupColors), std::end(GroupColors), rows.Row(i).backColor) -
            std::begin(GroupColors)));
    return indexes;
}

TEST(DuplicateRows, ColoursCycleOnEverySeparatorAndAreNeverReset)
{
    CDuplicateRows rows;
    for (int group = 0; group < 4; ++group) {
        rows.AddPastedRow("/g" + std::to_string(group) + "/a.txt", 1, 0);
        rows.AddPastedRow("/g" + std::to_string(group) + "/b.txt", 1, 0);
        rows.AddGroupSeparator();
    }
    EXPECT_EQ(ColorIndexes(rows), (std::vector<int>{0, 0, 1, 1, 2, 2, 0, 0}));
    EXPECT_EQ(rows.ColorIndex(), 1);

    // A refill keeps the index going, and pasted rows take the current colour without moving it.
    rows.DeleteAllRows();
    rows.FreeRowRecords();
    rows.AddPastedRow("/pasted.txt", 1, 0);
    rows.AddPastedRow("/next/a.txt", 1, 0);
    rows.AddGroupSeparator();
    EXPECT_EQ(ColorIndexes(rows), (std::vector<int>{1, 1}));
    EXPECT_EQ(rows.ColorIndex(), 2);
}

TEST(DuplicateRows, FileAndLocationSplitAsTheShellDoes)
{
    // A file in the root folder must not share the relative names' empty Location, or Delete All
    // in Folder would take both; a drive's root has its "C:".
    const char* const root = platform::kPathSeparator == '/' ? "/" : "";
    const struct
    {
        const char* path;
        const char* file;
        const char* location;
    } rows[] = {
        {"/home/u/x.txt", "x.txt", "/home/u"},
        {"/x.txt", "x.txt", root},
        {"//x.txt", "x.txt", root},
        {"x.txt", "x.txt", ""},
        {"/a//b.txt", "b.txt", "/a"},
        {"/a/dir/", "dir/", "/a"},
        {"", "", ""},
        {"c:x", "c:x", ""}, // a colon is an ordinary character here
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(FileText(row.path), row.file);
        EXPECT_EQ(LocationText(row.path), row.location);
    }
    CDuplicateRows tip;
    tip.AddPastedRow("/x.txt", 1, 0);
    EXPECT_EQ(Slashed(tip.TipText(0)), "/x.txt");
}

TEST(DuplicateRows, CellTextsAndTheTip)
{
    const CScopedEnvironment utc("TZ", "UTC0");
    CDuplicateRows rows;
    rows.AddPastedRow("/srv/data/report.txt", 1234567, 1236265629); // 2009-03-05 15:07:09 UTC
    rows.AddPastedRow("/srv/data/neg.bin", -5, -315619200);
    EXPECT_EQ(rows.CellText(0, EColumn::File), "report.txt");
    EXPECT_EQ(rows.CellText(0, EColumn::Location), "/srv/data");
    EXPECT_EQ(rows.CellText(0, EColumn::Size), "1234567");
    EXPECT_EQ(rows.CellText(0, EColumn::Modified), "05 Mar 2009 15:07:09");
    EXPECT_EQ(rows.CellText(1, EColumn::Size), "-5");
    // Times before 1970 are shown where the system's calendar takes them, and left empty elsewhere.
    const std::string before1970 = rows.CellText(1, EColumn::Modified);
    EXPECT_TRUE(before1970 == "01 Jan 1960 00:00:00" ||
                (platform::kPathSeparator != '/' && before1970.empty()));
    EXPECT_EQ(Slashed(rows.TipText(0)), "/srv/data/report.txt");
    EXPECT_EQ(ModifiedText(INT64_MAX), "");
}

TEST(DuplicateRows, AnEmptyPathAsTheFirstRowIsARowLikeAnyOther)
{
    CDuplicateRows rows;
    rows.AddPastedRow("", 0, 0);
    rows.AddPastedRow("/next", 1, 0);
    ASSERT_EQ(rows.RowCount(), 2u);
    EXPECT_EQ(rows.Row(0).fullPath, "");
    EXPECT_EQ(rows.CellText(0, EColumn::File), "");
    EXPECT_EQ(rows.Row(1).fullPath, "/next");
}

TEST(DuplicateRows, APastedRelativeNameIsARowInTheCurrentFolderAndNeverSharesTheRootsFolder)
{
    CTempTree tree;
    tree.Write("a.txt", "x");
    const CScopedCurrentFolder here(tree.Root());
    const std::string root =
        platform::kPathSeparator == '/' ? "/" : tree.Root().substr(0, 3); // a drive's root there
    CDuplicateRows rows;
    rows.AddPastedPaths({root, "a.txt", "missing.txt"});
    ASSERT_EQ(rows.RowCount(), 2u);
    EXPECT_EQ(rows.Row(1).fullPath, platform::JoinPath(tree.Root(), "a.txt"));
    EXPECT_EQ(rows.CellText(1, EColumn::Location), tree.Root());
    // Delete All in Folder on the root's row takes that row alone, not a file of the current folder.
    EXPECT_EQ(RowsInFolder(rows, rows.CellText(0, EColumn::Location)), std::vector<std::size_t>{0});
}

TEST(DuplicateRows, TheTypeIsThatOfEachWholeName)
{
    // The type guess reads the whole name: a shared last extension must not share the type.
    const char* names[] = {"/x/a.tar.gz", "/y/b.gz", "/z/Makefile", "/z/c.txt", "/w/makefile.txt"};
    CDuplicateRows rows;
    for (const char* name : names)
        rows.AddPastedRow(name, 1, 0);
    for (std::size_t i = 0; i < std::size(names); ++i)
        EXPECT_EQ(rows.CellText(i, EColumn::Type), platform::FileTypeName(names[i])) << names[i];
}

TEST(DuplicateRows, RemovingRowsKeepsTheOthersInOrder)
{
    CDuplicateRows rows;
    for (const char* path : {"/a", "/b", "/c", "/d", "/e"})
        rows.AddPastedRow(path, 1, 0);
    rows.RemoveRows({4, 1, 1});
    ASSERT_EQ(rows.RowCount(), 3u);
    EXPECT_EQ(rows.Row(0).fullPath, "/a");
    EXPECT_EQ(rows.Row(1).fullPath, "/c");
    EXPECT_EQ(rows.Row(2).fullPath, "/d");
}

TEST(DuplicateRows, LongPathsKeepTheirBytes)
{
    CDuplicateRows rows;
    const std::string longPath = "/" + std::string(3u << 20, 'x');
    rows.AddPastedRow("/short", 1, 0);
    rows.AddPastedRow(longPath, 1, 0);
    rows.AddPastedRow("/after", 1, 0);
    EXPECT_EQ(rows.Row(0).fullPath, "/short");
    EXPECT_EQ(rows.Row(1).fullPath, longPath);
    EXPECT_EQ(rows.Row(2).fullPath, "/after");
}

} // namespace
