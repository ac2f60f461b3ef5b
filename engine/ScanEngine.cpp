// The engine's life and the order of its stages. Runs of one size are shared out whole over both
// cores a batch at a time, and their texts and groups then follow in order; a crowded or very large
// run is split alone, both cores reading its rounds together. Either way the groups come out as they
// would one run after another.
#include "engine/ScanEngine.h"

#include "engine/Candidates.h"
#include "engine/ContentClasses.h"
#include "engine/FolderWalk.h"
#include "engine/HelperThread.h"
#include "engine/ReadAhead.h"
#include "engine/ReaderCrew.h"
#include "engine/SizeRuns.h"
#include "platform/InputFile.h"
#include "platform/Memory.h"

#include <algorithm>
#include <limits>
#include <new>

namespace {

constexpr std::size_t kBatchFiles = 4096;     // files of runs shared out at a time
constexpr std::int64_t kSharedRun = 64 << 20; // a run of this many bytes is read by both cores together
constexpr std::int64_t kLargeFile = 1 << 20;  // reading these is slow from memory too
// On a share every request waits for a round trip: this many readers keep as many requests in
// flight, and this many threads list folders ahead of the walk.
constexpr std::size_t kRemoteReaders = 64;
constexpr std::size_t kRemoteListers = 64;
// A solid-state disk answers many reads at once as fast as one; two readers that each wait for one
// leave it idle most of the time while a cold tree is read, and the kernel's share of each read (a
// good part of a cold scan) then runs on one core at a time.
constexpr std::size_t kColdReaders = 32;
// A class this wide would keep one of them reading alone long after the others are done.
constexpr std::size_t kWideForCrew = 256;

std::size_t FilesIn(const PositionRun& run)
{
    return static_cast<std::size_t>(run.last - run.first + 1);
}

std::int64_t SizeOf(const PositionRun& run, const FileRecords& files)
{
    return files.items[static_cast<std::size_t>(run.first)].size;
}

// A run that one core would read alone for long, while the other core waits at the end of its
// batch, is read by both together. Anything smaller is faster apart: each core narrows its own
// classes with no hand-over between rounds.
bool IsCrowded(const PositionRun& run, const FileRecords& files)
{
    // Divided rather than multiplied: sparse files may be listed with sizes near the largest there is.
    return FilesIn(run) >= CScanEngine::kCrowdedRun ||
           SizeOf(run, files) >= kSharedRun / static_cast<std::int64_t>(FilesIn(run));
}

std::string RunProgressText(std::int32_t first, std::size_t total)
{
    const std::int64_t percent = static_cast<std::int64_t>(first) * 100 / static_cast<std::int64_t>(total);
    return std::to_string(first) + " of " + std::to_string(static_cast<std::int32_t>(total)) + " files - " +
           std::to_string(percent) + "%";
}

} // namespace

CScanEngine::CScanEngine()
    : m_makeContentStage(
          [this](const std::atomic<bool>& stop, CHelperThread* helper, COpenFileBudget& openFiles) {
              auto stage = std::make_unique<CContentClasses>(stop, helper, m_roundBudget, &openFiles);
              stage->SetRoundHook(m_roundHook);
              return stage;
          }),
      m_coldPerFile(CReadAhead::kFromDiskPerFile), m_roundBudget(content::kRoundBudget)
{}

CScanEngine::~CScanEngine() = default;

void CScanEngine::AddListener(CMyFilesListener* listener)
{
    m_listeners.push_back(listener);
}
void CScanEngine::AddFolder(const std::string& folder)
{
    m_folders.push_back(folder);
}
void CScanEngine::RequestStop()
{
    m_stop.store(true);
}
bool CScanEngine::IsStopped() const
{
    return m_stop.load();
}
void CScanEngine::Lock()
{
    m_lock.lock();
}
void CScanEngine::Unlock()
{
    m_lock.unlock();
}

std::string CScanEngine::GetFailureText() const
{
    if (!m_failedRoot.empty())
        return "Not enough memory to scan " + m_failedRoot;
    return "Not enough memory to finish the scan";
}

unsigned ScanThreadProc(CScanEngine* engine)
{
    engine->Run();
    engine->NotifyFinished();
    return 0;
}

