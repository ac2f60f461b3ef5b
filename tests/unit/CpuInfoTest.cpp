// The processor information text from recorded CPUID answers, and the Linux speed parsers.
#include "platform/CpuInfo.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <vector>

namespace {

using platform::CpuidAnswer;

// A processor as recorded: leaves it was not asked about answer zeros, like reserved ones do.
class CRecordedCpu : public platform::CCpuFacts
{
public:
    CRecordedCpu(const char* vendor, std::uint32_t maxStandard, std::uint32_t maxExtended)
    {
        CpuidAnswer leaf0{maxStandard, 0, 0, 0};
        std::memcpy(&leaf0.ebx, vendor, 4);
        std::memcpy(&leaf0.edx, vendor + 4, 4);
        std::memcpy(&leaf0.ecx, vendor + 8, 4);
        m_leaves[0] = leaf0;
        m_leaves[0x80000000] = {maxExtended, 0, 0, 0};
    }

    CRecordedCpu& Leaf(std::uint32_t leaf, CpuidAnswer answer)
    {
        m_leaves[leaf] = answer;
        return *this;
    }

    CRecordedCpu& Brand(const std::string& text)
    {
        char bytes[48] = {};
        std::memcpy(bytes, text.data(), std::min<std::size_t>(text.size(), 48));
        for (std::uint32_t i = 0; i < 3; ++i) {
            CpuidAnswer answer;
            std::memcpy(&answer, bytes + 16 * i, 16);
            m_leaves[0x80000002 + i] = answer;
        }
        return *this;
    }

    CRecordedCpu& Speeds(std::vector<int> mhz)
    {
        m_speeds = std::move(mhz);
        return *this;
    }

