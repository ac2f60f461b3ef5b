// The engine's life on one thread: empty scans, stops before the start, the summary's numbers.
#include "tests/support/ScanRun.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

namespace {

TEST(EngineLife, NoFoldersGivesOnlyTheEmptyResolveText)
{
    const ScanOutcome outcome = RunScan({});
    EXPECT_TRUE(outcome.scanTexts.empty());
    EXPECT_EQ(outcome.resolveTexts, (std::vector<std::string>{""}));
    EXPECT_TRUE(outcome.results.empty());
    EXPECT_EQ(outcome.summary, "Scan completed (0 files scanned, 0 duplicates found)");
    EXPECT_EQ(outcome.finishedCount, 1);
}

TEST(EngineLife, StopBeforeTheStartSkipsBothPhasesButStillFinishesOnce)
{
    CTempTree tree;
    tree.Write("sub/a.txt", "same");
    tree.Write("sub/b.txt", "same");
    ScanOutcome outcome;
    CScanEngine engine;
    CRecordingListener first(engine, outcome, {});
    CRecordingListener second(engine, outcome, {});
    engine.AddListener(&first);
    engine.AddListener(&second);
    engine.AddFolder(tree.Root());
    engine.RequestStop();
    EXPECT_EQ(ScanThreadProc(&engine), 0u);
    EXPECT_TRUE(engine.IsStopped());
    EXPECT_TRUE(outcome.scanTexts.empty());
    EXPECT_TRUE(outcome.resolveTexts.empty());
    EXPECT_EQ(outcome.finishedCount, 2); // once for each listener
    EXPECT_EQ(engine.GetFileCount(), 0u);
}

TEST(EngineLife, SummaryCountsEveryGroupMemberIncludingTheFirst)
{
    CTempTree tree;
    tree.Write("one.txt", "identical");
    tree.Write("two.txt", "identical");
    ScanOutcome pair = RunScan({tree.Root()});
    EXPECT_EQ(pair.results.size(), 3u);
    EXPECT_EQ(pair.groupCount, 1);
    EXPECT_EQ(pair.summary, "Scan completed (2 files scanned, 2 duplicates found)");

    tree.Write("three.txt", "identical");
    tree.Write("unique.txt", "different");
    ScanOutcome triple = RunScan({tree.Root()});
    EXPECT_EQ(triple.results.size(), 4u);
    EXPECT_EQ(triple.summary, "Scan completed (4 files scanned, 3 duplicates found)");
}

TEST(EngineLife, StopDuringResolvingSkipsTheRemainingRuns)
{
    // A crowded run of forty files in twenty pairs, read a round at a time, then a run of two.
    CTempTree tree;
    for (int i = 0; i < 40; ++i)
        tree.Write("crowd/" + std::to_string(100 + i) + ".bin", PatternBytes(5000, 1 + i / 2));
    tree.Write("z/a1.txt", PatternBytes(6000, 99)); // larger, so it comes later
    tree.Write("z/a2.txt", PatternBytes(6000, 99));
    ScanHooks hooks;
    hooks.onResolveProgress = [](CScanEngine& engine, const std::string& text) {
        if (!text.empty())
            engine.RequestStop();
    };
    // The pairwise reference finishes the run it has announced; the partition method notices the
    // stop before its next read and leaves the run unfinished. Neither begins the next run.
    const struct
    {
        EResolveMethod method;
        std::size_t groups;
    } rows[] = {{EResolveMethod::Pairwise, 20}, {EResolveMethod::Partition, 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.method == EResolveMethod::Pairwise ? "pairwise" : "partition");
        const ScanOutcome outcome = RunScan({tree.Root()}, hooks, row.method);
        EXPECT_TRUE(outcome.stopped);
        EXPECT_EQ(outcome.resolveTexts, (std::vector<std::string>{"", "0 of 42 files - 0%"}));
        EXPECT_EQ(GroupsOf(outcome.results, tree.Root()).size(), row.groups);
        EXPECT_EQ(outcome.finishedCount, 1);
    }
}

} // namespace
