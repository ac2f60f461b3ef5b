// The main window's layout and state: menu, splitter with the two lists, toolbar, status bar, the
// stored placement and dock state.
#include "app/MainFrame.h"

#include "app/ToolbarLayout.h"
#include "decorations/BarReaders.h"
#include "decorations/BitmapEdge.h"
#include "decorations/ToolBar24.h"
#include "engine/ScanEngine.h"
#include "resources/Commands.h"
#include "resources/Resources.h"
#include "views/DisplayText.h"
#include "views/FileView.h"
#include "views/FolderView.h"
#include "views/SelectionRules.h"

#include <wx/config.h>
#include <wx/display.h>
#include <wx/log.h>
#include <wx/menu.h>
#include <wx/splitter.h>
#include <wx/statusbr.h>
#include <wx/utils.h>

#include <algorithm>

namespace {

constexpr int kInitialPaneHeight = 100;
constexpr int kMinimumPaneHeight = 100;
constexpr int kDefaultWidth = 900;
constexpr int kDefaultHeight = 640;
constexpr int kProgressPaneWidth = 400; // the least; it grows with the font to fit kLongestSummary
constexpr int kPaneMargin = 12;         // the pane's border and the space around its text
// The widest summary a scan can give: its counts are 32-bit.
const char* const kLongestSummary = "Scan completed (2147483647 files scanned, 2147483647 duplicates found)";
const char* const kIndicators[] = {"CAP", "NUM", "SCRL"};
constexpr int kStatusPanes = 6;
constexpr int kSelectionPane = 5; // after the five that are there from the start

int KeyCode(int key)
{
    switch (key) {
    case kKeyDelete:
        return WXK_DELETE;
    case kKeyInsert:
        return WXK_INSERT;
    case kKeyF6:
        return WXK_F6;
    case kKeyBackspace:
        return WXK_BACK;
    default:
        return key;
    }
}

wxAcceleratorEntry Accelerator(const KeyBinding& binding)
{
    int flags = wxACCEL_NORMAL;
    if (binding.modifiers & kCtrl)
        flags |= wxACCEL_CTRL;
    if (binding.modifiers & kShift)
        flags |= wxACCEL_SHIFT;
    if (binding.modifiers & kAlt)
        flags |= wxACCEL_ALT;
    return wxAcceleratorEntry(flags, KeyCode(binding.key), binding.id);
}

wxString Prompt(int id)
{
    const CommandText* text = FindCommandText(id);
    return text != nullptr ? wxString(text->prompt) : wxString();
}

// One drop-down menu of the table, with its submenus.
wxMenu* BuildMenu(const MenuTable& table)
{
    auto* menu = new wxMenu;
    for (std::size_t i = 0; i < table.count; ++i) {
        const MenuEntry& entry = table.entries[i];
        if (entry.id == 0) {
            menu->AppendSeparator();
            continue;
        }
        if (entry.submenu != nullptr) {
            menu->Append(entry.id, entry.label, BuildMenu(*entry.submenu), Prompt(entry.id));
            continue;
        }
        wxMenuItem* item = menu->Append(entry.id, entry.label, Prompt(entry.id),
                                        entry.checkable ? wxITEM_CHECK : wxITEM_NORMAL);
        // Secondary keys belong to the item too, so that a disabled command's keys do nothing.
        for (const KeyBinding& binding : kAccelerators) {
            const wxAcceleratorEntry key = Accelerator(binding);
            const wxAcceleratorEntry* shown = item->GetAccel();
            const bool isShown = shown != nullptr && shown->GetFlags() == key.GetFlags() &&
                                 shown->GetKeyCode() == key.GetKeyCode();
            delete shown;
            if (binding.id == entry.id && !isShown)
                item->AddExtraAccel(key);
        }
    }
    return menu;
}

// A stored placement kept inside the work area of the screen that holds its middle (else the first):
// one saved at another scale, or on a screen since removed, could leave the window, and its status
// bar, beyond the edges. A placement that fits is kept as it is.
wxRect FitToScreen(wxRect placed)
{
    const int display = wxDisplay::GetFromPoint(placed.GetPosition() + placed.GetSize() / 2);
    const wxRect area =
        wxDisplay(display == wxNOT_FOUND ? 0u : static_cast<unsigned>(display)).GetClientArea();
    placed.SetWidth(std::min(placed.GetWidth(), area.GetWidth()));
    placed.SetHeight(std::min(placed.GetHeight(), area.GetHeight()));
    placed.SetX(std::clamp(placed.GetX(), area.GetX(), area.GetRight() + 1 - placed.GetWidth()));
    placed.SetY(std::clamp(placed.GetY(), area.GetY(), area.GetBottom() + 1 - placed.GetHeight()));
    return placed;
}

wxString Tooltip(int id)
{
    const CommandText* text = FindCommandText(id);
    return text != nullptr ? wxString(text->tooltip) : wxString();
}

} // namespace

