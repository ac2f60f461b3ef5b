// The walk: every root depth first, one record per non-empty regular file in pre-order, one progress
// text per subfolder in post-order.
#include "engine/FolderPrefetch.h"
#include "engine/ScanEngine.h"
#include "platform/FolderListing.h"
#include "platform/Path.h"

void CScanEngine::ScanFolders()
{
    std::lock_guard<std::mutex> hold(m_lock);
    CFolderPrefetch prefetch(m_stop);
    m_prefetch = &prefetch;
    for (const std::string& root : m_folders) {
        if (IsStopped())
            break;
        ScanRoot(root);
    }
    m_prefetch = nullptr;
}

void CScanEngine::ScanRoot(const std::string& root)
{
    // An empty root, or a relative one whose base is gone, names no folder: it must never become
    // the whole file system.
    std::string folder = root.empty() ? root : platform::FullPath(root);
    if (folder.empty()) {
        Warn(ScanWarning::EKind::UnusableRoot, root);
        return;
    }
    m_currentRoot = folder;
    while (!folder.empty() && platform::IsPathSeparator(folder.back()))
        folder.pop_back();
    ScanFolder(folder);
}

struct CScanEngine::WalkFrame
{
    std::string reported; // as the parent's listing names it
    std::string listed;   // as it was listed
    platform::CFolderListing listing;
    std::size_t next = 0; // the next entry to take
};

bool CScanEngine::EnterFolder(const std::string& folder, std::vector<WalkFrame>& stack)
{
    if (IsStopped())
        return false;
    WalkFrame frame;
    frame.reported = folder;
    frame.listed = platform::FullPath(folder + platform::kPathSeparator);
    if (!m_prefetch->Open(frame.listed, frame.listing))
        return false;
    if (!m_walkedFolders.insert(frame.listing.FolderId()).second)
        return false;
    m_prefetch->Offer(frame.listed, frame.listing);
    stack.push_back(std::move(frame));
    return true;
}

void CScanEngine::ScanFolder(const std::string& root)
{
    // Depth first with a stack of open listings rather than by recursion, so that the depth of a
    // tree is limited by memory and not by the worker's stack. A folder's files are recorded as its
    // listing is read (pre-order); a subfolder is reported once everything below it is walked
    // (post-order), or at once when it cannot be entered.
    std::vector<WalkFrame> stack;
    EnterFolder(root, stack);
    while (!stack.empty()) {
        WalkFrame& top = stack.back();
        const std::vector<platform::FolderEntry>& entries = top.listing.Entries();
        if (top.next == entries.size()) {
            const std::string done = std::move(top.reported);
            stack.pop_back();
            if (!stack.empty())
                NotifyScanProgress(done);
            continue;
        }
        const platform::FolderEntry& entry = entries[top.next++];
        if (entry.name == "." || entry.name == "..")
            continue;
        std::string path = top.listed;
        if (!platform::IsPathSeparator(path.back()))
            path += platform::kPathSeparator;
        path += entry.name;
        if (entry.isDirectory) {
            if (!EnterFolder(path, stack))
                NotifyScanProgress(path);
            continue;
        }
        AddFile(std::move(path), entry);
    }
}

void CScanEngine::AddFile(std::string path, const platform::FolderEntry& entry)
{
    if (!entry.isFile || entry.size == 0)
        return;
    if (!m_recordedFiles.insert(entry.id).second)
        return;

    FileItem item(std::move(path));
    item.size = entry.size;
    item.modified = entry.modified;
    m_files.push_back(std::move(item));
    m_stamps.push_back(entry.Stamp());
}
