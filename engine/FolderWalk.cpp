// Depth first with a stack of open listings rather than by recursion, so that the depth of a tree is
// limited by memory and not by the thread's stack. A folder's files are recorded as its listing is
// read; a subfolder is reported once everything below it is walked, or at once when it cannot be
// entered.
#include "engine/FolderWalk.h"

#include "platform/FolderListing.h"
#include "platform/Path.h"

#include <algorithm>

struct CFolderWalk::Frame
{
    std::string reported; // as the parent's listing names it
    std::string listed;   // as it was listed
    platform::CFolderListing listing;
    std::size_t next = 0; // the next entry to take
};

CFolderWalk::CFolderWalk(const std::atomic<bool>& stop, std::function<void(const std::string&)> progress,
                         std::size_t listers, std::size_t maxListers, const CLeaveOut* leaveOut)
    : m_stop(stop), m_progress(std::move(progress)), m_leaveOut(leaveOut),
      m_prefetch(stop, listers, maxListers, leaveOut)
{}

void CFolderWalk::Walk(const std::vector<std::string>& roots, FileRecords& files,
                       std::vector<ScanWarning>& warnings, std::string& walking)
{
    for (const std::string& root : roots) {
        if (m_stop.load())
            break;
        // An empty root, or a relative one whose base is gone, names no folder: it must never become
        // the whole file system.
        walking = root.empty() ? root : platform::FullPath(root);
        if (walking.empty()) {
            warnings.push_back(ScanWarning{ScanWarning::EKind::UnusableRoot, root});
            continue;
        }
        std::string folder = walking;
        while (!folder.empty() && platform::IsPathSeparator(folder.back()))
            folder.pop_back();
        if (m_leaveOut != nullptr && m_leaveOut->Root(walking)) {
            ++m_leftOutFolders;
            continue;
        }
        WalkFolder(folder, files);
    }
    walking.clear();
}

void CFolderWalk::WalkFolder(const std::string& root, FileRecords& files)
{
    std::vector<Frame> stack;
    Enter(root, stack);
    while (!stack.empty()) {
        Frame& top = stack.back();
        const std::vector<platform::FolderEntry>& entries = top.listing.Entries();
        if (top.next == entries.size()) {
            const std::string done = std::move(top.reported);
            stack.pop_back();
            if (!stack.empty())
                Report(done, files);
            continue;
        }
        const platform::FolderEntry& entry = entries[top.next++];
        if (platform::IsSelfOrParent(entry.name))
            continue;
        std::string path = platform::JoinPath(top.listed, entry.name);
        if (entry.isDirectory) {
            if (m_leaveOut != nullptr && m_leaveOut->Folder(entry, path))
                ++m_leftOutFolders; // neither listed nor reported: as if it were not there
            else if (Enter(path, stack) == EEntered::No)
                Report(path, files);
            continue;
        }
        Record(std::move(path), entry, files);
    }
}

CFolderWalk::EEntered CFolderWalk::Enter(const std::string& folder, std::vector<Frame>& stack)
{
    if (m_stop.load())
        return EEntered::No;
    Frame frame;
    frame.reported = folder;
    frame.listed = platform::FullPath(folder + platform::kPathSeparator);
    if (!m_prefetch.Open(frame.listed, frame.listing)) {
        if (!frame.listing.LeftOut())
            return EEntered::No;
        ++m_leftOutFolders; // neither listed nor reported: as if it were not there
        return EEntered::LeftOut;
    }
    if (!m_walkedFolders.insert(frame.listing.FolderId()).second)
        return EEntered::No;
    m_prefetch.Offer(frame.listed, frame.listing);
    stack.push_back(std::move(frame));
    return EEntered::Yes;
}

void CFolderWalk::Record(std::string path, const platform::FolderEntry& entry, FileRecords& files)
{
    if (!entry.isFile || entry.size == 0)
        return;
    if (m_leaveOut != nullptr && m_leaveOut->File(entry)) {
        ++m_leftOutFiles;
        return;
    }
    if (!m_recordedFiles.Add(entry.id, files))
        return;
    FileItem item(std::move(path));
    item.size = entry.size;
    item.modified = entry.modified;
    item.names = static_cast<std::uint8_t>(std::min<std::uint32_t>(entry.links, 2));
    files.Add(std::move(item), entry.Stamp());
}

void CFolderWalk::Report(const std::string& folder, const FileRecords& files)
{
    m_progress("(" + std::to_string(static_cast<std::int32_t>(files.size())) + " scanned) " + folder);
}

std::size_t CFolderWalk::CRecordedFiles::Find(const platform::FileId& id, const FileRecords& files) const
{
    // The slot comes from the high bits of a full mix: the low bits of a plain product follow the low
    // bits of the file numbers, which a file system may hand out in strides of a power of two.
    const std::size_t mask = m_slots.size() - 1;
    std::uint64_t mixed = id.index * 0x9E3779B97F4A7C15ull ^ id.device;
    mixed = (mixed ^ (mixed >> 31)) * 0xBF58476D1CE4E5B9ull;
    for (std::size_t at = static_cast<std::size_t>(mixed >> 32) & mask;; at = (at + 1) & mask) {
        const std::int32_t position = m_slots[at];
        if (position < 0 || files.marks[static_cast<std::size_t>(position)].id == id)
            return at;
    }
}

bool CFolderWalk::CRecordedFiles::Add(const platform::FileId& id, const FileRecords& files)
{
    if (2 * (m_count + 1) > m_slots.size()) {
        // At most half full, so that a search ends after a few slots.
        std::vector<std::int32_t> old(std::max<std::size_t>(1024, 2 * m_slots.size()), -1);
        old.swap(m_slots);
        for (const std::int32_t position : old)
            if (position >= 0)
                m_slots[Find(files.marks[static_cast<std::size_t>(position)].id, files)] = position;
    }
    const std::size_t at = Find(id, files);
    if (m_slots[at] >= 0)
        return false;
    m_slots[at] = static_cast<std::int32_t>(files.size());
    ++m_count;
    return true;
}
