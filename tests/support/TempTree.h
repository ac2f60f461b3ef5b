// A real folder tree under the system's temporary folder, removed again when the test ends. Relative
// paths use "/"; Root() is as the system spells it.
#pragma once

#include <cstdint>
#include <string>

class CTempTree
{
public:
    CTempTree();
    ~CTempTree();
    CTempTree(const CTempTree&) = delete;
    CTempTree& operator=(const CTempTree&) = delete;

    // The tree's absolute path, links resolved, without a trailing separator.
    const std::string& Root() const { return m_root; }
    std::string Path(const std::string& relative) const;

    // Each creates the missing parent folders of `relative`.
    void Write(const std::string& relative, const std::string& bytes) const;
    void Append(const std::string& relative, const std::string& bytes) const;
    void MakeFolder(const std::string& relative) const;
    // False where the system will not make the link (tests that need one skip themselves).
    bool SymLink(const std::string& target, const std::string& relative) const;
    void HardLink(const std::string& existing, const std::string& relative) const;
    // False when the system's library could not set that time (some keep only 32-bit times).
    bool SetModified(const std::string& relative, std::int64_t secondsSince1970) const;
    void Remove(const std::string& relative) const;
    // Puts `from` in the place of `to` in one step, as editors save. False where the system refuses
    // (Windows does while `to` is open without delete sharing).
    bool RenameOver(const std::string& from, const std::string& to) const;

private:
    void MakeParents(const std::string& relative) const;

    std::string m_root;
};

// `size` bytes of a fixed pseudo-random pattern picked by `seed`.
std::string PatternBytes(std::size_t size, unsigned seed);
