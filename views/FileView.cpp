// A virtual list over the rows: the control asks for texts and colours only of the rows it draws.
#include "views/FileView.h"

#include "views/DisplayText.h"
#include "views/ListReaders.h"
#include "views/ThemeColors.h"

#include <wx/config.h>
#include <wx/scrolwin.h>
#include <wx/settings.h>
#include <wx/tooltip.h>

#include <type_traits>

namespace {

const char* const kHeadings[] = {"File", "Location", "Type", "Size", "Last Modified"};

wxColour FromColorValue(std::uint32_t value)
{
    return wxColour(static_cast<unsigned char>(value & 0xFF), static_cast<unsigned char>((value >> 8) & 0xFF),
                    static_cast<unsigned char>((value >> 16) & 0xFF));
}

// A list drawn by the toolkit itself draws its rows in a child window that it scrolls, beside the
// column headings; a native list draws them in its own window.
template <class List> wxWindow* RowsWindowOf(List& list)
{
    if constexpr (std::is_base_of_v<wxScrollHelperBase, List>)
        return list.GetTargetWindow();
    else
        return &list;
}

} // namespace

CFileView::CFileView(wxWindow* parent, wxConfigBase* config)
    : wxListView(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                 wxLC_REPORT | wxLC_VIRTUAL | wxLC_HRULES | wxLC_VRULES | wxBORDER_SUNKEN),
      m_config(config), m_rowsWindow(RowsWindowOf(*this))
{
    BindFileActions();
    BindSelection();
    // Only where rows are drawn is a row under the pointer: the headings and the list around them,
    // which also see the moves that the rows let pass, in the rows' coordinates, show no tip.
    m_rowsWindow->Bind(wxEVT_MOTION, &CFileView::OnMotion, this);
    m_rowsWindow->Bind(wxEVT_LEAVE_WINDOW, &CFileView::OnLeave, this);
    m_reader = std::make_unique<CFileViewReader>(*this);
}

CFileView::~CFileView()
{
    FreeRowRecords();
    if (m_columnsSetUp)
        SaveColumnWidths();
}

void CFileView::OnInitialUpdate()
{
    if (!m_initialized) {
        m_initialized = true;
        return;
    }
    SetUpColumns();
}

wxString CFileView::ColumnHeading(int column)
{
    return column >= 0 && column < kColumns ? wxString(kHeadings[column]) : wxString();
}

std::vector<int> CFileView::DefaultColumnWidths(int clientWidth)
{
    const int wide = clientWidth <= 600 ? 120 : (clientWidth - 240) / 2;
    return {wide, wide, wide, 70, 170};
}

void CFileView::SetUpColumns()
{
    const std::vector<int> widths = DefaultColumnWidths(GetClientSize().GetWidth());
    for (int column = 0; column < kColumns; ++column)
        InsertColumn(column, kHeadings[column], wxLIST_FORMAT_LEFT, widths[static_cast<std::size_t>(column)]);
    m_columnsSetUp = true;
    LoadColumnWidths();
}

void CFileView::LoadColumnWidths()
{
    if (m_config == nullptr)
        return;
    for (int column = 0; column < 5; ++column) {
        const long width = m_config->ReadLong(wxString::Format("/FileView/width%d", column), 0);
        if (width != 0)
            SetColumnWidth(column, static_cast<int>(width & 0xFFFF));
    }
}

void CFileView::SaveColumnWidths()
{
    if (m_config == nullptr)
        return;
    for (int column = 0; column < 5; ++column)
        m_config->Write(wxString::Format("/FileView/width%d", column), GetColumnWidth(column));
    m_config->Flush();
}

void CFileView::AddPastedRow(const std::string& path, std::int64_t size, std::int64_t modified, bool folder)
{
    m_rows.AddPastedRow(path, size, modified, folder);
    if (!IsFrozen())
        SyncRowCount();
}

