// A regular file opened for reading while other programs may go on reading and writing it.
#pragma once

#include "platform/FileIdentity.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// A folder held open, so that the files in it are opened by their names alone: a full path is
// looked up again, folder by folder, on every open, and on a share every look-up is a round trip.
class CFolderHandle
{
public:
    CFolderHandle() = default;
    CFolderHandle(const CFolderHandle&) = delete;
    CFolderHandle& operator=(const CFolderHandle&) = delete;
    ~CFolderHandle();

    // The folder `path` names, a link on the way followed as any path follows it. False when it
    // cannot be opened.
    bool Open(const std::string& path);
    // The subfolder `name` of `parent`, looked up in that folder alone.
    bool OpenIn(const CFolderHandle& parent, const std::string& name);

private:
    friend class CInputFile;
    std::intptr_t m_handle = -1; // a descriptor where files can be opened relative to one
    std::string m_path;          // elsewhere the folder's path, joined to the file's name
};

class CInputFile
{
public:
    CInputFile() = default;
    CInputFile(const CInputFile&) = delete;
    CInputFile& operator=(const CInputFile&) = delete;
    CInputFile(CInputFile&& other) noexcept;
    CInputFile& operator=(CInputFile&& other) noexcept;
    ~CInputFile();

    // False when the path cannot be opened or is not a regular file (a pipe would block the scan).
    // The size is read as the file is opened.
    bool Open(const std::string& path);
    enum class EOpen
    {
        Opened,
        Changed,       // gone, replaced, rewritten, or no longer a regular file
        NoDescriptors, // the process or the system has no file handle to spare: worth a retry
        Failed,        // it is there but cannot be opened (permissions, an I/O error)
    };
    // Opens the file `path` names only if it is still the regular file `stamp` describes. The check
    // is made on the opened file itself, so nothing can be swapped in between; a link in the last
    // step is not followed, and a pipe or device put in the file's place neither blocks nor is read.
    EOpen OpenSame(const std::string& path, const FileStamp& stamp);
    // The same for the file `name` in `folder`, with the one look-up of that name.
    EOpen OpenSameIn(const CFolderHandle& folder, const char* name, const FileStamp& stamp);
    // True when the open file is still as `stamp` describes it: nothing was written to it meanwhile.
    // A file deleted or renamed over since the open counts as changed (Windows refuses both while it
    // is open); unlike StillSame it cannot see a path given to another file while this one keeps a
    // second name.
    bool Unchanged(const FileStamp& stamp) const;
    void Close();
    bool IsOpen() const { return m_handle != -1; }

    // The size as Open or Examine read it, not as the folder listing gave it.
    bool GetSize(std::int64_t& size) const;

    // Reads from the current position until `count` bytes or the end: the count read, 0 at the
    // end, -1 on failure.
    std::int64_t Read(void* buffer, std::size_t count);

    // The same at an offset, leaving the current position alone.
    std::int64_t ReadAt(void* buffer, std::size_t count, std::int64_t offset);

private:
    bool OpenOnly(const std::string& path);
    EOpen Opened(int fd, const FileStamp& stamp);
    // Reads the size and checks that the file is a regular one.
    bool Examine();
    int Descriptor() const;

    std::intptr_t m_handle = -1; // a descriptor or a handle, -1 when closed
    std::int64_t m_size = -1;
};

// True when `path` still names the file `stamp` describes, unchanged. Checked after a file's last
// read, so that a file rewritten in place, or replaced while it was open, is caught too.
bool StillSame(const std::string& path, const FileStamp& stamp);

// Tells the system that the first `bytes` of the regular file `path` names will be read soon, so
// that it starts fetching them from the disk now; nothing waits, nothing is read here, and a path
// that cannot be opened is passed over.
void AskToReadSoon(const std::string& path, std::int64_t bytes);

// How many files this process may have open at once.
std::size_t OpenFileLimit();

// Bytes this process has had read from storage into memory so far (reads served from the cache
// count nothing); -1 where the system does not tell.
std::int64_t BytesReadFromStorage();

// What holds a folder's files, as far as the speed of reading them goes: many requests at once
// serve a share or a solid-state disk far better than one after another, while a spinning disk
// seeks between them.
enum class EStorage
{
    Solid,
    Spinning,
    Remote,  // a network share or a file system in user space: every request is a round trip
    Unknown, // a local disk the system does not describe (a file system over several devices)
};
EStorage StorageOf(const std::string& folder);

} // namespace platform
