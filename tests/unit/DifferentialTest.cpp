// Whole scans of random trees, each with a class too crowded for rounds, against a brute-force model
// of the scan written here (every file read whole, bytes compared), and the partition method against
// the pairwise reference: the same texts, the same result list, record for record.
#include "engine/ContentClasses.h"
#include "engine/CrowdedClass.h"
#include "platform/InputFile.h"
#include "platform/Path.h"
#include "tests/support/PairwiseClasses.h"
#include "tests/support/ScanRun.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <regex>
#include <sstream>

#ifndef _WIN32
#include <csignal>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using namespace content;

// Sizes around the boundaries where reading in rounds changes its step: the least read, whole-file
// heads, the last block, the middle's growing chunks; and the comparison block of the reference.
constexpr std::size_t kMiddleFrom = kMaxHead + kTailBytes;
const std::size_t kSizes[] = {1,
                              2,
                              kMinRead - 1,
                              kMinRead,
                              kMinRead + 1,
                              kCompareBlock - 1,
                              kCompareBlock,
                              kCompareBlock + 1,
                              kTailBytes - 1,
                              kTailBytes,
                              kTailBytes + 1,
                              2 * kTailBytes,
                              kMaxHead - 1,
                              kMaxHead,
                              kMaxHead + 1,
                              kMiddleFrom - 1,
                              kMiddleFrom,
                              kMiddleFrom + 1,
                              kMiddleFrom + kFirstChunk,
                              kMiddleFrom + kFirstChunk + 1,
                              kMiddleFrom + 5 * kFirstChunk + 1}; // past the second, larger chunk

// Sizes of a crowded class about the crowded path's chunks (the first and last, the middle's); none
// is small enough for one round to hold the class whole.
constexpr auto kEdge = static_cast<std::size_t>(CCrowdedClass::kEdge);
constexpr auto kChunk = static_cast<std::size_t>(CCrowdedClass::kChunk);
const std::size_t kCrowdedSizes[] = {kMaxHead,           kMaxHead + 1,           2 * kEdge + kChunk - 1,
                                     2 * kEdge + kChunk, 2 * kEdge + kChunk + 1, 2 * kEdge + 2 * kChunk + 1};

const char* const kEndings[] = {".txt", ".TXT", ".Txt", ".bin", ".dat", "file", "FILE"};
const char* const kOneTail[] = {".txt", ".TXT", ".Txt"}; // the tail compares without letter case

// The crowded family of a tree: its files, not counting hard links, and their size.
struct Crowd
{
    std::size_t files = 0;
    std::size_t size = 0;
};

class CRandomTree
{
public:
    CRandomTree(const CTempTree& tree, unsigned seed) : m_tree(tree), m_random(seed) {}

    Crowd Build()
    {
        for (int family = 0; family < 14; ++family)
            AddFamily(family, Pick(kSizes), 2 + Below(5), kEndings);
        // A run of one size that both cores read together even with some of its names hard links,
        // its classes large enough to be bucketed; a class of one tail too crowded for rounds; and two
        // families of files large enough to be read over several rounds, each core narrowing a run
        // of its own.
        AddFamily(98, 2 * kTailBytes, CScanEngine::kCrowdedRun * 5 / 4, kEndings);
        Crowd crowd{kWideClass + 1 + Below(8), Pick(kCrowdedSizes)};
        AddFamily(99, crowd.size, crowd.files, kOneTail, false);
        AddFamily(100, kMaxChunk + Below(kTailBytes), 3, kEndings);
        AddFamily(101, kMaxChunk + kTailBytes + Below(kTailBytes), 3, kEndings);
        (void)m_tree.SymLink(m_tree.Path("d1"), "d0/again"); // a folder reached twice, where links exist
        return crowd;
    }

    // Many small families, for scans that must read more than a few runs before they change course,
    // then a family of one tail too wide for one reader of many.
    void AddSmallFamilies(int families)
    {
        for (int family = 0; family < families; ++family)
            AddFamily(200 + family, 1 + Below(4096), 2 + Below(3), kEndings);
        AddFamily(199, 4096 + Below(4096), 300, kOneTail, false);
    }

private:
    template <class T, std::size_t N> T Pick(const T (&items)[N]) { return items[Below(N)]; }
    std::size_t Below(std::size_t n)
    {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(m_random);
    }

