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
    CTempTree tree;
    tree.Write("a1.txt", "xx");
    tree.Write("a2.txt", "xx");
    tree.Write("b1.txt", "yyy");
    tree.Write("b2.txt", "yyy");
    ScanHooks hooks;
    hooks.onResolveProgress = [](CScanEngine& engine, const std::string& text) {
        if (!text.empty())
            engine.RequestStop();
    };
    const ScanOutcome outcome = RunScan({tree.Root()}, hooks);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_EQ(outcome.resolveTexts, (std::vector<std::string>{"", "0 of 4 files - 0%"}));
    // The announced run may or may not be finished (a stopped scan's results are never shown), but
    // the next run is never begun.
    const Groups groups = GroupsOf(outcome.results, tree.Root());
    EXPECT_TRUE(groups.empty() || groups == (Groups{{"a1.txt", "a2.txt"}}));
    EXPECT_EQ(outcome.finishedCount, 1);
}

} // namespace
