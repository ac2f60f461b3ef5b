// The duplicates list's context menu and clipboard transfer: the files go to the trash, to their
// application or to the file manager; the paths go to and come from the clipboard.
#include "platform/Desktop.h"
#include "platform/EntryFacts.h"
#include "platform/Trash.h"
#include "resources/Commands.h"
#include "views/ClipboardAccess.h"
#include "views/ClipboardText.h"
#include "views/DisplayText.h"
#include "views/FileView.h"
#include "views/MessageBoxes.h"

#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/utils.h>

#include <algorithm>

void CFileView::BindFileActions()
{
    Bind(wxEVT_CONTEXT_MENU, &CFileView::OnContextMenu, this);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { DeleteSelectedFiles(); }, ID_FILES_DELETE);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { OpenSelectedFile(); }, ID_FILES_OPEN);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { RevealInExplorer(); }, ID_FILES_REVEAL);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { DeleteAllInFolder(); }, ID_FILES_DELETE_ALL_IN_FOLDER);
}

void CFileView::OnContextMenu(wxContextMenuEvent& event)
{
    if (m_selection.Empty())
        return;
    wxMenu menu;
    for (std::size_t i = 0; i < kFilesMenu.count; ++i) {
        const MenuEntry& entry = kFilesMenu.entries[i];
        if (entry.id == 0) {
            menu.AppendSeparator();
            continue;
        }
        const CommandText* text = FindCommandText(entry.id);
        menu.Append(entry.id, entry.label, text != nullptr ? text->prompt : "");
    }
    // The frame looks prompts up in its own menu bar only: this menu's are handed to it here.
    menu.Bind(wxEVT_MENU_HIGHLIGHT, [this, &menu](wxMenuEvent& highlight) {
        auto* frame = wxDynamicCast(wxGetTopLevelParent(this), wxFrame);
        const wxMenuItem* item = menu.FindItem(highlight.GetMenuId());
        if (frame != nullptr)
            frame->DoGiveHelp(item != nullptr ? item->GetHelp() : wxString(), true);
    });
    // From the keyboard the event has no point: the menu then opens at the pointer.
    const wxPoint at =
        event.GetPosition() == wxDefaultPosition ? wxDefaultPosition : ScreenToClient(event.GetPosition());
    if (m_presentMenu)
        m_presentMenu(menu, at);
    else
        PopupMenu(&menu, at);
}

void CFileView::CollectSelectedPaths(std::vector<std::string>& paths) const
{
    for (const std::size_t row : GetSelectedRows())
        paths.emplace_back(m_rows.Row(row).fullPath);
}

bool CFileView::RemoveSelectedRows()
{
    if (m_selection.Empty())
        return false;
    RemoveRows(GetSelectedRows());
    return true;
}

void CFileView::RemoveRows(std::vector<std::size_t> rows)
{
    if (rows.empty())
        return;
    if (!std::is_sorted(rows.begin(), rows.end()))
        std::sort(rows.begin(), rows.end());
    // How many removed rows lie above a row, and whether the row itself goes.
    auto removedAbove = [&rows](long row) {
        const auto above = std::lower_bound(rows.begin(), rows.end(), static_cast<std::size_t>(row));
        return std::pair<long, bool>(static_cast<long>(above - rows.begin()),
                                     above != rows.end() && *above == static_cast<std::size_t>(row));
    };
    long anchor = -1;
    if (m_anchor >= 0) {
        const auto [above, gone] = removedAbove(m_anchor);
        anchor = gone ? -1 : m_anchor - above;
    }
    // The focus stays with its row, or where its row was when that row goes.
    const long focus = m_focus < 0 ? -1 : m_focus - removedAbove(m_focus).first;

    Freeze();
    m_selection.RemoveRows(rows); // the selected rows that stay move up with the others
    m_rows.RemoveRows(std::move(rows));
    Thaw();         // the control learns the new row count here
    ShowTipFor(-1); // the tip's row may be gone or hold another file now
    m_anchor = anchor;
    if (focus >= 0 && GetItemCount() > 0) {
        m_focus = std::min(focus, static_cast<long>(GetItemCount()) - 1);
        SetItemState(m_focus, wxLIST_STATE_FOCUSED, wxLIST_STATE_FOCUSED);
    }
}

void CFileView::ReportTrashFailures(const std::vector<TrashFailure>& failures)
{
    if (!failures.empty())
        ShowTrashFailures(this, ToDisplay(TrashFailureText(failures, platform::kTrashName)));
}

void CFileView::DeleteSelectedFiles()
{
    std::vector<TrashFailure> failures;
    {
        wxBusyCursor busy;
        RemoveRows(TrashFilesOfRows(m_rows, GetSelectedRows(), failures, platform::MoveToTrash));
    }
    ReportTrashFailures(failures);
}

void CFileView::DeleteAllInFolder()
{
    if (m_anchor < 0)
        return;
    std::vector<TrashFailure> failures;
    {
        wxBusyCursor busy;
        const std::string folder = m_rows.CellText(static_cast<std::size_t>(m_anchor), EColumn::Location);
        RemoveRows(TrashFilesOfRows(m_rows, RowsInFolder(m_rows, folder), failures, platform::MoveToTrash));
    }
    ReportTrashFailures(failures);
}

void CFileView::OpenSelectedFile()
{
    if (m_anchor < 0)
        return;
    const auto row = static_cast<std::size_t>(m_anchor);
    platform::OpenWithDefaultApplication(std::string(m_rows.Row(row).fullPath),
                                         m_rows.CellText(row, EColumn::Location));
}

void CFileView::RevealInExplorer()
{
    if (m_anchor < 0)
        return;
    const auto row = static_cast<std::size_t>(m_anchor);
    platform::ShowInFileManager(std::string(m_rows.Row(row).fullPath),
                                m_rows.CellText(row, EColumn::Location));
}

bool CFileView::CopySelection()
{
    if (m_selection.Empty())
        return false;
    std::vector<std::string> paths;
    CollectSelectedPaths(paths);
    ClipboardAccess clipboard(this);
    return clipboard.PutText(JoinClipboardPaths(paths));
}

bool CFileView::CutSelection()
{
    CopySelection(); // the rows go even when the clipboard refused them
    return RemoveSelectedRows();
}

void CFileView::PasteFiles()
{
    ClipboardAccess clipboard(this);
    std::vector<std::string> paths;
    if (!clipboard.GetFiles(paths)) {
        std::string text;
        if (!clipboard.GetText(text))
            return;
        paths = SplitClipboardLines(text);
    }
    Freeze();
    for (const std::string& path : paths) {
        platform::EntryFacts facts;
        if (platform::LookUpEntry(path, facts))
            AddFileRow(path, facts.size, facts.modified, facts.isFolder);
    }
    Thaw();
}
