// The first stage: the roots, walked depth first, become one record per non-empty regular file (in
// pre-order) and one progress text per subfolder (in post-order).
#pragma once

#include "engine/FileRecords.h"
#include "engine/FolderPrefetch.h"
#include "engine/ScanOptions.h"
#include "platform/FileIdentity.h"

#include <atomic>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

class CFolderWalk
{
public:
    // `progress` gets each text as the walk makes it: "(N scanned) folder". `listers` and
    // `maxListers` are the threads that list folders ahead of it (CFolderPrefetch). What `leaveOut`
    // names is never listed nor recorded; without it nothing is left out.
    CFolderWalk(const std::atomic<bool>& stop, std::function<void(const std::string&)> progress,
                std::size_t listers = 1, std::size_t maxListers = CFolderPrefetch::kListersFromDisk,
                const CLeaveOut* leaveOut = nullptr);
    CFolderWalk(const CFolderWalk&) = delete;
    CFolderWalk& operator=(const CFolderWalk&) = delete;

    // Appends the records of every root to `files`, until a stop. A root that names no folder (empty,
    // or relative while the current folder is gone) is not walked and is named in `warnings`.
    // `walking` holds the root being walked, so that a scan that runs out of memory can say where.
    void Walk(const std::vector<std::string>& roots, FileRecords& files, std::vector<ScanWarning>& warnings,
              std::string& walking);

    // What the options left out: files as the listings showed them (not empty, not recorded under
    // another name before), and folders, whose own contents were never listed.
    std::size_t LeftOutFiles() const { return m_leftOutFiles; }
    std::size_t LeftOutFolders() const { return m_leftOutFolders; }

private:
    struct Frame;
    void WalkFolder(const std::string& root, FileRecords& files);
    enum class EEntered
    {
        Yes,
        No,      // it cannot be listed, or the walk was there already
        LeftOut, // its identity is that of a folder the options leave out
    };
    EEntered Enter(const std::string& folder, std::vector<Frame>& stack);
    void Record(std::string path, const platform::FolderEntry& entry, FileRecords& files);
    void Report(const std::string& folder, const FileRecords& files);

    // The records already made, found by their files' identities: a table of positions in the
    // records (open addressing), so that remembering every file costs a few bytes, not a copy of its
    // identity in a node of its own.
    class CRecordedFiles
    {
    public:
        // True when the file was not yet recorded; it then counts as the record about to be appended.
        bool Add(const platform::FileId& id, const FileRecords& files);

    private:
        std::size_t Find(const platform::FileId& id, const FileRecords& files) const;
        std::vector<std::int32_t> m_slots; // a position in the records, or -1
        std::size_t m_count = 0;
    };

    const std::atomic<bool>& m_stop;
    std::function<void(const std::string&)> m_progress;
    const CLeaveOut* m_leaveOut;
    std::size_t m_leftOutFiles = 0;
    std::size_t m_leftOutFolders = 0;
    CFolderPrefetch m_prefetch; // lists folders ahead of the walk on the other core
    // A folder met again (link loop, repeated root) is not entered twice.
    std::unordered_set<platform::FileId, platform::FileIdHash> m_walkedFolders;
    CRecordedFiles m_recordedFiles; // a file met again (several names, a bind mount) is recorded once
};
