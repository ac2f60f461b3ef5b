// The frame's side of a scan: start and stop, the listener operations on the worker thread, and
// the events that carry the engine's news to the window.
#include "app/EnableRules.h"
#include "app/MainFrame.h"
#include "app/ScanOptionsDlg.h"
#include "decorations/BarReaders.h"
#include "engine/ScanEngine.h"
#include "resources/Commands.h"
#include "resources/Resources.h"
#include "views/DisplayText.h"
#include "views/FileView.h"
#include "views/FolderView.h"

#include <wx/msgdlg.h>
#include <wx/utils.h>

#include <mutex>
#include <system_error>

wxDEFINE_EVENT(EVT_SCAN_FINISHED, wxThreadEvent);
wxDEFINE_EVENT(EVT_RESOLVE_PROGRESS, wxThreadEvent);
wxDEFINE_EVENT(EVT_SCAN_PROGRESS, wxThreadEvent);

namespace {

// One status text costs about 0.4 ms: the progress pane changes at most this often.
constexpr std::chrono::milliseconds kProgressInterval(50);

} // namespace

void CMainFrame::BindScanControl()
{
    Bind(wxEVT_MENU, &CMainFrame::OnScanFolders, this, ID_SCAN_FOLDERS);
    Bind(wxEVT_MENU, &CMainFrame::OnStopThread, this, ID_STOP_THREAD);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateScanFolders, this, ID_SCAN_FOLDERS);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateStopThread, this, ID_STOP_THREAD);
    Bind(EVT_SCAN_PROGRESS, &CMainFrame::OnScanProgressMsg, this);
    Bind(EVT_RESOLVE_PROGRESS, &CMainFrame::OnResolveProgressMsg, this);
    Bind(EVT_SCAN_FINISHED, &CMainFrame::OnScanFinishedMsg, this);
    Bind(wxEVT_TIMER, &CMainFrame::OnProgressTimer, this, m_progressTimer.GetId());
}

void CMainFrame::OnUpdateScanFolders(wxUpdateUIEvent& event)
{
    event.Enable(CanScanFolders(m_scanRunning.load(), m_engine != nullptr, m_folderView->IsEmpty()));
}

void CMainFrame::OnUpdateStopThread(wxUpdateUIEvent& event)
{
    event.Enable(CanStopThread(m_scanRunning.load()));
}

void CMainFrame::OnScanFolders(wxCommandEvent&)
{
    // A second command can arrive before the next idle time disables the button (a double click);
    // waiting here for the running scan would freeze the window until it ends.
    if (m_scanRunning.load() || m_engine != nullptr)
        return;
    ScanOptions options;
    if (const ScanOptionsProblem problem = ReadScanOptions(LoadScanOptions(m_config), options)) {
        // Options edited by hand that cannot be used: no scan that would list what they leave out.
        wxMessageBox(wxString::Format("The saved scan options cannot be used: %s.\n\nCorrect them in "
                                      "Project > Scan Options, then scan again.",
                                      ToDisplay(problem.text)),
                     kAppName, wxOK | wxICON_EXCLAMATION, this);
        return;
    }
    SetStatusText(kScanningText, 0);
    if (m_worker.joinable())
        m_worker.join(); // the last scan's worker ended with its finished event
    m_engine = m_makeEngine();
    m_engine->AddListener(this);
    m_engine->SetOptions(std::move(options));
    std::vector<std::string> folders;
    m_folderView->GetFolders(folders);
    for (const std::string& folder : folders)
        m_engine->AddFolder(folder);
    m_scanRunning.store(true);
    try {
        m_worker = std::jthread(ScanThreadProc, m_engine.get());
    } catch (const std::system_error& error) {
        m_scanRunning.store(false);
        m_engine.reset();
        SetStatusText(kIdleText, 0);
        wxMessageBox(wxString::Format("The scan could not be started: %s", error.what()), kAppName,
                     wxOK | wxICON_STOP, this);
    }
}

void CMainFrame::OnStopThread(wxCommandEvent&)
{
    if (m_scanRunning.load() && m_engine != nullptr)
        m_engine->RequestStop();
}

void CMainFrame::OnScanProgress(const std::string& text)
{
    HandOverProgress(text, false, m_scanEventQueued, EVT_SCAN_PROGRESS, WM_SCAN_PROGRESS);
}

