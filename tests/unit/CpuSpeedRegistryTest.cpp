// Windows: the speed of a processor is the "~MHz" value of its key among the machine's hardware.
#include "platform/CpuInfo.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

TEST(CpuSpeedRegistry, ReadsTheValueOfTheProcessorsKeyAndZeroWithoutIt)
{
    const int index = 61; // far above any processor this machine has
    const char* path = "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\61";
    HKEY key = nullptr;
    // The hardware keys live only in memory, and so must anything made beneath them.
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_VOLATILE, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        GTEST_SKIP() << "no right to write the machine's hardware keys here";
    const DWORD mhz = 2933;
    ASSERT_EQ(RegSetValueExA(key, "~MHz", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&mhz), sizeof mhz),
              ERROR_SUCCESS);
    EXPECT_EQ(platform::GetCpuSpeedMHz(index), 2933);

    RegDeleteValueA(key, "~MHz");
    EXPECT_EQ(platform::GetCpuSpeedMHz(index), 0);
    RegCloseKey(key);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, path);
    EXPECT_EQ(platform::GetCpuSpeedMHz(index), 0);
}

} // namespace
