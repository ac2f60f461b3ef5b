// The main window driven as a user would: commands, events, dialogs answered through the hook.
#include "app/MainFrame.h"

#include "engine/FileItem.h"
#include "engine/ScanEngine.h"
#include "resources/Commands.h"
#include "tests/gui/DialogHook.h"
#include "tests/gui/ListInput.h"
#include "tests/support/LoopImage.h"
#include "tests/support/PumpUntil.h"
#include "tests/support/ScopedState.h"
#include "tests/support/TempTree.h"
#include "tests/support/XInput.h"
#include "views/DisplayText.h"
#include "views/FileView.h"
#include "views/FolderPicker.h"
#include "views/FolderView.h"
#include "views/MessageText.h"
#include "views/SelectionRules.h"

#include <wx/app.h>
#include <wx/aui/auibar.h>
#include <wx/button.h>
#include <wx/clipbrd.h>
#include <wx/dirctrl.h>
#include <wx/display.h>
#include <wx/fileconf.h>
#include <wx/filedlg.h>
#include <wx/log.h>
#include <wx/menu.h>
#include <wx/progdlg.h>
#include <wx/splitter.h>
#include <wx/statusbr.h>
#include <wx/utils.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtk/gtk.h>
#include <iterator>
#include <memory>
#include <mutex>
#include <new>

namespace {

// Holds the worker at its first progress text until the test releases it or the scan is asked to
// stop, so that a test knows where the worker is whatever the machine's speed. A hold that nobody
// ends lets go after a minute, so that a fault shows as a failure rather than a hang.
class CHoldingListener final : public CMyFilesListener
{
public:
    void Watch(const CScanEngine* engine) { m_engine = engine; }

    void OnScanProgress(const std::string&) override
    {
        std::unique_lock<std::mutex> hold(m_mutex);
        if (m_heldOnce)
            return;
        m_heldOnce = true;
        m_held = true;
        m_changed.notify_all();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        // The stop flag is the engine's own; it is looked at every few milliseconds.
        while (!m_released && !m_engine->IsStopped() && std::chrono::steady_clock::now() < deadline)
            m_changed.wait_for(hold, std::chrono::milliseconds(5));
        m_endedByStop = m_engine->IsStopped();
        m_held = false;
    }
    void OnResolveProgress(const std::string&) override {}
    void OnScanFinished() override {}

    bool WaitUntilHeld()
    {
        std::unique_lock<std::mutex> hold(m_mutex);
        return m_changed.wait_for(hold, std::chrono::minutes(1), [this] { return m_held; });
    }
    bool IsHeld()
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        return m_held;
    }
    bool EndedByStop()
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        return m_heldOnce && !m_held && m_endedByStop;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    const CScanEngine* m_engine = nullptr;
    bool m_heldOnce = false;
    bool m_held = false;
    bool m_released = false;
    bool m_endedByStop = false;
};

// A bare X server without a window manager gives no window the keyboard focus: the test says which
// window has it, and the frame's own moves of the focus are followed.
class CFrameWithFocus : public CMainFrame
{
public:
    using CMainFrame::CMainFrame;
    void GiveFocusTo(wxWindow* window)
    {
        m_focus = window;
        m_focusGiven = true;
    }
    wxWindow* GivenFocus() const { return m_focus; }

protected:
    wxWindow* GetFocusedWindow() const override
    {
        return m_focusGiven ? m_focus : CMainFrame::GetFocusedWindow();
    }
    void FocusPane(wxWindow* pane) override { GiveFocusTo(pane); }

private:
    wxWindow* m_focus = nullptr;
    bool m_focusGiven = false;
};

class MainFrameTest : public GuiTest
{
protected:
    void SetUp() override
    {
        m_config = MakeSettings(m_home.Path("Quorvel.conf"));
        Open();
    }

    void TearDown() override
    {
        Close();
        GuiTest::TearDown();
    }

    void Open()
    {
        m_frame = new CFrameWithFocus(m_config.get());
        m_frame->Show();
        wxYield();
    }

    void Close()
    {
        DestroyNow(m_frame);
        m_frame = nullptr;
    }

    void Command(int id)
    {
        wxCommandEvent event(wxEVT_MENU, id);
        event.SetEventObject(m_frame);
        m_frame->ProcessWindowEvent(event);
    }

    bool IsEnabled(int id)
    {
        wxUpdateUIEvent event(id);
        event.SetEventObject(m_frame);
        m_frame->ProcessWindowEvent(event);
        return !event.GetSetEnabled() || event.GetEnabled();
    }

    void AddFolder(const std::string& path)
    {
        std::string copy = path;
        m_frame->GetFolderView()->AppendFolder(copy);
    }

    bool ScanAndWait()
    {
        Command(ID_SCAN_FOLDERS);
        return PumpUntil([this] { return !m_frame->HoldsEngine(); });
    }

    std::vector<std::string> Rows() const
    {
        std::vector<std::string> rows;
        const CDuplicateRows& model = m_frame->GetFileView()->Rows();
        for (std::size_t i = 0; i < model.RowCount(); ++i)
            rows.emplace_back(model.Row(i).fullPath);
        return rows;
    }

    wxString Pane(int pane) const { return m_frame->GetStatusBar()->GetStatusText(pane); }

    // The next scan's worker stops at its first progress text.
    std::shared_ptr<CHoldingListener> HoldNextScan()
    {
        auto holder = std::make_shared<CHoldingListener>();
        m_frame->SetEngineFactory([holder] {
            auto engine = std::make_unique<CScanEngine>();
            holder->Watch(engine.get());
            engine->AddListener(holder.get());
            return engine;
        });
        return holder;
    }

    // The window that draws a list's rows: where the focus goes when the user clicks into it.
    static wxWindow* RowsWindow(wxWindow* list)
    {
        return list->GetChildren().empty() ? list : list->GetChildren().front();
    }

    CTempTree m_home;
    CTempTree m_tree;
    std::unique_ptr<wxFileConfig> m_config;
    CFrameWithFocus* m_frame = nullptr;
};

TEST_F(MainFrameTest, StartsWithItsCaptionMenuAndIdleText)
{
    EXPECT_EQ(m_frame->GetTitle(), "Pellucan");
    EXPECT_EQ(Pane(0), "Ready");
    EXPECT_EQ(Pane(1), "");
    EXPECT_EQ(m_frame->GetStatusBar()->GetFieldsCount(), 6);
    wxMenuBar* bar = m_frame->GetMenuBar();
    ASSERT_EQ(bar->GetMenuCount(), 5u);
    const char* titles[] = {"&File", "&Edit", "&View", "&Project", "&Help"};
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(bar->GetMenuLabel(i), titles[i]);
    EXPECT_EQ(bar->FindItem(ID_SCAN_FOLDERS)->GetItemLabel(), "Scan &Folders");
    EXPECT_EQ(bar->FindItem(ID_EDIT_CUT)->GetItemLabel(), "Cu&t\tCtrl+X");
    EXPECT_EQ(bar->FindItem(ID_EDIT_CUT)->GetHelp(), "Cut the selection and put it on the Clipboard");
    EXPECT_EQ(bar->FindItem(ID_EDIT_CUT)->GetExtraAccels().size(), 1u); // Shift+Delete
    EXPECT_EQ(bar->GetMenu(3)->GetMenuItemCount(), 11u);                // three separators among them
    auto* toolBar = static_cast<wxAuiToolBar*>(m_frame->FindWindow(ID_VIEW_TOOLBAR));
    ASSERT_NE(toolBar, nullptr);
    EXPECT_EQ(toolBar->GetToolCount(), 11u);
    EXPECT_EQ(toolBar->FindTool(ID_STOP_THREAD)->GetShortHelp(), "Stop Scan");
}

