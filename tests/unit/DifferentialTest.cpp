// The partition method against the pairwise reference on random trees: the same texts, the same
// result list, record for record.
#include "tests/support/ScanRun.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Sizes around the boundaries where reading changes its step: whole-file heads, the last block,
// the middle's growing chunks, and the comparison block of the reference.
const std::size_t kSizes[] = {1,    2,     255,   256,   257,   1023,  1024,  1025,   4095,   4096,  4097,
                              8192, 65535, 65536, 65537, 69631, 69632, 69633, 135168, 135169, 400000};

const char* const kEndings[] = {".txt", ".TXT", ".Txt", ".bin", ".dat", "file", "FILE"};

class CRandomTree
{
public:
    CRandomTree(const CTempTree& tree, unsigned seed) : m_tree(tree), m_random(seed) {}

    void Build()
    {
        for (int family = 0; family < 14; ++family)
            AddFamily(family, Pick(kSizes), 2 + Below(5));
        // One crowded family, so that bucketing and the second thread have work.
        AddFamily(99, 8192, 40);
        (void)m_tree.SymLink(m_tree.Path("d1"), "d0/again"); // a folder reached twice, where links exist
    }

private:
    template <class T, std::size_t N> T Pick(const T (&items)[N]) { return items[Below(N)]; }
    std::size_t Below(std::size_t n)
    {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(m_random);
    }

    void AddFamily(int family, std::size_t size, std::size_t members)
    {
        const std::string base = PatternBytes(size, m_random());
        std::vector<std::string> written;
        for (std::size_t m = 0; m < members; ++m) {
            std::string bytes = base;
            switch (Below(5)) {
            case 0:
                bytes[0] ^= 1;
                break;
            case 1:
                bytes[size / 2] ^= 2;
                break;
            case 2:
                bytes[size - 1] ^= 4;
                break;
            default:
                break; // an exact copy
            }
            const std::string name = "d" + std::to_string(Below(4)) + "/f" + std::to_string(family) + "_" +
                                     std::to_string(m) + Pick(kEndings);
            if (!written.empty() && Below(8) == 0) {
                m_tree.HardLink(written[Below(written.size())], name);
            } else {
                m_tree.Write(name, bytes);
            }
            written.push_back(name);
        }
    }

    const CTempTree& m_tree;
    std::mt19937 m_random;
};

void ExpectSameRecords(const std::vector<FileItem>& fast, const std::vector<FileItem>& reference)
{
    ASSERT_EQ(fast.size(), reference.size());
    for (std::size_t i = 0; i < fast.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(fast[i].path, reference[i].path);
        EXPECT_EQ(fast[i].size, reference[i].size);
        EXPECT_EQ(fast[i].grouped, reference[i].grouped);
        EXPECT_EQ(fast[i].modified, reference[i].modified);
    }
}

TEST(DifferentialResolution, PartitionEqualsPairwiseOnRandomTrees)
{
    for (unsigned seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE(seed);
        CTempTree tree;
        CRandomTree(tree, seed).Build();
        const std::vector<std::string> roots = {tree.Root(), tree.Path("d2")};
        const ScanOutcome fast = RunScan(roots, {}, EResolveMethod::Partition);
        const ScanOutcome reference = RunScan(roots, {}, EResolveMethod::Pairwise);
        EXPECT_GT(reference.groupCount, 3);
        EXPECT_EQ(fast.scanTexts, reference.scanTexts);
        EXPECT_EQ(fast.resolveTexts, reference.resolveTexts);
        EXPECT_EQ(fast.groupCount, reference.groupCount);
        EXPECT_EQ(fast.summary, reference.summary);
        ExpectSameRecords(fast.results, reference.results);
    }
}

} // namespace
