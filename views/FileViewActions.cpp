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
    if (GetSelectedItemCount() == 0)
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
    if (GetSelectedItemCount() == 0)
        return false;
    RemoveRows(GetSelectedRows(), {});
    return true;
}

void CFileView::RemoveRows(std::vector<std::size_t> rows, const std::vector<std::size_t>& selected)
{
    if (rows.empty())
        return;
    std::sort(rows.begin(), rows.end());
    // Where a surviving row lands: up by the number of removed rows above it; npos when removed.
    auto newIndex = [&rows](std::size_t row) {
        const auto above = std::lower_bound(rows.begin(), rows.end(), row);
        return above != rows.end() && *above == row ? std::string::npos
                                                    : row - static_cast<std::size_t>(above - rows.begin());
    };
    std::vector<std::size_t> stillSelected;
    for (const std::size_t row : selected)
        if (const std::size_t moved = newIndex(row); moved != std::string::npos)
            stillSelected.push_back(moved);
    const std::size_t anchor =
        m_anchor < 0 ? std::string::npos : newIndex(static_cast<std::size_t>(m_anchor));

    Freeze();
    SetItemState(-1, 0, wxLIST_STATE_SELECTED); // the whole selection at once, not row by row
    m_rows.RemoveRows(rows);
    Thaw();         // the control learns the new row count here
    ShowTipFor(-1); // the tip's row may be gone or hold another file now
    for (const std::size_t row : stillSelected)
        Select(static_cast<long>(row));
    m_anchor = anchor == std::string::npos ? -1 : static_cast<long>(anchor);
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
        const std::vector<std::size_t> selected = GetSelectedRows();
        RemoveRows(TrashFilesOfRows(m_rows, selected, failures, platform::MoveToTrash), selected);
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
        RemoveRows(TrashFilesOfRows(m_rows, RowsInFolder(m_rows, folder), failures, platform::MoveToTrash),
                   GetSelectedRows());
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
    if (GetSelectedItemCount() == 0)
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
