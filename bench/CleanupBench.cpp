// quorvel-cleanup-bench: cleanup by rule at scale. Times every Select Duplicates rule over 1,000,000
// rows in 300,000 groups, the selection pane's text after Ctrl+A over them, and a long Delete of
// 3,000 files: how soon a Cancel is honoured and how often the window repaints meanwhile. Then
// Delete of 5,000 scanned files, each checked to be the file the scan saw, against a plain loop of
// the same trash calls, and with a copy of each kept and checked; then Export Duplicates of 450,077
// rows in each format. HOME and the XDG folders point at a temporary folder, so the trash is a
// temporary one. Needs a display (run it under xvfb-run).
#include "bench/BenchWindow.h"
#include "bench/ScratchHome.h"
#include "engine/FileItem.h"
#include "platform/FolderListing.h"
#include "platform/SaveFile.h"
#include "platform/Trash.h"
#include "resources/Commands.h"
#include "tests/gui/ListInput.h"
#include "views/FileView.h"
#include "views/ScanOutput.h"

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/progdlg.h>
#include <wx/statusbr.h>
#include <wx/timer.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A row's path in the million-row tree: copy m of group g.
std::string MillionPath(const fs::path& root, int g, int m)
{
    return (root / std::string(static_cast<std::size_t>(m + 1), 'b') / ("album-" + std::to_string(g % 997)) /
            ("IMG_" + std::to_string(g) + ".JPG"))
        .string();
}

platform::FileStamp StampOf(const std::string& path)
{
    struct stat st;
    lstat(path.c_str(), &st);
    return {{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)},
            static_cast<std::int64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

// 1,000,000 rows: 300,000 groups of 3 or 4 copies with their own times and path lengths. The files
// are real, as the rules look at the copy they keep: each group's copies are names of one file, so
// that the tree costs 300,000 files' space.
void FillMillion(CFileView& view, const fs::path& root)
{
    const bool made = fs::exists(root);
    for (int m = 0; m < 4 && !made; ++m)
        for (int a = 0; a < 997; ++a)
            fs::create_directories(root / std::string(static_cast<std::size_t>(m + 1), 'b') /
                                   ("album-" + std::to_string(a)));
    view.Freeze();
    view.DeleteAllRows();
    view.FreeRowRecords();
    for (int g = 0; g < 300000; ++g) {
        const int copies = g < 100000 ? 4 : 3;
        const std::string first = MillionPath(root, g, 0);
        if (!made) {
            std::ofstream(first) << std::string(static_cast<std::size_t>(1 + g % 50), 'x');
            for (int m = 1; m < copies; ++m)
                link(first.c_str(), MillionPath(root, g, m).c_str());
        }
        const platform::FileStamp stamp = StampOf(first);
        for (int m = 0; m < copies; ++m)
            view.AddScannedRow(MillionPath(root, g, m), 1600000000 + (g * 7 + m * 13) % 1000, stamp);
        view.AddGroupSeparator();
    }
    view.Thaw();
}

void TimeRulesAndPane(CFileView& view, wxStatusBar& status, const fs::path& scratch)
{
    const fs::path root = scratch / "million";
    auto start = Clock::now();
    FillMillion(view, root);
    std::printf("1,000,000 rows on 300,000 real files, made and listed in %.1f s\n", Seconds(start));
    // The floor: the system's own answer about each copy a rule keeps, asked in a plain loop.
    std::vector<double> floors;
    for (int round = 0; round < 3; ++round) {
        start = Clock::now();
        struct stat st;
        for (int g = 0; g < 300000; ++g)
            lstat(MillionPath(root, g, 0).c_str(), &st);
        floors.push_back(Seconds(start));
    }
    std::sort(floors.begin(), floors.end());
    std::printf("floor: one lstat of each of the 300,000 kept copies in a loop, median %.3f s of 3\n",
                floors[1]);
    const struct
    {
        EKeepRule rule;
        const char* name;
    } rules[] = {{EKeepRule::First, "first"},
                 {EKeepRule::Oldest, "oldest"},
                 {EKeepRule::Newest, "newest"},
                 {EKeepRule::ShortestPath, "shortest path"},
                 {EKeepRule::InFolder, "ones in the current row's folder"},
                 {EKeepRule::UnderFolder, "ones under a folder"}};
    ClickRow(&view, 0); // the current row, for the folder rule
    for (const auto& rule : rules) {
        std::vector<double> times;
        for (int round = 0; round < 3; ++round) {
            start = Clock::now();
            if (rule.rule == EKeepRule::UnderFolder)
                view.SelectByRule(rule.rule, (root / "b").string());
            else
                view.SelectByRule(rule.rule);
            times.push_back(Seconds(start));
        }
        std::sort(times.begin(), times.end());
        std::printf(
            "Keep the %s: %zu of %zu rows selected, median %.3f s of 3 (target < 0.2 s), %.2f x the floor\n",
            rule.name, view.SelectedRowCount(), view.Rows().RowCount(), times[1], times[1] / floors[1]);
    }
    std::vector<double> times;
    for (int round = 0; round < 3; ++round) {
        view.ClearSelection();
        start = Clock::now();
        PressKey(&view, 'A', wxMOD_CONTROL);
        status.SetStatusText(view.SelectionSummary());
        times.push_back(Seconds(start));
    }
    std::sort(times.begin(), times.end());
    std::printf(
        "Ctrl+A over %zu rows and the selection pane's text \"%s\": median %.3f s of 3 (target < 0.05 s)\n",
        view.Rows().RowCount(), status.GetStatusText().utf8_string().c_str(), times[1]);
}

std::vector<std::string> MakeFiles(const fs::path& folder, int count)
{
    fs::create_directories(folder);
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        paths.push_back((folder / ("f" + std::to_string(i) + ".jpg")).string());
        std::ofstream(paths.back()) << i;
    }
    return paths;
}

