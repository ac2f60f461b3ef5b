// Start-up in order: the settings root, then the frame, shown. Two developer's aids for machines
// without a screen: QUORVEL_SCREENSHOT names a picture file (PNG, or BMP by its name) to which the
// window is saved once shown, after which the program closes as if the user had closed it; and
// QUORVEL_SMOKE_SCAN names a folder that is added and scanned through the window's own commands,
// after which the caption, the status texts and the row count go to the file QUORVEL_SMOKE_REPORT
// and the program ends through File > Exit; with QUORVEL_SMOKE_DELETE set, the first row's file is
// deleted through the list's own command, the next row copied and pasted, and then each group's
// copies but those under its folder "b" selected by rule (and with QUORVEL_SMOKE_EXPORT set too the
// list exported as JSON beside the report), then each group's copies but its first selected by rule
// and deleted; the report says what happened.
// With QUORVEL_SMOKE_REPLACE set instead, each group's copies but its first are selected by rule and
// replaced with hard links to it; the report names them and gives the rows left and the pane's text.
// With QUORVEL_SMOKE_OPEN set, the first row's file is opened and revealed before it ends.
// QUORVEL_SMOKE_ABOUT does the same for Help > About.
#include "app/QuorvelApp.h"

#include "app/MainFrame.h"
#include "app/ProjectPath.h"
#include "app/SettingsFile.h"
#include "app/SmokeAbout.h"
#include "app/WindowPicture.h"
#include "decorations/AboutDlg.h"
#include "platform/CommandLine.h"
#include "platform/LocalFiles.h"
#include "platform/Path.h"
#include "platform/SavedSettings.h"
#include "resources/Commands.h"
#include "resources/Resources.h"
#include "views/DisplayText.h"
#include "views/FileView.h"
#include "views/FolderPicker.h"
#include "views/FolderView.h"

#include <wx/clipbrd.h>
#include <wx/config.h>
#include <wx/ffile.h>
#include <wx/fileconf.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/image.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>
#include <wx/statusbr.h>
#include <wx/stdpaths.h>
#include <wx/stopwatch.h>
#include <wx/utils.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