    // `members` names of one size; with `links`, some are hard links to files named before.
    template <std::size_t N>
    void AddFamily(int family, std::size_t size, std::size_t members, const char* const (&endings)[N],
                   bool links = true)
    {
        const std::string base = PatternBytes(size, m_random());
        std::vector<std::string> written;
        for (std::size_t m = 0; m < members; ++m) {
            std::string bytes = base;
            switch (Below(5)) {
            case 0:
                bytes[0] ^= 1;
                break;
            case 1:
                bytes[size / 2] ^= 2;
                break;
            case 2:
                bytes[size - 1] ^= 4;
                break;
            default:
                break; // an exact copy
            }
            const std::string name = "d" + std::to_string(Below(4)) + "/f" + std::to_string(family) + "_" +
                                     std::to_string(m) + Pick(endings);
            if (links && !written.empty() && Below(8) == 0) {
                m_tree.HardLink(written[Below(written.size())], name);
            } else {
                m_tree.Write(name, bytes);
            }
            written.push_back(name);
        }
    }

    const CTempTree& m_tree;
    std::mt19937 m_random;
};

void ExpectSameRecords(const std::vector<FileItem>& fast, const std::vector<FileItem>& reference)
{
    ASSERT_EQ(fast.size(), reference.size());
    for (std::size_t i = 0; i < fast.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(fast[i].path, reference[i].path);
        EXPECT_EQ(fast[i].size, reference[i].size);
        EXPECT_EQ(fast[i].grouped, reference[i].grouped);
        EXPECT_EQ(fast[i].modified, reference[i].modified);
    }
}

namespace fs = std::filesystem;

#ifdef _WIN32
constexpr bool kIgnoreCase = true;
#else
constexpr bool kIgnoreCase = false;
#endif

// The scan as its rules say, as plainly as possible: walk in byte order of names, files in
// pre-order and folders reported in post-order, each folder and each file once; then, in order of
// size (walk order among equal sizes), every not yet grouped file anchors a group of the later files
// of its size with the same tail whose bytes are identical.
class CModelScan
{
public:
    CModelScan() = default;
    // Leaves out what the options name, as the options say, with a pattern made a regular expression.
    explicit CModelScan(const ScanOptions& options) : m_options(options) {}

    ScanOutcome Run(const std::vector<std::string>& roots)
    {
        for (const std::string& root : roots) {
            std::string folder = platform::FullPath(root);
            while (folder.size() > 1 && platform::IsPathSeparator(folder.back()))
                folder.pop_back();
            if (LeftOutFolder(folder, true)) {
                ++m_leftOutFolders;
                continue;
            }
            Walk(folder, true);
        }
        std::stable_sort(m_files.begin(), m_files.end(),
                         [](const FileItem& a, const FileItem& b) { return a.size < b.size; });
        m_outcome.resolveTexts.push_back("");
        const auto total = static_cast<std::int64_t>(m_files.size());
        for (std::size_t first = 0; first < m_files.size();) {
            std::size_t end = first;
            while (end < m_files.size() && m_files[end].size == m_files[first].size)
                ++end;
            if (end - first > 1) {
                m_outcome.resolveTexts.push_back(
                    std::to_string(first) + " of " + std::to_string(total) + " files - " +
                    std::to_string(static_cast<std::int64_t>(first) * 100 / total) + "%");
                Group(first, end);
            }
            first = end;
        }
        const auto members = static_cast<std::int64_t>(m_outcome.results.size()) - m_outcome.groupCount;
        m_outcome.summary = "Scan completed (" + std::to_string(m_files.size()) + " files scanned, " +
                            std::to_string(members) + " duplicates found)";
        return m_outcome;
    }

    std::size_t LeftOutFiles() const { return m_leftOutFiles; }
    std::size_t LeftOutFolders() const { return m_leftOutFolders; }

private:
    static bool Matches(const std::vector<std::string>& entries, const std::string& path)
    {
        const std::string name = path.substr(path.find_last_of(platform::kPathSeparator) + 1);
        for (const std::string& entry : entries) {
            if (platform::IsAbsolutePath(entry)) {
                // The place itself, by whatever name it is reached; a root also anywhere under it.
                const bool under = path.size() > entry.size() && path.compare(0, entry.size(), entry) == 0 &&
                                   path[entry.size()] == platform::kPathSeparator;
                std::error_code error;
                if (under || fs::equivalent(ToPath(path), ToPath(entry), error))
                    return true;
                continue;
            }
            std::string expression;
            for (const char c : entry)
                expression += c == '*'                                      ? std::string(".*")
                              : c == '?'                                    ? std::string(".")
                              : std::isalnum(static_cast<unsigned char>(c)) ? std::string(1, c)
                                                                            : std::string("\\") + c;
            const auto flags = kIgnoreCase ? std::regex::icase : std::regex::ECMAScript;
            if (std::regex_match(name, std::regex(expression, flags)))
                return true;
        }
        return false;
    }

