// The parts of the OS layer that are the same on every system, written once over the system's own.
#include "platform/FolderListing.h"
#include "platform/InputFile.h"
#include "platform/Path.h"
#include "platform/ReplaceFile.h"
#include "platform/SavedSettings.h"

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

namespace {

std::string_view TrimmedLine(std::string_view line)
{
    auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!line.empty() && space(line.front()))
        line.remove_prefix(1);
    while (!line.empty() && space(line.back()))
        line.remove_suffix(1);
    return line;
}

std::string UnescapedName(std::string_view name)
{
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (name[i] != '\\' || ++i < name.size())
            out += name[i];
    return out;
}

std::string UnescapedValue(std::string_view value)
{
    const bool quoted = !value.empty() && value.front() == '"';
    if (quoted)
        value.remove_prefix(1);
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\') {
            if (++i == value.size())
                break;
            const char escaped[] = {'n', '\n', 'r', '\r', 't', '\t', '\\', '\\', '"', '"'};
            for (std::size_t k = 0; k < sizeof escaped; k += 2)
                if (value[i] == escaped[k])
                    out += escaped[k + 1];
        } else if (value[i] != '"' || !quoted) {
            out += value[i]; // the closing quote of a quoted value is dropped
        }
    }
    return out;
}

} // namespace

SettingValues ParseSettingsGroup(std::string_view text, std::string_view group)
{
    SettingValues values;
    bool inGroup = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = TrimmedLine(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.empty() || line.front() == '#' || line.front() == ';')
            continue;
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            std::string_view name = line.substr(1, close == std::string_view::npos ? line.npos : close - 1);
            if (!name.empty() && name.front() == '/')
                name.remove_prefix(1);
            inGroup = UnescapedName(name) == group;
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inGroup || equals == std::string_view::npos)
            continue;
        values.emplace_back(UnescapedName(TrimmedLine(line.substr(0, equals))),
                            UnescapedValue(TrimmedLine(line.substr(equals + 1))));
    }
    return values;
}

} // namespace platform
