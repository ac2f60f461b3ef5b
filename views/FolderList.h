// The ordered folder list behind the upper pane, its overlap rule and the project file; no window code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CFolderList
{
public:
    // Removes the trailing separators from `newPath` (the caller keeps the shorter text) and from a
    // copy of `entry`, then tells whether the two are the same folder or one lies inside the other.
    // The test compares texts; only folders of one parent are told apart by their last separator.
    static bool FoldersOverlap(std::string entry, std::string& newPath);

    // FoldersOverlap with each entry in turn; `newPath` stays unchanged when the list is empty.
    bool OverlapsExisting(std::string& newPath) const;

    // Appends the folder unless it overlaps an entry; false then, with `path` shortened as above.
    bool Append(std::string& path);

    // Append for each path in turn, with the same outcome, but in n log n: a list of many thousand
    // folders is loaded at start-up. Gives the refused paths, shortened, in order.
    std::vector<std::string> AppendAll(std::vector<std::string> paths);

    // Removes the entries at the given indexes (any order); the others keep their order.
    void Remove(std::vector<std::size_t> indexes);

    const std::vector<std::string>& Entries() const { return m_entries; }
    bool IsEmpty() const { return m_entries.empty(); }

private:
    std::vector<std::string> m_entries;
};

enum class EProjectResult
{
    Done,
    CannotOpen, // nothing was read or written
    ReadError,  // the lines read so far were handed on, or it is not a regular file: none were
    TooLarge,   // larger than any project file, so not read at all
    WriteError, // the lines written so far stay in the file
};

// Writes one folder per line, every line ended by CR LF; an empty list gives an empty file.
EProjectResult WriteProjectFile(const std::string& path, const std::vector<std::string>& folders);

// No list of folders comes near this; a larger file is some other file, which is not read.
inline constexpr std::int64_t kLargestProjectFile = std::int64_t{64} << 20;

// Hands every line to `line`, in order: a line ends at LF, a CR right before it is dropped, nothing is
// trimmed, and the last line counts even without an end. `opened` runs once the file is open. Where
// the file cannot be opened or read, `reason` says why, in the system's words where it has some.
EProjectResult ReadProjectFile(const std::string& path, const std::function<void(std::string&)>& line,
                               const std::function<void()>& opened = {}, std::string* reason = nullptr);