    bool Hidden(const std::string& path) const
    {
        return m_options.leaveOutHidden && path[path.find_last_of(platform::kPathSeparator) + 1] == '.';
    }

    bool LeftOutFolder(const std::string& path, bool root = false) const
    {
        return (!root || path.size() > 1) && (Hidden(path) || Matches(m_options.folders, path));
    }

    bool LeftOutFile(const std::string& path, std::uintmax_t size) const
    {
        const auto bytes = static_cast<std::int64_t>(size);
        return Hidden(path) || Matches(m_options.files, path) || bytes < m_options.smallest.value_or(0) ||
               bytes > m_options.largest.value_or(INT64_MAX);
    }

    const std::string& Bytes(const std::string& path)
    {
        auto known = m_bytes.find(path);
        if (known == m_bytes.end()) {
            std::ifstream in(ToPath(path), std::ios::binary);
            std::ostringstream bytes;
            bytes << in.rdbuf();
            known = m_bytes.emplace(path, bytes.str()).first;
        }
        return known->second;
    }

    static fs::path ToPath(const std::string& utf8)
    {
        return fs::path(std::u8string(utf8.begin(), utf8.end()));
    }

    // Whether `path` is a file or folder met before under another name; `kind` keeps apart what
    // cannot be one file (folders and files, files of other sizes), so that few pairs are asked.
    static bool Seen(std::map<std::uintmax_t, std::vector<fs::path>>& seen, std::uintmax_t kind,
                     const fs::path& path)
    {
        std::vector<fs::path>& same = seen[kind];
        for (const fs::path& other : same)
            if (fs::equivalent(other, path))
                return true;
        same.push_back(path);
        return false;
    }

    static bool TailsMatch(const std::string& a, const std::string& b)
    {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (a.size() <= 4 || b.size() <= 4)
            return false;
        for (std::size_t i = 1; i <= 4; ++i)
            if (lower(a[a.size() - i]) != lower(b[b.size() - i]))
                return false;
        return true;
    }

    void Walk(const std::string& folder, bool root)
    {
        if (Seen(m_seen, UINTMAX_MAX, ToPath(folder)))
            return;
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(ToPath(folder))) {
            const std::u8string name = entry.path().filename().u8string();
            names.emplace_back(name.begin(), name.end());
        }
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) {
            const std::string path =
                folder + (root && folder.size() == 1 ? "" : std::string(1, platform::kPathSeparator)) + name;
            const fs::path system = ToPath(path);
            if (fs::is_directory(system) && LeftOutFolder(path)) {
                ++m_leftOutFolders;
            } else if (fs::is_directory(system)) {
                Walk(path, false);
                m_outcome.scanTexts.push_back("(" + std::to_string(m_files.size()) + " scanned) " + path);
            } else if (!fs::is_symlink(system) && fs::is_regular_file(system) && fs::file_size(system) > 0 &&
                       LeftOutFile(path, fs::file_size(system))) {
                ++m_leftOutFiles;
            } else if (!fs::is_symlink(system) && fs::is_regular_file(system) && fs::file_size(system) > 0 &&
                       !Seen(m_seen, fs::file_size(system), system)) {
                FileItem item(path);
                item.size = static_cast<std::int64_t>(fs::file_size(system));
                item.modified =
                    std::chrono::duration_cast<std::chrono::seconds>(
                        std::chrono::file_clock::to_sys(fs::last_write_time(system)).time_since_epoch())
                        .count();
                m_files.push_back(item);
            }
        }
    }

    void Group(std::size_t first, std::size_t end)
    {
        for (std::size_t anchor = first; anchor < end; ++anchor) {
            if (m_files[anchor].grouped)
                continue;
            const std::string& bytes = Bytes(m_files[anchor].path);
            std::vector<std::size_t> members;
            for (std::size_t k = anchor + 1; k < end; ++k)
                if (!m_files[k].grouped && TailsMatch(m_files[anchor].path, m_files[k].path) &&
                    Bytes(m_files[k].path) == bytes)
                    members.push_back(k);
            if (members.empty())
                continue;
            members.insert(members.begin(), anchor);
            for (const std::size_t k : members) {
                m_files[k].grouped = true;
                m_outcome.results.push_back(m_files[k]);
            }
            m_outcome.results.emplace_back(GROUP_SEPARATOR);
            ++m_outcome.groupCount;
        }
    }

    ScanOptions m_options;
    std::size_t m_leftOutFiles = 0;
    std::size_t m_leftOutFolders = 0;
    ScanOutcome m_outcome;
    std::vector<FileItem> m_files;
    std::map<std::uintmax_t, std::vector<fs::path>> m_seen; // folders under UINTMAX_MAX, files by size
    std::map<std::string, std::string> m_bytes;
};

