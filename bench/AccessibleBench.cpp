// quorvel-accessible-bench: how long the window stops answering while a screen reader listens, for the
// duplicates list's actions on a million rows (100,000 groups of ten): a refill, a click, a shift-click
// over half the rows, Copy, the removal of the selected rows, Ctrl+A. For each: the action's own time, and
// the longest the event loop went without turning from the action's start until two seconds later, while
// what the action told the reader and the reader's questions about it are handled. Run it through
// bench/reader_bench.py, with a reader listening and without; needs a display.
#include "bench/BenchWindow.h"
#include "bench/ScratchHome.h"

#include <wx/app.h>
#include <wx/frame.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <glib.h>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr guint kTickMs = 5;      // the loop is looked at this often
constexpr guint kWindowMs = 2000; // for this long after an action's start
constexpr int kRows = 1000000;
constexpr int kGroupSize = 10;

double Seconds(Clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

struct Ticks
{
    Clock::time_point last;
    double longest = 0;
};

gboolean OnTick(gpointer data)
{
    auto& ticks = *static_cast<Ticks*>(data);
    const Clock::time_point now = Clock::now();
    ticks.longest = std::max(ticks.longest, Seconds(now - ticks.last));
    ticks.last = now;
    return G_SOURCE_CONTINUE;
}

gboolean QuitLoop(gpointer loop)
{
    g_main_loop_quit(static_cast<GMainLoop*>(loop));
    return G_SOURCE_REMOVE;
}

struct Figures
{
    double action = 0;
    double stall = 0;
};

// The action, then the event loop for the rest of the window: the longest gap between two turns.
Figures Measure(const std::function<void()>& action)
{
    Ticks ticks{Clock::now()};
    const guint tick = g_timeout_add(kTickMs, OnTick, &ticks);
    const Clock::time_point start = Clock::now();
    action();
    Figures figures;
    figures.action = Seconds(Clock::now() - start);
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    g_timeout_add(kWindowMs, QuitLoop, loop);
    g_main_loop_run(loop);
    g_main_loop_unref(loop);
    g_source_remove(tick);
    figures.stall = std::max(ticks.longest, figures.action);
    return figures;
}

void Refill(CFileView& view, const std::vector<std::string>& paths)
{
    view.Freeze();
    view.DeleteAllRows();
    view.FreeRowRecords();
    for (std::size_t i = 0; i < paths.size(); ++i) {
        view.AddPastedRow(paths[i], 1, 0);
        if ((i + 1) % kGroupSize == 0)
            view.AddGroupSeparator();
    }
    view.Thaw();
}

// The window that draws the rows; found by its size, so that the build before this benchmark runs it too.
wxWindow* RowsWindow(CFileView& view)
{
    wxWindow* rows = &view;
    for (wxWindow* child : view.GetChildren())
        if (child->GetClientSize().GetHeight() > rows->GetClientSize().GetHeight() / 2)
            rows = child;
    return rows;
}

// A click or a key as the system delivers them: to the window that draws the rows.
void Send(CFileView& view, wxEvent& event)
{
    event.SetEventObject(RowsWindow(view));
    RowsWindow(view)->GetEventHandler()->ProcessEvent(event);
}

// Brings the row into view, as a user scrolls to it before clicking: not timed.
void ShowRow(CFileView& view, long row)
{
    view.EnsureVisible(row);
    wxYield();
}

void ClickRow(CFileView& view, long row, bool shift = false)
{
    wxRect rect;
    view.GetItemRect(row, rect);
    wxMouseEvent click(wxEVT_LEFT_DOWN);
    click.SetShiftDown(shift);
    click.SetPosition(RowsWindow(view)->ScreenToClient(view.ClientToScreen(rect.GetPosition())) +
                      wxPoint(5, rect.GetHeight() / 2));
    Send(view, click);
    click.SetEventType(wxEVT_LEFT_UP);
    Send(view, click);
}

void CtrlA(CFileView& view)
{
    wxKeyEvent key(wxEVT_KEY_DOWN);
    key.m_keyCode = 'A';
    key.SetControlDown(true);
    Send(view, key);
}

} // namespace

int main(int argc, char** argv)
{
    const auto scratch = UseScratchHome();
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit())
        return 1;
    int status = 0;
    {
        CFileView* view = NewBenchView();
        auto* frame = static_cast<wxFrame*>(view->GetParent());
        ShowBenchWindow(frame);
        view->OnInitialUpdate();
        view->OnInitialUpdate();
        view->SetFocus(); // the focused row is followed only while the list has the keyboard
        std::vector<std::string> paths;
        for (int i = 0; i < kRows; ++i)
            paths.push_back("/home/user/Pictures/" + std::to_string(i % 997) + "/IMG_" + std::to_string(i) +
                            ".JPG");

        const std::function<void()> nothing = [] {};
        const struct
        {
            const char* what;
            std::function<void()> before; // not timed
            std::function<void()> action;
        } actions[] = {
            {"refill", nothing, [&] { Refill(*view, paths); }},
            {"click on row 0", [&] { ShowRow(*view, 0); }, [&] { ClickRow(*view, 0); }},
            {"shift-click on row 499,999", [&] { ShowRow(*view, kRows / 2 - 1); },
             [&] { ClickRow(*view, kRows / 2 - 1, true); }},
            {"Copy of 500,000 rows", nothing, [&] { view->CopySelection(); }},
            {"removal of 500,000 rows", nothing, [&] { view->RemoveSelectedRows(); }},
            {"Ctrl+A", nothing, [&] { CtrlA(*view); }},
            {"Copy of 500,000 rows", nothing, [&] { view->CopySelection(); }},
        };
        for (int round = 0; round < 2; ++round)
            for (const auto& step : actions) {
                step.before();
                const Figures figures = Measure(step.action);
                std::printf("round %d, %-30s action %.3f s, longest stall %.3f s\n", round + 1, step.what,
                            figures.action, figures.stall);
            }
        if (view->GetItemCount() != kRows / 2 ||
            view->SelectedRowCount() != static_cast<std::size_t>(kRows / 2))
            status = 1;
        frame->Destroy();
    }
    wxTheApp->ProcessIdle();
    wxEntryCleanup();
    std::filesystem::remove_all(scratch);
    return status;
}
