// The frame's commands: thin handlers that hand the work to the lists, the folder picker, the file
// dialogs or the desktop, and one-line enable rules.
#include "app/EnableRules.h"
#include "app/MainFrame.h"
#include "app/ProjectPath.h"
#include "app/ScanOptionsDlg.h"
#include "decorations/ToolBar24.h"
#include "platform/EntryFacts.h"
#include "platform/SaveFile.h"
#include "resources/Commands.h"
#include "resources/Resources.h"
#include "views/DisplayText.h"
#include "views/FileView.h"
#include "views/FolderPicker.h"
#include "views/FolderView.h"
#include "views/MessageBoxes.h"
#include "views/ScanOutput.h"

#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/statusbr.h>
#include <wx/utils.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// The type an export is written as, for the save dialog's answer: its extension and its format.
std::pair<const char*, EOutputFormat> ExportTypeOf(const std::string& chosen, int filterIndex)
{
    static constexpr std::pair<const char*, EOutputFormat> kTypes[] = {
        {"txt", EOutputFormat::Text}, {"json", EOutputFormat::Json}, {"csv", EOutputFormat::Csv}};
    const std::string extension = ExportType(chosen, kTypes[std::clamp(filterIndex, 0, 2)].first);
    for (const auto& type : kTypes)
        if (extension == type.first)
            return type;
    return kTypes[0];
}

} // namespace

void CMainFrame::BindCommands()
{
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { Close(); }, ID_APP_EXIT);
    Bind(wxEVT_MENU, &CMainFrame::OnEditCut, this, ID_EDIT_CUT);
    Bind(wxEVT_MENU, &CMainFrame::OnEditCopy, this, ID_EDIT_COPY);
    Bind(wxEVT_MENU, &CMainFrame::OnEditPaste, this, ID_EDIT_PASTE);
    Bind(wxEVT_MENU, &CMainFrame::OnAddFolder, this, ID_ADD_FOLDER);
    Bind(wxEVT_MENU, &CMainFrame::OnDeleteFolder, this, ID_DELETE_FOLDER);
    Bind(wxEVT_MENU, &CMainFrame::OnOpenProject, this, ID_PROJECT_OPEN);
    Bind(wxEVT_MENU, &CMainFrame::OnSaveProject, this, ID_PROJECT_SAVE);
    Bind(wxEVT_MENU, &CMainFrame::OnWebPage, this, ID_WEB_PAGE);
    Bind(wxEVT_MENU, &CMainFrame::OnViewToolBar, this, ID_VIEW_TOOLBAR);
    Bind(wxEVT_MENU, &CMainFrame::OnViewStatusBar, this, ID_VIEW_STATUS_BAR);
    Bind(wxEVT_MENU, &CMainFrame::OnNextPane, this, ID_NEXT_PANE);
    Bind(wxEVT_MENU, &CMainFrame::OnNextPane, this, ID_PREV_PANE); // with two panes both lead to the other
    Bind(
        wxEVT_MENU, [](wxCommandEvent&) {}, ID_EDIT_UNDO); // nothing to undo: the keys do nothing
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateEditCopyCut, this, ID_EDIT_CUT);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateEditCopyCut, this, ID_EDIT_COPY);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateEditPaste, this, ID_EDIT_PASTE);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateDeleteFolder, this, ID_DELETE_FOLDER);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateViewToolBar, this, ID_VIEW_TOOLBAR);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateViewStatusBar, this, ID_VIEW_STATUS_BAR);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdatePaneKeys, this, ID_NEXT_PANE);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdatePaneKeys, this, ID_PREV_PANE);

    const std::pair<int, EKeepRule> rules[] = {
        {ID_SELECT_KEEP_FIRST, EKeepRule::First},
        {ID_SELECT_KEEP_OLDEST, EKeepRule::Oldest},
        {ID_SELECT_KEEP_NEWEST, EKeepRule::Newest},
        {ID_SELECT_KEEP_SHORTEST_PATH, EKeepRule::ShortestPath},
        {ID_SELECT_KEEP_IN_FOLDER, EKeepRule::InFolder},
    };
    for (const auto& [id, rule] : rules) {
        Bind(
            wxEVT_MENU, [this, rule = rule](wxCommandEvent&) { m_fileView->SelectByRule(rule); }, id);
        Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateSelectionCommand, this, id);
    }
    Bind(wxEVT_MENU, &CMainFrame::OnExportDuplicates, this, ID_PROJECT_EXPORT);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateSelectionCommand, this, ID_PROJECT_EXPORT);
    Bind(wxEVT_MENU, &CMainFrame::OnScanOptions, this, ID_SCAN_OPTIONS);
    Bind(wxEVT_MENU, &CMainFrame::OnKeepUnderFolder, this, ID_SELECT_KEEP_UNDER_FOLDER);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateSelectionCommand, this, ID_SELECT_KEEP_UNDER_FOLDER);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { m_fileView->ClearSelection(); }, ID_CLEAR_SELECTION);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateSelectionCommand, this, ID_CLEAR_SELECTION);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateSelectionCommand, this, ID_SELECT_DUPLICATES);
    const std::pair<int, EFileAction> replacements[] = {
        {ID_EDIT_REPLACE_LINKS, EFileAction::HardLink},
        {ID_EDIT_REPLACE_CLONES, EFileAction::Clone},
    };
    for (const auto& [id, action] : replacements) {
        Bind(
            wxEVT_MENU,
            [this, action = action](wxCommandEvent&) { m_fileView->ReplaceSelectedFiles(action); }, id);
        Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateReplaceFiles, this, id);
    }
}