// The room the toolkit leaves a pane's text: two pixels either side, and in the last pane not the
// size grip, which is as wide as the bar is high less two pixels.
int TextRoom(wxStatusBar* bar, int pane)
{
    wxRect rect;
    if (!bar->GetFieldRect(pane, rect))
        return 0;
    const bool last = pane == bar->GetFieldsCount() - 1;
    return rect.GetWidth() - 4 - (last ? bar->GetClientSize().GetHeight() - 2 : 0);
}

void SetStatusFont(wxFrame* frame, int points)
{
    wxStatusBar* bar = frame->GetStatusBar();
    wxFont font = bar->GetFont();
    font.SetPointSize(points);
    bar->SetFont(font);
    frame->SendSizeEvent();
}

TEST_F(MainFrameTest, TheSummaryAndSelectionPanesHoldTheirLongestTextsInTheStatusBarsFont)
{
    wxStatusBar* bar = m_frame->GetStatusBar();
    const struct
    {
        int pane;
        std::vector<const char*> texts;
    } panes[] = {{1,
                  {"Scan completed (1000000 files scanned, 450077 duplicates found)",
                   "Scan completed (2147483647 files scanned, 2147483647 duplicates found)"}},
                 {5, {"1 file selected, 10 bytes", "2147483647 files selected, 9223372.0 TB"}}};
    m_frame->SetSize(wxSize(4000, 600)); // room for every pane, at either font
    ASSERT_TRUE(PumpUntil([bar] { return bar->GetClientSize().GetWidth() > 3000; }))
        << bar->GetClientSize().GetWidth();
    for (const int points : {0, 20}) {
        SCOPED_TRACE(points);
        if (points != 0)
            SetStatusFont(m_frame, points);
        EXPECT_GE(bar->GetStatusWidth(1), 400);
        for (const auto& [pane, texts] : panes)
            for (const char* text : texts)
                EXPECT_LE(bar->GetTextExtent(text).GetWidth(), TextRoom(bar, pane)) << text;
    }
}

TEST_F(MainFrameTest, ANewWindowHoldsEveryPaneOrFillsTheScreenAndTheMessagePaneKeepsTheScansText)
{
    // At the system font: every pane whole, the longest prompt in the message pane, unless the screen
    // is narrower than that.
    wxStatusBar* bar = m_frame->GetStatusBar();
    int longestPrompt = 0;
    for (const CommandText& command : kCommandTexts)
        longestPrompt = std::max(longestPrompt, bar->GetTextExtent(command.prompt).GetWidth());
    wxRect last;
    ASSERT_TRUE(bar->GetFieldRect(bar->GetFieldsCount() - 1, last));
    if (m_frame->GetSize().GetWidth() < wxDisplay(m_frame).GetClientArea().GetWidth()) {
        EXPECT_LE(last.GetRight(), bar->GetClientSize().GetWidth());
        EXPECT_LE(longestPrompt, TextRoom(bar, 0));
    } else {
        EXPECT_EQ(m_frame->GetSize().GetWidth(), wxDisplay(m_frame).GetClientArea().GetWidth());
    }

    // A window far too narrow for its panes at a large font still shows the scan's text whole.
    SetStatusFont(m_frame, 20);
    m_frame->SetSize(wxSize(600, 400));
    m_frame->SendSizeEvent();
    EXPECT_LE(bar->GetTextExtent(kScanningText).GetWidth(), TextRoom(bar, 0));
}

TEST_F(MainFrameTest, WhenThePanesCannotAllFitTheMessagePaneGivesWayAndTheSelectionPaneStaysWhole)
{
    wxStatusBar* bar = m_frame->GetStatusBar();
    const int selection = bar->GetTextExtent(ToDisplay(LongestSelectionSummary())).GetWidth();
    // Room for the selection pane and the scan's text, not for the summary's longest text as well.
    const int width = selection + bar->GetTextExtent(kScanningText).GetWidth() + 120;
    m_frame->SetSize(wxSize(width, 400));
    ASSERT_TRUE(PumpUntil([bar, width] { return bar->GetClientSize().GetWidth() <= width; }));
    wxRect last;
    ASSERT_TRUE(bar->GetFieldRect(bar->GetFieldsCount() - 1, last));
    EXPECT_LE(last.GetRight(), bar->GetClientSize().GetWidth());
    EXPECT_LE(selection, TextRoom(bar, bar->GetFieldsCount() - 1));
    EXPECT_LE(bar->GetTextExtent(kScanningText).GetWidth(), TextRoom(bar, 0));
}

TEST_F(MainFrameTest, AStoredPlacementIsKeptInsideTheScreensWorkAreaAndOneThatFitsIsKeptAsItIs)
{
    const wxRect area = wxDisplay(0u).GetClientArea();
    const wxRect stored[] = {
        wxRect(area.GetX() + 10, area.GetY() + 20, 600, 400),                            // fits
        wxRect(area.GetX(), area.GetY(), area.GetWidth() * 2, area.GetHeight() * 5 / 4), // twice the scale
        wxRect(area.GetRight() - 100, area.GetBottom() - 50, 700, 500),                  // past the corner
    };
    for (const wxRect& placement : stored) {
        SCOPED_TRACE(placement.GetWidth());
        Close();
        for (const auto& [key, value] : {std::pair{"PosX", placement.GetX()},
                                         {"PosY", placement.GetY()},
                                         {"Width", placement.GetWidth()},
                                         {"Height", placement.GetHeight()}})
            m_config->Write(wxString("/MainFrame/") + key, value);
        Open();
        if (&placement == &stored[0]) {
            EXPECT_EQ(m_frame->GetRect(), placement);
        }
        EXPECT_TRUE(area.Contains(m_frame->GetRect())) << m_frame->GetRect().GetWidth();
        EXPECT_TRUE(area.Contains(m_frame->GetStatusBar()->GetScreenRect()));
    }
}

TEST_F(MainFrameTest, TheButtonUnderThePointerGivesItsPromptInTheMessagePane)
{
    auto* toolBar = static_cast<wxAuiToolBar*>(m_frame->FindWindow(ID_VIEW_TOOLBAR));
    ASSERT_NE(toolBar, nullptr);
    const wxRect button = toolBar->GetToolRect(ID_ADD_FOLDER);
    ASSERT_FALSE(button.IsEmpty());
    wxMouseEvent motion(wxEVT_MOTION);
    motion.SetPosition(button.GetPosition() + wxPoint(button.GetWidth() / 2, button.GetHeight() / 2));
    motion.SetEventObject(toolBar);
    toolBar->GetEventHandler()->ProcessEvent(motion);
    EXPECT_EQ(Pane(0), "Add folder to scan");
    wxMouseEvent leave(wxEVT_LEAVE_WINDOW);
    leave.SetEventObject(toolBar);
    toolBar->GetEventHandler()->ProcessEvent(leave);
    EXPECT_EQ(Pane(0), "Ready");
}

// Stands for a scan that runs out of memory while it walks.
class COutOfMemoryListener final : public CMyFilesListener
{
public:
    void OnScanProgress(const std::string&) override { throw std::bad_alloc(); }
    void OnResolveProgress(const std::string&) override {}
    void OnScanFinished() override {}
};

