// The duplicates list's context menu and clipboard transfer: the files go to the trash, to their
// application or to the file manager; the paths go to and come from the clipboard.
#include "platform/Accessible.h"
#include "platform/Desktop.h"
#include "platform/Trash.h"
#include "resources/Commands.h"
#include "resources/Resources.h"
#include "views/ClipboardAccess.h"
#include "views/ClipboardText.h"
#include "views/DisplayText.h"
#include "views/FileView.h"
#include "views/MessageBoxes.h"

#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/progdlg.h>
#include <wx/utils.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>

namespace {

constexpr std::size_t kFilesForProgress = 300;             // a Delete of more shows its progress at once
constexpr auto kTimeForProgress = std::chrono::seconds(1); // and a slower one once it has taken this long
// The dialog, and with it the window, is brought up to date every few files or every 50 ms,
// whichever comes first: the window repaints and Cancel is seen that often.
constexpr std::size_t kFilesPerUpdate = 256;
constexpr auto kProgressInterval = std::chrono::milliseconds(50);
// A screen reader says the dialog's text when it shows, then at most this often: every update would
// leave it saying nothing else.
constexpr auto kAnnounceInterval = std::chrono::seconds(5);

// The progress of a long file action: the toolkit's dialog with Cancel, which also lets the window
// repaint while files are moved or replaced. A short one never shows it.
class CActionProgress
{
public:
    CActionProgress(wxWindow* parent, const std::function<void(wxProgressDialog&, std::size_t)>& hook,
                    EFileAction action)
        : m_parent(parent), m_hook(hook), m_action(action), m_start(std::chrono::steady_clock::now())
    {}

    // The dialog disabled every other window while it ran, which took the keyboard from the list, and
    // the toolkit gives it back to no window: Ctrl+A and Ctrl+C would do nothing until a click.
    ~CActionProgress()
    {
        if (m_dialog == nullptr)
            return;
        m_dialog.reset();
        m_parent->SetFocus();
    }
    CActionProgress(const CActionProgress&) = delete;
    CActionProgress& operator=(const CActionProgress&) = delete;

    bool operator()(std::size_t done, std::size_t total)
    {
        const auto now = std::chrono::steady_clock::now();
        if (m_dialog == nullptr) {
            if (total <= kFilesForProgress && now - m_start < kTimeForProgress)
                return true;
            m_dialog = std::make_unique<wxProgressDialog>(kAppName, Text(done, total),
                                                          static_cast<int>(total), m_parent,
                                                          wxPD_APP_MODAL | wxPD_CAN_ABORT | wxPD_AUTO_HIDE);
        } else if (++m_sinceShown < kFilesPerUpdate && now - m_shown < kProgressInterval) {
            return true;
        }
        m_shown = now;
        m_sinceShown = 0;
        const bool goOn = m_dialog->Update(static_cast<int>(done), Text(done, total));
        Announce(now, Text(done, total));
        if (m_hook)
            m_hook(*m_dialog, done);
        return goOn && !m_dialog->WasCancelled();
    }

private:
    void Announce(std::chrono::steady_clock::time_point now, const wxString& text)
    {
        if (m_announced && now - *m_announced < kAnnounceInterval)
            return;
        m_announced = now;
        wxWindow* message = wxWindow::FindWindowByLabel(text, m_dialog.get());
        platform::Announce(message != nullptr ? message->GetHandle() : m_dialog->GetHandle(),
                           text.utf8_string());
    }

    wxString Text(std::size_t done, std::size_t total) const
    {
        if (m_action != EFileAction::Trash)
            return wxString::Format("Replacing %zu of %zu", done + 1, total);
        return wxString::Format("Moving %zu of %zu to the %s", done + 1, total, platform::kTrashName);
    }