// The same texts, groups, summary and records, one by one.
void ExpectSameOutcome(const ScanOutcome& actual, const ScanOutcome& expected)
{
    EXPECT_EQ(actual.scanTexts, expected.scanTexts);
    EXPECT_EQ(actual.resolveTexts, expected.resolveTexts);
    EXPECT_EQ(actual.groupCount, expected.groupCount);
    EXPECT_EQ(actual.summary, expected.summary);
    ExpectSameRecords(actual.results, expected.results);
}

TEST(DifferentialResolution, WholeScanEqualsABruteForceModelOnRandomTrees)
{
    for (unsigned seed = 11; seed <= 14; ++seed) {
        SCOPED_TRACE(seed);
        CTempTree tree;
        const std::vector<std::string> roots = {tree.Root(), tree.Path("d2"), tree.Path("d1/")};
        const Crowd crowd = CRandomTree(tree, seed).Build();
        ASSERT_TRUE(
            CContentClasses::IsCrowded(crowd.files, static_cast<std::int64_t>(crowd.size), kRoundBudget));
        const ScanOutcome engine = RunScan(roots);
        const ScanOutcome model = CModelScan().Run(roots);
        EXPECT_GT(model.groupCount, 3);
        ExpectSameOutcome(engine, model);
    }
}

TEST(DifferentialResolution, PartitionEqualsPairwiseOnRandomTrees)
{
    for (unsigned seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE(seed);
        CTempTree tree;
        const Crowd crowd = CRandomTree(tree, seed).Build();
        ASSERT_TRUE(
            CContentClasses::IsCrowded(crowd.files, static_cast<std::int64_t>(crowd.size), kRoundBudget));
        const std::vector<std::string> roots = {tree.Root(), tree.Path("d2")};
        const ScanOutcome fast = RunScan(roots, {}, EResolveMethod::Partition);
        const ScanOutcome reference = RunScan(roots, {}, EResolveMethod::Pairwise);
        EXPECT_GT(reference.groupCount, 3);
        ExpectSameOutcome(fast, reference);
    }
}

TEST(DifferentialResolution, ManyReadersAtOnceEqualTheModelOnRandomTrees)
{
    // As on a share: every class of candidates read by a reader of its own, crowded runs' too.
    for (unsigned seed = 21; seed <= 23; ++seed) {
        SCOPED_TRACE(seed);
        CTempTree tree;
        const std::vector<std::string> roots = {tree.Root(), tree.Path("d2")};
        CRandomTree(tree, seed).Build();
        const ScanOutcome engine = RunScan(roots, {}, EResolveMethod::Partition, 8);
        const ScanOutcome model = CModelScan().Run(roots);
        EXPECT_GT(model.groupCount, 3);
        ExpectSameOutcome(engine, model);
    }
}

TEST(DifferentialResolution, ManyReadersTakingOverOnceReadsWaitForTheDiskEqualTheModel)
{
    // Two readers first; once the reads are judged to wait for the disk (here at the first batch
    // judged), eight take the rest over but for a class too wide for one of them, which both cores
    // read: the groups, texts and order are still the model's.
    CTempTree tree;
    const std::vector<std::string> roots = {tree.Root(), tree.Path("d2")};
    CRandomTree random(tree, 31);
    random.Build();
    random.AddSmallFamilies(500);
    const ScanOutcome engine = RunScan(roots, {}, EResolveMethod::Partition, 0, 8);
    const ScanOutcome model = CModelScan().Run(roots);
    EXPECT_EQ(engine.readers, 8u);
    ExpectSameOutcome(engine, model);
}