TEST_F(MainFrameTest, AScanThatRunsOutOfMemorySaysSoAndKeepsTheLastRows)
{
    m_tree.Write("a/one.txt", "same text");
    m_tree.Write("b/two.txt", "same text");
    AddFolder(m_tree.Root());
    ASSERT_TRUE(ScanAndWait());
    const std::vector<std::string> before = Rows();
    ASSERT_EQ(before.size(), 2u);

    auto failing = std::make_shared<COutOfMemoryListener>();
    m_frame->SetEngineFactory([failing] {
        auto engine = std::make_unique<CScanEngine>();
        engine->AddListener(failing.get());
        return engine;
    });
    ASSERT_TRUE(ScanAndWait());
    const std::vector<ShownDialog> shown = CDialogHook::Instance().TakeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].message, "Not enough memory to scan " + m_tree.Root());
    EXPECT_EQ(shown[0].icon, wxICON_STOP);
    EXPECT_EQ(Rows(), before);
    EXPECT_EQ(Pane(0), "Ready");
}

TEST_F(MainFrameTest, AWholeScanFillsTheListInGroupColoursWithTheSummary)
{
    m_tree.Write("a/one.txt", "same text");
    m_tree.Write("b/two.txt", "same text");
    m_tree.Write("a/x.bin", "other bytes!");
    m_tree.Write("b/y.bin", "other bytes!");
    m_tree.Write("b/z.bin", "other bytes!");
    m_tree.Write("lonely.dat", "alone");
    AddFolder(m_tree.Path("a"));
    AddFolder(m_tree.Path("b"));
    AddFolder(m_tree.Path("lonely.dat").substr(0, m_tree.Root().size())); // overlaps: refused
    EXPECT_EQ(CDialogHook::Instance().TakeShown().size(), 1u);
    ASSERT_TRUE(IsEnabled(ID_SCAN_FOLDERS));
    ASSERT_TRUE(ScanAndWait());
    EXPECT_EQ(Pane(1), "Scan completed (5 files scanned, 5 duplicates found)");
    EXPECT_EQ(Pane(0), "Ready");
    EXPECT_EQ(Rows(), (std::vector<std::string>{m_tree.Path("a/one.txt"), m_tree.Path("b/two.txt"),
                                                m_tree.Path("a/x.bin"), m_tree.Path("b/y.bin"),
                                                m_tree.Path("b/z.bin")}));
    CFileView* view = m_frame->GetFileView();
    EXPECT_EQ(view->OnGetItemAttr(0)->GetBackgroundColour(), wxColour(200, 255, 255));
    EXPECT_EQ(view->OnGetItemAttr(2)->GetBackgroundColour(), wxColour(255, 200, 255));
    EXPECT_FALSE(IsEnabled(ID_STOP_THREAD));

    // A scan without duplicates empties the list.
    m_tree.Write("b/two.txt", "different");
    m_tree.Write("b/y.bin", "different!!!");
    m_tree.Remove("b/z.bin");
    ASSERT_TRUE(ScanAndWait());
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ(Pane(1), "Scan completed (4 files scanned, 0 duplicates found)");
}

TEST_F(MainFrameTest, StopKeepsThePreviousRowsAndSaysTheScanWasInterrupted)
{
    m_tree.Write("dups/a.txt", "copy");
    m_tree.Write("dups/b.txt", "copy");
    AddFolder(m_tree.Path("dups"));
    ASSERT_TRUE(ScanAndWait());
    ASSERT_EQ(Rows().size(), 2u);

    m_tree.Write("more/sub/c.txt", "copy");
    AddFolder(m_tree.Path("more"));
    const std::shared_ptr<CHoldingListener> holder = HoldNextScan();
    Command(ID_SCAN_FOLDERS);
    ASSERT_TRUE(holder->WaitUntilHeld());
    EXPECT_TRUE(m_frame->IsScanRunning());
    EXPECT_FALSE(IsEnabled(ID_SCAN_FOLDERS));
    EXPECT_TRUE(IsEnabled(ID_STOP_THREAD));
    // A second Scan Folders before the next idle time (a double click) does nothing; it must not
    // wait for the running scan.
    Command(ID_SCAN_FOLDERS);
    EXPECT_TRUE(holder->IsHeld());
    Command(ID_STOP_THREAD);
    ASSERT_TRUE(PumpUntil([this] { return !m_frame->HoldsEngine(); }));
    EXPECT_TRUE(holder->EndedByStop());
    EXPECT_EQ(Pane(1), "Scan was interrupted");
    EXPECT_EQ(Rows().size(), 2u);
    EXPECT_TRUE(IsEnabled(ID_SCAN_FOLDERS));
}

TEST_F(MainFrameTest, ClosingDuringAScanStopsAndReleasesIt)
{
    m_tree.Write("big/sub/a.txt", "x");
    AddFolder(m_tree.Path("big"));
    const std::shared_ptr<CHoldingListener> holder = HoldNextScan();
    Command(ID_SCAN_FOLDERS);
    ASSERT_TRUE(holder->WaitUntilHeld());
    m_frame->Close(true);
    wxTheApp->ProcessIdle();
    m_frame = nullptr; // gone; under the sanitizers a worker reaching it would be caught
    EXPECT_TRUE(holder->EndedByStop());
}

TEST_F(MainFrameTest, CommandsNeedTheFocusInTheirList)
{
    // After start-up no list has the focus.
    EXPECT_FALSE(IsEnabled(ID_DELETE_FOLDER));
    EXPECT_FALSE(IsEnabled(ID_EDIT_CUT));
    EXPECT_FALSE(IsEnabled(ID_EDIT_COPY));
    EXPECT_FALSE(IsEnabled(ID_EDIT_PASTE));
    EXPECT_FALSE(IsEnabled(ID_SCAN_FOLDERS)); // and the folder list is empty

    // With the focus in the duplicates list, Paste is enabled, Cut and Copy need a selected row,
    // and the folder list's Delete Folder is off even with a selected folder.
    m_tree.MakeFolder("f");
    AddFolder(m_tree.Path("f"));
    m_frame->GetFolderView()->Select(0);
    m_frame->GetFileView()->AddPastedRow("/x/a.txt", 1, 0);
    m_frame->GiveFocusTo(RowsWindow(m_frame->GetFileView()));
    EXPECT_TRUE(IsEnabled(ID_NEXT_PANE));
    EXPECT_TRUE(IsEnabled(ID_EDIT_PASTE));
    EXPECT_FALSE(IsEnabled(ID_EDIT_COPY));
    EXPECT_FALSE(IsEnabled(ID_DELETE_FOLDER));
    m_frame->GetFileView()->SelectRow(0);
    EXPECT_TRUE(IsEnabled(ID_EDIT_COPY));
    EXPECT_TRUE(IsEnabled(ID_EDIT_CUT));
    Command(ID_NEXT_PANE);
    EXPECT_TRUE(IsEnabled(ID_DELETE_FOLDER));
    EXPECT_FALSE(IsEnabled(ID_EDIT_PASTE));
    EXPECT_FALSE(IsEnabled(ID_EDIT_COPY));

    // Focus elsewhere (the toolbar, say) leaves the last active pane for the pane keys only.
    m_frame->GiveFocusTo(m_frame->GetSplitter());
    EXPECT_FALSE(IsEnabled(ID_DELETE_FOLDER));
    EXPECT_TRUE(IsEnabled(ID_NEXT_PANE));
}

