// quorvel-cleanup-bench: cleanup by rule at scale. Times every Select Duplicates rule over 1,000,000
// rows in 300,000 groups, the selection pane's text after Ctrl+A over them, and a long Delete of
// 3,000 files: how soon a Cancel is honoured and how often the window repaints meanwhile. Then
// Delete of 5,000 scanned files, each checked to be the file the scan saw, against a plain loop of
// the same trash calls. HOME and the XDG folders point at a temporary folder, so the trash is a
// temporary one. Needs a display (run it under xvfb-run).
#include "bench/ScratchHome.h"
#include "engine/FileItem.h"
#include "platform/FolderListing.h"
#include "platform/Trash.h"
#include "resources/Commands.h"
#include "tests/gui/ListInput.h"
#include "views/FileView.h"

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/progdlg.h>
#include <wx/sizer.h>
#include <wx/statusbr.h>
#include <wx/timer.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// 1,000,000 rows: 300,000 groups of 3 or 4 copies with their own times and path lengths.
void FillMillion(CFileView& view)
{
    view.Freeze();
    view.DeleteAllRows();
    view.FreeRowRecords();
    std::uint64_t file = 0;
    for (int g = 0; g < 300000; ++g) {
        const int copies = g < 100000 ? 4 : 3;
        for (int m = 0; m < copies; ++m) {
            const std::string path = "/home/user/Pictures/" +
                                     std::string(static_cast<std::size_t>(m + 1), 'b') + "/album-" +
                                     std::to_string(g % 997) + "/IMG_" + std::to_string(g) + ".JPG";
            view.AddScannedRow(path, 1600000000 + (g * 7 + m * 13) % 1000,
                               platform::FileStamp{{1, ++file}, 1000 + g, 0});
        }
        view.AddGroupSeparator();
    }
    view.Thaw();
}

void TimeRulesAndPane(CFileView& view, wxStatusBar& status)
{
    FillMillion(view);
    const struct
    {
        EKeepRule rule;
        const char* name;
    } rules[] = {{EKeepRule::First, "first"},
                 {EKeepRule::Oldest, "oldest"},
                 {EKeepRule::Newest, "newest"},
                 {EKeepRule::ShortestPath, "shortest path"},
                 {EKeepRule::InFolder, "ones in the current row's folder"}};
    ClickRow(&view, 0); // the current row, for the folder rule
    for (const auto& rule : rules) {
        std::vector<double> times;
        for (int round = 0; round < 3; ++round) {
            const auto start = Clock::now();
            view.SelectByRule(rule.rule);
            times.push_back(Seconds(start));
        }
        std::sort(times.begin(), times.end());
        std::printf("Keep the %s: %zu of %zu rows selected, median %.3f s of 3 (target < 0.2 s)\n", rule.name,
                    view.SelectedRowCount(), view.Rows().RowCount(), times[1]);
    }
    std::vector<double> times;
    for (int round = 0; round < 3; ++round) {
        view.ClearSelection();
        const auto start = Clock::now();
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

// The rows of the scanned files of `folder`, as the window's model holds them.
void FillScanned(CDuplicateRows& rows, const fs::path& folder)
{
    platform::CFolderListing listing;
    listing.Open(folder.string());
    for (const platform::FolderEntry& entry : listing.Entries())
        if (entry.isFile)
            rows.AddScannedRow((folder / entry.name).string(), entry.modified, entry.Stamp());
}

// Rounds alternate between the three, so that a trash that grows slows each of them alike.
void TimeCheckedDelete(CFileView& view, const fs::path& scratch)
{
    std::vector<double> loops, checked, window;
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
    std::printf("Trash 5,000 scanned files, medians of 3: plain loop %.3f s; each file checked first %.3f s, "
                "ratio %.2f (target <= 1.3); through the window's Delete, progress dialog included, %.3f s, "
                "ratio %.2f\n",
                loops[1], checked[1], checked[1] / loops[1], window[1], window[1] / loops[1]);
}

} // namespace

int main(int argc, char** argv)
{
    const fs::path scratch = UseScratchHome();
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit())
        return 1;
    {
        auto* frame = new wxFrame(nullptr, wxID_ANY, "bench", wxDefaultPosition, wxSize(900, 600));
        auto* view = new CFileView(frame, nullptr);
        frame->SetSizer(new wxBoxSizer(wxVERTICAL));
        frame->GetSizer()->Add(view, 1, wxEXPAND);
        wxStatusBar* status = frame->CreateStatusBar();
        frame->Show();
        view->OnInitialUpdate();
        view->OnInitialUpdate();
        wxYield();
        TimeRulesAndPane(*view, *status);
        TimeCancelAndRepaints(*view, scratch);
        TimeCheckedDelete(*view, scratch);
        frame->Destroy();
    }
    wxTheApp->ProcessIdle();
    wxEntryCleanup();
    fs::remove_all(scratch);
    return 0;
}
