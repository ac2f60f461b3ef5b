// A scan run on the calling thread, for tests that look at what the engine said and found.
#include "tests/support/ScanRun.h"

#include "platform/Path.h"
#include "tests/support/PairwiseClasses.h"

#include <gtest/gtest.h>

CRecordingListener::CRecordingListener(CScanEngine& engine, ScanOutcome& outcome, ScanHooks hooks)
    : m_engine(engine), m_outcome(outcome), m_hooks(std::move(hooks))
{}

void CRecordingListener::OnScanProgress(const std::string& text)
{
    m_outcome.scanTexts.push_back(text);
    if (m_hooks.onScanProgress)
        m_hooks.onScanProgress(m_engine, text);
}

void CRecordingListener::OnResolveProgress(const std::string& text)
{
    m_outcome.resolveTexts.push_back(text);
    if (m_hooks.onResolveProgress)
        m_hooks.onResolveProgress(m_engine, text);
}

void CRecordingListener::OnScanFinished()
{
    ++m_outcome.finishedCount;
}

ScanOutcome RunScan(const std::vector<std::string>& folders, ScanHooks hooks, EResolveMethod method,
                    std::size_t readers, std::size_t readersWhenCold, const ScanOptions& options)
{
    ScanOutcome outcome;
    CScanEngine engine;
    engine.SetOptions(options);
    CRecordingListener listener(engine, outcome, hooks);
    engine.AddListener(&listener);
    if (method == EResolveMethod::Pairwise)
        engine.SetContentStage([](const std::atomic<bool>&, CHelperThread*, COpenFileBudget&) {
            return std::make_unique<CPairwiseClasses>();
        });
    if (hooks.betweenRounds)
        engine.SetRoundHook(hooks.betweenRounds);
    if (readers != 0)
        engine.SetReaders(readers);
    if (readersWhenCold != 0)
        engine.SetReadersWhenCold(readersWhenCold, std::chrono::nanoseconds(0));
    for (const std::string& folder : folders)
        engine.AddFolder(folder);
    EXPECT_EQ(ScanThreadProc(&engine), 0u);

    outcome.stopped = engine.IsStopped();
    engine.Lock();
    for (std::int32_t i = 0; i < engine.GetResultCount(); ++i)
        outcome.results.push_back(engine.GetResult(i));
    outcome.groupCount = engine.GetGroupCount();
    outcome.summary = engine.GetSummaryText();
    outcome.warnings = engine.GetWarnings();
    outcome.failed = engine.HasFailed();
    outcome.readers = engine.GetReadersUsed();
    outcome.leftOutFiles = engine.GetLeftOutFiles();
    outcome.leftOutFolders = engine.GetLeftOutFolders();
    if (outcome.failed)
        outcome.failure = engine.GetFailureText();
    engine.Unlock();
    return outcome;
}

std::string Slashed(std::string path)
{
    for (char& c : path)
        if (platform::IsPathSeparator(c))
            c = '/';
    return path;
}

namespace {

std::string StripRoot(const std::string& path, const std::string& root)
{
    const std::string slashed = Slashed(path);
    const std::string prefix = Slashed(root) + "/";
    return slashed.compare(0, prefix.size(), prefix) == 0 ? slashed.substr(prefix.size()) : slashed;
}

} // namespace

Groups GroupsOf(const std::vector<FileItem>& results, const std::string& root)
{
    Groups groups;
    std::vector<std::string> current;
    for (const FileItem& item : results) {
        if (item.IsSeparator()) {
            groups.push_back(std::move(current));
            current.clear();
        } else {
            current.push_back(StripRoot(item.path, root));
        }
    }
    EXPECT_TRUE(current.empty()) << "the result list does not end with a separator";
    return groups;
}

std::vector<std::string> Relative(const std::vector<std::string>& texts, const std::string& root)
{
    std::vector<std::string> out;
    for (const std::string& text : texts) {
        const std::size_t space = text.find(") ");
        if (space == std::string::npos) {
            out.push_back(text);
            continue;
        }
        out.push_back(text.substr(0, space + 2) + StripRoot(text.substr(space + 2), root));
    }
    return out;
}
