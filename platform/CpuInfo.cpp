// The information text from the processor's answers, and the parsers of the Linux kernel's speeds.
#include "platform/CpuInfo.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace platform {

namespace {

enum class EVendor
{
    Amd,
    Intel,
    Other
};

constexpr std::uint32_t kExtendedBase = 0x80000000;
constexpr std::uint32_t kBrandFirst = 0x80000002;
constexpr std::uint32_t kBrandLast = 0x80000004;
constexpr std::uint32_t kAmdFeatures = 0x80000001;
constexpr std::uint32_t kL1Cache = 0x80000005;
constexpr std::uint32_t kL2Cache = 0x80000006;

// Registers as the processor gives them: their bytes in memory order, cut at the first terminator.
std::string RegisterText(const std::uint32_t* words, std::size_t count)
{
    char bytes[48] = {};
    for (std::size_t i = 0; i < count; ++i)
        for (int b = 0; b < 4; ++b)
            bytes[i * 4 + b] = static_cast<char>((words[i] >> (8 * b)) & 0xFF);
    return std::string(bytes, strnlen(bytes, count * 4));
}

std::string BrandString(const CCpuFacts& facts)
{
    std::uint32_t words[12];
    for (std::uint32_t leaf = kBrandFirst; leaf <= kBrandLast; ++leaf) {
        const CpuidAnswer answer = facts.Cpuid(leaf);
        std::uint32_t* at = words + 4 * (leaf - kBrandFirst);
        at[0] = answer.eax;
        at[1] = answer.ebx;
        at[2] = answer.ecx;
        at[3] = answer.edx;
    }
    std::string brand = RegisterText(words, 12);
    brand.erase(brand.find_last_not_of(' ') + 1); // leading spaces are the processor's own layout
    return brand;
}

bool Bit(std::uint32_t word, int bit)
{
    return (word >> bit) & 1;
}

std::string FeatureWords(const CCpuFacts& facts, std::uint32_t maxStandard, std::uint32_t maxExtended,
                         EVendor vendor)
{
    std::string words;
    auto add = [&words](bool present, const char* word) {
        if (present)
            words += word;
    };
    if (maxStandard >= 1) {
        const CpuidAnswer leaf1 = facts.Cpuid(1);
        add(Bit(leaf1.edx, 0), "FPU ");
        add(Bit(leaf1.edx, 23), "MMX ");
        add(Bit(leaf1.edx, 25), "SSE ");
        add(Bit(leaf1.edx, 26), "SSE2 ");
        add(Bit(leaf1.ecx, 0), "SSE3 ");
        add(vendor == EVendor::Intel && Bit(leaf1.ecx, 9), "SSSE3 ");
        add(vendor == EVendor::Intel && Bit(leaf1.ecx, 7), "EST ");
        add(Bit(leaf1.edx, 28), "HTT ");
    }
    if (vendor == EVendor::Amd && maxExtended >= kAmdFeatures) {
        const CpuidAnswer amd = facts.Cpuid(kAmdFeatures);
        add(Bit(amd.edx, 31), "3DNow! ");
        add(Bit(amd.edx, 30), "Ex3DNow! ");
        add(Bit(amd.edx, 22), "MmxExt ");
    }
    return words;
}

} // namespace

void GetCpuInfoText(std::string& text, const CCpuFacts& facts)
{
    text.clear();
    const CpuidAnswer leaf0 = facts.Cpuid(0);
    const std::uint32_t vendorWords[] = {leaf0.ebx, leaf0.edx, leaf0.ecx};
    const std::string vendorText = RegisterText(vendorWords, 3);
    const EVendor vendor = vendorText == "AuthenticAMD"   ? EVendor::Amd
                           : vendorText == "GenuineIntel" ? EVendor::Intel
                                                          : EVendor::Other;
    // Unsigned: a processor that answers the extended base leaf with a small number has none.
    const std::uint32_t maxExtended = facts.Cpuid(kExtendedBase).eax;

    if (maxExtended >= kBrandLast)
        text += " CPU: " + BrandString(facts) + " (" + vendorText + ")\n";
    else
        text += " CPU: " + vendorText + "\n";

    const std::string features = FeatureWords(facts, leaf0.eax, maxExtended, vendor);
    if (vendor == EVendor::Amd && maxExtended >= kL1Cache)
        text += " L1 cache size: " + std::to_string(facts.Cpuid(kL1Cache).ecx >> 24) + "K\n";
    if (maxExtended >= kL2Cache)
        text += " L2 cache size: " + std::to_string(facts.Cpuid(kL2Cache).ecx >> 16) + "K\n";
    text += " CPU Features: " + features + "\n";

    const int count = facts.ProcessorCount();
    text += " Number of CPUs: " + std::to_string(count) + "\n";
    for (int i = 0; i < count; ++i)
        text += " * CPU " + std::to_string(i) + " speed: ~" + std::to_string(facts.SpeedMHz(i)) + "MHz\n";
}

void GetCpuInfoText(std::string& text)
{
    GetCpuInfoText(text, CThisMachine());
}

int CThisMachine::SpeedMHz(int index) const
{
    return GetCpuSpeedMHz(index);
}

namespace {

std::string_view Trim(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// A whole decimal number with an optional fraction, rounded; -1 when the text is anything else.
long long RoundedNumber(std::string_view text)
{
    text = Trim(text);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !(value >= 0) ||
        value > 1e12)
        return -1;
    return std::llround(value);
}

int ToMHz(long long value)
{
    return value < 0 || value > 0x7FFFFFFF ? 0 : static_cast<int>(value);
}

} // namespace

int ParseCpufreqMHz(std::string_view kiloHertz)
{
    const long long value = RoundedNumber(kiloHertz);
    return value < 0 ? 0 : ToMHz((value + 500) / 1000);
}

int ParseCpuInfoMHz(std::string_view procCpuinfo, int index)
{
    // Blocks of "name : value" lines, one per processor, each starting with its "processor" line.
    bool inBlock = false;
    while (!procCpuinfo.empty()) {
        const auto end = procCpuinfo.find('\n');
        const std::string_view line = procCpuinfo.substr(0, end);
        procCpuinfo.remove_prefix(end == std::string_view::npos ? procCpuinfo.size() : end + 1);
        const auto colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string_view name = Trim(line.substr(0, colon));
        const std::string_view value = line.substr(colon + 1);
        if (name == "processor")
            inBlock = RoundedNumber(value) == index && Trim(value).find('.') == std::string_view::npos;
        else if (inBlock && name == "cpu MHz")
            return ToMHz(RoundedNumber(value));
    }
    return 0;
}

} // namespace platform
