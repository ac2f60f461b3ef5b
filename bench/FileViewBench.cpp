// quorvel-fileview-bench: fills the duplicates list with a million rows (100,000 groups) the way the
// main window does after a scan, and prints how long the refill takes and what a row costs.
// Needs a display (run it under xvfb-run).
#include "bench/BenchWindow.h"
#include "engine/FileItem.h"
#include "views/FileView.h"

#include <wx/app.h>
#include <wx/frame.h>

#include <chrono>
#include <cstdio>
#include <malloc.h>
#include <string>
#include <vector>

namespace {

constexpr int kGroups = 100000;
constexpr int kGroupSize = 10;

std::vector<FileItem> MakeResults()
{
    std::vector<FileItem> results;
    results.reserve(static_cast<std::size_t>(kGroups) * (kGroupSize + 1));
    for (int g = 0; g < kGroups; ++g) {
        for (int m = 0; m < kGroupSize; ++m) {
            FileItem item("/home/user/Pictures/archive/" + std::to_string(2000 + m) + "/album-" +
                          std::to_string(g % 997) + "/IMG_" + std::to_string(g) + ".JPG");
            item.size = 1000 + g;
            item.modified = 1600000000 + g;
            results.push_back(std::move(item));
        }
        results.emplace_back(GROUP_SEPARATOR);
    }
    return results;
}

std::size_t HeapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd; // large blocks are mapped on their own
}

} // namespace

int main(int argc, char** argv)
{
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

        const std::vector<FileItem> results = MakeResults();
        std::size_t pathBytes = 0;
        std::size_t rows = 0;
        for (const FileItem& item : results)
            if (!item.IsSeparator()) {
                pathBytes += item.path.size();
                ++rows;
            }

        for (int round = 0; round < 3; ++round) {
            const std::size_t heapBefore = HeapInUse();
            const auto start = std::chrono::steady_clock::now();
            view->Freeze();
            view->DeleteAllRows();
            view->FreeRowRecords();
            const std::size_t heapEmpty = HeapInUse();
            for (const FileItem& item : results) {
                if (item.IsSeparator())
                    view->AddGroupSeparator();
                else
                    view->AddPastedRow(item.path, item.size, item.modified);
            }
            view->Thaw();
            const double refill =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            wxTheApp->ProcessPendingEvents();
            wxYield(); // the first paint of the visible rows
            const double shown =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            const std::size_t heapFull = HeapInUse();
            const double perRow = static_cast<double>(heapFull - heapEmpty) / static_cast<double>(rows);
            const double overPath = perRow - static_cast<double>(pathBytes) / static_cast<double>(rows);
            std::printf("refill %d: %zu rows in %.3f s (%.3f s with the first paint); heap %.1f bytes a row, "
                        "%.1f over the path's %.1f bytes; heap before %.1f MiB\n",
                        round + 1, view->Rows().RowCount(), refill, shown, perRow, overPath,
                        static_cast<double>(pathBytes) / static_cast<double>(rows),
                        static_cast<double>(heapBefore) / 1048576.0);
            if (view->GetItemCount() != static_cast<long>(rows))
                status = 1;
        }
        frame->Destroy();
    }
    wxTheApp->ProcessIdle();
    wxEntryCleanup();
    return status;
}