    CpuidAnswer Cpuid(std::uint32_t leaf) const override
    {
        const auto found = m_leaves.find(leaf);
        return found == m_leaves.end() ? CpuidAnswer{} : found->second;
    }
    int ProcessorCount() const override { return static_cast<int>(m_speeds.size()); }
    int SpeedMHz(int index) const override { return m_speeds.at(index); }

private:
    std::map<std::uint32_t, CpuidAnswer> m_leaves;
    std::vector<int> m_speeds{0};
};

// Leaf 1 with FPU, MMX, SSE, SSE2, HTT in EDX and SSE3, EST, SSSE3 in ECX.
constexpr CpuidAnswer kLeaf1AllFeatures{0, 0, (1u << 0) | (1u << 7) | (1u << 9),
                                        (1u << 0) | (1u << 23) | (1u << 25) | (1u << 26) | (1u << 28)};
// 3DNow!, its extension and the MMX extension.
constexpr CpuidAnswer kAmdExtras{0, 0, 0, (1u << 31) | (1u << 30) | (1u << 22)};
constexpr CpuidAnswer kL1With64K{0, 0, 64u << 24, 0};
constexpr CpuidAnswer kL2With512K{0, 0, 512u << 16, 0};

std::string Text(const platform::CCpuFacts& facts)
{
    std::string text = "left over from before";
    platform::GetCpuInfoText(text, facts);
    return text;
}

TEST(CpuInfoText, FollowsTheVendorRulesForFeaturesAndCaches)
{
    const struct
    {
        const char* what;
        CRecordedCpu cpu;
        std::string expected;
    } rows[] = {
        {"Intel with SSSE3 and a padded brand string: no first-level cache line",
         CRecordedCpu("GenuineIntel", 0xB, 0x80000008)
             .Brand("   Intel(R) Core(TM) i5 CPU       ")
             .Leaf(1, kLeaf1AllFeatures)
             .Leaf(0x80000001, kAmdExtras)
             .Leaf(0x80000005, kL1With64K)
             .Leaf(0x80000006, kL2With512K)
             .Speeds({2400}),
         " CPU:    Intel(R) Core(TM) i5 CPU (GenuineIntel)\n"
         " L2 cache size: 512K\n"
         " CPU Features: FPU MMX SSE SSE2 SSE3 SSSE3 EST HTT \n"
         " Number of CPUs: 1\n"
         " * CPU 0 speed: ~2400MHz\n"},
        {"AMD with the same bits: no SSSE3 or EST, its own words, L1 before L2",
         CRecordedCpu("AuthenticAMD", 1, 0x80000006)
             .Brand("AMD Athlon(tm) 64 Processor")
             .Leaf(1, kLeaf1AllFeatures)
             .Leaf(0x80000001, kAmdExtras)
             .Leaf(0x80000005, kL1With64K)
             .Leaf(0x80000006, kL2With512K)
             .Speeds({1800}),
         " CPU: AMD Athlon(tm) 64 Processor (AuthenticAMD)\n"
         " L1 cache size: 64K\n"
         " L2 cache size: 512K\n"
         " CPU Features: FPU MMX SSE SSE2 SSE3 HTT 3DNow! Ex3DNow! MmxExt \n"
         " Number of CPUs: 1\n"
         " * CPU 0 speed: ~1800MHz\n"},
        {"AMD with its brand but no cache leaves",
         CRecordedCpu("AuthenticAMD", 1, 0x80000004).Brand("AMD K6").Leaf(0x80000001, kAmdExtras),
         " CPU: AMD K6 (AuthenticAMD)\n"
         " CPU Features: 3DNow! Ex3DNow! MmxExt \n"
         " Number of CPUs: 1\n"
         " * CPU 0 speed: ~0MHz\n"},
        {"no extended leaves and no leaf 1: vendor line and an empty feature list",
         CRecordedCpu("GenuineIntel", 0, 0).Leaf(1, kLeaf1AllFeatures),
         " CPU: GenuineIntel\n"
         " CPU Features: \n"
         " Number of CPUs: 1\n"
         " * CPU 0 speed: ~0MHz\n"},
        {"a small answer to the extended base leaf counts as none",
         CRecordedCpu("AuthenticAMD", 1, 5).Brand("never read").Leaf(0x80000006, kL2With512K),
         " CPU: AuthenticAMD\n"
         " CPU Features: \n"
         " Number of CPUs: 1\n"
         " * CPU 0 speed: ~0MHz\n"},
        {"an unknown vendor gets the common words and the L2 line, on four processors",
         CRecordedCpu("CyrixInstead", 1, 0x80000006)
             .Brand("6x86MX")
             .Leaf(1, kLeaf1AllFeatures)
             .Leaf(0x80000001, kAmdExtras)
             .Leaf(0x80000005, kL1With64K)
             .Leaf(0x80000006, kL2With512K)
             .Speeds({200, 233, 0, 166}),
         " CPU: 6x86MX (CyrixInstead)\n"
         " L2 cache size: 512K\n"
         " CPU Features: FPU MMX SSE SSE2 SSE3 HTT \n"
         " Number of CPUs: 4\n"
         " * CPU 0 speed: ~200MHz\n"
         " * CPU 1 speed: ~233MHz\n"
         " * CPU 2 speed: ~0MHz\n"
         " * CPU 3 speed: ~166MHz\n"},
        {"a vendor that only looks like AMD is not AMD", CRecordedCpu("AuthenticAMX", 0, 0x80000005),
         " CPU:  (AuthenticAMX)\n"
         " CPU Features: \n"
         " Number of CPUs: 1\n"
         " * CPU 0 speed: ~0MHz\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(Text(row.cpu), row.expected);
    }
}

TEST(CpuSpeedParsers, ReadKiloHertzAndTheCpuInfoLineOfTheRightProcessor)
{
    const struct
    {
        const char* text;
        int mhz;
    } cpufreq[] = {{"2400000\n", 2400}, {"1999600", 2000}, {"", 0}, {"n/a\n", 0}, {"-5\n", 0}, {"12 34", 0}};
    for (const auto& row : cpufreq) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(platform::ParseCpufreqMHz(row.text), row.mhz);
    }

    std::string x86;
    for (int i = 0; i < 11; ++i)
        x86 += "processor\t: " + std::to_string(i) +
               "\nvendor_id\t: GenuineIntel\nmodel name\t: x cpu MHz\n" +
               "cpu MHz\t\t: " + std::to_string(1000 + i) + ".6\ncache size\t: 4096 KB\n\n";
    const std::string arm = "processor\t: 0\nBogoMIPS\t: 48.00\n\nprocessor\t: 1\nBogoMIPS\t: 48.00\n\n"
                            "Hardware\t: some board\n";
    const struct
    {
        const std::string* text;
        int index;
        int mhz;
    } cpuinfo[] = {{&x86, 0, 1001}, {&x86, 1, 1002}, {&x86, 10, 1011},
                   {&x86, 11, 0},   {&arm, 0, 0},    {&arm, 1, 0}};
    for (const auto& row : cpuinfo) {
        SCOPED_TRACE(row.index);
        EXPECT_EQ(platform::ParseCpuInfoMHz(*row.text, row.index), row.mhz);
    }
    EXPECT_EQ(platform::ParseCpuInfoMHz("", 0), 0);
}

} // namespace
