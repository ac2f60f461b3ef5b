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

void CScanEngine::ScanFolder(const std::string& folder)
{
    if (IsStopped())
        return;
    m_searchPattern = folder;
    m_searchPattern += platform::kPathSeparator;
    m_searchPattern += '*';

    const std::string listed =
        platform::FullPath(std::string_view(m_searchPattern).substr(0, m_searchPattern.size() - 1));
    platform::CFolderListing listing;
    if (!m_prefetch->Open(listed, listing))
        return;
    if (!m_walkedFolders.insert(listing.FolderId()).second)
        return;
    m_prefetch->Offer(listed, listing);
    for (const platform::FolderEntry& entry : listing.Entries())
        AddEntry(listed, entry);
}

void CScanEngine::AddEntry(const std::string& folderPath, const platform::FolderEntry& entry)
{
    const bool dots = entry.name == "." || entry.name == "..";
    std::string path = folderPath;
    if (!platform::IsPathSeparator(path.back()))
        path += platform::kPathSeparator;
    path += entry.name;

    if (entry.isDirectory && !dots) {
        ScanFolder(path);
        NotifyScanProgress(path);
        return;
    }
    if (dots || !entry.isFile || entry.size == 0)
        return;
    if (!m_recordedFiles.insert(entry.id).second)
        return;

    FileItem item(std::move(path));
    item.size = entry.size;
    item.modified = entry.modified;
    m_files.push_back(std::move(item));
    m_stamps.push_back(entry.Stamp());
}
