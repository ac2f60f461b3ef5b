// One folder's entries with the facts the walk needs, read at once so that no descriptor stays open
// while the walk descends (deep trees would otherwise run out of descriptors).
#pragma once

#include "platform/FileIdentity.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

namespace platform {

struct FolderEntry
{
    std::string name;
    bool isDirectory = false; // a link to a folder counts as a folder
    bool isFile = false;      // a regular file; links to files, devices and pipes are neither
    std::int64_t size = 0;
    std::int64_t modified = 0;  // last write, seconds since 1970 UTC; 0 when its local year is before 1900
    std::int64_t writeTime = 0; // last write, as FileStamp keeps it
    FileId id;
    bool hidden = false;     // a name that starts with "." on POSIX, hidden or system on Windows
    std::uint32_t links = 0; // the file's names (hard links); 0 where the listing cannot tell

    FileStamp Stamp() const { return FileStamp{id, size, writeTime}; }
};

class CFolderListing
{
public:
    // Reads the folder's entries, "." and ".." included, in byte order of their names so that a
    // scan gives the same results on every file system. False when the folder cannot be listed, or
    // when `stop` is set before it is done (on a share a large folder takes a request an entry). A
    // folder whose identity is in `leaveOut` is not listed: false, and LeftOut() says why.
    bool Open(const std::string& folder, const std::atomic<bool>* stop = nullptr,
              const FileIdSet* leaveOut = nullptr);

    bool LeftOut() const { return m_leftOut; }
    const FileId& FolderId() const { return m_folderId; }
    const std::vector<FolderEntry>& Entries() const { return m_entries; }

private:
    FileId m_folderId;
    bool m_leftOut = false;
    std::vector<FolderEntry> m_entries;
};

// Seconds since 1970 as recorded for a file: 0 when the local calendar year is before 1900.
std::int64_t RecordedTime(std::int64_t secondsSince1970);

} // namespace platform
