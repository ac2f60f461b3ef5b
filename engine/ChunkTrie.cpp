// The branches of a crowded class's files and the table that finds them by their first chunk.
#include "engine/ChunkTrie.h"

#include "engine/Digest.h"

#include <cassert>

CChunkTrie::CChunkTrie(std::uint32_t chunks) : m_chunks(chunks), m_table(64, -1)
{
    m_branches.push_back({-1, -1, -1, 0, 0, 0});
}

std::int32_t CChunkTrie::Settle(std::int32_t branch, std::uint32_t chunk) const
{
    // A cut keeps a branch's later part where it was and puts a new one above it, so a file that
    // agreed with the anchor up to `chunk` is found by walking up to before, then on past cuts.
    while (chunk < (*this)[branch].from)
        branch = (*this)[branch].parent;
    while (chunk >= (*this)[branch].end && (*this)[branch].next >= 0)
        branch = (*this)[branch].next;
    return branch;
}

std::size_t CChunkTrie::Slot(std::int32_t parent, std::uint64_t digest) const
{
    return static_cast<std::size_t>(Mix(digest, static_cast<std::uint64_t>(parent)) >> 11) &
           (m_table.size() - 1);
}

void CChunkTrie::Find(std::int32_t node, std::uint64_t digest, std::vector<std::int32_t>& found) const
{
    for (std::size_t s = Slot(node, digest); m_table[s] >= 0; s = (s + 1) & (m_table.size() - 1)) {
        const Branch& branch = (*this)[m_table[s]];
        if (branch.parent == node && branch.digest == digest)
            found.push_back(m_table[s]);
    }
}

void CChunkTrie::Index(std::int32_t branch)
{
    const Branch& b = (*this)[branch];
    std::size_t s = Slot(b.parent, b.digest);
    while (m_table[s] >= 0)
        s = (s + 1) & (m_table.size() - 1);
    m_table[s] = branch;
}

void CChunkTrie::Grow()
{
    // At most half full, so that a search meets an empty slot soon.
    if (2 * (m_branches.size() + 2) <= m_table.size())
        return;
    m_table.assign(m_table.size() * 2, -1);
    for (std::size_t b = 1; b < m_branches.size(); ++b)
        Index(static_cast<std::int32_t>(b));
}

void CChunkTrie::Add(std::int32_t node, std::int32_t anchor, std::uint64_t digest)
{
    Grow();
    const std::uint32_t from = (*this)[node].end;
    m_branches.push_back({anchor, node, -1, from, m_chunks, digest});
    Index(static_cast<std::int32_t>(m_branches.size() - 1));
}

std::int32_t CChunkTrie::Cut(std::int32_t branch, std::uint32_t chunk, std::uint64_t digest)
{
    Grow();
    const auto before = static_cast<std::int32_t>(m_branches.size());
    Branch top = (*this)[branch];
    assert(top.from < chunk && chunk < top.end);
    top.next = branch;
    top.end = chunk;
    m_branches.push_back(top);
    // The part before takes the branch's place among its siblings, found by the same digest.
    std::size_t s = Slot(top.parent, top.digest);
    while (m_table[s] != branch)
        s = (s + 1) & (m_table.size() - 1);
    m_table[s] = before;
    if (top.parent >= 0 && m_branches[static_cast<std::size_t>(top.parent)].next == branch)
        m_branches[static_cast<std::size_t>(top.parent)].next = before;
    Branch& rest = m_branches[static_cast<std::size_t>(branch)];
    rest.parent = before;
    rest.from = chunk;
    rest.digest = digest;
    Index(branch);
    return before;
}