TEST_F(MainFrameTest, ThePaneKeysLeadIntoTheListsBeforeEitherHadTheKeyboard)
{
    // From the splitter, where the keyboard rests after start-up: the first pane, or the last going back.
    for (const int key : {ID_NEXT_PANE, ID_PREV_PANE}) {
        Close();
        m_frame = new CFrameWithFocus(m_config.get());
        m_frame->GiveFocusTo(m_frame->GetSplitter());
        m_frame->Show();
        EXPECT_TRUE(IsEnabled(key));
        Command(key);
        EXPECT_EQ(m_frame->GivenFocus(), key == ID_NEXT_PANE
                                             ? static_cast<wxWindow*>(m_frame->GetFolderView())
                                             : m_frame->GetFileView());
    }
}

TEST_F(MainFrameTest, PlacementAndAHiddenToolbarComeBackInTheNextWindow)
{
    m_frame->SetSize(40, 50, 700, 500);
    m_frame->GetSplitter()->SetSashPosition(180);
    Command(ID_VIEW_TOOLBAR);
    Close();
    EXPECT_EQ(m_config->ReadLong("/MainFrame/Width", 0), 700);
    EXPECT_EQ(m_config->ReadLong("/MainFrame/Height", 0), 500);
    EXPECT_EQ(m_config->ReadLong("/MainFrame/Splitter", 0), 180);

    Open();
    EXPECT_EQ(m_frame->GetSize(), wxSize(700, 500));
    EXPECT_EQ(m_frame->GetSplitter()->GetSashPosition(), 180);
    wxUpdateUIEvent check(ID_VIEW_TOOLBAR);
    m_frame->ProcessWindowEvent(check);
    EXPECT_FALSE(check.GetChecked());
    Command(ID_VIEW_STATUS_BAR);
    EXPECT_FALSE(m_frame->GetStatusBar()->IsShown());
    Close();
    Open();
    EXPECT_FALSE(m_frame->GetStatusBar()->IsShown());
}

// A bare X server has no window manager to maximise or minimise a window, so the frame is asked
// through the toolkit's own question instead.
class CFrameInState : public CMainFrame
{
public:
    CFrameInState(wxConfigBase* config, bool maximized, bool iconized)
        : CMainFrame(config), m_maximized(maximized), m_iconized(iconized)
    {}
    bool IsMaximized() const override { return m_maximized; }
    bool IsIconized() const override { return m_iconized; }

private:
    bool m_maximized;
    bool m_iconized;
};

TEST_F(MainFrameTest, NothingIsWrittenWhileTheWindowIsMaximisedOrMinimised)
{
    for (const bool maximized : {true, false}) {
        SCOPED_TRACE(maximized);
        m_config->Write("/MainFrame/Width", 123);
        auto* frame = new CFrameInState(m_config.get(), maximized, !maximized);
        frame->SetSize(10, 10, 640, 480);
        frame->SavePlacement();
        EXPECT_EQ(m_config->ReadLong("/MainFrame/Width", 0), 123);
        DestroyNow(frame);
    }
}

TEST_F(MainFrameTest, AddFolderUsesThePickerAndRemembersTheFolder)
{
    m_tree.MakeFolder("real");
    m_tree.MakeFolder(".config");
    ASSERT_TRUE(m_tree.SymLink(m_tree.Path("real"), "link"));
    // Longer than the 259 bytes an old fixed buffer held; cut there it would name another folder.
    std::string deep = "first";
    while (m_tree.Path(deep).size() < 400)
        deep += "/" + std::string(40, 'd');
    m_tree.MakeFolder(deep);
    m_tree.MakeFolder(deep.substr(0, 259 - m_tree.Root().size()));
    wxString openedOn;
    wxString caption;
    CDialogHook::Instance().SetAnswer([&](wxDialog* dialog) {
        auto* picker = dynamic_cast<CFolderPickerDialog*>(dialog);
        if (picker == nullptr)
            return static_cast<int>(wxID_CANCEL);
        openedOn = picker->GetPath();
        caption = picker->GetTitle();
        picker->SelectPath(wxString::FromUTF8(m_tree.Path("link")));
        EXPECT_FALSE(picker->IsOkEnabled());
        picker->SelectPath(wxString::FromUTF8(m_tree.Path(".config"))); // dot-folders are shown
        EXPECT_EQ(picker->GetPath(), wxString::FromUTF8(m_tree.Path(".config")));
        picker->SelectPath(wxString::FromUTF8(m_tree.Path(deep)));
        EXPECT_TRUE(picker->IsOkEnabled());
        return static_cast<int>(wxID_OK);
    });
    Command(ID_ADD_FOLDER);
    EXPECT_EQ(openedOn, "/");
    EXPECT_FALSE(caption.empty());
    EXPECT_EQ(m_frame->GetLastFolder(), m_tree.Path(deep));
    std::vector<std::string> folders;
    m_frame->GetFolderView()->GetFolders(folders);
    EXPECT_EQ(folders, (std::vector<std::string>{m_tree.Path(deep)}));

    // Refused as a repeat, but remembered all the same; the next picker opens there.
    Command(ID_ADD_FOLDER);
    EXPECT_EQ(openedOn, wxString::FromUTF8(m_tree.Path(deep)));
    EXPECT_EQ(CDialogHook::Instance().TakeShown().size(), 3u); // two pickers and the overlap message
}

TEST_F(MainFrameTest, ThePickerRefusesSmallBuffersAndPathsThatDoNotFit)
{
    char result[300];
    EXPECT_FALSE(BrowseForFolder(m_frame, "/", result, 259));
    EXPECT_TRUE(CDialogHook::Instance().TakeShown().empty());

    wxString openedOn;
    CDialogHook::Instance().SetAnswer([&](wxDialog* dialog) {
        auto* picker = dynamic_cast<CFolderPickerDialog*>(dialog);
        if (picker == nullptr)
            return static_cast<int>(wxID_OK);
        openedOn = picker->GetPath();
        const wxRect ok = picker->OkButton()->GetRect();
        const wxRect cancel = picker->CancelButton()->GetRect();
        const wxSize client = picker->GetClientSize();
        EXPECT_EQ(cancel.GetRight() + 1, client.GetWidth() - 5);
        EXPECT_EQ(cancel.GetBottom() + 1, client.GetHeight() - 5);
        EXPECT_EQ(ok.GetRight() + 1, cancel.GetLeft() - 10);
        return static_cast<int>(wxID_CANCEL);
    });
    EXPECT_FALSE(BrowseForFolder(m_frame, "", result, 260));
    EXPECT_EQ(openedOn, wxGetCwd());
    EXPECT_EQ(CDialogHook::Instance().TakeShown().size(), 1u);

    // A folder whose path does not fit is refused with a message, never cut to fit.
    std::string name(150, 'n');
    name += "/" + std::string(300 - m_tree.Path(name).size() - 1, 'n'); // 300 bytes: one too many
    m_tree.MakeFolder(name);
    CDialogHook::Instance().SetAnswer([&](wxDialog* dialog) {
        if (auto* picker = dynamic_cast<CFolderPickerDialog*>(dialog))
            picker->SelectPath(wxString::FromUTF8(m_tree.Path(name)));
        return static_cast<int>(wxID_OK);
    });
    EXPECT_FALSE(BrowseForFolder(m_frame, m_tree.Root(), result, 300));
    EXPECT_STREQ(result, "");
    const std::vector<ShownDialog> shown = CDialogHook::Instance().TakeShown();
    ASSERT_EQ(shown.size(), 2u);
    // Named with its start and its end, shortened from the middle to fit the box.
    const wxString path = wxString::FromUTF8(m_tree.Path(name));
    EXPECT_TRUE(shown[1].message.StartsWith(path.Left(20))) << shown[1].message;
    EXPECT_TRUE(
        shown[1].message.Contains(path.Right(20) + "\nThe path of this folder is too long to be added."))
        << shown[1].message;
    EXPECT_EQ(shown[1].caption, "Quorvel");
}

