// The main window: folder list above, duplicates list below, toolbar, status bar and menu. It owns
// the engine of the current scan and is its only listener.
#pragma once

#include "engine/FilesListener.h"
#include "views/SelectionRules.h"

#include <wx/aui/framemanager.h>
#include <wx/frame.h>
#include <wx/timer.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

class CFileView;
class CFolderView;
class CScanEngine;
class CStatusBarReader;
class CToolBar24;
class wxConfigBase;
class wxSplitterWindow;
class wxStatusBar;
class wxThreadEvent;

wxDECLARE_EVENT(EVT_SCAN_FINISHED, wxThreadEvent);
wxDECLARE_EVENT(EVT_RESOLVE_PROGRESS, wxThreadEvent);
wxDECLARE_EVENT(EVT_SCAN_PROGRESS, wxThreadEvent);

class CMainFrame : public wxFrame, public CMyFilesListener
{
public:
    // `config` holds the placement, the dock state and the panes' settings; it outlives the frame.
    explicit CMainFrame(wxConfigBase* config);
    ~CMainFrame() override;

    bool RestorePlacement();
    void SavePlacement();

    CFolderView* GetFolderView() const { return m_folderView; }
    CFileView* GetFileView() const { return m_fileView; }
    CToolBar24* GetToolBar24() const { return m_toolBar; }
    wxSplitterWindow* GetSplitter() const { return m_splitter; }
    bool IsScanRunning() const { return m_scanRunning.load(); }
    bool HoldsEngine() const { return m_engine != nullptr; }
    const std::string& GetLastFolder() const { return m_lastFolder; }

    // Where Scan Folders gets its engine; a plain one unless replaced. The frame adds itself as a
    // listener after whatever listeners the factory gave, so a test can hold the worker at a known point.
    void SetEngineFactory(std::function<std::unique_ptr<CScanEngine>()> factory)
    {
        m_makeEngine = std::move(factory);
    }

    // The desktop's browser on `address`; a failure is said to nobody (not even by the toolkit).
    static bool LaunchBrowserQuietly(const wxString& address);

    // How the Web Page command opens an address; LaunchBrowserQuietly unless replaced.
    void SetBrowserLauncher(std::function<bool(const wxString&)> launcher)
    {
        m_launchBrowser = std::move(launcher);
    }

    // The worker's side: the text goes into the one slot and an event is queued, never waited for.
    void OnScanProgress(const std::string& text) override;
    void OnResolveProgress(const std::string& text) override;
    void OnScanFinished() override;

protected:
    // The window with the keyboard focus, and moving it; a bare X server without a window manager
    // gives no window the focus, so the window tests answer these themselves.
    virtual wxWindow* GetFocusedWindow() const;
    virtual void FocusPane(wxWindow* pane);

private:
    // Layout and state (MainFrame.cpp).
    void CreateMenu();
    void CreateClient();
    void CreateToolBar24();
    void CreateStatusBar5();
    void LoadDockState();
    void SaveDockState();
    void FitStatusPanes();
    // The panes' widths in the status bar's font, one a pane, and the least the message pane may have;
    // returns the width that shows every pane whole with the longest prompt in the message pane.
    int StatusPaneWidths(int* widths, int& messageLeast) const;
    int PaneTextWidth(const wxString& text) const; // with the pane's border and margins
    int StatusGrip() const;
    // The selection pane's note, its folder cut to the pane's width.
    void ShowSelectionNote(int paneWidth);
    // Without a stored placement: wide enough for the status bar, and within the screen's work area.
    void FitDefaultSize();
    void OnIdleKeys(wxIdleEvent& event);
    void OnToolBarMotion(wxMouseEvent& event);
    void OnToolBarLeave(wxMouseEvent& event);
    void OnChildFocus(wxChildFocusEvent& event);
    void NoteActivePane();
    void OnClose(wxCloseEvent& event);
    bool IsFocusIn(const wxWindow* pane) const;