CMainFrame::CMainFrame(wxConfigBase* config)
    : wxFrame(nullptr, wxID_ANY, kAppName, wxDefaultPosition, wxSize(kDefaultWidth, kDefaultHeight)),
      m_config(config), m_launchBrowser(&CMainFrame::LaunchBrowserQuietly),
      m_makeEngine([] { return std::make_unique<CScanEngine>(); })
{
    m_progressTimer.SetOwner(this);
    CreateMenu();
    CreateClient();
    const bool placed = RestorePlacement();
    CreateToolBar24();
    CreateStatusBar5();
    if (!placed)
        FitDefaultSize();
    LoadDockState();
    SetTitle(kFrameCaption);

    CEnBitmap icon;
    LoadBitmapResource(IDI_MAINFRAME, icon);
    const std::vector<wxBitmap> pictures = CutMasked(icon, icon.Size().width, kToolbarTransparent);
    if (!pictures.empty()) {
        wxIcon frameIcon;
        frameIcon.CopyFromBitmap(pictures.front());
        SetIcon(frameIcon);
    }

    // Right after start-up no list has the focus: it rests on the splitter until the user clicks
    // into a list. Later activations give it back to the list that had it, as the toolkit does.
    m_splitter->SetCanFocus(true);
    Bind(wxEVT_ACTIVATE, [this](wxActivateEvent& event) {
        if (event.GetActive() && !m_activatedOnce) {
            m_activatedOnce = true;
            CallAfter([this] {
                if (m_activePane == nullptr)
                    m_splitter->SetFocus();
            });
        }
        event.Skip();
    });
    Bind(wxEVT_IDLE, &CMainFrame::OnIdleKeys, this);
    Bind(wxEVT_CHILD_FOCUS, &CMainFrame::OnChildFocus, this);
    Bind(wxEVT_CLOSE_WINDOW, &CMainFrame::OnClose, this);
    Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        FitStatusPanes();
        event.Skip();
    });
    BindScanControl();
    BindCommands();

    // The window exists: the panes get their second initial update and set themselves up.
    m_aui.Update();
    Layout();
    m_folderView->OnInitialUpdate();
    m_fileView->OnInitialUpdate();
    SetStatusText(kIdleText, 0);
}

bool CMainFrame::LaunchBrowserQuietly(const wxString& address)
{
    // The toolkit would report a failure in a box of its own; the Web Page command says nothing.
    wxLogNull quiet;
    return wxLaunchDefaultBrowser(address);
}

CMainFrame::~CMainFrame()
{
    // The frame saves first; the lists save their own settings as they are destroyed after it.
    StopWorkerAndRelease();
    SavePlacement();
    m_aui.UnInit();
}

void CMainFrame::CreateMenu()
{
    auto* bar = new wxMenuBar;
    for (const MenuTable& table : kMainMenu)
        bar->Append(BuildMenu(table), table.title);
    SetMenuBar(bar);

    // Keys without a menu item: the pane keys and Undo, which has no handler and so does nothing.
    std::vector<wxAcceleratorEntry> keys;
    for (const KeyBinding& binding : kAccelerators)
        if (binding.id == ID_NEXT_PANE || binding.id == ID_PREV_PANE || binding.id == ID_EDIT_UNDO)
            keys.push_back(Accelerator(binding));
    SetAcceleratorTable(wxAcceleratorTable(static_cast<int>(keys.size()), keys.data()));
}