    wxWindow* m_parent;
    const std::function<void(wxProgressDialog&, std::size_t)>& m_hook;
    EFileAction m_action;
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_shown;
    std::size_t m_sinceShown = 0;
    std::optional<std::chrono::steady_clock::time_point> m_announced;
    std::unique_ptr<wxProgressDialog> m_dialog;
};

} // namespace

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
    // From the keyboard (the menu key, Shift+F10) the event has no point: the menu opens at the current row.
    const wxPoint at = event.GetPosition() == wxDefaultPosition ? CurrentRowMenuPoint()
                                                                : ScreenToClient(event.GetPosition());
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
    if (m_presentMenu)
        m_presentMenu(menu, at);
    else
        PopupMenu(&menu, at);
    // A command chosen in the menu runs while the menu is still the toolkit's current popup, and the
    // toolkit then takes the list for the window with the focus: a long Delete's dialog, which took
    // the keyboard, could not give it back (Ctrl+A and Ctrl+C did nothing until a click). Now that the
    // menu is gone, the keyboard returns to the list it was opened on.
    SetFocus();
}

wxPoint CFileView::CurrentRowMenuPoint()
{
    // The row the keys move from, scrolled into view. The selection stays as it is, whatever the row: the
    // menu's commands act on what the user selected, a rule's selection included. Without such a row the
    // menu opens at the pointer.
    const long row = m_focus >= 0 ? m_focus : GetFocusedItem();
    if (row < 0 || row >= GetItemCount())
        return wxDefaultPosition;
    EnsureVisible(row);
    wxRect rect;
    GetItemRect(row, rect);
    return wxPoint(rect.GetLeft() + rect.GetHeight(), rect.GetBottom());
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
        ShowFileFailures(this,
                         ToDisplay(TrashFailureText(failures, platform::kTrashName, MessageFitFor(this))));
}

void CFileView::DeleteSelectedFiles()
{
    TrashRows(GetSelectedRows());
}

void CFileView::DeleteAllInFolder()
{
    if (m_anchor < 0)
        return;
    const std::string folder = m_rows.CellText(static_cast<std::size_t>(m_anchor), EColumn::Location);
    TrashRows(RowsInFolder(m_rows, folder));
}

void CFileView::TrashRows(const std::vector<std::size_t>& which)
{
    std::vector<TrashFailure> failures;
    TrashTotals totals;
    {
        wxBusyCursor busy;
        CActionProgress progress(this, m_trashProgressHook, EFileAction::Trash);
        RemoveRows(TrashFilesOfRows(m_rows, which, failures, platform::MoveToTrash, std::ref(progress),
                                    &totals, platform::PutBackFromTrash));
    }
    if (totals.files > 0 && m_selection.Empty())
        SetNote({TrashTotalsText(totals, platform::kTrashName), "", ""});
    ReportTrashFailures(failures);
}

void CFileView::ReplaceSelectedFiles(EFileAction action)
{
    if (action == EFileAction::Trash || m_selection.Empty())
        return;
    FilePlan plan = PlanFileAction(m_rows, GetSelectedRows(), action);
    FileActionReport report;
    {
        wxBusyCursor busy;
        CActionProgress progress(this, m_trashProgressHook, action);
        report = RunFilePlan(m_rows, plan, {nullptr, platform::ReplaceWithCopyOf}, std::ref(progress));
        RemoveRows(report.gone);
    }
    // The refused rows stay selected: the pane says what the others freed all the same.
    if (report.files > 0 && (m_selection.Empty() || !report.failures.empty()))
        SetNote({ReplaceTotalsText(action, report.files, report.bytes, report.failures.size()), "", ""});
    if (!report.failures.empty())
        ShowFileFailures(this, ToDisplay(ReplaceFailureText(action, report.failures, MessageFitFor(this))));
}

void CFileView::SetNote(PaneNote note)
{
    m_note = std::move(note);
    m_noteVersion = m_selection.Version();
    ++m_notesMade;
}

void CFileView::OpenSelectedFile()
{
    if (m_anchor < 0)
        return;
    const auto row = static_cast<std::size_t>(m_anchor);
    const std::string path(m_rows.Row(row).fullPath);
    std::string reason;
    if (!platform::OpenWithDefaultApplication(path, m_rows.CellText(row, EColumn::Location), reason))
        ShowNoApplicationMessage(this, ToDisplay(path), ToDisplay(reason));
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
    // Views of the rows' own paths: a million selected rows are joined without a copy of each.
    std::vector<std::string_view> paths;
    const std::vector<std::size_t> rows = GetSelectedRows();
    paths.reserve(rows.size());
    for (const std::size_t row : rows)
        paths.push_back(m_rows.Row(row).fullPath);
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
    m_rows.AddPastedPaths(paths);
    Thaw();
}
