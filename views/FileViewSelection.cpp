// How the duplicates list selects: clicks and keys as users of any list expect, on a selection that
// the list keeps itself, so that reading, drawing and removing a large selection costs one pass.
#include "views/FileView.h"
#include "views/SelectionRules.h"

#include <wx/utils.h>

#include <algorithm>

void CFileView::BindSelection()
{
    // Clicks and keys reach the list itself before the toolkit's list acts on them (the part that
    // draws the rows hands them to its parent first). Handled here and not passed on, they never
    // fill the toolkit's own selection.
    Bind(wxEVT_LEFT_DOWN, &CFileView::OnClick, this);
    Bind(wxEVT_LEFT_DCLICK, &CFileView::OnClick, this); // a double-click starts nothing
    Bind(wxEVT_RIGHT_DOWN, &CFileView::OnRightClick, this);
    Bind(wxEVT_RIGHT_DCLICK, &CFileView::OnRightClick, this);
    Bind(wxEVT_RIGHT_UP, [](wxMouseEvent&) {}); // the menu came with the press
    Bind(wxEVT_KEY_DOWN, &CFileView::OnKeyDown, this);
    Bind(wxEVT_CHAR, &CFileView::OnChar, this);
}

void CFileView::SelectRow(long row, bool on)
{
    if (row >= 0 && m_selection.Select(static_cast<std::size_t>(row), on))
        RefreshItem(row);
}

void CFileView::SelectRowRange(long first, long last, bool on)
{
    if (first > last)
        std::swap(first, last);
    first = std::max(first, 0L);
    if (last >= first &&
        m_selection.SelectRange(static_cast<std::size_t>(first), static_cast<std::size_t>(last), on))
        RedrawRows(first, last);
}

void CFileView::SelectAllRows()
{
    if (m_selection.SelectAll())
        Refresh();
}

void CFileView::ClearSelection()
{
    if (m_selection.Clear())
        Refresh();
}

void CFileView::SelectByRule(EKeepRule rule)
{
    if (rule == EKeepRule::InFolder && m_anchor < 0) {
        ClearSelection(); // no current row: no folder to keep
        return;
    }
    const std::string folder =
        m_anchor >= 0 ? std::string(LocationView(m_rows.Row(static_cast<std::size_t>(m_anchor)).fullPath))
                      : "";
    SelectByRule(rule, folder);
}

void CFileView::SelectByRule(EKeepRule rule, const std::string& folder)
{
    const std::size_t groups = SelectDuplicates(m_rows, rule, folder, m_selection);
    SetNote(RuleSummaryNote(m_rows, m_selection, groups, rule, folder));
    Refresh();
}

PaneNote CFileView::SelectionNote() const
{
    if (!m_note.before.empty() && m_noteVersion == m_selection.Version())
        return m_note;
    if (m_selection.Empty() && m_costShown)
        return {CopiesCostText(m_rows) + m_leftOut, "", ""}; // from the rows as they are now: one pass
    return {SelectionSummaryText(m_rows, m_selection), "", ""};
}

void CFileView::ShowCopiesCost(std::string leftOut)
{
    m_costShown = true;
    m_leftOut = std::move(leftOut);
    m_note = PaneNote();
    ++m_notesMade;
}

void CFileView::RedrawRows(long first, long last)
{
    // A span longer than a screenful covers every row shown: the whole window is drawn again.
    if (last - first > GetCountPerPage())
        Refresh();
    else
        RefreshItems(first, last);
}

long CFileView::RowAt(const wxPoint& point) const
{
    int flags = 0;
    const long row = HitTest(point, flags);
    return (flags & wxLIST_HITTEST_ONITEM) != 0 && row < GetItemCount() ? row : -1;
}

void CFileView::SetFocusedRow(long row)
{
    m_focus = row;
    // Only the focus is given to the toolkit's list, which draws it; never a selected state.
    SetItemState(row, wxLIST_STATE_FOCUSED, wxLIST_STATE_FOCUSED);
    EnsureVisible(row);
}