void CScanEngine::Run()
{
    std::string walking; // the root being walked, named if memory runs out there
    try {
        const std::lock_guard<CScanEngine> hold(*this);
        // What holds the roots decides how many requests are kept in flight: many on a share, the
        // fewest on a spinning disk, which seeks between them.
        std::size_t listers = 1;
        std::size_t maxListers = CFolderPrefetch::kListersFromDisk;
        bool solid = true; // only a disk known to serve many reads at once gets many readers when cold
        for (const std::string& root : m_folders) {
            const platform::EStorage storage = platform::StorageOf(root);
            if (storage == platform::EStorage::Remote) {
                listers = maxListers = kRemoteListers;
                if (m_readers == 0)
                    m_readers = kRemoteReaders;
            } else if (storage != platform::EStorage::Solid) {
                solid = false;
                if (storage == platform::EStorage::Spinning && listers == 1)
                    maxListers = 1;
            }
        }
        if (m_coldReaders == 0 && solid)
            m_coldReaders = kColdReaders;
        if (!IsStopped()) {
            const std::unique_ptr<CLeaveOut> leaveOut =
                m_options.LeavesOutAnything() ? std::make_unique<CLeaveOut>(m_options) : nullptr;
            CFolderWalk walk(
                m_stop,
                [this](const std::string& text) {
                    for (CMyFilesListener* listener : m_listeners)
                        listener->OnScanProgress(text);
                },
                listers, maxListers, leaveOut.get());
            walk.Walk(m_folders, m_files, m_warnings, walking);
            m_leftOutFiles = walk.LeftOutFiles();
            m_leftOutFolders = walk.LeftOutFolders();
        }
        platform::ReturnFreedMemory(); // the walk's listings, so that resolving adds to the records alone
        if (!IsStopped())
            Resolve();
    } catch (const std::bad_alloc&) {
        Fail(std::move(walking));
    } catch (const std::length_error&) {
        Fail(std::move(walking)); // a container asked for more than it can ever hold: out of memory as well
    }
}

void CScanEngine::Resolve()
{
    NotifyResolveProgress(std::string());
    SortBySize(m_files);
    const std::vector<PositionRun> runs = SizeRuns(m_files);
    ForgetPathsOutsideRuns(m_files, runs); // never read again: a size met once holds no copy

    CHelperThread helper;
    COpenFileBudget openFiles(m_readers > 1);
    const std::unique_ptr<CContentStage> stages[3] = {m_makeContentStage(m_stop, &helper, openFiles),
                                                      m_makeContentStage(m_stop, nullptr, openFiles),
                                                      m_makeContentStage(m_stop, nullptr, openFiles)};
    CContentStage* const apart[2] = {stages[1].get(), stages[2].get()};
    std::vector<const CContentStage*> used = {stages[0].get(), stages[1].get(), stages[2].get()};
    std::size_t i = 0;
    CReadAhead readAhead(m_files, runs, m_stop, m_coldPerFile, m_coldByTimeAlone);
    if (m_readers <= 1) {
        // From memory two readers are fastest; once the reads are seen to wait for a disk that
        // serves many at once, the rest is read by many.
        while (i < runs.size() && !IsStopped() && !(m_coldReaders > 1 && readAhead.WaitedForDisk()))
            i = IsCrowded(runs[i], m_files) ? ResolveTogether(runs, i, *stages[0], readAhead)
                                            : ResolveApart(runs, i, apart, helper, readAhead);
    }
    std::unique_ptr<CReaderCrew> crew;
    if (i < runs.size() && !IsStopped()) {
        // Each reader holds a round of its own: smaller rounds keep the readers' memory together
        // within a few tens of MiB.
        m_roundBudget = content::kRoundBudget / 4;
        m_readersUsed = m_readers > 1 ? m_readers : m_coldReaders;
        crew = std::make_unique<CReaderCrew>(m_readersUsed, m_makeContentStage, m_stop, openFiles);
        m_roundBudget = content::kRoundBudget;
        // On a share every class goes to the crew; from a local disk a class too wide for one
        // reader is read by both cores with the disk asked ahead, as before the crew took over.
        const std::size_t wideClass = m_readers > 1 ? std::numeric_limits<std::size_t>::max() : kWideForCrew;
        while (i < runs.size() && !IsStopped()) {
            const std::size_t next = ResolveCrew(runs, i, *crew, wideClass);
            i = next != i ? next : ResolveTogether(runs, i, *stages[0], readAhead);
        }
        for (const std::unique_ptr<CContentStage>& stage : crew->Stages())
            used.push_back(stage.get());
    }
    CollectUnreadable(used);
}

void CScanEngine::CollectUnreadable(const std::vector<const CContentStage*>& stages)
{
    std::vector<std::int32_t> unreadable;
    for (const CContentStage* stage : stages)
        unreadable.insert(unreadable.end(), stage->Unreadable().begin(), stage->Unreadable().end());
    std::sort(unreadable.begin(), unreadable.end());
    for (const std::int32_t position : unreadable)
        m_warnings.push_back(ScanWarning{ScanWarning::EKind::UnreadableFile,
                                         m_files.items[static_cast<std::size_t>(position)].path});
}

