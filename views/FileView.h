// The lower pane: one row per duplicate file, each group a run of rows in one of three colours.
#pragma once

#include "views/DuplicateRows.h"

#include <wx/listctrl.h>

#include <string>
#include <vector>

class wxConfigBase;

class CFileView : public wxListView
{
public:
    // `config` holds the column widths; the view reads them at set-up and writes them when destroyed.
    CFileView(wxWindow* parent, wxConfigBase* config);
    ~CFileView() override;

    // The frame calls this twice while it is created; the second call builds the columns.
    void OnInitialUpdate();
    void SetUpColumns();
    void LoadColumnWidths();
    void SaveColumnWidths();

    // A group separator adds no row and moves on to the next colour. While the window is frozen the
    // list learns the new row count when it is thawed, so a large refill costs one update.
    void AddFileRow(const std::string& path, std::int64_t size, std::int64_t modified);
    void DeleteAllRows();
    void FreeRowRecords();

    // Clipboard transfer of paths. Not built yet: the commands, keys and enable rules that reach
    // these are complete, and they change nothing.
    bool CopySelection() { return false; }
    void CutSelection() {}
    void PasteFiles() {}

    const CDuplicateRows& Rows() const { return m_rows; }
    // The row where the user last started a selection, or -1.
    long GetAnchorRow() const { return m_anchor; }
    std::vector<std::size_t> GetSelectedRows() const;

    // Column widths for a list of the given client width: File, Location, Type, Size, Last Modified.
    static std::vector<int> DefaultColumnWidths(int clientWidth);

    // What the control draws for a row: its texts and its group colour.
    wxString OnGetItemText(long item, long column) const override;
    wxItemAttr* OnGetItemAttr(long item) const override;

protected:
    void DoThaw() override;

private:
    void SyncRowCount();
    void OnMotion(wxMouseEvent& event);
    void OnLeave(wxMouseEvent& event);
    void OnFocused(wxListEvent& event);
    void ShowTipFor(long row);

    CDuplicateRows m_rows;
    wxConfigBase* m_config;
    bool m_initialized = false;
    bool m_columnsSetUp = false;
    long m_anchor = -1;
    long m_tipRow = -1;
    wxWindow* m_tipWindow = nullptr; // where the pointer is followed: the list or the part that draws rows
    wxString m_tipText;
    mutable wxItemAttr m_attr;
};
