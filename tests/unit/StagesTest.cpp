// The stages between the walk and the reading of contents, each alone on records made by hand.
#include "engine/Candidates.h"
#include "engine/GroupOutput.h"
#include "engine/SizeRuns.h"

#include <gtest/gtest.h>

namespace {

FileRecords Records(const std::vector<std::pair<std::string, std::int64_t>>& files)
{
    FileRecords records;
    for (const auto& [path, size] : files) {
        FileItem item(path);
        item.size = size;
        platform::FileStamp stamp;
        stamp.id.index = records.size(); // tells each record's mark apart
        stamp.size = size;
        records.Add(item, stamp);
    }
    return records;
}

TEST(Stages, SortBySizeKeepsTheWalksOrderAndEachMarkWithItsRecordThenCutsRuns)
{
    FileRecords records = Records({{"a", 5}, {"b", 3}, {"c", 5}, {"d", 3}, {"e", 9}, {"f", 5}});
    SortBySize(records);
    std::string order;
    for (std::size_t i = 0; i < records.size(); ++i) {
        order += records.items[i].path;
        EXPECT_EQ(records.marks[i].id.index, static_cast<std::uint64_t>(records.items[i].path[0] - 'a'));
    }
    EXPECT_EQ(order, "bdacfe");
    const std::vector<PositionRun> runs = SizeRuns(records);
    ASSERT_EQ(runs.size(), 2u); // the single 9 is no run
    EXPECT_EQ(std::make_pair(runs[0].first, runs[0].last), std::make_pair(0, 1));
    EXPECT_EQ(std::make_pair(runs[1].first, runs[1].last), std::make_pair(2, 4));
}

TEST(Stages, CandidatesAreFilesOfMatchingTailsInEitherCaseAndShortPathsMatchNothing)
{
    const FileRecords records = Records({{"zz", 1},
                                         {"a/x.TXT", 7},
                                         {"b/y.txt", 7},
                                         {"c/z.dat", 7},
                                         {".txt", 7},
                                         {"d/w.txt", 7},
                                         {"e/q.Dat", 7},
                                         {"f/r.bin", 7},
                                         {"g/s.txt", 8}});
    const std::vector<PositionClass> classes = TailClasses(records, PositionRun{1, 7});
    EXPECT_EQ(classes, (std::vector<PositionClass>{{3, 6}, {1, 2, 5}}));
}

TEST(Stages, GroupsFollowTheirFirstMembersEachEndedByASeparator)
{
    FileRecords records = Records({{"a", 4}, {"b", 4}, {"c", 4}, {"d", 4}, {"e", 4}});
    CGroupOutput output;
    output.Append(records.items, {{1, 4}, {0, 2, 3}});
    std::string list;
    for (std::int32_t i = 0; i < output.Count(); ++i) {
        const FileItem item = output.Get(records.items, i);
        list += item.IsSeparator() ? std::string("|") : item.path;
        EXPECT_EQ(item.grouped, !item.IsSeparator());
    }
    EXPECT_EQ(list, "acd|be|");
    EXPECT_EQ(output.GroupCount(), 2);
    EXPECT_EQ(output.SummaryText(9), "Scan completed (9 files scanned, 5 duplicates found)");
}

} // namespace