// Rows for the files as a scan lists them, with what the folder listing says of each.
void FillScanned(CFileView& view, const fs::path& folder)
{
    platform::CFolderListing listing;
    listing.Open(folder.string());
    view.Freeze();
    view.DeleteAllRows();
    view.FreeRowRecords();
    for (const platform::FolderEntry& entry : listing.Entries())
        if (entry.isFile)
            view.AddScannedRow((folder / entry.name).string(), entry.modified, entry.Stamp());
    view.AddGroupSeparator();
    view.Thaw();
}

void TimeCancelAndRepaints(CFileView& view, const fs::path& scratch)
{
    MakeFiles(scratch / "long", 3000);
    FillScanned(view, scratch / "long");
    view.SelectAllRows();
    int paints = 0;
    wxWindow* rows = RowsWindowOf(&view);
    const auto countPaint = [&paints](wxPaintEvent& event) {
        ++paints;
        event.Skip();
    };
    rows->Bind(wxEVT_PAINT, countPaint);
    // The window is asked to repaint all along, as when the user moves another window over it.
    wxTimer invalidate;
    invalidate.Bind(wxEVT_TIMER, [rows](wxTimerEvent&) { rows->Refresh(); });
    invalidate.Start(20);
    // A click on Cancel is seen when the dialog next brings itself up to date: the longest time
    // between two updates is how long a Cancel can wait. A cancel then ends the Delete.
    Clock::time_point last = Clock::now();
    double longestGap = 0;
    std::size_t updates = 0;
    Clock::time_point cancelled;
    view.SetTrashProgressHook([&](wxProgressDialog& dialog, std::size_t done) {
        const auto now = Clock::now();
        if (std::getenv("QUORVEL_BENCH_GAPS"))
            std::printf("update at %zu after %.3f s\n", done,
                        std::chrono::duration<double>(now - last).count());
        if (updates++ > 0)
            longestGap = std::max(longestGap, std::chrono::duration<double>(now - last).count());
        last = now;
        if (done >= 2500 && cancelled == Clock::time_point()) {
            cancelled = now;
            wxCommandEvent cancel(wxEVT_BUTTON, wxID_CANCEL);
            cancel.SetEventObject(&dialog);
            dialog.GetEventHandler()->ProcessEvent(cancel);
        }
    });
    const auto start = Clock::now();
    wxCommandEvent remove(wxEVT_MENU, ID_FILES_DELETE);
    view.GetEventHandler()->ProcessEvent(remove);
    const double total = Seconds(start);
    invalidate.Stop();
    std::printf(
        "Delete of 3,000 files: %zu updates, the longest %.3f s apart, so a Cancel waits at most that "
        "long (target < 0.2 s); cancelled after %d files, it ended %.3f s after the Cancel; the "
        "window repainted %d times in %.2f s, %.1f a second (target >= 5)\n",
        updates, longestGap, static_cast<int>(3000 - view.GetItemCount()), Seconds(cancelled), paints, total,
        paints / total);
    view.SetTrashProgressHook(nullptr);
    rows->Unbind(wxEVT_PAINT, countPaint);
}

// The rows of the scanned files of `folder`, as the window's model holds them: one group, or groups
// of `perGroup`.
void FillScanned(CDuplicateRows& rows, const fs::path& folder, std::size_t perGroup = 0)
{
    platform::CFolderListing listing;
    listing.Open(folder.string());
    std::size_t inGroup = 0;
    for (const platform::FolderEntry& entry : listing.Entries()) {
        if (!entry.isFile)
            continue;
        rows.AddScannedRow((folder / entry.name).string(), entry.modified, entry.Stamp());
        if (++inGroup == perGroup) {
            rows.AddGroupSeparator();
            inGroup = 0;
        }
    }
}