void CMainFrame::CreateClient()
{
    m_splitter =
        new wxSplitterWindow(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxSP_3D | wxSP_LIVE_UPDATE);
    m_splitter->SetMinimumPaneSize(kMinimumPaneHeight);
    m_splitter->SetSashGravity(0.0); // extra height goes to the duplicates list
    m_folderView = new CFolderView(m_splitter, m_config);
    m_fileView = new CFileView(m_splitter, m_config);
    m_folderView->SetSize(100, 100);
    m_fileView->SetSize(100, 100);
    m_folderView->OnInitialUpdate();
    m_fileView->OnInitialUpdate();
    m_splitter->SplitHorizontally(m_folderView, m_fileView, kInitialPaneHeight);
    m_aui.SetManagedWindow(this);
    m_aui.AddPane(m_splitter, wxAuiPaneInfo().Name("client").CenterPane());
}

void CMainFrame::CreateToolBar24()
{
    m_toolBar = new CToolBar24(this, ID_VIEW_TOOLBAR);
    for (const int id : kToolbarButtons) {
        if (id == 0)
            m_toolBar->AddSeparator();
        else
            m_toolBar->AddTool(id, wxEmptyString, wxBitmap(kToolbarPictureSize, kToolbarPictureSize),
                               Tooltip(id), wxITEM_NORMAL);
        if (id != 0)
            m_toolBar->FindTool(id)->SetLongHelp(Prompt(id));
    }
    // The drawings for twice the size only where the screen is scaled: a toolbar given both makes room
    // for the larger under Windows even at the normal scale.
    m_toolBar->SetImagesFromBitmap(IDB_TOOLBAR, kToolbarTransparent,
                                   GetDPIScaleFactor() > 1.0 ? IDB_TOOLBAR_2X : 0);
    m_toolBar->Realize();
    m_toolBar->Bind(wxEVT_MOTION, &CMainFrame::OnToolBarMotion, this);
    m_toolBar->Bind(wxEVT_LEAVE_WINDOW, &CMainFrame::OnToolBarLeave, this);
    m_aui.AddPane(m_toolBar, wxAuiPaneInfo()
                                 .Name("Toolbar")
                                 .ToolbarPane()
                                 .Top()
                                 .Gripper(true)
                                 .Dockable(true)
                                 .Floatable(true)
                                 .Resizable(true)
                                 .LeftDockable(true)
                                 .RightDockable(true)
                                 .TopDockable(true)
                                 .BottomDockable(true));
}

void CMainFrame::CreateStatusBar5()
{
    m_statusBar = CreateStatusBar(kStatusPanes, wxSTB_DEFAULT_STYLE, ID_VIEW_STATUS_BAR);
    m_statusReader = std::make_unique<CStatusBarReader>(*m_statusBar);
    SetStatusBarPane(0); // menu and toolbar prompts go to the message pane
    FitStatusPanes();
    // The frame's own size event comes before it lays the bar out: the panes are fitted again once
    // the bar has its new width.
    m_statusBar->Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        FitStatusPanes();
        event.Skip();
    });
}

int CMainFrame::PaneTextWidth(const wxString& text) const
{
    return m_statusBar->GetTextExtent(text).GetWidth() + kPaneMargin;
}

int CMainFrame::StatusGrip() const
{
    // The size grip takes room from the last pane's text, as much as the bar is high.
    return std::max(m_statusBar->GetBestSize().GetHeight(), m_statusBar->GetClientSize().GetHeight());
}

int CMainFrame::StatusPaneWidths(int* widths, int& messageLeast) const
{
    widths[0] = -1;
    widths[1] = std::max(kProgressPaneWidth, PaneTextWidth(kLongestSummary));
    int fixed = widths[1];
    for (int i = 0; i < 3; ++i) {
        widths[i + 2] = PaneTextWidth(kIndicators[i]);
        fixed += widths[i + 2];
    }
    widths[kSelectionPane] = PaneTextWidth(ToDisplay(LongestSelectionSummary())) + StatusGrip();
    fixed += widths[kSelectionPane];
    messageLeast = PaneTextWidth(kScanningText);
    int longestPrompt = messageLeast;
    for (const CommandText& command : kCommandTexts)
        longestPrompt = std::max(longestPrompt, PaneTextWidth(command.prompt));
    return fixed + longestPrompt;
}

namespace {

// A pane gives up to `most` of its width towards what the panes are `over` the bar's width.
void GiveWay(int& width, int most, int& over)
{
    const int given = std::clamp(over, 0, most);
    width -= given;
    over -= given;
}

} // namespace

