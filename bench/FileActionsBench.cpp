// quorvel-file-actions-bench: the duplicates list's actions at scale. Removes 500,000 of 1,000,000
// rows, and selected rows through the window, selected from code, by a shift-click and by Ctrl+A; pastes
// 100,000 lines naming existing files, type names included; copies and cuts 1,000,000 selected rows, with and
// without names that are not UTF-8, and reads the copy back through the clipboard (only that when
// QUORVEL_BENCH_ONLY=copy); trashes 2,000 files through Delete against
// a plain loop of the same trash calls; trashes 5,000 files of one name against 5,000 of unique names
// (only that when QUORVEL_BENCH_ONLY=same-names); and, for comparison, times the toolkit's own list selecting
// and reading a selection back. HOME and the XDG folders are pointed at a temporary folder first, so the
// trash used is a temporary one. Needs a display (run it under xvfb-run).
#include "bench/BenchWindow.h"
#include "bench/ScratchHome.h"
#include "engine/FileItem.h"
#include "platform/Trash.h"
#include "views/ClipboardAccess.h"
#include "views/ClipboardText.h"
#include "views/FileView.h"

#include <wx/app.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/frame.h>
#include <wx/listctrl.h>
#include <wx/sizer.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::vector<std::string> MakeFiles(const fs::path& folder, int count)
{
    fs::create_directories(folder);
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        paths.push_back(
            (folder / (folder.filename().string() + "-" + std::to_string(i) + (i % 3 == 0 ? ".txt" : ".jpg")))
                .string());
        std::ofstream(paths.back()) << i;
    }
    return paths;
}

// Files that all share one name, each in a folder of its own, as copies of index.html or cover.jpg are.
std::vector<std::string> MakeSameNamed(const fs::path& folder, int count)
{
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        fs::create_directories(folder / std::to_string(i));
        paths.push_back((folder / std::to_string(i) / "same.txt").string());
        std::ofstream(paths.back()) << i;
    }
    return paths;
}

void Refill(CFileView& view, const std::vector<std::string>& paths, int groupSize)
{
    view.Freeze();
    view.DeleteAllRows();
    view.FreeRowRecords();
    for (std::size_t i = 0; i < paths.size(); ++i) {
        view.AddPastedRow(paths[i], 1, 0);
        if ((i + 1) % static_cast<std::size_t>(groupSize) == 0)
            view.AddGroupSeparator();
    }
    view.Thaw();
}

std::vector<std::string> ManyPaths(int count)
{
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i)
        paths.push_back("/home/user/Pictures/" + std::to_string(i % 997) + "/IMG_" + std::to_string(i) +
                        ".JPG");
    return paths;
}

// The rows' own one-pass removal of every other row of a million.
double RemoveHalfFromTheRows(const std::vector<std::string>& paths)
{
    CDuplicateRows rows;
    for (const std::string& path : paths)
        rows.AddPastedRow(path, 1, 0);
    std::vector<std::size_t> half;
    for (std::size_t row = 0; row < paths.size(); row += 2)
        half.push_back(row);
    const auto start = std::chrono::steady_clock::now();
    rows.RemoveRows(std::move(half));
    const double seconds = Seconds(start);
    if (rows.RowCount() != paths.size() / 2)
        std::printf("rows: wrong result, %zu rows\n", rows.RowCount());
    return seconds;
}

// The window that draws the rows: it gets the clicks and keys first and hands them to the list.
wxWindow* RowsWindow(wxListCtrl& view)
{
    wxWindow* rows = &view;
    for (wxWindow* child : view.GetChildren())
        if (child->GetClientSize().GetHeight() > rows->GetClientSize().GetHeight() / 2)
            rows = child;
    return rows;
}

void Send(wxListCtrl& view, wxEvent& event)
{
    wxWindow* rows = RowsWindow(view);
    event.SetEventObject(rows);
    rows->GetEventHandler()->ProcessEvent(event);
}