// Rounds alternate between the three, so that a trash that grows slows each of them alike.
void TimeCheckedDelete(CFileView& view, const fs::path& scratch)
{
    std::vector<double> loops, checked, kept, window;
    for (int round = 0; round < 3; ++round) {
        const std::string suffix = std::to_string(round);
        const std::vector<std::string> paths = MakeFiles(scratch / ("loop" + suffix), 5000);
        auto start = Clock::now();
        for (const std::string& path : paths) {
            std::string reason;
            platform::MoveToTrash(path, reason);
        }
        loops.push_back(Seconds(start));

        MakeFiles(scratch / ("checked" + suffix), 5000);
        CDuplicateRows rows;
        FillScanned(rows, scratch / ("checked" + suffix));
        std::vector<std::size_t> all(rows.RowCount());
        for (std::size_t row = 0; row < all.size(); ++row)
            all[row] = row;
        std::vector<TrashFailure> failures;
        start = Clock::now();
        const std::size_t moved = TrashFilesOfRows(rows, all, failures, platform::MoveToTrash).size();
        checked.push_back(Seconds(start));
        if (moved != 5000)
            std::printf("the checked run moved %zu files\n", moved);

        // The same 5,000 moves where each group keeps a copy, which is checked before its group's
        // copy goes: 5,000 groups of two, the second row of each chosen.
        MakeFiles(scratch / ("kept" + suffix), 10000);
        CDuplicateRows pairs;
        FillScanned(pairs, scratch / ("kept" + suffix), 2);
        std::vector<std::size_t> seconds;
        for (std::size_t row = 1; row < pairs.RowCount(); row += 2)
            seconds.push_back(row);
        failures.clear();
        start = Clock::now();
        const std::size_t movedKept =
            TrashFilesOfRows(pairs, seconds, failures, platform::MoveToTrash).size();
        kept.push_back(Seconds(start));
        if (movedKept != 5000)
            std::printf("the run that keeps a copy moved %zu files\n", movedKept);

        MakeFiles(scratch / ("window" + suffix), 5000);
        FillScanned(view, scratch / ("window" + suffix));
        view.SelectAllRows();
        start = Clock::now();
        wxCommandEvent remove(wxEVT_MENU, ID_FILES_DELETE);
        view.GetEventHandler()->ProcessEvent(remove);
        window.push_back(Seconds(start));
        if (view.GetItemCount() != 0)
            std::printf("Delete left %d rows\n", static_cast<int>(view.GetItemCount()));
    }
    std::sort(loops.begin(), loops.end());
    std::sort(checked.begin(), checked.end());
    std::sort(window.begin(), window.end());
    std::sort(kept.begin(), kept.end());
    std::printf("The same 5,000 files each in a group of two whose other copy is checked before it goes: "
                "%.3f s, %.2f x the run without that check (target <= 1.10)\n",
                kept[1], kept[1] / checked[1]);
    std::printf("Trash 5,000 scanned files, medians of 3: plain loop %.3f s; each file checked first %.3f s, "
                "ratio %.2f (target <= 1.3); through the window's Delete, progress dialog included, %.3f s, "
                "ratio %.2f\n",
                loops[1], checked[1], checked[1] / loops[1], window[1], window[1] / loops[1]);
}

// Export Duplicates of a list as long as the million-file tree's result: 450,077 rows in groups of
// three (the last of two), each format built and written whole.
void TimeExport(const fs::path& scratch)
{
    CDuplicateRows rows;
    std::uint64_t file = 0;
    for (int i = 0; i < 450077; ++i) {
        rows.AddScannedRow(MillionPath(scratch / "export-tree", i / 3, i % 3), 1600000000,
                           platform::FileStamp{{1, ++file}, 1000 + i / 3, 0});
        if (i % 3 == 2 || i + 1 == 450077)
            rows.AddGroupSeparator();
    }
    const struct
    {
        EOutputFormat format;
        const char* name;
    } formats[] = {{EOutputFormat::Text, "text"}, {EOutputFormat::Json, "JSON"}, {EOutputFormat::Csv, "CSV"}};
    for (const auto& format : formats) {
        std::vector<double> times;
        std::size_t bytes = 0;
        for (int round = 0; round < 3; ++round) {
            const auto start = Clock::now();
            const std::string text = FormatListedGroups(rows, format.format, 1000000);
            std::string reason;
            if (!platform::SaveFileWhole((scratch / "export").string(), text, reason))
                std::printf("export failed: %s\n", reason.c_str());
            times.push_back(Seconds(start));
            bytes = text.size();
        }
        std::sort(times.begin(), times.end());
        std::printf("Export of %zu rows as %s (%.1f MB): median %.3f s of 3 (target < 1 s)\n",
                    rows.RowCount(), format.name, bytes / 1e6, times[1]);
    }
}

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
        wxStatusBar* status = frame->CreateStatusBar();
        frame->Show();
        view->OnInitialUpdate();
        view->OnInitialUpdate();
        wxYield();
        TimeRulesAndPane(*view, *status, scratch);
        TimeCancelAndRepaints(*view, scratch);
        TimeCheckedDelete(*view, scratch);
        TimeExport(scratch);
        frame->Destroy();
    }
    wxTheApp->ProcessIdle();
    wxEntryCleanup();
    fs::remove_all(scratch);
    return 0;
}
