// What a screen reader is told of the two lists where the toolkit draws them itself: each list is a
// table of its rows for the reader, asked only when the reader asks, and told of its changes when the
// window is idle.
#pragma once

#include "platform/Accessible.h"
#include "views/RowGroups.h"

#include <wx/event.h>

#include <memory>

class CFileView;
class wxListEvent;
class wxListView;

// The duplicates list: its five columns, and each row's group as its description.
class CFileViewReader : public platform::CAccessibleRows
{
public:
    explicit CFileViewReader(CFileView& view);
    ~CFileViewReader() override;
    CFileViewReader(const CFileViewReader&) = delete;
    CFileViewReader& operator=(const CFileViewReader&) = delete;

    std::size_t RowCount() const override;
    int ColumnCount() const override;
    std::string ColumnName(int column) const override;
    std::string CellText(std::size_t row, int column) const override;
    std::string RowDescription(std::size_t row) const override;
    bool IsRowSelected(std::size_t row) const override;
    std::size_t SelectedRowCount() const override;
    std::size_t NextSelectedRow(std::size_t row) const override;
    std::size_t FocusedRow() const override;
    platform::AccessibleRect CellRect(std::size_t row, int column) const override;
    bool CellAt(int x, int y, std::size_t& row, int& column) const override;
    void SelectRows(std::size_t first, std::size_t last, bool on) override;
    std::uint64_t RowsVersion() const override;
    std::uint64_t SelectionVersion() const override;

private:
    void OnIdle(wxIdleEvent& event);

    CFileView& m_view;
    mutable CRowGroups m_groups; // read when first asked after the rows changed
    mutable std::uint64_t m_groupsVersion = 0;
    mutable bool m_groupsRead = false;
    std::unique_ptr<platform::CAccessibleList> m_list;
};

// The folder list: one column of paths.
class CFolderViewReader : public platform::CAccessibleRows
{
public:
    explicit CFolderViewReader(wxListView& view);
    ~CFolderViewReader() override;
    CFolderViewReader(const CFolderViewReader&) = delete;
    CFolderViewReader& operator=(const CFolderViewReader&) = delete;

    std::size_t RowCount() const override;
    int ColumnCount() const override { return 1; }
    std::string ColumnName(int column) const override;
    std::string CellText(std::size_t row, int column) const override;
    std::string RowDescription(std::size_t) const override { return std::string(); }
    bool IsRowSelected(std::size_t row) const override;
    std::size_t SelectedRowCount() const override;
    std::size_t NextSelectedRow(std::size_t row) const override;
    std::size_t FocusedRow() const override;
    platform::AccessibleRect CellRect(std::size_t row, int column) const override;
    bool CellAt(int x, int y, std::size_t& row, int& column) const override;
    void SelectRows(std::size_t first, std::size_t last, bool on) override;
    std::uint64_t RowsVersion() const override { return m_rowsVersion; }
    std::uint64_t SelectionVersion() const override { return m_selectionVersion; }

private:
    void BindEvents(bool bind);
    void OnRowsChanged(wxListEvent& event);
    void OnSelectionChanged(wxListEvent& event);
    void OnIdle(wxIdleEvent& event);

    wxListView& m_view;
    std::uint64_t m_rowsVersion = 0;
    std::uint64_t m_selectionVersion = 0;
    std::unique_ptr<platform::CAccessibleList> m_list;
};
