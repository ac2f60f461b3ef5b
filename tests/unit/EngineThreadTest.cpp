// The engine on a real worker thread, as the window and the command-line tool run it.
#include "engine/ContentClasses.h"
#include "engine/HelperThread.h"
#include "engine/ScanEngine.h"
#include "tests/support/ScanRun.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <random>
#include <thread>

namespace {

// Hands the texts over to the test thread through a guarded slot, as the window does.
class CThreadListener final : public CMyFilesListener
{
public:
    void OnScanProgress(const std::string& text) override
    {
        std::unique_lock<std::mutex> hold(m_mutex);
        ++m_scanTexts;
        m_lastText = text;
        m_changed.notify_all();
        // Holds the worker at its first text until the test has acted, so the test knows where the
        // worker is; the window's listener never waits like this.
        m_changed.wait(hold, [this] { return m_released; });
    }

    void Release()
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        m_released = true;
        m_changed.notify_all();
    }
    void OnResolveProgress(const std::string&) override { ++m_resolveTexts; }
    void OnScanFinished() override
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        ++m_finished;
        m_changed.notify_all();
    }

    template <class Predicate> void WaitFor(Predicate ready)
    {
        std::unique_lock<std::mutex> hold(m_mutex);
        ASSERT_TRUE(m_changed.wait_for(hold, std::chrono::seconds(60), [&] { return ready(*this); }));
    }

    int m_scanTexts = 0;
    std::atomic<int> m_resolveTexts{0};
    int m_finished = 0;
    std::string m_lastText;
    bool m_released = false;

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
};

void MakeWideTree(const CTempTree& tree, int folders)
{
    for (int i = 0; i < folders; ++i)
        tree.Write("wide/d" + std::to_string(i) + "/file.txt", "same");
}

void MakeDeepTree(const CTempTree& tree, int folders, int filesPerFolder)
{
    std::string folder = "deep";
    for (int i = 0; i < folders; ++i) {
        folder += "/f" + std::to_string(i % 10);
        for (int k = 0; k < filesPerFolder; ++k)
            tree.Write(folder + "/file" + std::to_string(k) + ".txt", "content " + std::to_string(k));
    }
}

TEST(EngineThread, StopDuringAWalkEndsTheScanWithOneFinishedCall)
{
    CTempTree tree;
    MakeWideTree(tree, 50);
    tree.Write("second-root/file.txt", "same");
    CThreadListener listener;
    auto engine = std::make_unique<CScanEngine>();
    engine->AddListener(&listener);
    engine->AddFolder(tree.Path("wide"));
    engine->AddFolder(tree.Path("second-root"));

    std::thread worker(ScanThreadProc, engine.get());
    listener.WaitFor([](const CThreadListener& l) { return l.m_scanTexts > 0; });
    engine->RequestStop();
    listener.Release();
    listener.WaitFor([](const CThreadListener& l) { return l.m_finished > 0; });
    worker.join();
    const std::size_t recorded = engine->GetFileCount();
    engine.reset();

    // The remaining 49 folders are reported without being entered; the second root never begins.
    EXPECT_EQ(recorded, 1u);
    EXPECT_EQ(listener.m_scanTexts, 50);
    EXPECT_EQ(listener.m_finished, 1);
    EXPECT_EQ(listener.m_resolveTexts.load(), 0);
}

TEST(EngineThread, OwnerReadsResultsUnderTheLockAfterTheFinishedCall)
{
    CTempTree tree;
    MakeDeepTree(tree, 30, 3);
    CThreadListener listener;
    listener.Release();
    CScanEngine engine;
    engine.AddListener(&listener);
    engine.AddFolder(tree.Root());
    std::thread worker(ScanThreadProc, &engine);
    listener.WaitFor([](const CThreadListener& l) { return l.m_finished > 0; });
    engine.Lock();
    const std::int32_t count = engine.GetResultCount();
    const std::string summary = engine.GetSummaryText();
    engine.Unlock();
    worker.join();

    // Each of the three contents repeats in all 30 folders: three groups of 30.
    EXPECT_EQ(count, 3 * 31);
    EXPECT_EQ(summary, "Scan completed (90 files scanned, 90 duplicates found)");
    EXPECT_EQ(listener.m_finished, 1);
}