TEST_F(MainFrameTest, ProjectDialogsAndTheWebPage)
{
    wxString launched;
    m_frame->SetBrowserLauncher([&](const wxString& address) {
        launched = address;
        return true;
    });
    Command(ID_WEB_PAGE);
    EXPECT_EQ(launched, "https://quorvel.example.org/");
    // The desktop cannot open this one; neither the program nor the toolkit may say so.
    {
        // Without a launcher on the PATH and with a page that is not there, the desktop cannot open it.
        m_tree.MakeFolder("no-programs");
        const CScopedEnvironment path("PATH", m_tree.Path("no-programs"));
        EXPECT_FALSE(
            CMainFrame::LaunchBrowserQuietly("file://" + wxString::FromUTF8(m_tree.Path("missing.html"))));
    }
    wxLog::FlushActive(); // where the toolkit would show its own box
    EXPECT_TRUE(CDialogHook::Instance().TakeShown().empty());

    m_tree.MakeFolder("listed");
    AddFolder(m_tree.Path("listed"));
    wxString filter;
    wxString initialName;
    wxString target;
    std::vector<wxString> captions;
    CDialogHook::Instance().SetAnswer([&](wxDialog* dialog) {
        auto* files = dynamic_cast<wxFileDialog*>(dialog);
        if (files == nullptr)
            return static_cast<int>(wxID_CANCEL);
        filter = files->GetWildcard();
        initialName = files->GetFilename();
        captions.push_back(files->GetMessage()); // the file dialog's title
        files->SetPath(target);
        // The desktop's file chooser takes a new folder in the background.
        PumpUntil([&] { return files->GetPath() == target; });
        return static_cast<int>(wxID_OK);
    });
    target = wxString::FromUTF8(m_tree.Path("saved"));
    Command(ID_PROJECT_SAVE);
    EXPECT_EQ(filter, "Varnosk Files (*.qvlprj)|*.qvlprj|All Files (*.*)|*.*");
    EXPECT_EQ(initialName, "1.qvlprj");
    EXPECT_TRUE(wxFileExists(wxString::FromUTF8(m_tree.Path("saved.qvlprj"))));

    // An existing file without the extension, chosen under "All Files", is opened as it is.
    m_tree.MakeFolder("other");
    m_tree.Write("plain", m_tree.Path("other") + "\r\n");
    target = wxString::FromUTF8(m_tree.Path("plain"));
    Command(ID_PROJECT_OPEN);
    std::vector<std::string> folders;
    m_frame->GetFolderView()->GetFolders(folders);
    EXPECT_EQ(folders, (std::vector<std::string>{m_tree.Path("listed"), m_tree.Path("other")}));
    EXPECT_EQ(CDialogHook::Instance().TakeShown().size(), 2u);
    ASSERT_EQ(captions.size(), 2u);
    EXPECT_FALSE(captions[0].empty());
    EXPECT_FALSE(captions[1].empty());
    EXPECT_NE(captions[0], captions[1]);
}

