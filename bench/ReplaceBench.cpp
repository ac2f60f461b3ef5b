// quorvel-replace-bench: Replace with Hard Links and Replace with Clones through the window, each
// against the floor measured in the same run. Hard links of 5,000 selected small files against Delete
// of the same files; hard links of 100 selected 16 MiB files against reading both copies of each
// once (the byte comparison is the cost); clones of 100 x 16 MiB on a Btrfs image loop-mounted for
// the run (as root; skipped with the reason where it cannot be) against the same floor. Every copy is
// in the page cache for both sides. HOME and the XDG folders point at a temporary folder, so the trash
// is a temporary one. Hard links of 300 files in a folder of 3,600 names, with and without a live run's
// temporary name in it. QUORVEL_BENCH_ONLY=small, =large or =crowded runs only those. Needs a display (run it
// under xvfb-run).
#include "bench/BenchWindow.h"
#include "bench/ScratchHome.h"
#include "platform/ReplaceFile.h"
#include "resources/Commands.h"
#include "views/FileView.h"

#include <wx/app.h>
#include <wx/frame.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <linux/fs.h>
#include <memory>
#include <string>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

platform::FileStamp StampOf(const std::string& path)
{
    struct stat st;
    lstat(path.c_str(), &st);
    return {{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)},
            static_cast<std::int64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

// `count` groups of two equal files in `folder`, k-N (kept) and s-N (selected), `size` bytes each.
std::vector<std::pair<std::string, std::string>> MakePairs(const fs::path& folder, int count,
                                                           std::size_t size)
{
    fs::create_directories(folder);
    std::vector<std::pair<std::string, std::string>> pairs;
    std::string bytes(size, '\0');
    for (int i = 0; i < count; ++i) {
        for (std::size_t at = 0; at < size; at += 4096)
            bytes[at] = static_cast<char>(i + at / 4096);
        const std::string text = std::to_string(i);
        bytes.replace(0, std::min(size, text.size()), text.substr(0, size));
        pairs.emplace_back((folder / ("k-" + text + ".dat")).string(),
                           (folder / ("s-" + text + ".dat")).string());
        for (const std::string& path : {pairs.back().first, pairs.back().second})
            std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(size));
    }
    sync(); // nothing left to write back while either side is timed
    return pairs;
}

// The pairs as scanned groups, each kept copy first; the copies to replace selected.
void ListPairs(CFileView& view, const std::vector<std::pair<std::string, std::string>>& pairs)
{
    view.Freeze();
    view.DeleteAllRows();
    view.FreeRowRecords();
    for (const auto& [kept, copy] : pairs) {
        view.AddScannedRow(kept, 0, StampOf(kept));
        view.AddScannedRow(copy, 0, StampOf(copy));
        view.AddGroupSeparator();
    }
    view.Thaw();
    for (long row = 1; row < view.GetItemCount(); row += 2)
        view.SelectRow(row);
}

// Reads every file once, whole, in large blocks: the least any comparison of the pairs reads.
double ReadBothOnce(const std::vector<std::pair<std::string, std::string>>& pairs)
{
    const std::unique_ptr<char[]> buffer(new char[1 << 20]);
    const auto start = Clock::now();
    for (const auto& [kept, copy] : pairs)
        for (const std::string* path : {&kept, &copy}) {
            const int fd = open(path->c_str(), O_RDONLY | O_CLOEXEC);
            while (read(fd, buffer.get(), 1 << 20) > 0) {
            }
            close(fd);
        }
    return Seconds(start);
}

double Replace(CFileView& view, EFileAction action, std::size_t expectedRows)
{
    const auto start = Clock::now();
    view.ReplaceSelectedFiles(action);
    const double seconds = Seconds(start);
    if (static_cast<std::size_t>(view.GetItemCount()) != expectedRows)
        std::printf("  the replace left %d rows, not %zu\n", view.GetItemCount(), expectedRows);
    return seconds;
}

// Every file is made before the first run and removed after the last, so that no run pays for the
// file system's work on another's files; rounds alternate between the two, so that a trash that grows
// slows both alike.
void TimeSmallFiles(CFileView& view, const fs::path& scratch)
{
    std::vector<std::vector<std::pair<std::string, std::string>>> made;
    for (int round = 0; round < 9; ++round)
        made.push_back(MakePairs(scratch / ("small" + std::to_string(round)), 5000, 12));
    std::vector<double> deletes, links, plain;
    for (int round = 0; round < 3; ++round) {
        // What the file system alone asks: a link under another name renamed over each copy, no check.
        auto start = Clock::now();
        for (const auto& [kept, copy] : made[6 + round]) {
            const std::string temporary = copy + ".new";
            if (link(kept.c_str(), temporary.c_str()) != 0 || rename(temporary.c_str(), copy.c_str()) != 0)
                std::printf("  the plain loop failed on %s\n", copy.c_str());
        }
        plain.push_back(Seconds(start));

        ListPairs(view, made[2 * round]);
        start = Clock::now();
        wxCommandEvent remove(wxEVT_MENU, ID_FILES_DELETE);
        view.GetEventHandler()->ProcessEvent(remove);
        deletes.push_back(Seconds(start));
        if (view.GetItemCount() != 5000)
            std::printf("  Delete left %d rows\n", view.GetItemCount());

        ListPairs(view, made[2 * round + 1]);
        links.push_back(Replace(view, EFileAction::HardLink, 5000));
    }
    for (int round = 0; round < 9; ++round)
        fs::remove_all(scratch / ("small" + std::to_string(round)));
    const double d = Median(deletes), l = Median(links), p = Median(plain);
    std::printf("5,000 selected small files in 5,000 groups of two: Delete %.3f s, Replace with Hard Links "
                "%.3f s (medians of 3), %.2fx of Delete (target <= 1.5x); a plain loop of link and rename "
                "over each, unchecked, %.3f s: the command is %.2fx of that\n",
                d, l, l / d, p, l / p);
}

