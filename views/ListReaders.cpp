// The two lists' rows for a screen reader, in the list's own terms: texts as the list shows them,
// places in the window that draws the rows.
#include "views/ListReaders.h"

#include "views/DisplayText.h"
#include "views/FileView.h"

#include <wx/listctrl.h>

namespace {

constexpr std::size_t npos = platform::CAccessibleRows::npos;

std::string Utf8(const wxString& text)
{
    return text.utf8_string();
}

// A rectangle of the list's client area in the pixels of the window that draws the rows.
platform::AccessibleRect InRowsWindow(const wxListCtrl& list, const wxWindow& rowsWindow, const wxRect& rect)
{
    const wxPoint at = rowsWindow.ScreenToClient(list.ClientToScreen(rect.GetPosition()));
    return {at.x, at.y, rect.GetWidth(), rect.GetHeight()};
}

// The generic list gives the keyboard, and its rows, to a child window; a native list has none.
wxWindow& RowsWindowOf(wxListCtrl& list)
{
    for (wxWindow* child : list.GetChildren())
        if (child->AcceptsFocus())
            return *child;
    return list;
}

// The row and column at a point of the window that draws the rows, which is what HitTest takes.
bool HitCell(const wxListCtrl& list, const wxWindow& rowsWindow, int x, int y, int columns, std::size_t& row,
             int& column)
{
    int flags = 0;
    const long hit = list.HitTest(wxPoint(x, y), flags);
    if (hit < 0 || (flags & wxLIST_HITTEST_ONITEM) == 0)
        return false;
    for (int c = 0; c < columns; ++c) {
        wxRect rect;
        list.GetSubItemRect(hit, c, rect);
        const platform::AccessibleRect cell = InRowsWindow(list, rowsWindow, rect);
        if (x >= cell.x && x < cell.x + cell.width) {
            row = static_cast<std::size_t>(hit);
            column = c;
            return true;
        }
    }
    return false;
}

} // namespace

CFileViewReader::CFileViewReader(CFileView& view) : m_view(view)
{
    m_list =
        std::make_unique<platform::CAccessibleList>(view.GetRowsWindow()->GetHandle(), "Duplicates", *this);
    m_view.Bind(wxEVT_IDLE, &CFileViewReader::OnIdle, this);
}

CFileViewReader::~CFileViewReader()
{
    m_view.Unbind(wxEVT_IDLE, &CFileViewReader::OnIdle, this);
}

void CFileViewReader::OnIdle(wxIdleEvent& event)
{
    m_list->Update();
    event.Skip();
}

std::size_t CFileViewReader::RowCount() const
{
    return m_view.Rows().RowCount();
}

int CFileViewReader::ColumnCount() const
{
    return CFileView::kColumns;
}

std::string CFileViewReader::ColumnName(int column) const
{
    return Utf8(CFileView::ColumnHeading(column));
}

std::string CFileViewReader::CellText(std::size_t row, int column) const
{
    return Utf8(m_view.OnGetItemText(static_cast<long>(row), column));
}

std::string CFileViewReader::RowDescription(std::size_t row) const
{
    if (!m_groupsRead || m_groupsVersion != m_view.RowsVersion()) {
        m_groups.Read(m_view.Rows());
        m_groupsVersion = m_view.RowsVersion();
        m_groupsRead = true;
    }
    return GroupPositionText(m_groups.Find(row));
}

bool CFileViewReader::IsRowSelected(std::size_t row) const
{
    return m_view.IsRowSelected(static_cast<long>(row));
}

std::size_t CFileViewReader::SelectedRowCount() const
{
    return m_view.SelectedRowCount();
}

std::size_t CFileViewReader::NextSelectedRow(std::size_t row) const
{
    return m_view.NextSelectedRow(row);
}

std::size_t CFileViewReader::FocusedRow() const
{
    // The view's own: asked at every idle time, where the toolkit's list would look through every row
    // for the one it draws the focus on.
    const long row = m_view.GetFocusedRow();
    return row >= 0 && static_cast<std::size_t>(row) < RowCount() ? static_cast<std::size_t>(row) : npos;
}

platform::AccessibleRect CFileViewReader::CellRect(std::size_t row, int column) const
{
    wxRect rect;
    m_view.GetSubItemRect(static_cast<long>(row), column, rect);
    return InRowsWindow(m_view, *m_view.GetRowsWindow(), rect);
}

