// Folders held open for the reading rounds, so that each file is opened by its name in its folder:
// opened by its full path, every folder on the way would be looked up again, and on a share each
// look-up is a round trip. Shared by every reader of a scan; a bounded number stay open, the one
// unused longest closed first.
#pragma once

#include "platform/InputFile.h"

#include <cstddef>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

class CFolderHandles
{
public:
    using Handle = std::shared_ptr<const platform::CFolderHandle>;

    explicit CFolderHandles(std::size_t capacity) : m_capacity(capacity) {}
    CFolderHandles(const CFolderHandles&) = delete;
    CFolderHandles& operator=(const CFolderHandles&) = delete;

    // The folder that holds the file `path`, and the file's name in it. Null when none may be kept
    // open or the folder cannot be opened: the file is then opened by its full path.
    Handle FolderOf(const std::string& path, std::string& name);

private:
    Handle Get(const std::string& folder, int ancestors);
    Handle Find(const std::string& folder); // also marks it used
    void Keep(const std::string& folder, const Handle& handle);

    const std::size_t m_capacity;
    std::mutex m_mutex;
    std::list<std::string> m_order; // the folder used last first
    struct Kept
    {
        Handle handle;
        std::list<std::string>::iterator at;
    };
    std::unordered_map<std::string, Kept> m_kept;
};