void CMainFrame::OnResolveProgress(const std::string& text)
{
    HandOverProgress(text, true, m_resolveEventQueued, EVT_RESOLVE_PROGRESS, WM_RESOLVE_PROGRESS);
}

void CMainFrame::HandOverProgress(const std::string& text, bool resolving, std::atomic<bool>& queued,
                                  wxEventType type, int number)
{
    {
        std::lock_guard<std::mutex> hold(m_progressLock);
        m_progressText = text;
        m_progressResolving = resolving;
    }
    // One event of a kind at a time: the slot already keeps only the latest text.
    if (!queued.exchange(true))
        wxQueueEvent(this, new wxThreadEvent(type, number));
}

void CMainFrame::OnScanFinished()
{
    m_scanRunning.store(false);
    wxQueueEvent(this, new wxThreadEvent(EVT_SCAN_FINISHED, WM_SCAN_FINISHED));
}

void CMainFrame::OnScanProgressMsg(wxThreadEvent&)
{
    ShowProgress();
}

void CMainFrame::OnResolveProgressMsg(wxThreadEvent&)
{
    ShowProgress();
}

void CMainFrame::ShowProgress()
{
    std::string text;
    bool resolving;
    {
        std::lock_guard<std::mutex> hold(m_progressLock);
        text = m_progressText;
        resolving = m_progressResolving;
    }
    if (!resolving)
        SetStatusText(ToDisplay(text), 1);
    else if (text.empty())
        SetStatusText("Duplicates resolving ...", 1);
    else
        SetStatusText(wxString::Format("Duplicates resolving (%s)", ToDisplay(text)), 1);
    // An event counts as handled only when the interval is over: until then the worker queues no
    // new one, so a fast walk neither floods the queue nor takes the processor from the scan, and
    // the text that came last is shown when the interval ends.
    if (!m_progressTimer.IsRunning())
        m_progressTimer.StartOnce(static_cast<int>(kProgressInterval.count()));
}

void CMainFrame::OnProgressTimer(wxTimerEvent&)
{
    const bool scanPending = m_scanEventQueued.exchange(false);
    const bool pending = m_resolveEventQueued.exchange(false) || scanPending;
    if (pending && m_engine != nullptr && m_scanRunning.load())
        ShowProgress();
}

void CMainFrame::OnScanFinishedMsg(wxThreadEvent&)
{
    if (m_engine == nullptr)
        return;
    m_progressTimer.Stop();
    m_scanEventQueued.store(false);
    m_resolveEventQueued.store(false);
    if (m_worker.joinable())
        m_worker.join(); // the worker's last act was to queue this event
    if (m_engine->HasFailed()) {
        // What the scan found is incomplete: the rows of the last scan stay, and the user is told.
        SetStatusText(kIdleText, 0);
        wxMessageBox(ToDisplay(m_engine->GetFailureText()), kAppName, wxOK | wxICON_STOP, this);
    } else if (m_engine->IsStopped()) {
        SetStatusText(kIdleText, 0);
        SetStatusText("Scan was interrupted", 1);
        m_statusReader->Announce(1);
    } else {
        wxBusyCursor busy;
        const std::lock_guard<CScanEngine> hold(*m_engine);
        m_fileView->Freeze();
        m_fileView->DeleteAllRows();
        m_fileView->FreeRowRecords();
        m_fileView->AddScanResults(*m_engine);
        m_fileView->Thaw();
        SetStatusText(kIdleText, 0);
        m_lastScanFiles = static_cast<std::int64_t>(m_engine->GetFileCount());
        SetStatusText(ToDisplay(m_engine->GetSummaryText()), 1);
        m_fileView->ShowCopiesCost(LeftOutText(m_engine->GetLeftOutFiles(), m_engine->GetLeftOutFolders()));
        m_statusReader->Announce(1); // what a user waits for while a scan runs
    }
    m_engine.reset();
}

void CMainFrame::StopWorkerAndRelease()
{
    if (m_engine != nullptr)
        m_engine->RequestStop();
    if (m_worker.joinable())
        m_worker.join();
    m_engine.reset();
    m_scanRunning.store(false);
}