std::size_t CScanEngine::ResolveCrew(const std::vector<PositionRun>& runs, std::size_t first,
                                     CReaderCrew& crew, std::size_t wideClass)
{
    // Every class of candidates in a batch of runs, crowded ones too, is read by one reader alone;
    // the classes of each run are then put together again and shown in the runs' order, with the
    // same texts as one run after another. The batch ends before a run with a class of `wideClass`
    // files or more.
    std::vector<std::pair<std::size_t, PositionClass>> tasks; // the run's place in the batch, its class
    std::size_t end = first;
    for (std::size_t files = 0; end < runs.size() && (end == first || files < kBatchFiles); ++end) {
        std::vector<PositionClass> classes = TailClasses(m_files, runs[end]);
        if (std::any_of(classes.begin(), classes.end(),
                        [&](const PositionClass& c) { return c.size() >= wideClass; }))
            break;
        files += FilesIn(runs[end]);
        for (PositionClass& candidates : classes)
            tasks.emplace_back(end - first, std::move(candidates));
    }
    if (end == first)
        return first;
    std::vector<std::vector<PositionClass>> found(tasks.size());
    crew.ForEach(tasks.size(), [&](std::size_t k, CContentStage& stage) {
        stage.Split(m_files, {tasks[k].second}, found[k]);
    });
    for (std::size_t run = 0, k = 0; run < end - first && !IsStopped(); ++run) {
        std::vector<PositionClass> classes;
        for (; k < tasks.size() && tasks[k].first == run; ++k)
            for (PositionClass& positions : found[k])
                classes.push_back(std::move(positions));
        NotifyResolveProgress(RunProgressText(runs[first + run].first, m_files.size()));
        m_output.Append(m_files.items, std::move(classes));
    }
    return end;
}

std::size_t CScanEngine::ResolveTogether(const std::vector<PositionRun>& runs, std::size_t first,
                                         CContentStage& stage, CReadAhead& readAhead)
{
    // Each round of a crowded or very large run holds reads enough to keep both cores busy.
    NotifyResolveProgress(RunProgressText(runs[first].first, m_files.size()));
    readAhead.Before(first, first + 1);
    std::vector<PositionClass> classes;
    const bool split = stage.Split(m_files, TailClasses(m_files, runs[first]), classes);
    // Judged where the system tells what came from the disk: a crowded run that was slow for want of
    // the processor does not start the reads ahead.
    readAhead.After(first, first + 1,
                    SizeOf(runs[first], m_files) < kLargeFile && platform::BytesReadFromStorage() >= 0);
    if (split)
        m_output.Append(m_files.items, std::move(classes));
    return first + 1;
}

std::size_t CScanEngine::ResolveApart(const std::vector<PositionRun>& runs, std::size_t first,
                                      CContentStage* const apart[2], CHelperThread& helper,
                                      CReadAhead& readAhead)
{
    // Small runs are shared out whole, each read by one core alone with no hand-over at all.
    std::size_t end = first;
    for (std::size_t files = 0; end < runs.size() && files < kBatchFiles && !IsCrowded(runs[end], m_files);
         ++end)
        files += FilesIn(runs[end]);
    std::vector<std::vector<PositionClass>> found(end - first);
    readAhead.Before(first, end);
    helper.ForEach(end - first, [&](std::size_t k, unsigned thread) {
        apart[thread]->Split(m_files, TailClasses(m_files, runs[first + k]), found[k]);
    });
    // Runs are in ascending size: the last one tells whether the batch held large files.
    readAhead.After(first, end, SizeOf(runs[end - 1], m_files) < kLargeFile);
    for (std::size_t k = 0; k < found.size() && !IsStopped(); ++k) {
        NotifyResolveProgress(RunProgressText(runs[first + k].first, m_files.size()));
        m_output.Append(m_files.items, std::move(found[k]));
    }
    return end;
}

void CScanEngine::NotifyResolveProgress(const std::string& text)
{
    for (CMyFilesListener* listener : m_listeners)
        listener->OnResolveProgress(text);
}

void CScanEngine::NotifyFinished()
{
    // The owner may destroy the engine as soon as it hears of the end, so the worker works from its
    // own copy of the list and never reads the engine again.
    const std::vector<CMyFilesListener*> listeners = m_listeners;
    for (CMyFilesListener* listener : listeners)
        listener->OnScanFinished();
}

void CScanEngine::Fail(std::string root) noexcept
{
    // Whatever was found is incomplete: nothing of it is shown. Clearing frees memory, it takes none.
    const std::lock_guard<std::mutex> hold(m_lock);
    m_failed = true;
    m_output.Clear();
    std::vector<FileItem>().swap(m_files.items);
    std::vector<FileMark>().swap(m_files.marks);
    m_failedRoot = std::move(root);
}
