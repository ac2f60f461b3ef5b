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

// True when `folder` joined with the name after `end` names `path` again: a name is opened in its
// folder only then (a share's name such as \\server\share has no folder of its own to open).
bool Rejoins(const std::string& folder, const std::string& path, std::size_t end)
{
    const std::string joined = platform::JoinPath(folder, std::string_view(path).substr(end + 1));
    if (joined.size() != path.size())
        return false;
    for (std::size_t i = 0; i < path.size(); ++i)
        if (joined[i] != path[i] &&
            !(platform::IsPathSeparator(joined[i]) && platform::IsPathSeparator(path[i])))
            return false;
    return true;
}

} // namespace

CFolderHandles::Handle CFolderHandles::FolderOf(const std::string& path, std::string& name)
{
    const std::size_t end = FolderEnd(path);
    if (m_capacity == 0 || end == std::string::npos || end + 1 == path.size())
        return nullptr;
    const std::string folder = FolderPart(path, end);
    if (!Rejoins(folder, path, end))
        return nullptr;
    name.assign(path, end + 1);
    return Get(folder, kAncestors);
}

CFolderHandles::Handle CFolderHandles::Get(const std::string& folder, int ancestors)
{
    if (Handle held = Find(folder))
        return held;
    auto opened = std::make_shared<platform::CFolderHandle>();
    const std::size_t end = FolderEnd(folder);
    Handle parent;
    if (ancestors > 0 && end != std::string::npos && end + 1 < folder.size() &&
        FolderPart(folder, end) != folder && Rejoins(FolderPart(folder, end), folder, end))
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
