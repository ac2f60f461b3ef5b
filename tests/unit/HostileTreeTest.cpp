// Scans of trees that change, repeat themselves or strain the system while they are scanned: nothing
// is grouped that is not a copy, nothing found is dropped silently, and a failure says so.
#include "engine/HelperThread.h"
#include "platform/InputFile.h"
#include "platform/Path.h"
#include "tests/support/ScanRun.h"
#include "tests/support/ScopedState.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <future>
#include <new>

#ifndef _WIN32
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

class HostileTree : public ::testing::Test
{
protected:
    Groups Scan(const ScanHooks& hooks = {})
    {
        return GroupsOf(RunScan({m_tree.Root()}, hooks).results, m_tree.Root());
    }

    CTempTree m_tree;
};

TEST_F(HostileTree, FileThatGrowsBeforeItIsComparedEqualsNothingOnEveryReadBoundary)
{
    // 65,536 bytes is exactly the first read: its end must be checked as well as the others'.
    for (const std::size_t size : {65535u, 65536u, 65537u}) {
        const std::string bytes = PatternBytes(size, static_cast<unsigned>(size));
        m_tree.Write(std::to_string(size) + "/a.bin", bytes);
        m_tree.Write(std::to_string(size) + "/b.bin", bytes);
    }
    ScanHooks hooks;
    hooks.onResolveProgress = [this](CScanEngine&, const std::string& text) {
        if (text.empty())
            for (const char* size : {"65535", "65536", "65537"})
                m_tree.Append(std::string(size) + "/a.bin", "+");
    };
    EXPECT_EQ(Scan(hooks), Groups());
}

TEST_F(HostileTree, FileSwappedForAFolderOrAPipeIsNeverRead)
{
    m_tree.Write("a.dat", "same bytes");
    m_tree.Write("b.dat", "same bytes");
    m_tree.Write("c.dat", "same bytes");
    ScanHooks hooks;
    hooks.onResolveProgress = [this](CScanEngine&, const std::string& text) {
        if (!text.empty())
            return;
        m_tree.Remove("a.dat");
        m_tree.MakeFolder("a.dat");
#ifndef _WIN32
        m_tree.Remove("b.dat");
        ASSERT_EQ(mkfifo(m_tree.Path("b.dat").c_str(), 0600), 0); // opening it must not block the scan
#endif
    };
#ifndef _WIN32
    EXPECT_EQ(Scan(hooks), Groups());
#else
    EXPECT_EQ(Scan(hooks), (Groups{{"b.dat", "c.dat"}}));
#endif
}

#ifndef _WIN32
TEST_F(HostileTree, AskingForAFileAheadNeverWaitsOnAPipeAndPassesOverWhatIsNoFile)
{
    // Asked for ahead of the reading, a path may by then name anything: a pipe must not block it.
    ASSERT_EQ(mkfifo(m_tree.Path("pipe.dat").c_str(), 0600), 0);
    m_tree.MakeFolder("folder.dat");
    m_tree.Write("file.dat", "bytes");
    auto asked = std::async(std::launch::async, [this] {
        for (const char* name : {"pipe.dat", "folder.dat", "missing.dat", "file.dat"})
            platform::AskToReadSoon(m_tree.Path(name), 1 << 20);
    });
    // An open that waits for a writer waits for ever: the deadline only turns that into a failure,
    // and a writer then lets it go so that the test can end.
    const bool returned = asked.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
    EXPECT_TRUE(returned) << "AskToReadSoon waited for a writer of the pipe";
    if (!returned)
        close(open(m_tree.Path("pipe.dat").c_str(), O_WRONLY));
    asked.get();
}
#endif

TEST_F(HostileTree, WithoutHelperThreadsTheWorkerFindsTheSameGroupsAlone)
{
    for (int i = 0; i < 40; ++i) // a crowded run, read in rounds, and many small runs
        m_tree.Write("crowd/" + std::to_string(i) + ".bin",
                     PatternBytes(70000, static_cast<unsigned>(i % 20)));
    for (int i = 0; i < 200; ++i)
        m_tree.Write("d" + std::to_string(i % 7) + "/" + std::to_string(i) + ".txt", std::to_string(i / 2));
    const ScanOutcome normal = RunScan({m_tree.Root()});
    const ScanOutcome alone = [this] {
        const CScopedSwitch refused(g_refuseHelperThreads, true);
        return RunScan({m_tree.Root()});
    }();
    EXPECT_EQ(alone.scanTexts, normal.scanTexts);
    EXPECT_EQ(alone.resolveTexts, normal.resolveTexts);
    EXPECT_EQ(GroupsOf(alone.results, m_tree.Root()), GroupsOf(normal.results, m_tree.Root()));
    EXPECT_EQ(alone.groupCount, 120);
}