void CFileView::OnClick(wxMouseEvent& event)
{
    SetFocus();
    const long row = RowAt(event.GetPosition());
    if (row < 0) {
        if (!event.ControlDown() && !event.ShiftDown())
            ClearSelection();
        return;
    }
    if (event.ShiftDown()) {
        // Shift selects from the anchor, which stays; with Ctrl the range is added.
        if (m_anchor < 0)
            m_anchor = row;
        if (!event.ControlDown())
            ClearSelection();
        SelectRowRange(m_anchor, row);
    } else if (event.ControlDown()) {
        SelectRow(row, !IsRowSelected(row));
        m_anchor = row;
    } else {
        ClearSelection();
        SelectRow(row);
        m_anchor = row;
    }
    SetFocusedRow(row);
}

void CFileView::OnRightClick(wxMouseEvent& event)
{
    SetFocus();
    // A row that is not selected becomes the selection; over a selection it stays as it is.
    const long row = RowAt(event.GetPosition());
    if (row >= 0 && !IsRowSelected(row)) {
        ClearSelection();
        SelectRow(row);
        m_anchor = row;
        SetFocusedRow(row);
    }
    wxContextMenuEvent menu(wxEVT_CONTEXT_MENU, GetId(), wxGetMousePosition());
    menu.SetEventObject(this);
    ProcessWindowEvent(menu);
}

void CFileView::MoveFocusTo(long row, bool shift, bool control)
{
    if (shift) {
        if (m_anchor < 0)
            m_anchor = m_focus < 0 ? row : m_focus;
        if (!control)
            ClearSelection();
        SelectRowRange(m_anchor, row);
    } else if (!control) {
        ClearSelection();
        SelectRow(row);
        m_anchor = row;
    }
    // Ctrl alone moves the focus only.
    SetFocusedRow(row);
}

void CFileView::OnKeyDown(wxKeyEvent& event)
{
    const long last = GetItemCount() - 1;
    if (event.AltDown() || last < 0) {
        event.Skip();
        return;
    }
    const bool shift = event.ShiftDown();
    const bool control = event.ControlDown();
    const long page = std::max(1, GetCountPerPage() - 1);
    // The toolkit's list puts its focus on the first row when it first gets the keyboard; the
    // keys move on from there. Without a focused row at all, every move lands on the first row.
    if (m_focus < 0)
        m_focus = GetFocusedItem();
    const bool none = m_focus < 0;
    switch (event.GetKeyCode()) {
    case WXK_UP:
        MoveFocusTo(none ? 0 : std::max(0L, m_focus - 1), shift, control);
        break;
    case WXK_DOWN:
        MoveFocusTo(none ? 0 : std::min(last, m_focus + 1), shift, control);
        break;
    case WXK_PAGEUP:
        MoveFocusTo(none ? 0 : std::max(0L, m_focus - page), shift, control);
        break;
    case WXK_PAGEDOWN:
        MoveFocusTo(none ? 0 : std::min(last, m_focus + page), shift, control);
        break;
    case WXK_HOME:
        MoveFocusTo(0, shift, control);
        break;
    case WXK_END:
        MoveFocusTo(last, shift, control);
        break;
    case WXK_SPACE:
        if (!none && !shift) {
            SelectRow(m_focus, !IsRowSelected(m_focus));
            m_anchor = m_focus;
        }
        break;
    case 'A':
        if (!control || shift) {
            event.Skip();
            break;
        }
        SelectAllRows();
        break;
    default:
        event.Skip(); // the menu key, Tab, the frame's shortcuts
    }
}

void CFileView::OnChar(wxKeyEvent& event)
{
    // Typing would make the toolkit's list select the row whose name starts so, in its own store.
    const int key = event.GetKeyCode();
    if (!event.HasModifiers() && key > WXK_SPACE && key < WXK_DELETE)
        return;
    event.Skip();
}
