// Decides how many files the content stage's readers may keep open between rounds, together.
#include "engine/ContentStage.h"
#include "platform/InputFile.h"

#include <algorithm>

namespace {

// Growing the descriptor table of a threaded process is slow. The spare ones are left to the rest
// of the process: standard streams, the readers' own opens, the window's connections.
constexpr std::size_t kMaxOpenFiles = 32;
constexpr std::size_t kSpareFiles = 40;
// Folders held open so that files are opened by name: a quarter of what is left, so that a tree of
// a few thousand folders is opened folder by folder once.
constexpr std::size_t kMaxOpenFolders = 4096;

std::size_t Spare()
{
    const std::size_t limit = platform::OpenFileLimit();
    return limit > kSpareFiles ? limit - kSpareFiles : 0;
}

} // namespace

COpenFileBudget::COpenFileBudget(bool holdFolders)
    : m_folders(holdFolders ? std::min(Spare() / 4, kMaxOpenFolders) : 0)
{
    m_limit.store(static_cast<int>(std::min<std::size_t>(Spare() / 2, kMaxOpenFiles)));
}

bool COpenFileBudget::Take()
{
    if (m_open.fetch_add(1) < m_limit.load())
        return true;
    m_open.fetch_sub(1);
    return false;
}

void COpenFileBudget::Give()
{
    m_open.fetch_sub(1);
}