// A click on a row, scrolled into view first, with Shift held or not; the time the list took.
double Click(wxListCtrl& view, long row, bool shift)
{
    view.EnsureVisible(row);
    wxYield();
    wxRect rect;
    view.GetItemRect(row, rect);
    wxMouseEvent click(wxEVT_LEFT_DOWN);
    click.SetPosition(RowsWindow(view)->ScreenToClient(view.ClientToScreen(rect.GetPosition())) +
                      wxPoint(5, rect.GetHeight() / 2));
    click.SetShiftDown(shift);
    wxMouseEvent release(click);
    release.SetEventType(wxEVT_LEFT_UP);
    const auto start = std::chrono::steady_clock::now();
    Send(view, click);
    Send(view, release);
    return Seconds(start);
}

enum class EHow
{
    EveryStep,
    ShiftClick,
    CtrlA
};

// The whole command on the window: every `step`-th row selected from code, rows 0 to `step` - 1
// selected by a click and a shift-click, or every row by Ctrl+A. Returns the time taken to
// select (the clicks only) and to remove.
std::pair<double, double> RemoveSelected(CFileView& view, const std::vector<std::string>& paths, EHow how,
                                         long step)
{
    Refill(view, paths, 10);
    double selecting = 0;
    if (how == EHow::EveryStep) {
        view.Freeze();
        for (long row = 0; row < view.GetItemCount(); row += step)
            view.SelectRow(row);
        view.Thaw();
    } else if (how == EHow::ShiftClick) {
        Click(view, 0, false);
        selecting = Click(view, step - 1, true);
    } else {
        wxKeyEvent ctrlA(wxEVT_KEY_DOWN);
        ctrlA.m_keyCode = 'A';
        ctrlA.SetControlDown(true);
        const auto start = std::chrono::steady_clock::now();
        Send(view, ctrlA);
        selecting = Seconds(start);
    }
    const long rows = view.GetItemCount();
    const auto selected = static_cast<long>(view.SelectedRowCount());
    const long expected = rows - selected;
    const long meant = how == EHow::EveryStep    ? (rows + step - 1) / step
                       : how == EHow::ShiftClick ? step
                                                 : rows;
    const auto start = std::chrono::steady_clock::now();
    view.RemoveSelectedRows();
    const double removing = Seconds(start);
    if (selected != meant || view.GetItemCount() != expected || view.SelectedRowCount() != 0)
        std::printf("remove: wrong result, %ld selected, then %d rows and %zu selected\n", selected,
                    view.GetItemCount(), view.SelectedRowCount());
    return {selecting, removing};
}

double Paste(CFileView& view, const std::vector<std::string>& paths)
{
    view.DeleteAllRows();
    view.FreeRowRecords();
    if (!wxTheClipboard->Open())
        return -1;
    const std::vector<std::string_view> lines(paths.begin(), paths.end());
    wxTheClipboard->SetData(new wxTextDataObject(wxString::FromUTF8(JoinClipboardPaths(lines))));
    wxTheClipboard->Close();
    const auto start = std::chrono::steady_clock::now();
    view.PasteFiles();
    std::size_t named = 0;
    for (std::size_t row = 0; row < view.Rows().RowCount(); ++row)
        named += view.Rows().CellText(row, EColumn::Type).empty() ? 0 : 1;
    const double seconds = Seconds(start);
    if (view.Rows().RowCount() != paths.size() || named != paths.size())
        std::printf("paste: wrong result, %zu rows, %zu with a type name\n", view.Rows().RowCount(), named);
    return seconds;
}

struct CopyTimes
{
    double copy = 0;
    double read = 0;
    double cut = 0;
};

// Copy of every row, the text read back as another program would ask for it, then Cut of every row.
CopyTimes CopyAndCut(CFileView& view, const std::vector<std::string>& paths)
{
    CopyTimes times;
    Refill(view, paths, 10);
    view.SelectAllRows();
    auto start = std::chrono::steady_clock::now();
    const bool copied = view.CopySelection();
    times.copy = Seconds(start);
    std::string text;
    start = std::chrono::steady_clock::now();
    const bool read = ClipboardAccess(&view).GetText(text);
    times.read = Seconds(start);
    const std::size_t lines = SplitClipboardLines(text).size();
    start = std::chrono::steady_clock::now();
    const bool cut = view.CutSelection();
    times.cut = Seconds(start);
    if (!copied || !read || !cut || lines != paths.size() || view.GetItemCount() != 0)
        std::printf("copy: wrong result, %zu lines read back, %d rows left\n", lines, view.GetItemCount());
    return times;
}

