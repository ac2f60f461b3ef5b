// Folders held open for the reading rounds, so that each file is opened by its name in its folder:
// opened by its full path, every folder on the way would be looked up again, and on a share each
// look-up is a round trip. Shared by every reader of a scan; a bounded number stay open, the one
// unused longest closed first.
#pragma once

#include "platform/InputFile.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

class CFolderHandles
{
public:
    using Handle = std::shared_ptr<const platform::CFolderHandle>;

    explicit CFolderHandles(std::size_t capacity) : m_capacity(capacity) {}
    CFolderHandles(const CFolderHandles&) = delete;
    CFolderHandles& operator=(const CFolderHandles&) = delete;

    // The folder that holds the file `path`; `name` is then set to where the file's name starts in
    // `path`. Null when none may be kept open or the folder cannot be opened: the file is then
    // opened by its full path.
    Handle FolderOf(const std::string& path, std::size_t& name);

    // The system ran out of descriptors: closes every folder held (as its readers let it go) and
    // keeps none from now on, so that the files are opened by their full paths.
    void Release();

private:
    Handle Get(std::string_view folder, int ancestors);
    Handle Find(std::string_view folder); // also marks it used
    void Keep(std::string_view folder, const Handle& handle);

    // Folders are looked up by a view into a file's path, with no copy of it.
    struct Hash
    {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const noexcept
        {
            return std::hash<std::string_view>()(text);
        }
    };
    struct Kept
    {
        Handle handle;
        std::list<std::string>::iterator at;
    };

    std::atomic<std::size_t> m_capacity;
    std::mutex m_mutex;
    std::list<std::string> m_order; // the folder used last first
    std::unordered_map<std::string, Kept, Hash, std::equal_to<>> m_kept;
};
