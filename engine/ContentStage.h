// The fourth stage: candidates (files of one size whose path tails match) become classes of files
// with identical contents. The engine reads with CContentClasses; tests compare it with a plain
// pairwise implementation of the same contract.
#pragma once

#include "engine/FileRecords.h"
#include "engine/FolderHandles.h"

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class CHelperThread;

// Files kept open between rounds, counted over every reader of a scan so that together they stay
// well inside the process's limit on open files.
class COpenFileBudget
{
public:
    // Sized from the process's limit. `holdFolders`: files are opened in their folders held open,
    // which saves requests where each is a round trip; from memory a full path costs less than the
    // table of folders.
    explicit COpenFileBudget(bool holdFolders = false);
    bool Take();
    void Give();
    // The system ran out of descriptors: keep no more files or folders open from now on.
    void Exhausted()
    {
        m_limit.store(0);
        m_folders.Release();
    }

    // The folders of the files read, held open within the same limit (none unless asked for).
    CFolderHandles& Folders() { return m_folders; }

private:
    std::atomic<int> m_open{0};
    std::atomic<int> m_limit;
    CFolderHandles m_folders;
};

class CContentStage
{
public:
    virtual ~CContentStage() = default;

    // Each of `candidates` holds positions in `files` (ascending) of files with the same recorded
    // size. Appends every class of two or more files
    // with identical contents to `classes`, its positions ascending. A file that cannot be opened or
    // read is in no class. False when a stop was noticed: what was appended then is incomplete.
    virtual bool Split(const FileRecords& files, const std::vector<PositionClass>& candidates,
                       std::vector<PositionClass>& classes) = 0;

    // Positions of the files that could not be read, gathered over every Split so far.
    virtual const std::vector<std::int32_t>& Unreadable() const = 0;
};

// Makes the content stage for one reader of a scan: `helper` (may be null) is a second thread it may
// share its reads with; `openFiles` is shared by every reader of the scan.
using ContentStageMaker = std::function<std::unique_ptr<CContentStage>(
    const std::atomic<bool>& stop, CHelperThread* helper, COpenFileBudget& openFiles)>;