void CMainFrame::OnScanOptions(wxCommandEvent&)
{
    // Saved at once, so that quorvel-scan --saved-options and the next start see them; a scan that
    // runs on keeps the options it started with.
    CScanOptionsDlg dialog(this, LoadScanOptions(m_config));
    ScanOptions options;
    if (dialog.ShowModal() == wxID_OK && !ReadScanOptions(dialog.GetText(), options))
        SaveScanOptions(m_config, dialog.GetText());
}

void CMainFrame::OnEditCut(wxCommandEvent&)
{
    wxBusyCursor busy;
    m_fileView->CutSelection();
}

void CMainFrame::OnEditCopy(wxCommandEvent&)
{
    m_fileView->CopySelection();
}

void CMainFrame::OnEditPaste(wxCommandEvent&)
{
    wxBusyCursor busy;
    m_fileView->PasteFiles();
}

void CMainFrame::OnAddFolder(wxCommandEvent&)
{
    std::vector<char> chosen(kFolderPathCapacity);
    if (!BrowseForFolder(this, m_lastFolder, chosen.data(), chosen.size()))
        return;
    std::string path = chosen.data();
    // The picker opens here next time, whether or not the list took the folder.
    m_lastFolder = path;
    m_folderView->AppendFolder(path);
}

void CMainFrame::OnExportDuplicates(wxCommandEvent&)
{
    wxFileDialog dialog(this, UsualDialogTitle(EDialogTitle::SaveFile), wxEmptyString, kExportDefaultName,
                        kExportFilter, wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (dialog.ShowModal() != wxID_OK)
        return;
    const std::string chosen = FromFileName(dialog.GetPath());
    const auto [extension, format] = ExportTypeOf(chosen, dialog.GetFilterIndex());
    const std::string path = ExportPath(chosen, extension);
    // The dialog asked about replacing the name it was given, not this one.
    platform::EntryFacts facts;
    if (path != chosen && platform::LookUpEntry(path, facts) &&
        wxMessageBox(wxString::Format("A file named \"%s\" already exists. Do you want to replace it?",
                                      ToDisplay(FileText(path))),
                     kAppName, wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION, this) != wxYES)
        return;
    wxBusyCursor busy;
    std::string reason;
    if (!platform::SaveFileWhole(path, FormatListedGroups(m_fileView->Rows(), format, m_lastScanFiles),
                                 reason))
        ShowExportError(this, ToDisplay(path), ToDisplay(reason));
}

void CMainFrame::OnKeepUnderFolder(wxCommandEvent&)
{
    std::vector<std::string> listed;
    m_folderView->GetFolders(listed);
    const long current = m_fileView->GetAnchorRow();
    const std::string_view currentPath =
        current >= 0 ? m_fileView->Rows().Row(static_cast<std::size_t>(current)).fullPath
                     : std::string_view();
    std::vector<char> chosen(kFolderPathCapacity);
    if (!BrowseForFolder(this, UnderFolderStart(listed, currentPath, m_lastFolder), chosen.data(),
                         chosen.size()))
        return;
    wxBusyCursor busy;
    m_fileView->SelectByRule(EKeepRule::UnderFolder, chosen.data());
}

void CMainFrame::OnDeleteFolder(wxCommandEvent&)
{
    m_folderView->DeleteSelectedFolders();
}

void CMainFrame::OnOpenProject(wxCommandEvent&)
{
    wxFileDialog dialog(this, UsualDialogTitle(EDialogTitle::OpenFile), wxEmptyString, wxEmptyString,
                        kProjectFilter, wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (dialog.ShowModal() != wxID_OK)
        return;
    m_folderView->OpenProject(
        ProjectPathToOpen(FromFileName(dialog.GetPath()), wxFileExists(dialog.GetPath())));
}

void CMainFrame::OnSaveProject(wxCommandEvent&)
{
    // No question before an existing file is replaced.
    wxFileDialog dialog(this, UsualDialogTitle(EDialogTitle::SaveFile), wxEmptyString, kProjectDefaultName,
                        kProjectFilter, wxFD_SAVE);
    if (dialog.ShowModal() != wxID_OK)
        return;
    m_folderView->SaveProject(WithProjectExtension(FromFileName(dialog.GetPath())));
}

void CMainFrame::OnWebPage(wxCommandEvent&)
{
    const wxString address = kWebPageAddress;
    if (!address.empty())
        m_launchBrowser(address);
}

void CMainFrame::OnViewToolBar(wxCommandEvent&)
{
    wxAuiPaneInfo& pane = m_aui.GetPane(m_toolBar);
    pane.Show(!pane.IsShown());
    m_aui.Update();
}

void CMainFrame::OnViewStatusBar(wxCommandEvent&)
{
    m_statusBar->Show(!m_statusBar->IsShown());
    SendSizeEvent();
}

void CMainFrame::OnNextPane(wxCommandEvent& event)
{
    NoteActivePane();
    if (m_activePane == m_folderView)
        FocusPane(m_fileView);
    else if (m_activePane == m_fileView)
        FocusPane(m_folderView);
    else // before either list had the keyboard: the first pane, or the last going back
        FocusPane(event.GetId() == ID_PREV_PANE ? static_cast<wxWindow*>(m_fileView) : m_folderView);
}

void CMainFrame::OnUpdateEditCopyCut(wxUpdateUIEvent& event)
{
    event.Enable(CanCopyOrCut(IsFocusIn(m_fileView), m_fileView->SelectedRowCount() > 0));
}

void CMainFrame::OnUpdateEditPaste(wxUpdateUIEvent& event)
{
    event.Enable(CanPaste(IsFocusIn(m_fileView)));
}

void CMainFrame::OnUpdateDeleteFolder(wxUpdateUIEvent& event)
{
    event.Enable(CanDeleteFolder(IsFocusIn(m_folderView), m_folderView->HasSelection()));
}

void CMainFrame::OnUpdateViewToolBar(wxUpdateUIEvent& event)
{
    event.Check(m_aui.GetPane(m_toolBar).IsShown());
}

void CMainFrame::OnUpdateViewStatusBar(wxUpdateUIEvent& event)
{
    event.Check(m_statusBar->IsShown());
}

void CMainFrame::OnUpdateSelectionCommand(wxUpdateUIEvent& event)
{
    event.Enable(CanSelectRows(m_fileView->GetItemCount()));
}

void CMainFrame::OnUpdateReplaceFiles(wxUpdateUIEvent& event)
{
    event.Enable(CanReplaceFiles(m_fileView->SelectedRowCount() > 0));
}

void CMainFrame::OnUpdatePaneKeys(wxUpdateUIEvent& event)
{
    // From start-up on, so that the keyboard alone reaches the lists.
    event.Enable(true);
}