// Drops the pages of the files, and of the image file under them where there is one, from the
// cache: the next read of them comes from the disk. Only these files are touched, not the machine's
// whole cache.
void DropFromCache(const std::vector<std::pair<std::string, std::string>>& pairs, const fs::path& image)
{
    for (const auto& [kept, copy] : pairs)
        for (const std::string* path : {&kept, &copy}) {
            const int fd = open(path->c_str(), O_RDONLY | O_CLOEXEC);
            posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
            close(fd);
        }
    if (!image.empty()) {
        const int fd = open(image.c_str(), O_RDONLY | O_CLOEXEC);
        posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        close(fd);
    }
}

// What the file system alone asks to replace each copy, unchecked and uncompared: a link under another
// name renamed over it, or a clone into it.
double PlainReplace(const std::vector<std::pair<std::string, std::string>>& pairs, EFileAction action)
{
    const auto start = Clock::now();
    for (const auto& [kept, copy] : pairs) {
        bool done = false;
        if (action == EFileAction::HardLink) {
            const std::string temporary = copy + ".new";
            done = link(kept.c_str(), temporary.c_str()) == 0 && rename(temporary.c_str(), copy.c_str()) == 0;
        } else {
            const int from = open(kept.c_str(), O_RDONLY | O_CLOEXEC);
            const int to = open(copy.c_str(), O_RDWR | O_CLOEXEC);
            done = ioctl(to, FICLONE, from) == 0;
            close(to);
            close(from);
        }
        if (!done)
            std::printf("  the plain loop failed on %s\n", copy.c_str());
    }
    return Seconds(start);
}

// 100 pairs of 16 MiB in `folder`, made anew for each round with 100 more for the plain loop (`image`
// holds the file system, if it is one). Each round reads both copies of every pair once from the
// cache and once from the disk, then runs the command: from the cache in even rounds, from the disk
// in odd ones.
void TimeLargeFiles(CFileView& view, const fs::path& folder, const fs::path& image, EFileAction action,
                    const char* what)
{
    std::vector<double> floorsWarm, floorsCold, warm, cold, plain;
    for (int round = 0; round < 6; ++round) {
        const auto pairs = MakePairs(folder / "command", 100, 16u << 20);
        plain.push_back(PlainReplace(MakePairs(folder / "plain", 100, 16u << 20), action));
        sync();
        ReadBothOnce(pairs);
        floorsWarm.push_back(ReadBothOnce(pairs));
        DropFromCache(pairs, image);
        floorsCold.push_back(ReadBothOnce(pairs));
        ListPairs(view, pairs);
        if (round % 2 == 1)
            DropFromCache(pairs, image);
        (round % 2 == 0 ? warm : cold).push_back(Replace(view, action, 100));
        fs::remove_all(folder);
    }
    const double fw = Median(floorsWarm), fc = Median(floorsCold), w = Median(warm), c = Median(cold);
    std::printf("100 selected 16 MiB files, %s: from the disk, reading both copies once %.3f s, the "
                "command %.3f s, %.2fx (target <= 1.2x); from the cache, %.3f s and %.3f s, %.2fx (medians "
                "of 3); the same %s made unchecked in a plain loop, %.3f s (median of 6)\n",
                what, fc, c, c / fc, fw, w, w / fw, action == EFileAction::HardLink ? "links" : "clones",
                Median(plain));
}

// Replaces the copies of `pairs` by hard links through the platform call, as the command does each.
double LinkAll(const std::vector<std::pair<std::string, std::string>>& pairs)
{
    const auto start = Clock::now();
    for (const auto& [kept, copy] : pairs)
        if (platform::ReplaceWithCopyOf(platform::EReplaceWay::HardLink, kept, StampOf(kept), copy,
                                        StampOf(copy))
                .refusal != platform::EReplaceRefusal::None)
            std::printf("refused: %s\n", copy.c_str());
    return Seconds(start);
}