TEST_F(HostileTree, OutOfMemoryAnywhereEndsTheScanAsFailedAndSaysWhere)
{
    m_tree.Write("R/sub/a.txt", "same");
    m_tree.Write("R/b.txt", "same");
    ScanHooks walking;
    walking.onScanProgress = [](CScanEngine&, const std::string&) { throw std::bad_alloc(); };
    ScanOutcome outcome = RunScan({m_tree.Path("R")}, walking);
    EXPECT_TRUE(outcome.failed);
    EXPECT_EQ(Slashed(outcome.failure), "Not enough memory to scan " + Slashed(m_tree.Path("R")));
    EXPECT_EQ(outcome.finishedCount, 1);

    ScanHooks resolving;
    resolving.onResolveProgress = [](CScanEngine&, const std::string& text) {
        if (!text.empty())
            throw std::bad_alloc();
    };
    outcome = RunScan({m_tree.Path("R")}, resolving);
    EXPECT_TRUE(outcome.failed);
    EXPECT_EQ(outcome.failure, "Not enough memory to finish the scan");
    EXPECT_TRUE(outcome.results.empty());
    EXPECT_EQ(outcome.finishedCount, 1);
}

#ifndef _WIN32
// A folder in use cannot be removed on Windows.
TEST_F(HostileTree, AnEmptyRootOrOneWhoseBaseIsGoneIsSkippedWithAWarningNeverTheWholeSystem)
{
    m_tree.Write("gone/x.txt", "x");
    ScanHooks hooks;
    hooks.onScanProgress = [](CScanEngine& engine, const std::string&) { engine.RequestStop(); };
    const ScanOutcome outcome = [&] {
        const CScopedCurrentFolder inGone(m_tree.Path("gone"));
        m_tree.Remove("gone/x.txt");
        m_tree.Remove("gone");
        return RunScan({"", "."}, hooks);
    }();
    EXPECT_TRUE(outcome.scanTexts.empty()) << outcome.scanTexts.front();
    ASSERT_EQ(outcome.warnings.size(), 2u);
    EXPECT_EQ(outcome.warnings[0].kind, ScanWarning::EKind::UnusableRoot);
    EXPECT_EQ(outcome.warnings[1].path, ".");
    EXPECT_EQ(outcome.summary, "Scan completed (0 files scanned, 0 duplicates found)");
}

TEST_F(HostileTree, FileMountedAtASecondNameIsRecordedOnce)
{
    m_tree.Write("a.txt", "one file");
    m_tree.Write("b.txt", "");
    const std::string mount =
        "mount --bind '" + m_tree.Path("a.txt") + "' '" + m_tree.Path("b.txt") + "' 2>/dev/null";
    if (std::system(mount.c_str()) != 0)
        GTEST_SKIP() << "no bind mounts here";
    const ScanOutcome outcome = RunScan({m_tree.Root()});
    EXPECT_EQ(std::system(("umount '" + m_tree.Path("b.txt") + "'").c_str()), 0);
    EXPECT_TRUE(outcome.results.empty());
    EXPECT_EQ(outcome.summary, "Scan completed (1 files scanned, 0 duplicates found)");
}

TEST_F(HostileTree, TreesDeeperThanTheStackAllowsForRecursionAreWalkedWhole)
{
    // 1,000 levels: more than a 64 KiB stack holds one call per level for.
    const int depth = 1000;
    int folder = open(m_tree.Root().c_str(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; i < depth; ++i) {
        ASSERT_EQ(mkdirat(folder, "d", 0700), 0);
        const int next = openat(folder, "d", O_RDONLY | O_DIRECTORY);
        close(folder);
        folder = next;
    }
    for (const char* name : {"a.bin", "b.bin"}) {
        const int fd = openat(folder, name, O_WRONLY | O_CREAT, 0600);
        ASSERT_EQ(write(fd, "deep", 4), 4);
        close(fd);
    }
    close(folder);

    struct Job
    {
        std::string root;
        ScanOutcome outcome;
    } job{m_tree.Root(), {}};
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, 64u << 10);
    pthread_t thread;
    ASSERT_EQ(pthread_create(
                  &thread, &attributes,
                  [](void* data) -> void* {
                      auto* run = static_cast<Job*>(data);
                      run->outcome = RunScan({run->root});
                      return nullptr;
                  },
                  &job),
              0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
    EXPECT_EQ(std::system(("rm -rf '" + m_tree.Path("d") + "'").c_str()), 0);

    std::string deep;
    for (int i = 0; i < depth; ++i)
        deep += "d/";
    EXPECT_TRUE(GroupsOf(job.outcome.results, m_tree.Root()) == (Groups{{deep + "a.bin", deep + "b.bin"}}));
    EXPECT_EQ(job.outcome.scanTexts.size(), static_cast<std::size_t>(depth));
}

TEST(FullPath, DotDotAfterALinkToAFolderLeadsWhereTheSystemGoes)
{
    CTempTree tree;
    tree.MakeFolder("real/inner");
    if (!tree.SymLink(tree.Path("real/inner"), "near/jump"))
        GTEST_SKIP() << "no symbolic links here";
    EXPECT_EQ(platform::FullPath(tree.Path("near/jump/..")), tree.Path("real"));
    EXPECT_EQ(platform::FullPath(tree.Path("near/jump/../inner/./..")), tree.Path("real"));
    EXPECT_EQ(platform::FullPath(tree.Path("near/missing/..")), tree.Path("near"));
}
#endif

} // namespace