// The engine's own content stage, counting the reads of the classes it splits that were offered to
// the second thread; only the stage that reads crowded runs is given one.
class CSharingStage final : public CContentStage
{
public:
    CSharingStage(const std::atomic<bool>& stop, CHelperThread* helper, COpenFileBudget& openFiles,
                  std::size_t& shared)
        : m_inner(stop, helper, content::kRoundBudget, &openFiles), m_helper(helper), m_shared(shared)
    {}

    bool Split(const FileRecords& files, const std::vector<PositionClass>& candidates,
               std::vector<PositionClass>& classes) override
    {
        const std::size_t before = m_helper != nullptr ? m_helper->OfferedIndexes() : 0;
        const bool split = m_inner.Split(files, candidates, classes);
        if (m_helper != nullptr)
            m_shared += m_helper->OfferedIndexes() - before;
        return split;
    }
    const std::vector<std::int32_t>& Unreadable() const override { return m_inner.Unreadable(); }

private:
    CContentClasses m_inner;
    CHelperThread* m_helper;
    std::size_t& m_shared;
};

TEST(EngineThread, BothThreadsShareTheReadsOfACrowdedRun)
{
    // Eighty files of one size and tail: enough for the reads to be shared with the helper thread.
    CTempTree tree;
    const std::string same = PatternBytes(8192, 1);
    for (int i = 0; i < 40; ++i) {
        tree.Write("same/" + std::to_string(i) + ".bin", same);
        tree.Write("other/" + std::to_string(i) + ".bin", PatternBytes(8192, 100 + i));
    }
    CThreadListener listener;
    listener.Release();
    CScanEngine engine;
    std::size_t shared = 0; // written on the worker, read after it was joined
    engine.SetContentStage(
        [&shared](const std::atomic<bool>& stop, CHelperThread* helper, COpenFileBudget& openFiles) {
            return std::make_unique<CSharingStage>(stop, helper, openFiles, shared);
        });
    engine.AddListener(&listener);
    engine.AddFolder(tree.Root());
    std::thread worker(ScanThreadProc, &engine);
    listener.WaitFor([](const CThreadListener& l) { return l.m_finished > 0; });
    worker.join();
    // Every member is read in one round here, and that round is shared out between the threads.
    EXPECT_GE(shared, 80u);
    EXPECT_EQ(engine.GetResultCount(), 41);
    EXPECT_EQ(engine.GetSummaryText(), "Scan completed (80 files scanned, 40 duplicates found)");
}

// The walk lists folders ahead on a second thread; what it records and reports must still be the
// plain depth-first order: files in pre-order, folders in post-order, names in byte order.
void ExpectedWalk(const std::string& folder, std::vector<std::string>& files, std::vector<std::string>& texts)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const std::string path = folder + "/" + name;
        if (std::filesystem::is_directory(path)) {
            ExpectedWalk(path, files, texts);
            texts.push_back("(" + std::to_string(files.size()) + " scanned) " + Slashed(path));
        } else {
            files.push_back(path);
        }
    }
}

class CTextListener final : public CMyFilesListener
{
public:
    void OnScanProgress(const std::string& text) override { m_texts.push_back(Slashed(text)); }
    void OnResolveProgress(const std::string&) override {}
    void OnScanFinished() override {}
    std::vector<std::string> m_texts;
};

TEST(EngineThread, WalkWithListingsMadeAheadKeepsDepthFirstOrder)
{
    CTempTree tree;
    std::mt19937 random(5);
    std::vector<std::string> folders = {""};
    for (int i = 0; i < 300; ++i) {
        const std::string parent = folders[random() % folders.size()];
        folders.push_back(parent + (parent.empty() ? "" : "/") + "d" + std::to_string(random() % 1000));
        tree.MakeFolder(folders.back());
    }
    for (int i = 0; i < 600; ++i)
        tree.Write(folders[random() % folders.size()] + "/f" + std::to_string(i) + ".txt", std::to_string(i));

    std::vector<std::string> files;
    std::vector<std::string> texts;
    ExpectedWalk(tree.Root(), files, texts);

    CTextListener listener;
    CScanEngine engine;
    engine.AddListener(&listener);
    engine.AddFolder(tree.Root());
    std::thread worker(ScanThreadProc, &engine);
    worker.join();
    EXPECT_EQ(listener.m_texts, texts);
    EXPECT_EQ(engine.GetFileCount(), files.size());
}

} // namespace
