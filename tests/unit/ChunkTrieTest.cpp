// The branches of a crowded class alone: where a file goes on after the branch it followed was cut,
// and which branches a digest finds.
#include "engine/ChunkTrie.h"

#include <gtest/gtest.h>

namespace {

using Found = std::vector<std::int32_t>;

Found Find(const CChunkTrie& trie, std::int32_t node, std::uint64_t digest)
{
    Found found;
    trie.Find(node, digest, found);
    return found;
}

TEST(ChunkTrie, CutsKeepEachFileOnItsAnchorsPathAndEachBranchFoundByItsFirstChunk)
{
    CChunkTrie trie(10);
    trie.Add(CChunkTrie::kRoot, 0, 111); // anchor 0 over chunks 0 to 9
    const std::int32_t whole = 1;
    const std::int32_t before = trie.Cut(whole, 6, 222); // member 5 parts from it at chunk 6
    trie.Add(before, 5, 333);
    const std::int32_t top = trie.Cut(before, 2, 444); // member 7 parts at chunk 2
    trie.Add(top, 7, 555);

    EXPECT_EQ(Find(trie, CChunkTrie::kRoot, 111), Found{top});
    EXPECT_EQ(Find(trie, top, 444), Found{before});
    EXPECT_EQ(Find(trie, top, 555), Found{5});
    EXPECT_EQ(Find(trie, before, 222), Found{whole});
    EXPECT_EQ(Find(trie, before, 333), Found{3});
    EXPECT_EQ(Find(trie, before, 111), Found{});

    // A file that agreed with anchor 0 on whatever branch it last saw goes on along anchor 0.
    const struct
    {
        std::int32_t from;
        std::uint32_t chunk;
        std::int32_t expected;
    } moves[] = {{whole, 0, top},  {whole, 3, before}, {whole, 7, whole}, {before, 1, top},
                 {top, 2, before}, {top, 9, whole},    {5, 8, 5}};
    for (const auto& move : moves) {
        SCOPED_TRACE(testing::Message() << move.from << " at " << move.chunk);
        EXPECT_EQ(trie.Settle(move.from, move.chunk), move.expected);
    }
    EXPECT_EQ(trie.Settle(CChunkTrie::kRoot, 0), CChunkTrie::kRoot);
}

TEST(ChunkTrie, ManyBranchesOfOneChunkAreEachFoundByTheirDigestAloneOrTogether)
{
    CChunkTrie trie(3);
    for (std::int32_t i = 0; i < 5000; ++i)
        trie.Add(CChunkTrie::kRoot, i, static_cast<std::uint64_t>(i % 2500) << 40);
    for (std::int32_t i = 0; i < 2500; i += 499)
        EXPECT_EQ(Find(trie, CChunkTrie::kRoot, static_cast<std::uint64_t>(i) << 40),
                  (Found{i + 1, i + 2501}));
    EXPECT_EQ(Find(trie, 1, 0), Found{});
}

} // namespace
