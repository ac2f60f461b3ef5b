// Linux: CPUID where the processor has it, the online processor count, and speeds from cpufreq or
// /proc/cpuinfo.
#include "platform/CpuInfo.h"

#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/utsname.h>
#include <unistd.h>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace platform {

namespace {

std::string FileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return in ? text.str() : std::string();
}

} // namespace

CpuidAnswer CThisMachine::Cpuid(std::uint32_t leaf) const
{
    CpuidAnswer answer;
#if defined(__i386__) || defined(__x86_64__)
    __cpuid(leaf, answer.eax, answer.ebx, answer.ecx, answer.edx);
#else
    // No leaves at all; the machine's name stands where the vendor would be.
    if (leaf == 0) {
        utsname names{};
        if (uname(&names) == 0) {
            char vendor[12] = {};
            std::memcpy(vendor, names.machine, strnlen(names.machine, sizeof vendor));
            std::memcpy(&answer.ebx, vendor, 4);
            std::memcpy(&answer.edx, vendor + 4, 4);
            std::memcpy(&answer.ecx, vendor + 8, 4);
        }
    }
#endif
    return answer;
}

int CThisMachine::ProcessorCount() const
{
    const long count = sysconf(_SC_NPROCESSORS_ONLN);
    return count > 0 ? static_cast<int>(count) : 1;
}

int GetCpuSpeedMHz(int index)
{
    const std::string cpufreq =
        FileText("/sys/devices/system/cpu/cpu" + std::to_string(index) + "/cpufreq/cpuinfo_max_freq");
    if (const int mhz = ParseCpufreqMHz(cpufreq); mhz > 0)
        return mhz;
    return ParseCpuInfoMHz(FileText("/proc/cpuinfo"), index);
}

} // namespace platform
