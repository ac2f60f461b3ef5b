// Temporary trees for tests, made with the standard library's file system calls so that the same
// tests run on every system; a failure names the step and the system's reason.
#include "tests/support/TempTree.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

// Paths are UTF-8 inside the program, whatever the system's own encoding of names.
fs::path ToPath(const std::string& utf8)
{
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string FromPath(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

void Check(const std::error_code& error, const std::string& what)
{
    if (error)
        throw std::runtime_error(what + ": " + error.message());
}

} // namespace

CTempTree::CTempTree()
{
    std::error_code error;
    const fs::path base = fs::temp_directory_path(error);
    Check(error, "temporary folder");
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = base / ("quorvel-test-" + std::to_string(random() % 1000000000));
        if (fs::create_directory(candidate, error)) {
            m_root = FromPath(fs::canonical(candidate, error));
            Check(error, "canonical " + FromPath(candidate));
            return;
        }
    }
    throw std::runtime_error("no temporary tree could be made in " + FromPath(base));
}

CTempTree::~CTempTree()
{
    std::error_code error;
    fs::permissions(ToPath(m_root), fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(ToPath(m_root), error);
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
    std::ofstream out(ToPath(Path(relative)), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush())
        throw std::runtime_error("write " + relative);
}

void CTempTree::Append(const std::string& relative, const std::string& bytes) const
{
    std::ofstream out(ToPath(Path(relative)), std::ios::binary | std::ios::app);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush())
        throw std::runtime_error("append " + relative);
}

void CTempTree::MakeFolder(const std::string& relative) const
{
    std::error_code error;
    fs::create_directories(ToPath(Path(relative)), error);
    Check(error, "mkdir " + relative);
}

bool CTempTree::SymLink(const std::string& target, const std::string& relative) const
{
    MakeParents(relative);
    std::error_code error;
    const fs::path link = ToPath(Path(relative));
    const fs::path pointed = ToPath(target);
    const fs::path resolved = pointed.is_absolute() ? pointed : link.parent_path() / pointed;
    if (fs::is_directory(resolved, error))
        fs::create_directory_symlink(pointed, link, error);
    else
        fs::create_symlink(pointed, link, error);
    return !error;
}

void CTempTree::HardLink(const std::string& existing, const std::string& relative) const
{
    MakeParents(relative);
    std::error_code error;
    fs::create_hard_link(ToPath(Path(existing)), ToPath(Path(relative)), error);
    Check(error, "link " + relative);
}

bool CTempTree::SetModified(const std::string& relative, std::int64_t secondsSince1970) const
{
    std::error_code error;
    const auto time =
        std::chrono::file_clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(secondsSince1970)));
    fs::last_write_time(ToPath(Path(relative)), time, error);
    Check(error, "set the time of " + relative);
    const auto now = fs::last_write_time(ToPath(Path(relative)), error);
    return !error &&
           std::chrono::floor<std::chrono::seconds>(now) == std::chrono::floor<std::chrono::seconds>(time);
}

bool CTempTree::RenameOver(const std::string& from, const std::string& to) const
{
    std::error_code error;
    fs::rename(ToPath(Path(from)), ToPath(Path(to)), error);
    return !error;
}

void CTempTree::Remove(const std::string& relative) const
{
    std::error_code error;
    fs::remove(ToPath(Path(relative)), error);
    Check(error, "remove " + relative);
}

std::string PatternBytes(std::size_t size, unsigned seed)
{
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(generator() & 0xFF);
    return bytes;
}
