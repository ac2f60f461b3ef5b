// Windows: CPUID, the processor count of the system information, and speeds from the registry.
#include "platform/CpuInfo.h"

#include <windows.h>

#include <cpuid.h>

namespace platform {

CpuidAnswer CThisMachine::Cpuid(std::uint32_t leaf) const
{
    CpuidAnswer answer;
    __cpuid(leaf, answer.eax, answer.ebx, answer.ecx, answer.edx);
    return answer;
}

int CThisMachine::ProcessorCount() const
{
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    return static_cast<int>(info.dwNumberOfProcessors);
}

int GetCpuSpeedMHz(int index)
{
    const std::string path =
        "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\" + std::to_string(index) + "\\";
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return 0;
    DWORD mhz = 0;
    DWORD size = sizeof mhz;
    const LONG result = RegQueryValueExA(key, "~MHz", nullptr, nullptr, reinterpret_cast<BYTE*>(&mhz), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? static_cast<int>(mhz) : 0;
}

} // namespace platform
