// The duplicates list's own selection: single rows, ranges across word edges, counts, reading in
// order, and the rows that stay selected where they now are after rows are removed.
#include "views/RowSelection.h"

#include <gtest/gtest.h>

#include <random>

namespace {

TEST(RowSelection, RangesSelectAndDeselectAcrossWordEdgesAndKeepTheCount)
{
    CRowSelection selection;
    selection.SetRowCount(200);
    EXPECT_TRUE(selection.SelectRange(130, 60)); // either order
    EXPECT_EQ(selection.Count(), 71u);
    EXPECT_FALSE(selection.SelectRange(64, 127)); // already selected: nothing changed
    EXPECT_TRUE(selection.SelectRange(63, 64, false));
    EXPECT_TRUE(selection.Toggle(64));
    EXPECT_TRUE(selection.Toggle(199));
    EXPECT_FALSE(selection.Select(200)); // past the end
    EXPECT_FALSE(selection.IsSelected(63));
    EXPECT_TRUE(selection.IsSelected(64));
    EXPECT_EQ(selection.Count(), 71u);
    EXPECT_EQ(selection.Next(0), 60u);
    EXPECT_EQ(selection.Next(63), 64u);
    EXPECT_EQ(selection.Next(131), 199u);
    EXPECT_EQ(selection.Next(200), CRowSelection::npos);
    const std::vector<std::size_t> rows = selection.Rows();
    ASSERT_EQ(rows.size(), 71u);
    EXPECT_EQ(rows.front(), 60u);
    EXPECT_EQ(rows[3], 64u);
    EXPECT_EQ(rows.back(), 199u);

    EXPECT_TRUE(selection.SelectAll());
    EXPECT_EQ(selection.Count(), 200u);
    selection.SetRowCount(70); // fewer rows: the others are forgotten
    selection.SetRowCount(300);
    EXPECT_EQ(selection.Count(), 70u);
    EXPECT_FALSE(selection.IsSelected(70));
    EXPECT_TRUE(selection.Clear());
    EXPECT_TRUE(selection.Empty());
    EXPECT_EQ(selection.Next(0), CRowSelection::npos);
}

TEST(RowSelection, RemovedRowsTakeTheirStateWithThemAndTheOthersMoveUp)
{
    CRowSelection selection;
    selection.SetRowCount(10);
    for (const std::size_t row : {1, 2, 5, 9})
        selection.Select(row);
    selection.RemoveRows({0, 2, 2, 3, 9});
    EXPECT_EQ(selection.RowCount(), 6u);
    EXPECT_EQ(selection.Rows(), (std::vector<std::size_t>{0, 2})); // 1 -> 0, 5 -> 2
    EXPECT_EQ(selection.Count(), 2u);

    // Against a plain list of flags, over many words and random removals.
    std::mt19937 random(7);
    CRowSelection big;
    std::vector<bool> expected(1000);
    big.SetRowCount(expected.size());
    for (int i = 0; i < 300; ++i) {
        const std::size_t a = random() % expected.size(), b = random() % expected.size();
        const bool on = random() % 3 != 0;
        big.SelectRange(a, b, on);
        for (std::size_t row = std::min(a, b); row <= std::max(a, b); ++row)
            expected[row] = on;
    }
    std::vector<std::size_t> removed;
    std::vector<bool> kept;
    for (std::size_t row = 0; row < expected.size(); ++row) {
        if (random() % 4 == 0)
            removed.push_back(row);
        else
            kept.push_back(expected[row]);
    }
    big.RemoveRows(removed);
    ASSERT_EQ(big.RowCount(), kept.size());
    std::size_t count = 0;
    for (std::size_t row = 0; row < kept.size(); ++row) {
        EXPECT_EQ(big.IsSelected(row), kept[row]) << row;
        count += kept[row] ? 1 : 0;
    }
    EXPECT_EQ(big.Count(), count);
    big.SetRowCount(big.RowCount() + 100); // the rows past the old end come unselected
    EXPECT_EQ(big.Count(), count);
}

} // namespace
