// What a screen reader is told of a row's group: its place among the groups the list shows.
#include "views/RowGroups.h"

#include <gtest/gtest.h>

namespace {

// Two groups of three and two rows, then a pasted row, which belongs to none.
void FillRows(CDuplicateRows& rows)
{
    for (const char* path : {"/a/1", "/b/1", "/c/1"})
        rows.AddScannedRow(path, 0, {});
    rows.AddGroupSeparator();
    for (const char* path : {"/a/2", "/b/2"})
        rows.AddScannedRow(path, 0, {});
    rows.AddGroupSeparator();
    rows.AddPastedRow("/pasted", 1, 0);
}

std::vector<std::string> Texts(const CDuplicateRows& rows)
{
    CRowGroups groups;
    groups.Read(rows);
    std::vector<std::string> texts;
    for (std::size_t row = 0; row < rows.RowCount(); ++row)
        texts.push_back(GroupPositionText(groups.Find(row)));
    return texts;
}

TEST(RowGroups, EachRowIsTheCopyOfItsGroupAmongTheGroupsShown)
{
    CDuplicateRows rows;
    FillRows(rows);
    EXPECT_EQ(Texts(rows), (std::vector<std::string>{"group 1 of 2, copy 1 of 3", "group 1 of 2, copy 2 of 3",
                                                     "group 1 of 2, copy 3 of 3", "group 2 of 2, copy 1 of 2",
                                                     "group 2 of 2, copy 2 of 2", "pasted, in no group"}));

    // Rows that leave take their places with them: a group gone whole is no longer counted.
    rows.RemoveRows({0, 1, 2, 4});
    EXPECT_EQ(Texts(rows), (std::vector<std::string>{"group 1 of 1, copy 1 of 1", "pasted, in no group"}));
}

TEST(RowGroups, CountsHaveTheirThousandsSeparated)
{
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "0"}, {999, "999"}, {1000, "1,000"}, {1700, "1,700"}, {1234567, "1,234,567"}};
    for (const auto& [count, text] : cases)
        EXPECT_EQ(CountText(count), text) << count;
}

} // namespace
