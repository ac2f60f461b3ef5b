// What the processor says about itself (CPUID), how many there are and how fast each runs, and the
// text the About box shows from that.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

struct CpuidAnswer
{
    std::uint32_t eax = 0;
    std::uint32_t ebx = 0;
    std::uint32_t ecx = 0;
    std::uint32_t edx = 0;
};

// The facts the information text is made of; tests give recorded answers instead of this machine's.
class CCpuFacts
{
public:
    virtual ~CCpuFacts() = default;
    virtual CpuidAnswer Cpuid(std::uint32_t leaf) const = 0;
    virtual int ProcessorCount() const = 0; // logical processors
    virtual int SpeedMHz(int index) const = 0;
};

// This machine. Without CPUID (not an x86 build) it answers as a processor without leaves whose
// vendor string is the machine's name.
class CThisMachine : public CCpuFacts
{
public:
    CpuidAnswer Cpuid(std::uint32_t leaf) const override;
    int ProcessorCount() const override;
    int SpeedMHz(int index) const override;
};

// Replaces `text` with one line per fact, each starting with a space and ending in a line feed.
void GetCpuInfoText(std::string& text, const CCpuFacts& facts);
void GetCpuInfoText(std::string& text);

// The clock speed of processor `index` in MHz, 0 when it cannot be read.
int GetCpuSpeedMHz(int index);

// Parsers of the Linux kernel's answers, 0 when the text holds no speed: a cpufreq value in kHz,
// and the "cpu MHz" line of processor `index` in /proc/cpuinfo, rounded to whole MHz.
int ParseCpufreqMHz(std::string_view kiloHertz);
int ParseCpuInfoMHz(std::string_view procCpuinfo, int index);

} // namespace platform
