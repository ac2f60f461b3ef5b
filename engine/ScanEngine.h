// One scan from start to end: walk the folders, find the files with identical contents, report.
#pragma once

#include "engine/FileItem.h"
#include "engine/FilesListener.h"
#include "platform/FileIdentity.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

namespace platform {
struct FolderEntry;
class CInputFile;
} // namespace platform
class CContentClasses;
class CFolderPrefetch;

// How the files of one run are told apart. Both give the same groups in the same order; pairwise
// compares every candidate with every anchor and stays as the plain reference for the tests.
enum class EResolveMethod
{
    Partition,
    Pairwise,
};

// Something the scan could not do, which its owner may name; the scan itself goes on.
struct ScanWarning
{
    enum class EKind
    {
        UnreadableFile, // could not be opened or read, so it is in no group
        UnusableRoot,   // empty, or relative while the current folder cannot be found: not walked
    };
    EKind kind;
    std::string path;
};

// Created on the owner's thread, filled with listeners and folders, then run once by ScanThreadProc
// on a worker. The owner joins the worker before it destroys the engine.
class CScanEngine
{
public:
    CScanEngine();
    ~CScanEngine();
    CScanEngine(const CScanEngine&) = delete;
    CScanEngine& operator=(const CScanEngine&) = delete;

    // Only before the worker starts.
    void AddListener(CMyFilesListener* listener);
    void AddFolder(const std::string& folder);
    void SetResolveMethod(EResolveMethod method) { m_resolveMethod = method; }
    // Called on a reading thread of the scan between two rounds of reads of the file contents; tests
    // change files at that moment.
    void SetRoundHook(std::function<void()> hook) { m_roundHook = std::move(hook); }

    // Any thread, any time; the worker leaves what it is doing at its next check.
    void RequestStop();
    bool IsStopped() const;

    // The owner holds the lock while it reads the results.
    void Lock();
    void Unlock();
    // The same under the standard names, so that std::lock_guard and std::unique_lock can hold it.
    void lock() { Lock(); }
    void unlock() { Unlock(); }
    std::int32_t GetResultCount() const;
    FileItem GetResult(std::int32_t index) const;
    std::string GetSummaryText() const;
    // What the scan could not do, in the order met.
    const std::vector<ScanWarning>& GetWarnings() const { return m_warnings; }
    // A failed scan (it ran out of memory) has no results; the owner says why with this text.
    bool HasFailed() const { return m_failed; }
    std::string GetFailureText() const;

    std::int32_t GetGroupCount() const { return m_groupCount; }
    std::size_t GetFileCount() const { return m_files.size(); }

    friend unsigned ScanThreadProc(CScanEngine* engine);

private:
    using FileIdSet = std::unordered_set<platform::FileId, platform::FileIdHash>;

    void ScanFolders();
    void ScanRoot(const std::string& root);
    struct WalkFrame;
    void ScanFolder(const std::string& root);
    bool EnterFolder(const std::string& folder, std::vector<WalkFrame>& stack);
    void AddFile(std::string path, const platform::FolderEntry& entry);

    void ResolveDuplicates();
    void ResolveRun(std::int32_t first, std::int32_t last);
    void ResolveRunPairwise(std::int32_t first, std::int32_t last);
    void ResolveByPartition();
    bool FindClasses(std::int32_t first, std::int32_t last, CContentClasses& splitter,
                     std::vector<std::vector<std::int32_t>>& classes) const;
    void AppendGroups(const std::vector<std::vector<std::int32_t>>& classes);
    void SortFilesBySize();

    void NotifyScanProgress(const std::string& path);
    void NotifyResolveProgress(const std::string& text);
    void NotifyFinished();
    void Warn(ScanWarning::EKind kind, const std::string& path);
    void Fail() noexcept;

    std::vector<CMyFilesListener*> m_listeners;
    std::vector<FileItem> m_files;
    std::vector<FileItem> m_results;
    std::vector<std::string> m_folders;
    std::int32_t m_groupCount = 0;
    std::atomic<bool> m_stop{false};
    std::mutex m_lock;

    std::vector<platform::FileStamp> m_stamps; // what the walk saw of each of m_files, in step with it
    std::vector<ScanWarning> m_warnings;
    bool m_failed = false;
    std::string m_failedRoot; // the root being walked when the scan failed; empty while resolving

    FileIdSet m_walkedFolders; // a folder met again (link loop, repeated root) is not entered twice
    FileIdSet m_recordedFiles; // a file met again (several names, a bind mount) is recorded once
    std::string m_currentRoot;
    std::function<void()> m_roundHook;
    EResolveMethod m_resolveMethod = EResolveMethod::Partition;
    CFolderPrefetch* m_prefetch = nullptr;      // while walking: lists folders ahead
    CContentClasses* m_sharedClasses = nullptr; // while resolving: reads runs on both threads
};

// The worker's entry: walk, resolve, tell the listeners it has finished. Returns 0.
unsigned ScanThreadProc(CScanEngine* engine);

// True when the two records' files have identical contents now; a file that cannot be opened
// equals nothing.
bool FilesEqual(const FileItem& a, const FileItem& b);

// Reads both files from their starts in step; true when they end together with equal bytes.
bool CompareContents(platform::CInputFile& fa, platform::CInputFile& fb);