void CFileView::AddScannedRow(const std::string& path, std::int64_t modified,
                              const platform::FileStamp& stamp)
{
    m_rows.AddScannedRow(path, modified, stamp);
    if (!IsFrozen())
        SyncRowCount();
}

void CFileView::AddGroupSeparator()
{
    m_rows.AddGroupSeparator();
}

void CFileView::AddScanResults(const CScanEngine& engine)
{
    m_rows.AddScanResults(engine);
    if (!IsFrozen())
        SyncRowCount();
}

void CFileView::DeleteAllRows()
{
    m_rows.DeleteAllRows();
    m_selection.Clear();
    m_anchor = -1;
    m_focus = -1;
    SyncRowCount();
}

void CFileView::FreeRowRecords()
{
    m_rows.FreeRowRecords();
    m_selection.Clear();
    m_anchor = -1;
    m_focus = -1;
    if (GetItemCount() != 0)
        SyncRowCount();
}

void CFileView::SyncRowCount()
{
    ++m_rowsVersion;
    if (GetItemCount() != static_cast<long>(m_rows.RowCount()))
        SetItemCount(static_cast<long>(m_rows.RowCount()));
    m_selection.SetRowCount(m_rows.RowCount());
    ForgetTip();
    if (m_anchor >= GetItemCount())
        m_anchor = -1;
    if (m_focus >= GetItemCount())
        m_focus = -1;
    Refresh();
}

void CFileView::DoThaw()
{
    SyncRowCount();
    wxListView::DoThaw();
}

wxString CFileView::OnGetItemText(long item, long column) const
{
    if (item < 0 || static_cast<std::size_t>(item) >= m_rows.RowCount() || column < 0 || column > 4)
        return wxString();
    return ToDisplay(m_rows.CellText(static_cast<std::size_t>(item), static_cast<EColumn>(column)));
}

wxItemAttr* CFileView::OnGetItemAttr(long item) const
{
    if (item < 0 || static_cast<std::size_t>(item) >= m_rows.RowCount())
        return nullptr;
    if (m_selection.IsSelected(static_cast<std::size_t>(item))) {
        m_selectedAttr.SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT));
        m_selectedAttr.SetTextColour(wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHTTEXT));
        return &m_selectedAttr;
    }
    // The group colours are fixed and pale: where the theme's text does not read on them (a dark
    // theme's light text), dark text is drawn instead.
    const std::uint32_t background = m_rows.Row(static_cast<std::size_t>(item)).backColor;
    const std::uint32_t themeText = GetForegroundColour().GetRGB();
    const std::uint32_t text = ReadableTextColor(background, themeText);
    m_attr.SetBackgroundColour(FromColorValue(background));
    m_attr.SetTextColour(text == themeText ? wxNullColour : FromColorValue(text));
    return &m_attr;
}

void CFileView::OnMotion(wxMouseEvent& event)
{
    // Positions are taken in the window that draws the rows, which is what HitTest expects.
    int flags = 0;
    const long row = HitTest(event.GetPosition(), flags);
    ShowTipFor((flags & wxLIST_HITTEST_ONITEM) != 0 ? row : -1);
    event.Skip();
}

void CFileView::OnLeave(wxMouseEvent& event)
{
    ShowTipFor(-1);
    event.Skip();
}

void CFileView::ForgetTip()
{
    // The rows under the pointer may be others now: the next move shows the tip afresh.
    if (m_tipRow != -1)
        m_rowsWindow->UnsetToolTip();
    m_tipRow = -1;
}

void CFileView::ShowTipFor(long row)
{
    if (row == m_tipRow)
        return;
    m_tipRow = row;
    if (row < 0 || static_cast<std::size_t>(row) >= m_rows.RowCount()) {
        m_rowsWindow->UnsetToolTip();
        return;
    }
    m_tipText = ToDisplay(m_rows.TipText(static_cast<std::size_t>(row)));
    m_rowsWindow->SetToolTip(m_tipText);
}