    // Scan control (ScanControl.cpp).
    void BindScanControl();
    void OnScanFolders(wxCommandEvent& event);
    void OnStopThread(wxCommandEvent& event);
    void OnUpdateScanFolders(wxUpdateUIEvent& event);
    void OnUpdateStopThread(wxUpdateUIEvent& event);
    void OnScanProgressMsg(wxThreadEvent& event);
    void OnResolveProgressMsg(wxThreadEvent& event);
    void OnScanFinishedMsg(wxThreadEvent& event);
    void HandOverProgress(const std::string& text, bool resolving, std::atomic<bool>& queued,
                          wxEventType type, int number);
    void ShowProgress();
    void OnProgressTimer(wxTimerEvent& event);
    void StopWorkerAndRelease();

    // Commands (FrameCommands.cpp).
    void BindCommands();
    void OnEditCut(wxCommandEvent& event);
    void OnEditCopy(wxCommandEvent& event);
    void OnEditPaste(wxCommandEvent& event);
    void OnAddFolder(wxCommandEvent& event);
    void OnDeleteFolder(wxCommandEvent& event);
    void OnKeepUnderFolder(wxCommandEvent& event);
    void OnExportDuplicates(wxCommandEvent& event);
    void OnScanOptions(wxCommandEvent& event);
    void OnOpenProject(wxCommandEvent& event);
    void OnSaveProject(wxCommandEvent& event);
    void OnWebPage(wxCommandEvent& event);
    void OnViewToolBar(wxCommandEvent& event);
    void OnViewStatusBar(wxCommandEvent& event);
    void OnNextPane(wxCommandEvent& event);
    void OnUpdateEditCopyCut(wxUpdateUIEvent& event);
    void OnUpdateEditPaste(wxUpdateUIEvent& event);
    void OnUpdateDeleteFolder(wxUpdateUIEvent& event);
    void OnUpdateViewToolBar(wxUpdateUIEvent& event);
    void OnUpdateViewStatusBar(wxUpdateUIEvent& event);
    void OnUpdatePaneKeys(wxUpdateUIEvent& event);
    void OnUpdateSelectionCommand(wxUpdateUIEvent& event);
    void OnUpdateReplaceFiles(wxUpdateUIEvent& event);
    void ShowSelectionSummary();

    wxStatusBar* m_statusBar = nullptr;
    CToolBar24* m_toolBar = nullptr;
    wxSplitterWindow* m_splitter = nullptr;
    CFolderView* m_folderView = nullptr;
    CFileView* m_fileView = nullptr;
    std::string m_lastFolder = "/";
    std::optional<std::int64_t> m_lastScanFiles; // what the last completed scan read, for an export
    std::atomic<bool> m_scanRunning{false};
    std::unique_ptr<CScanEngine> m_engine;
    std::string m_progressText;

    wxConfigBase* m_config;
    wxAuiManager m_aui;
    std::mutex m_progressLock; // held only to copy the slot, never across a wait
    std::atomic<bool> m_scanEventQueued{false};
    std::atomic<bool> m_resolveEventQueued{false};
    bool m_progressResolving = false; // the slot holds a resolving text (guarded like the slot)
    wxTimer m_progressTimer;          // the interval after a shown text before the next event
    wxWindow* m_activePane = nullptr;
    bool m_activatedOnce = false;
    bool m_keyStates[3] = {false, false, false};
    std::uint64_t m_shownSelection = 0;    // the duplicates list's selection version the pane shows
    std::size_t m_shownSelectionCount = 0; // how many rows the pane counted
    PaneNote m_selectionNote;              // what the selection pane says, its folder whole
    std::unique_ptr<CStatusBarReader> m_statusReader; // what a screen reader is told of the panes
    std::function<bool(const wxString&)> m_launchBrowser;
    std::function<std::unique_ptr<CScanEngine>()> m_makeEngine;
    std::jthread m_worker; // last: joined before anything the worker uses goes
};