namespace {

// Where the settings are a file, it is read with the settings conversion, so that a path that is not
// UTF-8 or a stray byte added by hand spoils nothing; the registry holds wide text and needs none.
template <class Config> Config* MakeSettings()
{
    if constexpr (std::is_base_of_v<wxFileConfig, Config>) {
        // As the system's bytes: the toolkit would read the environment in the locale's conversion,
        // and in the POSIX locale a folder named in anything but ASCII would then be another folder.
        const std::string folder = platform::SettingsFolder();
        if (folder.empty())
            return new CSettingsFile(kAppName, kVendorName);
        wxFileName::Mkdir(ToFileName(folder), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
        return new CSettingsFile(kAppName, kVendorName,
                                 ToFileName(platform::JoinPath(folder, std::string(kAppName) + ".conf")));
    } else {
        return new Config(kAppName, kVendorName);
    }
}

// Answers the folder picker and the save dialog of the smoke run as a user would: the given folder,
// and the given file as JSON.
class CSmokeAnswers : public wxModalDialogHook
{
public:
    CSmokeAnswers(const wxString& folder, const wxString& file) : m_folder(folder), m_file(file)
    {
        Register();
    }
    ~CSmokeAnswers() override { Unregister(); }
    CSmokeAnswers(const CSmokeAnswers&) = delete;
    CSmokeAnswers& operator=(const CSmokeAnswers&) = delete;

    int Enter(wxDialog* dialog) override
    {
        if (auto* picker = dynamic_cast<CFolderPickerDialog*>(dialog)) {
            picker->SelectPath(m_folder);
            return wxID_OK;
        }
        if (auto* save = dynamic_cast<wxFileDialog*>(dialog)) {
            save->SetPath(m_file);
            save->SetFilterIndex(1);
            // Some desktops' file choosers take a new path in the background: it is answered only
            // once the chooser holds it, or not at all.
            const wxLongLong deadline = wxGetLocalTimeMillis() + 5000;
            while (save->GetPath() != m_file && wxGetLocalTimeMillis() < deadline)
                wxYield();
            return save->GetPath() == m_file ? wxID_OK : wxID_CANCEL;
        }
        return wxID_NONE;
    }
    void Exit(wxDialog*) override {}

private:
    wxString m_folder;
    wxString m_file;
};

// Once the window has closed and the settings are saved, the rest of the way out gets this long: the
// clipboard manager, asked to keep the clipboard, is otherwise waited for up to 10 s, and other
// services the toolkit or GIO still talk to could hold the process for good.
constexpr std::chrono::milliseconds kExitDeadline{1500};

// Ends the process `delay` from now if it has not ended by then, as a normal end with nothing left
// to save.
void EndProcessAfter(std::chrono::milliseconds delay)
{
    std::thread([delay] {
        std::this_thread::sleep_for(delay);
        std::_Exit(0);
    }).detach();
}

// A command as the menu sends it, to `window`'s handlers.
void SendCommand(wxWindow* window, int id)
{
    wxCommandEvent command(wxEVT_MENU, id);
    window->GetEventHandler()->ProcessEvent(command);
}

// Opens and reveals the first row's file, which Home makes the anchor as the user's key does.
void SmokeOpen(CFileView& files, wxFFile& out)
{
    wxKeyEvent home(wxEVT_KEY_DOWN);
    home.m_keyCode = WXK_HOME;
    files.GetEventHandler()->ProcessEvent(home);
    for (const int id : {ID_FILES_OPEN, ID_FILES_REVEAL})
        SendCommand(&files, id);
    out.Write("opened and revealed " + ToDisplay(files.Rows().Row(0).fullPath) + "\n");
}

// Deletes the first row's file through the list's own command, then copies the next row and pastes
// it back through the clipboard.
void SmokeDeleteAndPaste(CFileView& files, wxFFile& out)
{
    out.Write("deleted " + ToDisplay(files.Rows().Row(0).fullPath) + "\n");
    files.SelectRow(0);
    SendCommand(&files, ID_FILES_DELETE);
    out.Write(wxString::Format("%zu rows\n", files.Rows().RowCount()));
    files.SelectRow(0);
    files.CopySelection();
    files.PasteFiles();
    out.Write(wxString::Format("%zu rows after Copy and Paste\n", files.Rows().RowCount()));
}

// Keep Those Under a Folder, its picker answered with the folder "b" of the scanned one (the group
// with two rows left keeps its copy there); then, where asked for, Export Duplicates as JSON beside
// the report, its save dialog answered: the desktop's file chooser talks to the session bus, which
// some tests keep mute.
void SmokeUnderFolderAndExport(CMainFrame& frame, const std::string& path, const wxString& report,
                               wxFFile& out)
{
    CSmokeAnswers answers(ToFileName(platform::JoinPath(path, "b")), report.BeforeLast('.') + ".json");
    SendCommand(&frame, ID_SELECT_KEEP_UNDER_FOLDER);
    CFileView& files = *frame.GetFileView();
    out.Write(wxString::Format("%zu selected under a folder: ", files.SelectedRowCount()) +
              ToDisplay(files.SelectionSummary()) + "\n");
    if (wxGetEnv("QUORVEL_SMOKE_EXPORT", nullptr)) {
        SendCommand(&frame, ID_PROJECT_EXPORT);
        out.Write(wxFileExists(report.BeforeLast('.') + ".json") ? "exported\n" : "not exported\n");
    }
}

// Cleanup by rule from the menu: each group keeps its first copy, the rest go.
void SmokeKeepFirstAndDelete(CMainFrame& frame, wxFFile& out)
{
    SendCommand(&frame, ID_SELECT_KEEP_FIRST);
    CFileView& files = *frame.GetFileView();
    out.Write(wxString::Format("%zu selected by rule\n", files.SelectedRowCount()));
    for (std::size_t row : files.GetSelectedRows())
        out.Write("deleted by rule " + ToDisplay(files.Rows().Row(row).fullPath) + "\n");
    SendCommand(&files, ID_FILES_DELETE);
    out.Write(wxString::Format("%zu rows after the rule's Delete\n", files.Rows().RowCount()));
}

// Each group's copies but its first replaced with hard links to it.
void SmokeReplace(CMainFrame& frame, wxFFile& out)
{
    SendCommand(&frame, ID_SELECT_KEEP_FIRST);
    CFileView& files = *frame.GetFileView();
    for (std::size_t row : files.GetSelectedRows())
        out.Write("replaced by a link " + ToDisplay(files.Rows().Row(row).fullPath) + "\n");
    SendCommand(&frame, ID_EDIT_REPLACE_LINKS);
    out.Write(wxString::Format("%zu rows after Replace with Hard Links\n", files.Rows().RowCount()) +
              ToDisplay(files.SelectionSummary()) + "\n");
}

// The smoke run once its scan has finished: what the window shows, then the steps the environment
// asks for, each written to the report.
void ReportSmokeRun(CMainFrame& frame, const std::string& path, const wxString& report)
{
    wxFFile out(report, "w");
    out.Write(frame.GetTitle() + "\n" + frame.GetStatusBar()->GetStatusText(0) + "\n" +
              frame.GetStatusBar()->GetStatusText(1) + "\n" +
              wxString::Format("%zu rows\n", frame.GetFileView()->Rows().RowCount()));
    CFileView& files = *frame.GetFileView();
    if (wxGetEnv("QUORVEL_SMOKE_OPEN", nullptr) && files.GetItemCount() > 0)
        SmokeOpen(files, out);
    if (wxGetEnv("QUORVEL_SMOKE_DELETE", nullptr) && files.GetItemCount() > 0) {
        SmokeDeleteAndPaste(files, out);
        SmokeUnderFolderAndExport(frame, path, report, out);
        SmokeKeepFirstAndDelete(frame, out);
    }
    if (wxGetEnv("QUORVEL_SMOKE_REPLACE", nullptr))
        SmokeReplace(frame, out);
    out.Close();
}

#ifdef NDEBUG
// A release build reports a toolkit assertion on standard error instead of a dialog that the user
// cannot act on and that may block closing the window.
void ReportAssertion(const wxString& file, int line, const wxString& func, const wxString& cond,
                     const wxString& msg)
{
    const wxString text =
        wxString::Format("%s(%d): assertion \"%s\" failed in %s(): %s\n", file, line, cond, func, msg);
    std::fputs(text.utf8_str(), stderr);
}
#endif

} // namespace

CQuorvelApp::CQuorvelApp()
{
    platform::UseLocalFilesOnly();
}

bool CQuorvelApp::OnInit()
{
#ifdef NDEBUG
    wxSetAssertHandler(ReportAssertion);
#endif
    SetVendorName(kVendorName);
    SetAppName(kAppName);
    // A settings file goes to $XDG_CONFIG_HOME/Quorvel.conf, whose folder is made first, or wx would
    // complain when saving; where settings live in the registry neither matters.
    wxStandardPaths::Get().SetFileLayout(wxStandardPaths::FileLayout_XDG);
    auto* config = MakeSettings<wxConfig>();
    config->SetExpandEnvVars(false);
    wxConfigBase::Set(config);
    wxInitAllImageHandlers();

    m_mainFrame = new CMainFrame(config);
    SetTopWindow(m_mainFrame);
    Bind(wxEVT_MENU, &CQuorvelApp::OnAppAbout, this, ID_APP_ABOUT);
    m_mainFrame->Show();

    // Project files named on the command line (a double-click on one in a file manager) open once
    // the window is up, as Project > Open opens them.
    std::vector<ToolkitArgument> kept;
    for (int i = 1; i < argc; ++i) {
        const wxCharBuffer local = argv[i].mb_str(wxConvLocal);
        kept.push_back({FromDisplay(argv[i]), std::string(local.data(), local.length())});
    }
    std::vector<std::string> given;
    platform::SystemArguments(given);
    const std::vector<std::string> named = ProjectArguments(given, kept);
    for (const std::string& project : named)
        CallAfter([this, project] { m_mainFrame->GetFolderView()->OpenProject(project, true); });

    wxString screenshot;
    if (wxGetEnv("QUORVEL_SCREENSHOT", &screenshot) && !screenshot.empty())
        CallAfter([this, screenshot] { TakeScreenshotAndClose(screenshot); });
    // Read as the system's bytes: the toolkit would decode them in the locale's conversion.
    const char* folder = std::getenv("QUORVEL_SMOKE_SCAN");
    const char* report = std::getenv("QUORVEL_SMOKE_REPORT");
    if (folder != nullptr && report != nullptr)
        CallAfter(
            [this, path = std::string(folder), file = ToFileName(report)] { ScanOnceAndExit(path, file); });
    wxString aboutReport;
    if (wxGetEnv("QUORVEL_SMOKE_ABOUT", &aboutReport))
        CallAfter([this, aboutReport] { OpenAboutOnceAndExit(m_mainFrame, aboutReport); });
    return true;
}

void CQuorvelApp::ScanOnceAndExit(std::string path, const wxString& report)
{
    m_mainFrame->GetFolderView()->AppendFolder(path);
    SendCommand(m_mainFrame, ID_SCAN_FOLDERS);
    m_smokeTimer = new wxTimer;
    m_smokeTimer->Bind(wxEVT_TIMER, [this, path, report](wxTimerEvent&) {
        if (m_mainFrame->HoldsEngine())
            return;
        m_smokeTimer->Stop();
        ReportSmokeRun(*m_mainFrame, path, report);
        wxQueueEvent(m_mainFrame, new wxCommandEvent(wxEVT_MENU, ID_APP_EXIT));
    });
    m_smokeTimer->Start(20);
}

int CQuorvelApp::OnExit()
{
    delete m_smokeTimer;
    wxConfigBase* settings = wxConfigBase::Set(nullptr);
    if (auto* file = dynamic_cast<CSettingsFile*>(settings))
        file->SaveAtExit();
    delete settings;
    // What is left is handing things to the desktop's services, none of which may hold the process.
    EndProcessAfter(kExitDeadline);
    // Paths cut or copied stay on the clipboard after the program ends, where the desktop keeps them.
    wxTheClipboard->Flush();
    return wxApp::OnExit();
}

void CQuorvelApp::OnAppAbout(wxCommandEvent&)
{
    CAboutDlg dialog(m_mainFrame);
    dialog.ShowModal();
}

void CQuorvelApp::TakeScreenshotAndClose(const wxString& path)
{
    SaveWindowPicture(m_mainFrame, path);
    m_mainFrame->Close();
}
