// quorvel-floor: the time that reading exactly the necessary bytes takes, as the yardstick for the
// scan. Given a tree and its true groups (one path a line, a blank line after each group), it first
// works out, untimed, how much of each file any exact method must read: all of a file in a group;
// of any other file that shares its size and tail with another, the blocks up to the one where it
// first differs from every other such file. Then, timed, it lists the tree with the same listing
// calls as the scan and reads those bytes on two threads.
//
// usage: quorvel-floor TREE GROUPS [--cold]   (TREE absolute, as the groups name their paths)
// With --cold the page cache is dropped (as root) between the planning and the timed part.
#include "engine/PathTail.h"
#include "platform/FolderListing.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::int64_t kBlock = 4096;
constexpr std::size_t kRead = 1u << 20;

struct File
{
    std::string path;
    std::int64_t size = 0;
    std::int64_t needed = 0;
};

// Every non-empty regular file, as the scan's walk finds them (folders met again are not entered).
std::vector<File> Walk(const std::string& root)
{
    std::vector<File> files;
    std::set<std::pair<std::uint64_t, std::uint64_t>> folders;
    std::vector<std::string> stack{root};
    while (!stack.empty()) {
        const std::string folder = std::move(stack.back());
        stack.pop_back();
        platform::CFolderListing listing;
        if (!listing.Open(folder) ||
            !folders.insert({listing.FolderId().device, listing.FolderId().index}).second)
            continue;
        for (const platform::FolderEntry& entry : listing.Entries()) {
            if (entry.name == "." || entry.name == "..")
                continue;
            if (entry.isDirectory)
                stack.push_back(folder + "/" + entry.name);
            else if (entry.isFile && entry.size > 0)
                files.push_back({folder + "/" + entry.name, entry.size, 0});
        }
    }
    return files;
}

std::string ReadBlock(const std::string& path, std::int64_t offset, std::int64_t length)
{
    std::string bytes(static_cast<std::size_t>(length), '\0');
    const int fd = open(path.c_str(), O_RDONLY);
    const ssize_t got = fd < 0 ? -1 : pread(fd, bytes.data(), bytes.size(), offset);
    if (fd >= 0)
        close(fd);
    bytes.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
    return bytes;
}

// Blocks read until each file of `members` differs from all the others (files in a group: whole).
void Plan(std::vector<File*> members)
{
    for (std::int64_t offset = 0; !members.empty(); offset += kBlock) {
        std::map<std::string, std::vector<File*>> byBlock;
        for (File* file : members)
            byBlock[ReadBlock(file->path, offset, kBlock)].push_back(file);
        members.clear();
        for (auto& [bytes, same] : byBlock) {
            const std::int64_t end = std::min(offset + kBlock, same.front()->size);
            if (same.size() == 1 || end >= same.front()->size) {
                for (File* file : same)
                    file->needed = std::max(file->needed, end);
            } else {
                members.insert(members.end(), same.begin(), same.end());
            }
        }
    }
}

void ReadNeeded(const std::vector<File>& files, std::atomic<std::size_t>& next,
                std::atomic<std::int64_t>& bytes)
{
    std::unique_ptr<char[]> buffer(new char[kRead]);
    for (std::size_t i = next.fetch_add(1); i < files.size(); i = next.fetch_add(1)) {
        const File& file = files[i];
        if (file.needed == 0)
            continue;
        const int fd = open(file.path.c_str(), O_RDONLY | O_CLOEXEC);
        for (std::int64_t at = 0; fd >= 0 && at < file.needed;) {
            const ssize_t got =
                pread(fd, buffer.get(),
                      static_cast<std::size_t>(std::min<std::int64_t>(kRead, file.needed - at)), at);
            if (got <= 0)
                break;
            at += got;
            bytes += got;
        }
        if (fd >= 0)
            close(fd);
    }
}

} // namespace

int main(int argc, char** argv)
{
    const bool cold = argc == 4 && std::string(argv[3]) == "--cold";
    if (argc != 3 && !cold) {
        std::fputs("usage: quorvel-floor TREE GROUPS [--cold]\n", stderr);
        return 2;
    }
    std::string root = argv[1];
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();

    std::set<std::string> grouped;
    std::ifstream groups(argv[2], std::ios::binary);
    for (std::string line; std::getline(groups, line);)
        if (!line.empty())
            grouped.insert(line);

    std::vector<File> files = Walk(root);
    std::map<std::pair<std::int64_t, std::uint32_t>, std::vector<File*>> classes;
    for (File& file : files) {
        if (file.path.size() <= kPathTailLength)
            continue;
        std::uint32_t tail = 0;
        for (std::size_t i = file.path.size() - kPathTailLength; i < file.path.size(); ++i)
            tail = tail << 8 | static_cast<unsigned char>(LowerAscii(file.path[i]));
        classes[{file.size, tail}].push_back(&file);
    }
    for (auto& [key, members] : classes) {
        if (members.size() < 2)
            continue;
        for (File* file : members)
            if (grouped.count(file->path) != 0)
                file->needed = file->size;
        Plan(members);
    }

    if (cold) {
        sync();
        std::ofstream drop("/proc/sys/vm/drop_caches");
        if (!(drop << "3\n" << std::flush))
            std::fputs("quorvel-floor: cannot drop the page cache; the reads are warm\n", stderr);
    }
    const auto start = std::chrono::steady_clock::now();
    const std::vector<File> listed = Walk(root); // timed: the same listing calls as the scan
    std::vector<File> reads;
    for (const File& file : files)
        if (file.needed > 0)
            reads.push_back(file);
    std::atomic<std::size_t> next{0};
    std::atomic<std::int64_t> bytes{0};
    std::thread helper(ReadNeeded, std::cref(reads), std::ref(next), std::ref(bytes));
    ReadNeeded(reads, next, bytes);
    helper.join();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.6f %lld %zu %zu\n", seconds, static_cast<long long>(bytes.load()), listed.size(),
                reads.size());
    return 0;
}