TEST(DifferentialResolution, AScanWithOptionsEqualsTheModelOverTheFilesTheyKeep)
{
    // Copies of the tree's files under folders and names the options leave out, so that leaving them
    // out changes groups; a folder left out by its place is reached through a link too (d0/again); the
    // engine's groups, texts and counts of what was left out must be the model's.
    for (unsigned seed = 41; seed <= 42; ++seed) {
        SCOPED_TRACE(seed);
        CTempTree tree;
        CRandomTree(tree, seed).Build();
        for (const char* name :
             {"d0/node_modules/m/", "d3/.cache/", "d2/keep/", "d3/Photos.photoslibrary/", "d2/plain/"}) {
            for (const fs::directory_entry& entry : fs::directory_iterator(tree.Path("d3"))) {
                std::ifstream in(entry.path(), std::ios::binary);
                std::ostringstream bytes;
                bytes << in.rdbuf();
                if (entry.is_regular_file())
                    tree.Write(name + entry.path().filename().string(), bytes.str());
            }
        }
        tree.Write("d2/plain/.hidden.txt", "hidden bytes");
        tree.Write("d0/.also.txt", "hidden bytes");
        tree.Write("d2/Thumbs.db", "thumbs");
        tree.Write("d3/thumbs.db", "thumbs");
        ScanOptions options;
        options.folders = {"node_modules", "*.photoslibrary", tree.Path("d2/keep"), tree.Path("d1")};
        options.files = {"Thumbs.db", "*.TXT", tree.Path("d3/f0_0.txt")};
        options.smallest = static_cast<std::int64_t>(content::kMinRead);
        options.largest = static_cast<std::int64_t>(kMaxChunk + kTailBytes);
        options.leaveOutHidden = !kIgnoreCase; // a leading dot hides only on POSIX
        const std::vector<std::string> roots = {tree.Root(), tree.Path("d0/node_modules/m")};
        const ScanOutcome scanned = RunScan(roots, {}, EResolveMethod::Partition, 0, 0, options);
        CModelScan model(options);
        const ScanOutcome expected = model.Run(roots);
        EXPECT_GT(expected.groupCount, 3);
        EXPECT_GT(model.LeftOutFiles(), 5u);
        EXPECT_GE(model.LeftOutFolders(), 3u);
        ExpectSameOutcome(scanned, expected);
        EXPECT_EQ(scanned.leftOutFiles, model.LeftOutFiles());
        EXPECT_EQ(scanned.leftOutFolders, model.LeftOutFolders());
    }
}

#if !defined(_WIN32) && defined(QUORVEL_LATFS)