TEST(FileName, GivesBackTheBytesOfANameThatIsNotUtf8)
{
    // As the file dialog makes its answer from the name the desktop's file chooser gives, and as the
    // folder tree is told where to start.
    for (const std::string name : {"/tmp/p.qvlprj", "/tmp/caf\xC3\xA9.qvlprj", "/tmp/p\xFF\xFE.qvlprj"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(FromFileName(wxString(name.c_str(), *wxConvFileName)), name);
        EXPECT_EQ(ToFileName(name), wxString(name.c_str(), *wxConvFileName));
    }
}

TEST_F(MainFrameTest, AStoredToolbarLayoutThatCannotBeUsedGivesTheDefaultOne)
{
    Close();
    m_config->Write("/Toolbar-Summary/Bars", 2);
    m_config->Write("/Toolbar-Bar0/Pane", "name=Toolbar;dir=5");
    Open(); // a toolkit assertion fails the test
    auto* toolBar = static_cast<wxAuiToolBar*>(m_frame->FindWindow(ID_VIEW_TOOLBAR));
    ASSERT_NE(toolBar, nullptr);
    EXPECT_TRUE(toolBar->IsShown());
    EXPECT_LT(toolBar->GetPosition().y, 5); // docked at the top
}

// A photo library with backup copies: groups of 2, 3 and 5 copies, each copy with a time of its own.
struct CleanupFile
{
    const char* path;
    const char* text;
    std::int64_t modified;
};
constexpr CleanupFile kCleanupTree[] = {
    {"library/a.txt", "aa", 3000}, {"bak/a.txt", "aa", 1000}, {"library/b.txt", "bbb", 2000},
    {"bak/b.txt", "bbb", 500},     {"o/b.txt", "bbb", 4000},  {"library/c.txt", "cccc", 100},
    {"bak/c.txt", "cccc", 900},    {"o/c.txt", "cccc", 50},   {"bak/sub/c.txt", "cccc", 800},
    {"xx/c.txt", "cccc", 700},
};

TEST_F(MainFrameTest, EachRuleThenDeleteKeepsOneCopyOfEachGroupAndNeverAFileChangedSinceTheScan)
{
    namespace fs = std::filesystem;
    wxMenuBar* bar = m_frame->GetMenuBar();
    EXPECT_EQ(bar->FindItem(ID_SELECT_KEEP_FIRST)->GetItemLabel(), "Keep the &First of Each Group\tCtrl+D");
    EXPECT_FALSE(IsEnabled(ID_SELECT_KEEP_FIRST)); // no rows yet
    AddFolder(m_tree.Root());
    const struct
    {
        int command;
        std::vector<std::string> kept; // empty: the first row of each group
    } cases[] = {
        {ID_SELECT_KEEP_OLDEST, {"bak/a.txt", "bak/b.txt", "o/c.txt"}},
        {ID_SELECT_KEEP_NEWEST, {"bak/c.txt", "library/a.txt", "o/b.txt"}},
        {ID_SELECT_KEEP_SHORTEST_PATH, {"bak/a.txt", "o/b.txt", "o/c.txt"}},
        {ID_SELECT_KEEP_IN_FOLDER, {"library/a.txt", "library/b.txt", "library/c.txt"}},
        {ID_SELECT_KEEP_FIRST, {}},
        {ID_SELECT_KEEP_UNDER_FOLDER, {"bak/a.txt", "bak/b.txt", "bak/c.txt", "bak/sub/c.txt"}},
        {ID_SELECT_KEEP_IN_FOLDER, {"bak/b.txt", "library/a.txt", "library/b.txt", "library/c.txt"}},
    };
    // The folder picker opens at the listed folder that holds the current row; "bak" is chosen.
    wxString pickerStart;
    CDialogHook::Instance().SetAnswer([&](wxDialog* dialog) {
        auto* picker = dynamic_cast<CFolderPickerDialog*>(dialog);
        if (picker == nullptr)
            return static_cast<int>(wxID_OK);
        pickerStart = picker->GetPath();
        picker->SelectPath(wxString::FromUTF8(m_tree.Path("bak")));
        return static_cast<int>(wxID_OK);
    });
    const fs::path trash = fs::path(std::getenv("XDG_DATA_HOME")) / "Trash" / "files";
    auto inTrash = [&trash] {
        std::error_code error;
        return std::distance(fs::directory_iterator(trash, error), fs::directory_iterator());
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.command);
        for (const CleanupFile& file : kCleanupTree) {
            m_tree.Write(file.path, file.text);
            ASSERT_TRUE(m_tree.SetModified(file.path, file.modified));
        }
        ASSERT_TRUE(ScanAndWait());
        CFileView* view = m_frame->GetFileView();
        const std::vector<std::string> rows = Rows();
        ASSERT_EQ(rows.size(), 10u);
        ASSERT_TRUE(IsEnabled(ID_SELECT_KEEP_FIRST));
        std::vector<std::string> kept = row.kept;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].find("library") != std::string::npos)
                ClickRow(view, static_cast<long>(i)); // the current row, in the library's folder
            if (row.kept.empty() && (i == 0 || view->Rows().Row(i).group != view->Rows().Row(i - 1).group))
                kept.push_back(rows[i].substr(m_tree.Root().size() + 1));
        }
        Command(row.command);
        wxTheApp->ProcessIdle(); // the selection pane follows at idle time
        const bool underBak = row.command == ID_SELECT_KEEP_UNDER_FOLDER;
        if (underBak) {
            EXPECT_EQ(pickerStart, wxString::FromUTF8(m_tree.Root()));
        }
        EXPECT_EQ(Pane(5), underBak ? "6 files selected, 20 bytes in 3 groups, keeping those under bak"
                                    : "7 files selected, 24 bytes in 3 groups");
        const bool rewrite = &row == &cases[std::size(cases) - 1];
        if (rewrite) // after the scan a selected copy gets other contents: it must stay
            m_tree.Write("bak/b.txt", "new text");
        const auto trashedBefore = inTrash();
        wxCommandEvent del(wxEVT_MENU, ID_FILES_DELETE);
        view->GetEventHandler()->ProcessEvent(del);

        std::vector<std::string> left;
        for (const std::string& path : Rows())
            left.push_back(path.substr(m_tree.Root().size() + 1));
        std::sort(left.begin(), left.end());
        std::sort(kept.begin(), kept.end());
        EXPECT_EQ(left, kept);
        EXPECT_EQ(inTrash() - trashedBefore, rewrite || underBak ? 6 : 7);
        for (const CleanupFile& file : kCleanupTree)
            EXPECT_EQ(fs::exists(m_tree.Path(file.path)),
                      std::count(kept.begin(), kept.end(), file.path) == 1)
                << file.path;
        std::vector<ShownDialog> shown = CDialogHook::Instance().TakeShown();
        if (underBak) // the folder picker
            shown.erase(shown.begin());
        ASSERT_EQ(shown.size(), rewrite ? 1u : 0u);
        wxTheApp->ProcessIdle();
        if (rewrite) {
            EXPECT_NE(shown[0].message.find(m_tree.Path("bak/b.txt") + ": changed since the scan"),
                      wxString::npos)
                << shown[0].message;
            EXPECT_EQ(Pane(5), "1 file selected, 3 bytes"); // the row stays, still selected
        } else {
            EXPECT_EQ(Pane(5), underBak ? "6 files moved to the trash, 20 bytes"
                                        : "7 files moved to the trash, 24 bytes");
            // Where each group has one row left, a rule selects nothing, and the pane says so.
            if (kept.size() == 3) {
                Command(ID_SELECT_KEEP_NEWEST);
                wxTheApp->ProcessIdle();
                EXPECT_EQ(Pane(5), "No duplicates to select");
            }
        }
    }
}

TEST_F(MainFrameTest, TheSelectionPaneNamesTheFolderKeptCutFromItsMiddleWhereItIsLong)
{
    const std::string name =
        "the holiday pictures of a long summer, sorted by day and by place, " + std::string(60, 'x');
    m_tree.Write(name + "/a.txt", "copy");
    m_tree.Write("other/a.txt", "copy");
    AddFolder(m_tree.Root());
    ASSERT_TRUE(ScanAndWait());
    CDialogHook::Instance().SetAnswer([&](wxDialog* dialog) {
        if (auto* picker = dynamic_cast<CFolderPickerDialog*>(dialog))
            picker->SelectPath(wxString::FromUTF8(m_tree.Path(name)));
        return static_cast<int>(wxID_OK);
    });
    Command(ID_SELECT_KEEP_UNDER_FOLDER);
    CDialogHook::Instance().TakeShown();
    wxTheApp->ProcessIdle();
    const wxString said = Pane(5);
    EXPECT_TRUE(said.StartsWith("1 file selected, 4 bytes in 1 group, keeping those under the holi")) << said;
    EXPECT_TRUE(said.EndsWith("xxx")) << said;
    EXPECT_NE(said.Find(wxString::FromUTF8(kEllipsis)), wxNOT_FOUND) << said;
    wxStatusBar* bar = m_frame->GetStatusBar();
    EXPECT_LE(bar->GetTextExtent(said).GetWidth(), TextRoom(bar, bar->GetFieldsCount() - 1));
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(MainFrameTest, ExportWritesTheListsGroupsAsTheScanToolWritesThemAndAFailedExportSaysWhy)
{
    for (const CleanupFile& file : kCleanupTree)
        m_tree.Write("t/" + std::string(file.path), file.text);
    m_tree.MakeFolder("out");
    AddFolder(m_tree.Path("t"));
    ASSERT_TRUE(ScanAndWait());
    wxString target;
    int filter = 0;
    CDialogHook::Instance().SetAnswer([&](wxDialog* dialog) {
        auto* files = dynamic_cast<wxFileDialog*>(dialog);
        if (files == nullptr)
            return static_cast<int>(wxID_OK);
        files->SetPath(target);
        files->SetFilterIndex(filter);
        PumpUntil([&] { return files->GetPath() == target; });
        return static_cast<int>(wxID_OK);
    });
    const char* formats[] = {"text", "json", "csv"};
    for (filter = 0; filter < 3; ++filter) {
        SCOPED_TRACE(formats[filter]);
        // Named as the dialog first names it, whatever the type chosen: the type's extension goes on.
        target = wxString::FromUTF8(m_tree.Path("out/list.txt"));
        Command(ID_PROJECT_EXPORT);
        const std::string tool = m_tree.Path("tool.out");
        const std::string command = "cd '" + m_tree.Path("t") + "' && '" QUORVEL_SCAN_TOOL "' --format " +
                                    formats[filter] + " '" + m_tree.Path("t") + "' >'" + tool +
                                    "' 2>/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0);
        const char* extensions[] = {".txt", ".json", ".csv"};
        EXPECT_EQ(ReadFile(m_tree.Path("out/list") + extensions[filter]), ReadFile(tool));
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_tree.Path("out")),
                            std::filesystem::directory_iterator()),
              3); // no temporary file left beside them
    for (const ShownDialog& shown : CDialogHook::Instance().TakeShown())
        EXPECT_TRUE(shown.message.empty()) << shown.message; // the file dialogs alone

    // A typed extension of another type chooses that type; with rows gone from the list, the summary
    // states the counts that the export holds.
    m_frame->GetFileView()->SelectRowRange(0, 1);
    ASSERT_TRUE(m_frame->GetFileView()->RemoveSelectedRows());
    filter = 0;
    target = wxString::FromUTF8(m_tree.Path("out/typed.json"));
    Command(ID_PROJECT_EXPORT);
    CDialogHook::Instance().TakeShown();
    const std::string json = ReadFile(m_tree.Path("out/typed.json"));
    const std::string counted = "\"duplicates_found\":";
    const std::size_t at = json.find(counted);
    ASSERT_NE(at, std::string::npos) << json;
    const std::string found = json.substr(at + counted.size(), json.find(',', at) - at - counted.size());
    EXPECT_NE(json.find(found + " duplicates found)\""), std::string::npos) << json;

    // A folder that takes no new file, whoever asks.
    filter = 2;
    target = "/proc/list.csv";
    Command(ID_PROJECT_EXPORT);
    const std::vector<ShownDialog> shown = CDialogHook::Instance().TakeShown();
    ASSERT_EQ(shown.size(), 2u);
    const wxString said = "The duplicates could not be exported to " + target + ".\n\n";
    EXPECT_TRUE(shown[1].message.StartsWith(said)) << shown[1].message;
    EXPECT_GT(shown[1].message.size(), said.size()); // with the system's reason
}

