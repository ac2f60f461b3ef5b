// quorvel-file-actions-bench: the duplicates list's actions at scale. Removes 500,000 selected rows
// of 1,000,000; pastes 100,000 lines naming existing files, type names included; and trashes 2,000
// files through Delete against a plain loop of the same trash calls. HOME and the XDG folders are
// pointed at a temporary folder first, so the trash used is a temporary one. Needs a display (run
// it under xvfb-run).
#include "engine/FileItem.h"
#include "platform/Trash.h"
#include "views/ClipboardText.h"
#include "views/FileView.h"

#include <wx/app.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/frame.h>
#include <wx/sizer.h>

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
        paths.push_back((folder / ("file-" + std::to_string(i) + (i % 3 == 0 ? ".txt" : ".jpg"))).string());
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
        view.AddFileRow(paths[i], 1, 0);
        if ((i + 1) % static_cast<std::size_t>(groupSize) == 0)
            view.AddFileRow(GROUP_SEPARATOR, 0, 0);
    }
    view.Thaw();
}

double RemoveHalf(CFileView& view)
{
    std::vector<std::string> paths;
    for (int i = 0; i < 1000000; ++i)
        paths.push_back("/home/user/Pictures/" + std::to_string(i % 997) + "/IMG_" + std::to_string(i) +
                        ".JPG");
    Refill(view, paths, 10);
    view.Freeze();
    for (long row = 0; row < 1000000; row += 2)
        view.Select(row);
    view.Thaw();
    const auto start = std::chrono::steady_clock::now();
    view.RemoveSelectedRows();
    const double seconds = Seconds(start);
    if (view.GetItemCount() != 500000 || view.GetSelectedItemCount() != 0)
        std::printf("remove: wrong result, %d rows and %d selected\n", view.GetItemCount(),
                    view.GetSelectedItemCount());
    return seconds;
}

double Paste(CFileView& view, const std::vector<std::string>& paths)
{
    view.DeleteAllRows();
    view.FreeRowRecords();
    if (!wxTheClipboard->Open())
        return -1;
    wxTheClipboard->SetData(new wxTextDataObject(wxString::FromUTF8(JoinClipboardPaths(paths))));
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
    view.Freeze();
    for (long row = 0; row < view.GetItemCount(); ++row)
        view.Select(row);
    view.Thaw();
    const auto start = std::chrono::steady_clock::now();
    view.DeleteSelectedFiles();
    const double seconds = Seconds(start);
    if (view.GetItemCount() != 0)
        std::printf("delete: %d rows stayed\n", view.GetItemCount());
    return seconds;
}

} // namespace

int main(int argc, char** argv)
{
    char pattern[] = "/tmp/quorvel-bench-XXXXXX";
    const fs::path scratch = mkdtemp(pattern);
    setenv("HOME", scratch.c_str(), 1);
    setenv("XDG_DATA_HOME", (scratch / "data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (scratch / "config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (scratch / "cache").c_str(), 1);

    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit())
        return 1;
    {
        auto* frame = new wxFrame(nullptr, wxID_ANY, "bench", wxDefaultPosition, wxSize(900, 600));
        auto* view = new CFileView(frame, nullptr);
        frame->SetSizer(new wxBoxSizer(wxVERTICAL));
        frame->GetSizer()->Add(view, 1, wxEXPAND);
        frame->Show();
        view->OnInitialUpdate();
        view->OnInitialUpdate();

        std::vector<double> removes;
        for (int round = 0; round < 3; ++round)
            removes.push_back(RemoveHalf(*view));
        std::printf("RemoveSelectedRows, 500,000 of 1,000,000 rows: median %.3f s of 3 (target < 0.3 s)\n",
                    Median(removes));

        const std::vector<std::string> pasted = MakeFiles(scratch / "paste", 100000);
        std::vector<double> pastes;
        for (int round = 0; round < 3; ++round)
            pastes.push_back(Paste(*view, pasted));
        std::printf("Paste of 100,000 existing files with type names: median %.3f s of 3 (target < 2 s)\n",
                    Median(pastes));

        std::vector<double> loops;
        std::vector<double> deletes;
        for (int round = 0; round < 3; ++round) {
            loops.push_back(TrashByLoop(MakeFiles(scratch / ("loop" + std::to_string(round)), 2000)));
            deletes.push_back(
                TrashByDelete(*view, MakeFiles(scratch / ("delete" + std::to_string(round)), 2000)));
        }
        std::printf("Trash 2,000 files: plain loop median %.3f s, Delete median %.3f s, ratio %.2f (target "
                    "< 1.5)\n",
                    Median(loops), Median(deletes), Median(deletes) / Median(loops));
        frame->Destroy();
    }
    wxTheApp->ProcessIdle();
    wxEntryCleanup();
    fs::remove_all(scratch);
    return 0;
}
