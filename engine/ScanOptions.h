// What a scan leaves out: folders and files by name pattern or by place, files outside a range of
// sizes, and hidden ones. With the defaults nothing is left out and a scan is exactly as without them.
#pragma once

#include "platform/FileIdentity.h"
#include "platform/FolderListing.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct ScanOptions
{
    std::vector<std::string> folders;     // name patterns (`*`, `?`), or absolute paths: all under them too
    std::vector<std::string> files;       // name patterns, or absolute paths of files
    std::optional<std::int64_t> smallest; // bytes; a file below is left out
    std::optional<std::int64_t> largest;  // bytes; a file above is left out
    bool leaveOutHidden = false;

    bool LeavesOutAnything() const;
};

// The options as a user types them: entries a line each, sizes as text, empty for no bound.
struct ScanOptionsText
{
    std::string folders;
    std::string files;
    std::string smallest;
    std::string largest;
    bool leaveOutHidden = false;
};

// What is wrong with typed options, and where, so that a dialog can point at it.
struct ScanOptionsProblem
{
    enum class EField
    {
        None,
        Folders,
        Files,
        Smallest,
        Largest,
    };
    EField field = EField::None;
    std::string text; // names the value; empty when there is no problem

    explicit operator bool() const { return field != EField::None; }
};

// A size: a whole or decimal number, then optionally B, KB, MB, GB, TB (of 1,000) or KiB, MiB, GiB,
// TiB (of 1,024), letter case aside; rounded to whole bytes. Empty text is no bound. Returns what is
// wrong, naming the text, or empty.
std::string ReadSize(std::string_view text, std::optional<std::int64_t>& bytes);

// An entry of either list: a name pattern holds no path separator; anything else must be an
// absolute path. Returns what is wrong, naming the entry, or empty.
std::string CheckEntry(std::string_view entry);

// Reads typed options: lines trimmed of spaces, empty lines skipped. On a problem `options` is left
// as it was.
ScanOptionsProblem ReadScanOptions(const ScanOptionsText& text, ScanOptions& options);

// The options ready for one walk: names and paths as the system compares them, and what is named by
// path known by identity as well, so that no other spelling of the path (a link, another view of the
// folder) leads into it. Nothing in it changes once made: the walk and the threads listing ahead of
// it share it.
class CLeaveOut
{
public:
    explicit CLeaveOut(const ScanOptions& options);

    // A folder of the scan's own list: left out when its name or place is, or it is hidden.
    bool Root(const std::string& folder) const;
    // An entry met in a listing, and its full path.
    bool Folder(const platform::FolderEntry& entry, const std::string& path) const;
    bool File(const platform::FolderEntry& entry) const;
    // The folders named by path, by identity: a listing refuses them (CFolderListing::Open).
    const platform::FileIdSet* FolderIds() const { return m_folderIds.empty() ? nullptr : &m_folderIds; }

private:
    bool NameMatches(const std::vector<std::string>& patterns, const std::string& name) const;
    bool PathMatches(const std::string& path) const;

    std::vector<std::string> m_folderNames, m_fileNames; // patterns, as the system compares names
    std::vector<std::string> m_folderPaths; // full paths, likewise: found without asking the system
    platform::FileIdSet m_folderIds;
    platform::FileIdSet m_fileIds;
    std::int64_t m_smallest;
    std::int64_t m_largest;
    bool m_hidden;
};
