// quorvel-window-bench: scans folders through the main window as a user would (Scan Folders, then
// the events until the list is filled) and prints how long that took; with --screenshot FILE it
// also saves a picture of the window after the scan. Needs a display (run it under xvfb-run).
//   quorvel-window-bench [--screenshot FILE] FOLDER...
#include "app/MainFrame.h"
#include "app/WindowPicture.h"
#include "resources/Commands.h"
#include "views/FileView.h"
#include "views/FolderView.h"

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/fileconf.h>
#include <wx/filename.h>
#include <wx/image.h>
#include <wx/statusbr.h>
#include <wx/timer.h>
#include <wx/utils.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

void Pump(int rounds)
{
    for (int i = 0; i < rounds; ++i) {
        wxYield();
        wxMilliSleep(10);
    }
}

} // namespace

int main(int argc, char** argv)
{
    std::string screenshot;
    std::vector<std::string> folders;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc)
            screenshot = argv[++i];
        else
            folders.emplace_back(argv[i]);
    }
    if (folders.empty()) {
        std::fputs("usage: quorvel-window-bench [--screenshot FILE] FOLDER...\n", stderr);
        return 2;
    }
    int one = 1;
    char name[] = "quorvel-window-bench";
    char* args[] = {name, nullptr};
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(one, args) || !wxTheApp->CallOnInit())
        return 1;
    wxInitAllImageHandlers();
    const wxString settings = wxFileName::CreateTempFileName("quorvel-bench");
    int status = 0;
    {
        wxFileConfig config(wxEmptyString, wxEmptyString, settings, wxEmptyString, wxCONFIG_USE_LOCAL_FILE);
        auto* frame = new CMainFrame(&config);
        frame->SetSize(1000, 700);
        frame->Show();
        Pump(5);
        for (std::string folder : folders)
            frame->GetFolderView()->AppendFolder(folder);

        const auto start = std::chrono::steady_clock::now();
        wxCommandEvent scan(wxEVT_MENU, ID_SCAN_FOLDERS);
        frame->ProcessWindowEvent(scan);
        // The program's own kind of event loop, which sleeps until an event comes; a timer looks
        // every few milliseconds whether the list has been filled.
        wxGUIEventLoop loop;
        wxTimer check;
        check.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
            if (!frame->HoldsEngine())
                loop.Exit();
        });
        check.Start(5);
        loop.Run();
        check.Stop();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("through the window: %.3f s, %zu rows; status: %s\n", seconds,
                    frame->GetFileView()->Rows().RowCount(),
                    static_cast<const char*>(frame->GetStatusBar()->GetStatusText(1).utf8_str()));
        if (!screenshot.empty()) {
            frame->GetFileView()->SelectRow(1);
            frame->GetFileView()->SelectRow(2);
            SaveWindowPicture(frame, wxString::FromUTF8(screenshot));
        }
        frame->Destroy();
        wxTheApp->ProcessIdle();
    }
    wxRemoveFile(settings);
    wxEntryCleanup();
    return status;
}
