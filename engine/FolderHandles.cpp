// A folder not held yet is opened in its parent when the parent is held or can be opened so in turn,
// a few levels up at most; above that by its full path. The descriptors are opened outside the lock,
// so that readers waiting on a slow file system wait side by side; when two open the same folder at
// once, one keeps it and the other's is closed as it is let go.
#include "engine/FolderHandles.h"

#include "platform/Path.h"

namespace {

constexpr int kAncestors = 8; // opened one in another before a full path is looked up instead

// Where `path` splits into its folder and the name in it; npos when it names no folder.
std::size_t FolderEnd(std::string_view path)
{
    for (std::size_t at = path.size(); at > 0; --at)
        if (platform::IsPathSeparator(path[at - 1]))
            return at - 1;
    return std::string_view::npos;
}

// The folder part of `path` before its separator at `end`, or none (empty) where that folder and
// the name after `end` would not make up `path` again. A root (the system's, or a drive's) keeps its
// separator: without it the part would name no folder, or the drive's current one. A share's name
// such as \\server has no folder of its own to open.
std::string_view FolderPart(std::string_view path, std::size_t end)
{
    if (end == std::string_view::npos || end + 1 >= path.size())
        return {};
    if (end == 0 || path[end - 1] == ':')
        return path.substr(0, end + 1);
    if (platform::IsPathSeparator(path[end - 1]))
        return {};
    return path.substr(0, end);
}

} // namespace

CFolderHandles::Handle CFolderHandles::FolderOf(const std::string& path, std::size_t& name)
{
    const std::size_t end = FolderEnd(path);
    const std::string_view folder = FolderPart(path, end);
    if (m_capacity == 0 || folder.empty())
        return nullptr;
    name = end + 1;
    return Get(folder, kAncestors);
}

void CFolderHandles::Release()
{
    const std::lock_guard<std::mutex> hold(m_mutex);
    m_capacity = 0;
    m_kept.clear();
    m_order.clear();
}

CFolderHandles::Handle CFolderHandles::Get(std::string_view folder, int ancestors)
{
    if (Handle held = Find(folder))
        return held;
    auto opened = std::make_shared<platform::CFolderHandle>();
    const std::size_t end = FolderEnd(folder);
    const std::string_view parentPart = FolderPart(folder, end);
    const Handle parent = ancestors > 0 && !parentPart.empty() && parentPart != folder
                              ? Get(parentPart, ancestors - 1)
                              : nullptr;
    const bool open = parent != nullptr ? opened->OpenIn(*parent, std::string(folder.substr(end + 1)))
                                        : opened->Open(std::string(folder));
    if (!open)
        return nullptr;
    Keep(folder, opened);
    return opened;
}

CFolderHandles::Handle CFolderHandles::Find(std::string_view folder)
{
    const std::lock_guard<std::mutex> hold(m_mutex);
    const auto kept = m_kept.find(folder);
    if (kept == m_kept.end())
        return nullptr;
    m_order.splice(m_order.begin(), m_order, kept->second.at);
    return kept->second.handle;
}

void CFolderHandles::Keep(std::string_view folder, const Handle& handle)
{
    const std::lock_guard<std::mutex> hold(m_mutex);
    if (m_kept.find(folder) != m_kept.end())
        return; // another reader opened it meanwhile; this one closes as its users let it go
    m_order.emplace_front(folder);
    m_kept.emplace(m_order.front(), Kept{handle, m_order.begin()});
    while (m_kept.size() > m_capacity) {
        m_kept.erase(m_order.back());
        m_order.pop_back();
    }
}
