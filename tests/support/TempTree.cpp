// Temporary trees for tests: plain POSIX calls, so a failure names the step that failed.
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

[[noreturn]] void Fail(const std::string& what)
{
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

} // namespace

CTempTree::CTempTree()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/quorvel-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr)
        Fail("mkdtemp " + pattern);
    char resolved[PATH_MAX];
    if (realpath(buffer.data(), resolved) == nullptr)
        Fail("realpath");
    m_root = resolved;
}

CTempTree::~CTempTree()
{
    std::error_code error;
    std::filesystem::permissions(m_root, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, error);
    std::filesystem::remove_all(m_root, error);
}

std::string CTempTree::Path(const std::string& relative) const
{
    return relative.empty() ? m_root : m_root + "/" + relative;
}

void CTempTree::MakeParents(const std::string& relative) const
{
    const std::size_t cut = relative.rfind('/');
    if (cut != std::string::npos)
        MakeFolder(relative.substr(0, cut));
}

void CTempTree::Write(const std::string& relative, const std::string& bytes) const
{
    MakeParents(relative);
    std::ofstream out(Path(relative), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush())
        Fail("write " + relative);
}

void CTempTree::Append(const std::string& relative, const std::string& bytes) const
{
    std::ofstream out(Path(relative), std::ios::binary | std::ios::app);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush())
        Fail("append " + relative);
}

void CTempTree::MakeFolder(const std::string& relative) const
{
    std::error_code error;
    std::filesystem::create_directories(Path(relative), error);
    if (error)
        throw std::runtime_error("mkdir " + relative + ": " + error.message());
}

void CTempTree::SymLink(const std::string& target, const std::string& relative) const
{
    MakeParents(relative);
    if (symlink(target.c_str(), Path(relative).c_str()) != 0)
        Fail("symlink " + relative);
}

void CTempTree::HardLink(const std::string& existing, const std::string& relative) const
{
    MakeParents(relative);
    if (link(Path(existing).c_str(), Path(relative).c_str()) != 0)
        Fail("link " + relative);
}

void CTempTree::SetModified(const std::string& relative, std::int64_t secondsSince1970) const
{
    const timespec times[2] = {{static_cast<time_t>(secondsSince1970), 0},
                               {static_cast<time_t>(secondsSince1970), 0}};
    if (utimensat(AT_FDCWD, Path(relative).c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        Fail("utimensat " + relative);
}

void CTempTree::Remove(const std::string& relative) const
{
    if (unlink(Path(relative).c_str()) != 0)
        Fail("unlink " + relative);
}

std::string PatternBytes(std::size_t size, unsigned seed)
{
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(generator() & 0xFF);
    return bytes;
}
