// One scan from start to end: walk the folders, find the files with identical contents, report. The
// work is a pipeline of stages, each in its own file: the walk (FolderWalk), the runs of one size
// (SizeRuns), the candidates of matching tails (Candidates), their classes of identical contents
// (ContentStage, read by ContentClasses) and the result list (GroupOutput).
#pragma once

#include "engine/ContentStage.h"
#include "engine/FileRecords.h"
#include "engine/FilesListener.h"
#include "engine/GroupOutput.h"
#include "engine/ScanOptions.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

class CHelperThread;
class CReadAhead;
class CReaderCrew;

// Created on the owner's thread, filled with listeners and folders, then run once by ScanThreadProc
// on a worker. The owner joins the worker before it destroys the engine.
class CScanEngine
{
public:
    static constexpr std::size_t kCrowdedRun = 32; // a run this long is read by both cores together

    CScanEngine();
    ~CScanEngine();
    CScanEngine(const CScanEngine&) = delete;
    CScanEngine& operator=(const CScanEngine&) = delete;

    // Only before the worker starts.
    void AddListener(CMyFilesListener* listener);
    void AddFolder(const std::string& folder);
    // What the scan leaves out; by default nothing.
    void SetOptions(ScanOptions options) { m_options = std::move(options); }
    // Replaces the stage that reads the candidates' contents; tests give a plain reference here.
    void SetContentStage(ContentStageMaker make) { m_makeContentStage = std::move(make); }
    // Called on a reading thread of the scan between two rounds of reads of the file contents; tests
    // change files at that moment.
    void SetRoundHook(std::function<void()> hook) { m_roundHook = std::move(hook); }
    // For tests: read with this many readers at once, as on a share, whatever holds the folders.
    void SetReaders(std::size_t readers) { m_readers = readers; }
    // For tests: once a batch of reads takes longer than `perFile` a file, read the rest with
    // `readers` at once, whatever holds the folders and whether or not the disk was read.
    void SetReadersWhenCold(std::size_t readers, std::chrono::nanoseconds perFile)
    {
        m_coldReaders = readers;
        m_coldPerFile = perFile;
        m_coldByTimeAlone = true;
    }

    // Any thread, any time; the worker leaves what it is doing at its next check.
    void RequestStop();
    bool IsStopped() const;

    // The owner holds the lock while it reads the results.
    void Lock();
    void Unlock();
    // The same under the standard names, so that std::lock_guard and std::unique_lock can hold it.
    void lock() { Lock(); }
    void unlock() { Unlock(); }
    std::int32_t GetResultCount() const { return m_output.Count(); }
    FileItem GetResult(std::int32_t index) const { return m_output.Get(m_files.items, index); }
    // What the walk saw of the result's file, so that whoever acts on the file later can tell
    // whether the path still leads to it.
    platform::FileStamp GetResultStamp(std::int32_t index) const { return m_output.Stamp(m_files, index); }
    std::string GetSummaryText() const { return m_output.SummaryText(m_files.size()); }
    // What the scan could not do, in the order met.
    const std::vector<ScanWarning>& GetWarnings() const { return m_warnings; }
    // A failed scan (it ran out of memory) has no results; the owner says why with this text.
    bool HasFailed() const { return m_failed; }
    std::string GetFailureText() const;

    std::int32_t GetGroupCount() const { return m_output.GroupCount(); }
    std::size_t GetFileCount() const { return m_files.size(); }
    // What the options left out (CFolderWalk::LeftOutFiles and LeftOutFolders).
    std::size_t GetLeftOutFiles() const { return m_leftOutFiles; }
    std::size_t GetLeftOutFolders() const { return m_leftOutFolders; }
    // How many read at once at most: two, or the readers that took over.
    std::size_t GetReadersUsed() const { return m_readersUsed; }

    friend unsigned ScanThreadProc(CScanEngine* engine);

private:
    void Run();
    void Resolve();
    // Each resolves the runs from `first` on that it takes, and returns where it stopped.
    std::size_t ResolveTogether(const std::vector<PositionRun>& runs, std::size_t first, CContentStage& stage,
                                CReadAhead& readAhead);
    void CollectUnreadable(const std::vector<const CContentStage*>& stages);
    // Returns `first` where the run there has a class of `wideClass` files or more, reading nothing.
    std::size_t ResolveCrew(const std::vector<PositionRun>& runs, std::size_t first, CReaderCrew& crew,
                            std::size_t wideClass);
    std::size_t ResolveApart(const std::vector<PositionRun>& runs, std::size_t first,
                             CContentStage* const apart[2], CHelperThread& helper, CReadAhead& readAhead);
    void NotifyResolveProgress(const std::string& text);
    void NotifyFinished();
    void Fail(std::string root) noexcept;

    std::vector<CMyFilesListener*> m_listeners;
    std::vector<std::string> m_folders;
    ScanOptions m_options;
    ContentStageMaker m_makeContentStage;
    std::function<void()> m_roundHook;
    std::size_t m_readers = 0; // readers at once; 0 until judged from what holds the folders
    // Readers once the reads are seen to wait for a disk that serves many at once; 0 keeps two.
    std::size_t m_coldReaders = 0;
    std::chrono::nanoseconds m_coldPerFile;
    bool m_coldByTimeAlone = false;
    std::size_t m_roundBudget; // of the stages made next
    std::size_t m_readersUsed = 2;
    std::atomic<bool> m_stop{false};
    std::mutex m_lock;

    FileRecords m_files;
    CGroupOutput m_output;
    std::vector<ScanWarning> m_warnings;
    std::size_t m_leftOutFiles = 0;
    std::size_t m_leftOutFolders = 0;
    bool m_failed = false;
    std::string m_failedRoot; // the root being walked when the scan failed; empty while resolving
};

// The worker's entry: walk, resolve, tell the listeners it has finished. Returns 0.
unsigned ScanThreadProc(CScanEngine* engine);