TEST_F(MainFrameTest, CtrlAAndCtrlCReachTheListAgainAfterALongDeletesProgress)
{
    // A bare X server has no window manager to give the window the keyboard: it takes it itself.
    gtk_window_present(GTK_WINDOW(m_frame->GetHandle()));
    CFileView* view = m_frame->GetFileView();
    constexpr long kFiles = 400;
    for (long i = 0; i <= kFiles; ++i) {
        const std::string name = "many/" + std::to_string(i) + ".txt";
        m_tree.Write(name, "same bytes");
        view->AddPastedRow(m_tree.Path(name), 10, 0);
    }
    view->AddGroupSeparator();
    view->SetFocus();
    ASSERT_TRUE(PumpUntil([this] { return IsEnabled(ID_EDIT_PASTE); })); // the focus is in the list
    view->SelectRowRange(0, kFiles - 1);
    bool shown = false;
    view->SetTrashProgressHook([&shown](wxProgressDialog&, std::size_t) { shown = true; });
    wxCommandEvent del(wxEVT_MENU, ID_FILES_DELETE);
    view->GetEventHandler()->ProcessEvent(del);
    ASSERT_TRUE(shown);
    ASSERT_GT(view->GetItemCount(), 0);
    wxTheApp->ProcessIdle();

    // The keys go where the system sends them: to the window that has the keyboard, else the frame.
    wxWindow* focus = wxWindow::FindFocus() != nullptr ? wxWindow::FindFocus() : m_frame;
    wxKeyEvent ctrlA(wxEVT_KEY_DOWN);
    ctrlA.m_keyCode = 'A';
    ctrlA.SetControlDown(true);
    ctrlA.SetEventObject(focus);
    focus->GetEventHandler()->ProcessEvent(ctrlA);
    EXPECT_EQ(view->SelectedRowCount(), static_cast<std::size_t>(view->GetItemCount()));
    EXPECT_TRUE(IsEnabled(ID_EDIT_COPY)); // Ctrl+C and the toolbar's Copy
}

TEST_F(MainFrameTest, CtrlAAndCtrlCThroughTheServerCopyTheRowsLeftAfterALongDeleteFromTheContextMenu)
{
    gtk_window_present(GTK_WINDOW(m_frame->GetHandle())); // no window manager hands out the keyboard
    CFileView* view = m_frame->GetFileView();
    constexpr long kFiles = 400; // enough for the progress dialog
    for (long i = 0; i <= kFiles; ++i) {
        const std::string name = "many/" + std::to_string(i) + ".txt";
        m_tree.Write(name, "same bytes");
        view->AddPastedRow(m_tree.Path(name), 10, 0);
    }
    view->SelectRowRange(0, kFiles - 1);
    bool shown = false;
    view->SetTrashProgressHook([&shown](wxProgressDialog&, std::size_t) { shown = true; });
    // Delete chosen in the real context menu with the keys, once the menu is up.
    view->Bind(wxEVT_MENU_OPEN, [](wxMenuEvent& event) {
        wxTheApp->CallAfter([] {
            xinput::PressKeys("Down");
            xinput::PressKeys("Return");
        });
        event.Skip();
    });
    wxRect rect;
    view->GetItemRect(0, rect);
    ASSERT_TRUE(
        xinput::ClickAt(view->ClientToScreen(rect.GetPosition()) + wxPoint(5, rect.GetHeight() / 2), 3));
    ASSERT_TRUE(PumpUntil([view] { return view->GetItemCount() == 1; }));
    ASSERT_TRUE(shown);
    xinput::Settle();

    ASSERT_TRUE(xinput::PressKeys("ctrl+a"));
    EXPECT_EQ(view->SelectedRowCount(), 1u);
    ASSERT_TRUE(wxTheClipboard->Open());
    wxTheClipboard->SetData(new wxTextDataObject("before"));
    wxTheClipboard->Close();
    ASSERT_TRUE(xinput::PressKeys("ctrl+c"));
    wxTextDataObject copied;
    ASSERT_TRUE(wxTheClipboard->Open());
    wxTheClipboard->GetData(copied);
    wxTheClipboard->Close();
    EXPECT_EQ(copied.GetText(), wxString::FromUTF8(m_tree.Path("many/400.txt")));
}

// Other bytes of the same size written into the file itself, its last-write time put back: what
// the scan's stamp cannot see. False where the system would not keep the time.
bool RewriteInPlaceKeepingTime(const std::string& path)
{
    namespace fs = std::filesystem;
    const auto time = fs::last_write_time(path);
    {
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        file.put('X');
    }
    fs::last_write_time(path, time);
    return fs::last_write_time(path) == time;
}