bool CFileViewReader::CellAt(int x, int y, std::size_t& row, int& column) const
{
    return HitCell(m_view, *m_view.GetRowsWindow(), x, y, CFileView::kColumns, row, column);
}

void CFileViewReader::SelectRows(std::size_t first, std::size_t last, bool on)
{
    m_view.SelectRowRange(static_cast<long>(first), static_cast<long>(last), on);
}

std::uint64_t CFileViewReader::RowsVersion() const
{
    return m_view.RowsVersion();
}

std::uint64_t CFileViewReader::SelectionVersion() const
{
    return m_view.SelectionVersion();
}

CFolderViewReader::CFolderViewReader(wxListView& view) : m_view(view)
{
    m_list = std::make_unique<platform::CAccessibleList>(RowsWindowOf(view).GetHandle(), "Folders", *this);
    BindEvents(true);
}

CFolderViewReader::~CFolderViewReader()
{
    BindEvents(false);
}

void CFolderViewReader::BindEvents(bool bind)
{
    const auto connect = [this, bind](const auto& type, auto handler) {
        if (bind)
            m_view.Bind(type, handler, this);
        else
            m_view.Unbind(type, handler, this);
    };
    connect(wxEVT_LIST_INSERT_ITEM, &CFolderViewReader::OnRowsChanged);
    connect(wxEVT_LIST_DELETE_ITEM, &CFolderViewReader::OnRowsChanged);
    connect(wxEVT_LIST_DELETE_ALL_ITEMS, &CFolderViewReader::OnRowsChanged);
    connect(wxEVT_LIST_ITEM_SELECTED, &CFolderViewReader::OnSelectionChanged);
    connect(wxEVT_LIST_ITEM_DESELECTED, &CFolderViewReader::OnSelectionChanged);
    connect(wxEVT_IDLE, &CFolderViewReader::OnIdle);
}

void CFolderViewReader::OnRowsChanged(wxListEvent& event)
{
    ++m_rowsVersion;
    ++m_selectionVersion; // the selected rows that stay may be others now
    event.Skip();
}

void CFolderViewReader::OnSelectionChanged(wxListEvent& event)
{
    ++m_selectionVersion;
    event.Skip();
}

void CFolderViewReader::OnIdle(wxIdleEvent& event)
{
    m_list->Update();
    event.Skip();
}

std::size_t CFolderViewReader::RowCount() const
{
    return static_cast<std::size_t>(std::max(m_view.GetItemCount(), 0));
}

std::string CFolderViewReader::ColumnName(int) const
{
    wxListItem heading;
    heading.SetMask(wxLIST_MASK_TEXT);
    return m_view.GetColumnCount() > 0 && m_view.GetColumn(0, heading) ? Utf8(heading.GetText()) : "Folders";
}

std::string CFolderViewReader::CellText(std::size_t row, int) const
{
    return Utf8(m_view.GetItemText(static_cast<long>(row)));
}

bool CFolderViewReader::IsRowSelected(std::size_t row) const
{
    return m_view.IsSelected(static_cast<long>(row));
}

std::size_t CFolderViewReader::SelectedRowCount() const
{
    return static_cast<std::size_t>(std::max(m_view.GetSelectedItemCount(), 0));
}

std::size_t CFolderViewReader::NextSelectedRow(std::size_t row) const
{
    const long next = m_view.GetNextSelected(static_cast<long>(row) - 1);
    return next >= 0 ? static_cast<std::size_t>(next) : npos;
}

std::size_t CFolderViewReader::FocusedRow() const
{
    const long row = m_view.GetFocusedItem();
    return row >= 0 && static_cast<std::size_t>(row) < RowCount() ? static_cast<std::size_t>(row) : npos;
}

platform::AccessibleRect CFolderViewReader::CellRect(std::size_t row, int) const
{
    wxRect rect;
    m_view.GetItemRect(static_cast<long>(row), rect);
    return InRowsWindow(m_view, RowsWindowOf(m_view), rect);
}

bool CFolderViewReader::CellAt(int x, int y, std::size_t& row, int& column) const
{
    return HitCell(m_view, RowsWindowOf(m_view), x, y, 1, row, column);
}

void CFolderViewReader::SelectRows(std::size_t first, std::size_t last, bool on)
{
    for (std::size_t row = first; row <= last && row < RowCount(); ++row)
        m_view.Select(static_cast<long>(row), on);
}