void CopyFigures(CFileView& view, const std::vector<std::string>& million)
{
    std::vector<std::string> mixed = million;
    for (std::size_t i = 0; i < mixed.size(); i += 1000)
        mixed[i] += "\xff\xfe"; // one name in a thousand is not UTF-8
    for (const auto& [paths, what] :
         {std::pair{&million, "UTF-8 names"}, {&mixed, "one name in 1,000 not UTF-8"}}) {
        std::vector<double> copies, reads, cuts;
        for (int round = 0; round < 3; ++round) {
            const CopyTimes times = CopyAndCut(view, *paths);
            copies.push_back(times.copy);
            reads.push_back(times.read);
            cuts.push_back(times.cut);
        }
        std::printf("Copy of 1,000,000 selected rows (%s): median %.3f s, read back %.3f s, Cut %.3f s "
                    "(medians of 3; target <= 1 s)\n",
                    what, Median(copies), Median(reads), Median(cuts));
    }
}

double TrashByLoop(const std::vector<std::string>& paths)
{
    const auto start = std::chrono::steady_clock::now();
    std::string reason;
    for (const std::string& path : paths)
        if (!platform::MoveToTrash(path, reason))
            std::printf("loop: %s stayed: %s\n", path.c_str(), reason.c_str());
    return Seconds(start);
}

double TrashByDelete(CFileView& view, const std::vector<std::string>& paths)
{
    Refill(view, paths, 2);
    view.SelectAllRows();
    const auto start = std::chrono::steady_clock::now();
    view.DeleteSelectedFiles();
    const double seconds = Seconds(start);
    if (view.GetItemCount() != 0)
        std::printf("delete: %d rows stayed\n", view.GetItemCount());
    return seconds;
}

// The toolkit's own virtual list, which keeps its selection itself: what the view no longer asks.
class CPlainList : public wxListView
{
public:
    explicit CPlainList(wxWindow* parent)
        : wxListView(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxLC_REPORT | wxLC_VIRTUAL)
    {
        InsertColumn(0, "File", wxLIST_FORMAT_LEFT, 200);
    }
    wxString OnGetItemText(long item, long) const override { return wxString::Format("%ld", item); }
};

void ToolkitFigures(wxFrame* frame, CFileView* view)
{
    view->Hide();
    auto* list = new CPlainList(frame);
    frame->GetSizer()->Add(list, 1, wxEXPAND);
    frame->Layout();
    list->SetItemCount(1000000);
    wxYield();
    Click(*list, 0, false);
    const double shiftClick = Click(*list, 499999, true);
    const int shiftSelected = list->GetSelectedItemCount();
    list->SetItemState(-1, 0, wxLIST_STATE_SELECTED);
    Click(*list, 0, false);
    Click(*list, 9999, true);
    const auto start = std::chrono::steady_clock::now();
    int read = 0;
    for (long row = list->GetFirstSelected(); row != -1; row = list->GetNextSelected(row))
        ++read;
    const double reading = Seconds(start);
    if (shiftSelected != 500000 || read != 10000)
        std::printf("toolkit: wrong result, %d and %d selected\n", shiftSelected, read);
    std::printf(
        "The toolkit's own list of 1,000,000 rows: shift-click over rows 0 to 499,999 %.3f s; reading "
        "10,000 selected rows back by GetNextSelected %.3f s\n",
        shiftClick, reading);
    list->Destroy();
    view->Show();
    frame->Layout();
}