void CMainFrame::FitStatusPanes()
{
    if (m_statusBar == nullptr)
        return;
    int widths[kStatusPanes];
    int messageLeast = 0;
    StatusPaneWidths(widths, messageLeast);
    // The selection pane grows to name a long note's folder whole, where the bar has room for it.
    const int selectionLeast = widths[kSelectionPane];
    widths[kSelectionPane] =
        std::max(selectionLeast, PaneTextWidth(ToDisplay(m_selectionNote.Text())) + StatusGrip());
    int fixed = 0;
    for (int i = 1; i < kStatusPanes; ++i)
        fixed += widths[i];
    // A status bar knows no least width for a stretching pane. In a bar too narrow for every pane the
    // message pane gives way first, down to the room for the scan's own text; then the room a note
    // took beyond the selection pane's own, the key panes (Scroll Lock's is blank on X11 anyway) and
    // the summary's; the selection pane stays whole.
    int over = messageLeast + fixed - m_statusBar->GetClientSize().GetWidth();
    if (over > 0)
        widths[0] = messageLeast;
    GiveWay(widths[kSelectionPane], widths[kSelectionPane] - selectionLeast, over);
    for (const int pane : {4, 3, 2, 1})
        GiveWay(widths[pane], widths[pane], over);
    m_statusBar->SetStatusWidths(kStatusPanes, widths);
    ShowSelectionNote(widths[kSelectionPane]);
}

void CMainFrame::ShowSelectionNote(int paneWidth)
{
    MessageFit fit;
    fit.width = [this](std::string_view text) {
        return m_statusBar->GetTextExtent(ToDisplay(text)).GetWidth();
    };
    fit.lineBudget = paneWidth - kPaneMargin - StatusGrip();
    SetStatusText(ToDisplay(m_selectionNote.Text(fit)), kSelectionPane);
}

void CMainFrame::FitDefaultSize()
{
    // The work area is in the desktop's units: at a scale of 2 the screen holds half as many.
    int widths[kStatusPanes];
    int messageLeast = 0;
    const int least =
        StatusPaneWidths(widths, messageLeast) + GetSize().GetWidth() - GetClientSize().GetWidth();
    const wxRect area = wxDisplay(this).GetClientArea();
    const wxSize size(std::min(std::max(kDefaultWidth, least), area.GetWidth()),
                      std::min(kDefaultHeight, area.GetHeight()));
    SetSize(size);
}

void CMainFrame::OnIdleKeys(wxIdleEvent& event)
{
    NoteActivePane();
    // Scroll Lock is not reported on X11: its pane stays blank there.
    const wxKeyCode keys[] = {WXK_CAPITAL, WXK_NUMLOCK, WXK_SCROLL};
    for (int i = 0; i < 3; ++i) {
        const bool on = wxGetKeyState(keys[i]);
        if (on != m_keyStates[i] && m_statusBar != nullptr) {
            m_keyStates[i] = on;
            SetStatusText(on ? kIndicators[i] : "", i + 2);
        }
    }
    ShowSelectionSummary();
    event.Skip();
}

void CMainFrame::ShowSelectionSummary()
{
    // Read once per change, however many clicks and keys made it: a million rows cost a pass.
    if (m_statusBar == nullptr || m_fileView->SelectionVersion() == m_shownSelection)
        return;
    m_shownSelection = m_fileView->SelectionVersion();
    m_selectionNote = m_fileView->SelectionNote();
    FitStatusPanes();
    // A screen reader says it too, unless the keys moved a single selected row, which it says itself.
    const std::size_t count = m_fileView->SelectedRowCount();
    if (count != 1 || m_shownSelectionCount != 1)
        m_statusReader->Announce(kSelectionPane);
    m_shownSelectionCount = count;
}

void CMainFrame::OnToolBarMotion(wxMouseEvent& event)
{
    // The AUI toolbar tells nobody which button the pointer rests on: the prompt is given from here.
    wxAuiToolBarItem* item = m_toolBar->FindToolByPosition(event.GetX(), event.GetY());
    if (item != nullptr && item->GetId() != wxID_ANY && !item->GetLongHelp().empty())
        DoGiveHelp(item->GetLongHelp(), true);
    else
        DoGiveHelp(wxEmptyString, false);
    event.Skip();
}

