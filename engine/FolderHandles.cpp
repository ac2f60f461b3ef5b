// A folder not held yet is opened in its parent when the parent is held or can be opened so in turn,
// a few levels up at most; above that by its full path. The descriptors are opened outside the lock,
// so that readers waiting on a slow file system wait side by side; when two open the same folder at
// once, one keeps it and the other's is closed as it is let go.
#include "engine/FolderHandles.h"

#include "platform/Path.h"

namespace {

constexpr int kAncestors = 8; // opened one in another before a full path is looked up instead

// Where `path` splits into its folder and the name in it; npos when it names no folder.
std::size_t FolderEnd(const std::string& path)
{
    for (std::size_t at = path.size(); at > 0; --at)
        if (platform::IsPathSeparator(path[at - 1]))
            return at - 1;
    return std::string::npos;
}

// The folder part of `path` before its separator at `end`. A root (the system's, or a drive's) keeps
// its separator: without it the part would name no folder, or the drive's current one.
std::string FolderPart(const std::string& path, std::size_t end)
{
    return path.substr(0, end == 0 || path[end - 1] == ':' ? end + 1 : end);
}

} // namespace

CFolderHandles::Handle CFolderHandles::FolderOf(const std::string& path, std::string& name)
{
    const std::size_t end = FolderEnd(path);
    if (m_capacity == 0 || end == std::string::npos || end + 1 == path.size())
        return nullptr;
    name.assign(path, end + 1);
    return Get(FolderPart(path, end), kAncestors);
}

CFolderHandles::Handle CFolderHandles::Get(const std::string& folder, int ancestors)
{
    if (Handle held = Find(folder))
        return held;
    auto opened = std::make_shared<platform::CFolderHandle>();
    const std::size_t end = FolderEnd(folder);
    Handle parent;
    if (ancestors > 0 && end != std::string::npos && end + 1 < folder.size() &&
        FolderPart(folder, end) != folder)
        parent = Get(FolderPart(folder, end), ancestors - 1);
    const bool open =
        parent != nullptr ? opened->OpenIn(*parent, folder.substr(end + 1)) : opened->Open(folder);
    if (!open)
        return nullptr;
    Keep(folder, opened);
    return opened;
}

CFolderHandles::Handle CFolderHandles::Find(const std::string& folder)
{
    const std::lock_guard<std::mutex> hold(m_mutex);
    const auto kept = m_kept.find(folder);
    if (kept == m_kept.end())
        return nullptr;
    m_order.splice(m_order.begin(), m_order, kept->second.at);
    return kept->second.handle;
}

void CFolderHandles::Keep(const std::string& folder, const Handle& handle)
{
    const std::lock_guard<std::mutex> hold(m_mutex);
    if (m_kept.count(folder) != 0)
        return; // another reader opened it meanwhile; this one closes as its users let it go
    m_order.push_front(folder);
    m_kept.emplace(folder, Kept{handle, m_order.begin()});
    while (m_kept.size() > m_capacity) {
        m_kept.erase(m_order.back());
        m_order.pop_back();
    }
}