TEST_F(MainFrameTest, ReplaceWithHardLinksKeepsEveryPathAndTheNextScanFindsNoDuplicate)
{
    namespace fs = std::filesystem;
    // The two commands stand at the very end of the Edit menu, after a separator of their own.
    wxMenu* edit = m_frame->GetMenuBar()->GetMenu(1);
    const wxMenuItemList& items = edit->GetMenuItems();
    ASSERT_EQ(items.size(), 9u);
    EXPECT_EQ(items[5]->GetId(), ID_CLEAR_SELECTION);
    EXPECT_TRUE(items[6]->IsSeparator());
    EXPECT_EQ(items[7]->GetItemLabel(), "&Replace with Hard Links");
    EXPECT_EQ(items[7]->GetHelp(), "Replace each selected file with a hard link to the copy its group keeps");
    EXPECT_EQ(items[8]->GetItemLabel(), "Replace with Cl&ones");
    EXPECT_EQ(items[8]->GetHelp(), "Replace each selected file with a clone of the copy its group keeps");

    for (const char* path : {"x/a.txt", "y/a.txt", "z/a.txt"})
        m_tree.Write(path, "the first text");
    for (const char* path : {"x/b.txt", "y/b.txt"})
        m_tree.Write(path, "another text, longer");
    AddFolder(m_tree.Root());
    ASSERT_TRUE(ScanAndWait());
    ASSERT_EQ(Rows().size(), 5u);
    EXPECT_FALSE(IsEnabled(ID_EDIT_REPLACE_LINKS)); // nothing selected yet
    EXPECT_FALSE(IsEnabled(ID_EDIT_REPLACE_CLONES));
    Command(ID_SELECT_KEEP_FIRST);
    EXPECT_TRUE(IsEnabled(ID_EDIT_REPLACE_LINKS));
    EXPECT_TRUE(IsEnabled(ID_EDIT_REPLACE_CLONES));
    Command(ID_EDIT_REPLACE_LINKS);

    EXPECT_TRUE(CDialogHook::Instance().TakeShown().empty());
    EXPECT_EQ(Rows(), (std::vector<std::string>{m_tree.Path("x/a.txt"), m_tree.Path("x/b.txt")}));
    for (const char* path : {"y/a.txt", "z/a.txt"})
        EXPECT_TRUE(fs::equivalent(m_tree.Path(path), m_tree.Path("x/a.txt"))) << path;
    EXPECT_TRUE(fs::equivalent(m_tree.Path("y/b.txt"), m_tree.Path("x/b.txt")));
    wxTheApp->ProcessIdle();
    EXPECT_EQ(Pane(5), "3 files replaced by links, 48 bytes freed"); // 14 + 14 + 20: their last names went
    EXPECT_FALSE(IsEnabled(ID_EDIT_REPLACE_LINKS));

    // Names of one file are one file: the next scan lists nothing.
    ASSERT_TRUE(ScanAndWait());
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ(Pane(1), "Scan completed (2 files scanned, 0 duplicates found)");
}

TEST_F(MainFrameTest, AFileRewrittenInPlaceWithItsOldTimeIsNotReplacedAndIsNamedWithItsRowKept)
{
    for (const char* path : {"k/a.txt", "s/a.txt", "s/b.txt"})
        m_tree.Write(path, "the same text");
    AddFolder(m_tree.Root());
    ASSERT_TRUE(ScanAndWait());
    ASSERT_EQ(Rows().size(), 3u);
    Command(ID_SELECT_KEEP_FIRST); // keeps k/a.txt
    const std::string rewritten = m_tree.Path("s/a.txt");
    if (!RewriteInPlaceKeepingTime(rewritten))
        GTEST_SKIP() << "the system did not keep a file's last-write time";
    Command(ID_EDIT_REPLACE_LINKS);

    const std::vector<ShownDialog> shown = CDialogHook::Instance().TakeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].icon, wxICON_WARNING);
    EXPECT_TRUE(shown[0].message.StartsWith(
        "This file could not be replaced by a hard link and stays in the list:\n\n"))
        << shown[0].message;
    EXPECT_NE(shown[0].message.find(rewritten + ": its bytes now differ from the kept copy's"),
              wxString::npos)
        << shown[0].message;
    EXPECT_EQ(ReadFile(rewritten), "Xhe same text");
    EXPECT_EQ(std::filesystem::hard_link_count(rewritten), 1u);
    EXPECT_TRUE(std::filesystem::equivalent(m_tree.Path("s/b.txt"), m_tree.Path("k/a.txt")));
    // Its row stays, still selected, and the pane says what the other freed and how many were refused.
    EXPECT_EQ(Rows(), (std::vector<std::string>{m_tree.Path("k/a.txt"), rewritten}));
    EXPECT_TRUE(m_frame->GetFileView()->IsRowSelected(1));
    wxTheApp->ProcessIdle();
    EXPECT_EQ(Pane(5), "1 file replaced by a link, 13 bytes freed; 1 refused");
}

TEST_F(MainFrameTest, ClonesOnBtrfsStayTwoFilesThatTheNextScanStillListsAndFatSaysWhatItCannotDo)
{
    namespace fs = std::filesystem;
    CLoopImage btrfs("btrfs");
    if (!btrfs.Mounted())
        GTEST_SKIP() << "cannot mount a Btrfs image here: " << btrfs.Reason();
    const std::string bytes = PatternBytes(100000, 7);
    for (const char* folder : {"k", "s"})
        fs::create_directory(btrfs.Path(folder));
    btrfs.Write("k/a.bin", bytes);
    btrfs.Write("s/a.bin", bytes);
    // Small enough to be kept inside the file system's own records, where a clone frees nothing.
    btrfs.Write("k/small.bin", bytes.substr(0, 1500));
    btrfs.Write("s/small.bin", bytes.substr(0, 1500));
    const auto time = fs::last_write_time(btrfs.Path("s/a.bin"));
    AddFolder(btrfs.Root());
    ASSERT_TRUE(ScanAndWait());
    ASSERT_EQ(Rows().size(), 4u);
    Command(ID_SELECT_KEEP_FIRST);
    Command(ID_EDIT_REPLACE_CLONES);
    EXPECT_TRUE(CDialogHook::Instance().TakeShown().empty());
    ASSERT_EQ(Rows().size(), 2u);
    wxTheApp->ProcessIdle();
    EXPECT_EQ(Pane(5), "2 files replaced by clones, 100.0 KB freed");
    EXPECT_FALSE(fs::equivalent(btrfs.Path("k/a.bin"), btrfs.Path("s/a.bin")));
    EXPECT_EQ(fs::last_write_time(btrfs.Path("s/a.bin")), time);
    // Two files of equal bytes: still duplicates to the next scan. A write to one leaves the other.
    ASSERT_TRUE(ScanAndWait());
    EXPECT_EQ(Rows().size(), 4u);
    {
        std::fstream file(btrfs.Path("s/a.bin"), std::ios::in | std::ios::out | std::ios::binary);
        file.write("written", 7);
    }
    EXPECT_EQ(ReadFile(btrfs.Path("k/a.bin")), bytes);
    EXPECT_EQ(ReadFile(btrfs.Path("s/a.bin")), "written" + bytes.substr(7));

    CLoopImage fat("vfat");
    if (!fat.Mounted())
        GTEST_SKIP() << "cannot mount a FAT image here: " << fat.Reason();
    for (const char* folder : {"k", "s"})
        fs::create_directory(fat.Path(folder));
    for (const char* path : {"k/b.txt", "s/b.txt"})
        fat.Write(path, "the same text");
    m_frame->GetFolderView()->Select(0);
    m_frame->GetFolderView()->DeleteSelectedFolders();
    AddFolder(fat.Root());
    const struct
    {
        int command;
        std::string said;
    } cases[] = {
        {ID_EDIT_REPLACE_LINKS, "This file could not be replaced by a hard link and stays in the list:\n\n" +
                                    fat.Path("s/b.txt") + ": the file system has no hard links"},
        {ID_EDIT_REPLACE_CLONES, "This file could not be replaced by a clone and stays in the list:\n\n" +
                                     fat.Path("s/b.txt") + ": the file system cannot make clones"},
    };
    for (const auto& [command, said] : cases) {
        ASSERT_TRUE(ScanAndWait());
        ASSERT_EQ(Rows(), (std::vector<std::string>{fat.Path("k/b.txt"), fat.Path("s/b.txt")}));
        Command(ID_SELECT_KEEP_FIRST);
        Command(command);
        const std::vector<ShownDialog> shown = CDialogHook::Instance().TakeShown();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].message, said);
        EXPECT_EQ(Rows().size(), 2u);
        EXPECT_EQ(ReadFile(fat.Path("s/b.txt")), "the same text");
    }
}

} // namespace