// 5,000 files of one name against 5,000 of unique names, both through Delete, the order alternating;
// the trash keeps every earlier round's files, as a real one does.
void SameNameFigures(const fs::path& scratch, CFileView& view)
{
    std::vector<double> uniques;
    std::vector<double> sames;
    for (int round = 0; round < 4; ++round) {
        const std::string suffix = std::to_string(round);
        if (round % 2 == 0)
            uniques.push_back(TrashByDelete(view, MakeFiles(scratch / ("unique" + suffix), 5000)));
        sames.push_back(TrashByDelete(view, MakeSameNamed(scratch / ("same" + suffix), 5000)));
        if (round % 2 == 1)
            uniques.push_back(TrashByDelete(view, MakeFiles(scratch / ("unique" + suffix), 5000)));
    }
    std::printf("Delete of 5,000 files: unique names median %.3f s, all named same.txt median %.3f s of 4 "
                "(rounds %.3f, %.3f, %.3f, %.3f s), ratio %.2f (target < 2)\n",
                Median(uniques), Median(sames), sames[0], sames[1], sames[2], sames[3],
                Median(sames) / Median(uniques));
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
        ShowBenchWindow(frame);
        view->OnInitialUpdate();
        view->OnInitialUpdate();
        const char* only = std::getenv("QUORVEL_BENCH_ONLY");
        const std::string onlyPart = only != nullptr ? only : "";
        if (onlyPart != "copy")
            SameNameFigures(scratch, *view);
        if (onlyPart == "copy")
            CopyFigures(*view, ManyPaths(1000000));
        if (!onlyPart.empty()) {
            frame->Destroy();
            wxTheApp->ProcessIdle();
            wxEntryCleanup();
            fs::remove_all(scratch);
            return 0;
        }

        const std::vector<std::string> million = ManyPaths(1000000);
        std::vector<double> rowsOnly, scattered, shiftClicks, shiftRemoves, ctrlAs, ctrlARemoves;
        for (int round = 0; round < 3; ++round) {
            rowsOnly.push_back(RemoveHalfFromTheRows(million));
            scattered.push_back(RemoveSelected(*view, million, EHow::EveryStep, 2).second);
            const auto [shiftClick, shiftRemove] = RemoveSelected(*view, million, EHow::ShiftClick, 500000);
            shiftClicks.push_back(shiftClick);
            shiftRemoves.push_back(shiftRemove);
            const auto [ctrlA, ctrlARemove] = RemoveSelected(*view, million, EHow::CtrlA, 1);
            ctrlAs.push_back(ctrlA);
            ctrlARemoves.push_back(ctrlARemove);
        }
        std::printf(
            "Removing 500,000 of 1,000,000 rows in the rows' one pass: median %.3f s of 3 (target < 0.3 s)\n",
            Median(rowsOnly));
        std::printf("RemoveSelectedRows, every other row of 1,000,000 selected: median %.3f s of 3 "
                    "(target < 0.3 s)\n",
                    Median(scattered));
        std::printf("Shift-click over rows 0 to 499,999 of 1,000,000: median %.4f s, then RemoveSelectedRows "
                    "%.3f s (medians of 3)\n",
                    Median(shiftClicks), Median(shiftRemoves));
        std::printf(
            "Ctrl+A over 1,000,000 rows: median %.4f s, then RemoveSelectedRows %.3f s (medians of 3)\n",
            Median(ctrlAs), Median(ctrlARemoves));
        for (const long selected : {5000L, 40000L})
            std::printf(
                "RemoveSelectedRows, every other row selected, %ld of %ld: %.3f s\n", selected, 2 * selected,
                RemoveSelected(*view, ManyPaths(static_cast<int>(2 * selected)), EHow::EveryStep, 2).second);

        CopyFigures(*view, million);

        const std::vector<std::string> pasted = MakeFiles(scratch / "paste", 100000);
        std::vector<double> pastes;
        for (int round = 0; round < 3; ++round)
            pastes.push_back(Paste(*view, pasted));
        std::printf("Paste of 100,000 existing files with type names: median %.3f s of 3 (target < 2 s)\n",
                    Median(pastes));

        std::vector<double> loops;
        std::vector<double> deletes;
        // Unique names, so that the trash never has to find a free name; the order alternates.
        for (int round = 0; round < 6; ++round) {
            const std::string suffix = std::to_string(round);
            if (round % 2 == 0)
                loops.push_back(TrashByLoop(MakeFiles(scratch / ("loop" + suffix), 2000)));
            deletes.push_back(TrashByDelete(*view, MakeFiles(scratch / ("delete" + suffix), 2000)));
            if (round % 2 == 1)
                loops.push_back(TrashByLoop(MakeFiles(scratch / ("loop" + suffix), 2000)));
        }
        std::printf("Trash 2,000 files: plain loop median %.3f s, Delete median %.3f s of 6, ratio %.2f "
                    "(target < 1.5)\n",
                    Median(loops), Median(deletes), Median(deletes) / Median(loops));
        ToolkitFigures(frame, view);
        frame->Destroy();
    }
    wxTheApp->ProcessIdle();
    wxEntryCleanup();
    fs::remove_all(scratch);
    return 0;
}