void CMainFrame::OnToolBarLeave(wxMouseEvent& event)
{
    DoGiveHelp(wxEmptyString, false);
    event.Skip();
}

bool CMainFrame::RestorePlacement()
{
    const long x = m_config->ReadLong("/MainFrame/PosX", 0);
    const long y = m_config->ReadLong("/MainFrame/PosY", 0);
    const long width = m_config->ReadLong("/MainFrame/Width", 0);
    const long height = m_config->ReadLong("/MainFrame/Height", 0);
    const long splitter = m_config->ReadLong("/MainFrame/Splitter", 0);
    if (height == 0)
        return false;
    SetSize(FitToScreen(
        wxRect(static_cast<int>(x), static_cast<int>(y), static_cast<int>(width), static_cast<int>(height))));
    m_splitter->SetSashPosition(static_cast<int>(splitter));
    return true;
}

void CMainFrame::SavePlacement()
{
    if (IsMaximized() || IsIconized())
        return;
    const wxRect rect = GetRect();
    m_config->Write("/MainFrame/PosX", rect.GetX());
    m_config->Write("/MainFrame/PosY", rect.GetY());
    m_config->Write("/MainFrame/Width", rect.GetWidth());
    m_config->Write("/MainFrame/Height", rect.GetHeight());
    m_config->Write("/MainFrame/Splitter", m_splitter->GetSashPosition());
    SaveDockState();
    m_config->Flush();
}

void CMainFrame::SaveDockState()
{
    if (m_toolBar == nullptr || m_statusBar == nullptr)
        return;
    m_config->DeleteGroup("/Toolbar-Summary");
    m_config->DeleteGroup("/Toolbar-Bar0");
    m_config->DeleteGroup("/Toolbar-Bar1");
    m_config->Write("/Toolbar-Summary/Bars", 2);
    wxAuiPaneInfo& pane = m_aui.GetPane(m_toolBar);
    m_config->Write("/Toolbar-Bar0/Pane", m_aui.SavePaneInfo(pane));
    m_config->Write("/Toolbar-Bar1/Visible", m_statusBar->IsShown());
}

void CMainFrame::LoadDockState()
{
    if (!m_config->HasGroup("/Toolbar-Summary"))
        return;
    wxString paneInfo;
    if (m_config->Read("/Toolbar-Bar0/Pane", &paneInfo) &&
        IsUsableToolbarLayout(paneInfo.utf8_string(), m_aui.GetPane(m_toolBar).name.utf8_string())) {
        wxAuiPaneInfo& pane = m_aui.GetPane(m_toolBar);
        m_aui.LoadPaneInfo(paneInfo, pane);
        // Loading forgets how large the toolbar is: without its best size the buttons would vanish
        // into the overflow.
        m_toolBar->Realize();
        pane.BestSize(m_toolBar->GetBestSize());
    }
    bool statusVisible = true;
    if (m_config->Read("/Toolbar-Bar1/Visible", &statusVisible) && !statusVisible)
        m_statusBar->Hide();
    m_aui.Update();
}

void CMainFrame::OnChildFocus(wxChildFocusEvent& event)
{
    NoteActivePane();
    event.Skip();
}

void CMainFrame::NoteActivePane()
{
    // Asked on focus events and on idle: a window that is not active yet gets no focus events.
    if (IsFocusIn(m_folderView))
        m_activePane = m_folderView;
    else if (IsFocusIn(m_fileView))
        m_activePane = m_fileView;
}

wxWindow* CMainFrame::GetFocusedWindow() const
{
    return wxWindow::FindFocus();
}

void CMainFrame::FocusPane(wxWindow* pane)
{
    pane->SetFocus();
}

bool CMainFrame::IsFocusIn(const wxWindow* pane) const
{
    // The generic list gives the focus to the child window that draws its rows.
    for (const wxWindow* window = GetFocusedWindow(); window != nullptr; window = window->GetParent())
        if (window == pane)
            return true;
    return false;
}

void CMainFrame::OnClose(wxCloseEvent& event)
{
    // A scan still running is stopped and waited for, so the worker never reaches a window that
    // is gone; its engine goes with it.
    StopWorkerAndRelease();
    event.Skip();
}
