// The parts of the OS layer that are the same on every system, written once over the system's own.
#include "platform/FolderListing.h"
#include "platform/InputFile.h"
#include "platform/Path.h"
#include "platform/ReplaceFile.h"

#include <utility>

namespace platform {

namespace {

constexpr std::int64_t kStartOf1900Utc = -2208988800; // 1900-01-01 00:00:00 UTC
constexpr std::int64_t kWidestZoneOffset = 26 * 3600;

} // namespace

std::int64_t RecordedTime(std::int64_t secondsSince1970)
{
    // Only times near the start of 1900 need the local calendar to tell on which side they fall.
    if (secondsSince1970 >= kStartOf1900Utc + kWidestZoneOffset)
        return secondsSince1970;
    if (secondsSince1970 < kStartOf1900Utc - kWidestZoneOffset)
        return 0;
    std::tm local{};
    return LocalTime(secondsSince1970, local) && local.tm_year >= 0 ? secondsSince1970 : 0;
}

CInputFile::CInputFile(CInputFile&& other) noexcept
    : m_handle(std::exchange(other.m_handle, -1)), m_size(std::exchange(other.m_size, -1))
{}

CInputFile& CInputFile::operator=(CInputFile&& other) noexcept
{
    if (this != &other) {
        Close();
        m_handle = std::exchange(other.m_handle, -1);
        m_size = std::exchange(other.m_size, -1);
    }
    return *this;
}

CInputFile::~CInputFile()
{
    Close();
}

bool CInputFile::Open(const std::string& path)
{
    return OpenOnly(path) && Examine();
}

bool CInputFile::GetSize(std::int64_t& size) const
{
    if (!IsOpen() || m_size < 0)
        return false;
    size = m_size;
    return true;
}

namespace testing {

ReplaceHooks& Hooks()
{
    static ReplaceHooks hooks;
    return hooks;
}

} // namespace testing

} // namespace platform
