// Decides which member of a crowded class a file being read must be compared with next. Files are
// cut into the same numbered chunks; a branch is a stretch of chunks over which every file that
// reached it agrees with the branch's anchor, byte for byte. Where files part, the branch is cut
// and the newcomer starts a branch of its own beside the rest; branches that start at one chunk are
// found by a digest of that chunk, which only picks the anchor to compare with.
#pragma once

#include <cstdint>
#include <vector>

class CChunkTrie
{
public:
    struct Branch
    {
        std::int32_t anchor;  // the file the branch's chunks are compared with; -1 for the root
        std::int32_t parent;  // the branch that ends where this one starts; -1 for the root
        std::int32_t next;    // the part of the same anchor's stretch after a cut, or -1
        std::uint32_t from;   // first chunk
        std::uint32_t end;    // one past the last chunk
        std::uint64_t digest; // of the anchor's chunk `from`
    };
    static constexpr std::int32_t kRoot = 0; // ends at chunk 0: the branches of every first chunk

    explicit CChunkTrie(std::uint32_t chunks);

    const Branch& operator[](std::int32_t branch) const
    {
        return m_branches[static_cast<std::size_t>(branch)];
    }

    // From a branch a file agreed with up to `chunk`, the branch of the same anchor that holds
    // `chunk` now that cuts may have moved it; the root while no branch does.
    std::int32_t Settle(std::int32_t branch, std::uint32_t chunk) const;

    // Appends the branches that start where `node` ends and whose first chunk has `digest`.
    void Find(std::int32_t node, std::uint64_t digest, std::vector<std::int32_t>& found) const;

    // A branch of `anchor`, from where `node` ends to the last chunk.
    void Add(std::int32_t node, std::int32_t anchor, std::uint64_t digest);

    // Cuts `branch` before `chunk` (inside it, after its first): the part before becomes a branch
    // of its own, which is returned, and `branch` keeps the rest under it, `digest` its first chunk's.
    std::int32_t Cut(std::int32_t branch, std::uint32_t chunk, std::uint64_t digest);

    std::size_t Count() const { return m_branches.size(); }

private:
    std::size_t Slot(std::int32_t parent, std::uint64_t digest) const;
    void Index(std::int32_t branch);
    void Grow();

    std::uint32_t m_chunks;
    std::vector<Branch> m_branches;
    std::vector<std::int32_t> m_table; // open addressing by (parent, digest): branch or -1
};