// A live run's temporary name in `pair`'s folder: a forked process that stops with its link made until
// `go` is written to. Its number.
pid_t LiveRunIn(const std::pair<std::string, std::string>& pair, int go)
{
    int ready[2];
    if (pipe(ready) != 0)
        return -1;
    const pid_t run = fork();
    if (run == 0) {
        platform::testing::Hooks().atStep = [&](platform::testing::EReplaceStep step) {
            char byte = 0;
            if (step == platform::testing::EReplaceStep::Linked &&
                (write(ready[1], "r", 1) != 1 || read(go, &byte, 1) != 1))
                _exit(1);
        };
        platform::ReplaceWithCopyOf(platform::EReplaceWay::HardLink, pair.first, StampOf(pair.first),
                                    pair.second, StampOf(pair.second));
        _exit(0);
    }
    char byte = 0;
    if (read(ready[0], &byte, 1) != 1)
        std::printf("the live run did not start\n");
    close(ready[0]);
    close(ready[1]);
    return run;
}

// Hard links of 300 files in one folder of 3,600 names, with no temporary name in it and with a live
// run's: the folder is looked at for a killed run's names before each replacement, and listed only
// where it changed or a run that kept it unsettled has ended.
void TimeCrowdedFolder(const fs::path& scratch)
{
    constexpr int kPairs = 1800, kReplaced = 300;
    std::vector<double> plain, withLive;
    for (int round = 0; round < 3; ++round) {
        for (const bool live : {false, true}) {
            const fs::path folder = scratch / "crowded";
            fs::remove_all(folder);
            const auto pairs = MakePairs(folder, kPairs, 64);
            int go[2] = {-1, -1};
            pid_t run = -1;
            if (live && pipe(go) == 0)
                run = LiveRunIn(pairs.back(), go[0]);
            const std::vector<std::pair<std::string, std::string>> replaced(pairs.begin(),
                                                                            pairs.begin() + kReplaced);
            (live ? withLive : plain).push_back(LinkAll(replaced));
            if (run > 0) {
                if (write(go[1], "g", 1) != 1)
                    std::printf("the live run could not be told to end\n");
                waitpid(run, nullptr, 0);
                close(go[0]);
                close(go[1]);
            }
        }
    }
    const double a = Median(plain), b = Median(withLive);
    std::printf("crowded folder, %d links among %d names: %.3f s with no temporary name, %.3f s with a live "
                "run's (%.2fx)\n",
                kReplaced, 2 * kPairs, a, b, b / a);
}

// A Btrfs image of 10 GiB (sparse), mounted at scratch/btrfs for the clones, unmounted and removed after.
class CBtrfsImage
{
public:
    explicit CBtrfsImage(const fs::path& scratch) : m_image(scratch / "btrfs.img"), m_root(scratch / "btrfs")
    {
        fs::create_directories(m_root);
        const std::string command = "truncate -s 10G '" + m_image.string() + "' && mkfs.btrfs -q '" +
                                    m_image.string() + "' && mount -o loop '" + m_image.string() + "' '" +
                                    m_root.string() + "'";
        m_mounted = geteuid() == 0 && std::system((command + " >/dev/null 2>&1").c_str()) == 0;
    }
    ~CBtrfsImage()
    {
        if (m_mounted)
            std::system(("umount '" + m_root.string() + "'").c_str());
        fs::remove(m_image);
    }
    CBtrfsImage(const CBtrfsImage&) = delete;
    CBtrfsImage& operator=(const CBtrfsImage&) = delete;

    bool Mounted() const { return m_mounted; }
    const fs::path& Root() const { return m_root; }
    const fs::path& Image() const { return m_image; }

private:
    fs::path m_image;
    fs::path m_root;
    bool m_mounted = false;
};

} // namespace

int main(int argc, char** argv)
{
    const fs::path scratch = UseScratchHome();
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit())
        return 1;
    {
        CFileView* view = NewBenchView();
        auto* frame = static_cast<wxFrame*>(view->GetParent());
        frame->Show();
        view->OnInitialUpdate();
        view->OnInitialUpdate();
        wxYield();
        const char* only = std::getenv("QUORVEL_BENCH_ONLY"); // "small", "large" or "crowded"
        if (only == nullptr || std::string(only) == "crowded")
            TimeCrowdedFolder(scratch);
        if (only == nullptr || std::string(only) == "small")
            TimeSmallFiles(*view, scratch);
        if (only == nullptr || std::string(only) == "large") {
            TimeLargeFiles(*view, scratch / "large", fs::path(), EFileAction::HardLink,
                           "hard links on the scratch folder's disk");
            const CBtrfsImage btrfs(scratch);
            if (btrfs.Mounted())
                TimeLargeFiles(*view, btrfs.Root() / "large", btrfs.Image(), EFileAction::Clone,
                               "clones on a Btrfs image");
            else
                std::printf("clones: no Btrfs image could be made and mounted here (root, mkfs.btrfs and a "
                            "loop device are needed)\n");
        }
        frame->Destroy();
    }
    wxTheApp->ProcessIdle();
    wxEntryCleanup();
    fs::remove_all(scratch);
    return 0;
}