// `source` seen through the latency file system (bench/latfs.c) at `mountPoint`, every request
// waiting `delayMs` and, with a `log`, named there; unmounted again when the test ends.
class CLatencyMount
{
public:
    CLatencyMount(const std::string& source, const std::string& mountPoint, const char* delayMs,
                  const std::string& log = "")
        : m_mountPoint(mountPoint)
    {
        const std::string src = "--src=" + source;
        const std::string delay = std::string("--delay-ms=") + delayMs;
        const std::string logTo = "--log=" + log;
        const char* argv[] = {
            QUORVEL_LATFS, src.c_str(), delay.c_str(),    mountPoint.c_str(),
            "-f",          "-o",        "max_threads=64", log.empty() ? nullptr : logTo.c_str(),
            nullptr};
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
        const int spawned =
            posix_spawn(&m_pid, QUORVEL_LATFS, &quiet, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&quiet);
        if (spawned != 0) {
            m_pid = -1;
            m_problem = "the latency file system cannot be started";
            return;
        }
        // Mounted once the folder belongs to a file system in user space; a mount refused (no
        // /dev/fuse, no right to mount) ends the process instead.
        for (int tries = 0; tries < 1000; ++tries) {
            struct statfs fs;
            if (statfs(m_mountPoint.c_str(), &fs) == 0 &&
                static_cast<unsigned long>(fs.f_type) == 0x65735546ul)
                return;
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                m_problem = "no file system in user space can be mounted here (/dev/fuse, mount rights)";
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        m_problem = "the latency file system did not mount within 10 s";
    }

    ~CLatencyMount()
    {
        if (m_pid < 0)
            return;
        if (umount2(m_mountPoint.c_str(), 0) != 0)
            kill(m_pid, SIGTERM);
        int status = 0;
        waitpid(m_pid, &status, 0);
    }

    // Empty once mounted, else why not.
    const std::string& Problem() const { return m_problem; }

private:
    std::string m_mountPoint;
    pid_t m_pid = -1;
    std::string m_problem;
};

TEST(DifferentialResolution, AScanThroughAFileSystemWhoseRequestsWaitEqualsADirectScan)
{
    for (unsigned seed = 31; seed <= 32; ++seed) {
        SCOPED_TRACE(seed);
        CTempTree tree;
        CTempTree mounted;
        CRandomTree(tree, seed).Build();
        // A link by absolute path would lead out of the mount into the tree itself.
        tree.Remove("d0/again");
        const ScanOutcome direct = RunScan({tree.Root()});
        ScanOutcome through;
        {
            const CLatencyMount mount(tree.Root(), mounted.Root(), "0.2");
            if (!mount.Problem().empty())
                GTEST_SKIP() << mount.Problem();
            // Known as a share, so that it is read with many requests at once.
            EXPECT_EQ(platform::StorageOf(mounted.Root()), platform::EStorage::Remote);
            through = RunScan({mounted.Root()});
        }
        EXPECT_GT(direct.groupCount, 3);
        EXPECT_EQ(GroupsOf(through.results, mounted.Root()), GroupsOf(direct.results, tree.Root()));
        EXPECT_EQ(through.resolveTexts, direct.resolveTexts);
        EXPECT_EQ(through.summary, direct.summary);
        ASSERT_EQ(through.scanTexts.size(), direct.scanTexts.size());
        for (std::size_t i = 0; i < direct.scanTexts.size(); ++i) {
            std::string text = through.scanTexts[i];
            const std::size_t at = text.find(mounted.Root());
            if (at != std::string::npos)
                text.replace(at, mounted.Root().size(), tree.Root());
            EXPECT_EQ(text, direct.scanTexts[i]);
        }
        EXPECT_TRUE(through.warnings.empty());
    }
}

TEST(DifferentialResolution, AFolderLeftOutIsNeverAskedForAndAFileLeftOutNeverOpened)
{
    CTempTree tree;
    CTempTree mounted;
    CTempTree logs;
    CRandomTree(tree, 51).Build();
    tree.Remove("d0/again");
    for (const char* copy : {"d1/node_modules/pkg/a.txt", "d1/node_modules/b.txt", "d2/.git/objects/c.txt"})
        tree.Write(copy, "copied bytes");
    tree.Write("d1/kept.txt", "copied bytes");
    tree.Write("d2/kept.txt", "copied bytes");
    tree.Write("d3/left.tmp", "copied bytes");
    tree.Write("d0/left.tmp", "copied bytes");
    ScanOptions options;
    options.folders = {"node_modules", ".git"};
    options.files = {"*.tmp"};
    const std::string log = logs.Path("requests.log");
    ScanOutcome through;
    {
        const CLatencyMount mount(tree.Root(), mounted.Root(), "0", log);
        if (!mount.Problem().empty())
            GTEST_SKIP() << mount.Problem();
        through = RunScan({mounted.Root()}, {}, EResolveMethod::Partition, 0, 0, options);
    }
    EXPECT_EQ(through.leftOutFolders, 2u);
    EXPECT_EQ(through.leftOutFiles, 2u);
    EXPECT_EQ(
        GroupsOf(through.results, mounted.Root()),
        GroupsOf(RunScan({tree.Root()}, {}, EResolveMethod::Partition, 0, 0, options).results, tree.Root()));
    std::ifstream requests(log);
    std::size_t seen = 0, opened = 0;
    for (std::string line; std::getline(requests, line); ++seen) {
        const std::string path = line.substr(line.find(' ') + 1);
        EXPECT_EQ(path.find("/node_modules/"), std::string::npos) << line; // nothing under them
        EXPECT_EQ(path.find("/.git/"), std::string::npos) << line;
        const bool tmp = path.size() > 4 && path.compare(path.size() - 4, 4, ".tmp") == 0;
        EXPECT_FALSE(tmp && line.rfind("getattr ", 0) != 0) << line; // listed, never opened nor read
        opened += line == "open /d1/kept.txt" ? 1 : 0;
    }
    EXPECT_GT(seen, 100u); // the log names what the scan asked for
    EXPECT_EQ(opened, 1u);
}

#endif

} // namespace
