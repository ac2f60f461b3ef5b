// The lower pane: one row per duplicate file, each group a run of rows in one of three colours.
#pragma once

#include "views/DuplicateRows.h"
#include "views/FileActions.h"
#include "views/RowSelection.h"
#include "views/SelectionRules.h"

#include <wx/listctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CFileViewReader;
class wxConfigBase;
class wxMenu;
class wxProgressDialog;

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

    // A pasted row. While the window is frozen the list learns the new row count when it is thawed,
    // so a large refill costs one update.
    void AddPastedRow(const std::string& path, std::int64_t size, std::int64_t modified, bool folder = false);
    // A row for every entry of a finished scan's result list, each with what the scan saw of its file:
    // Delete moves that file only while the path still leads to it. The caller holds the engine's lock.
    void AddScanResults(const CScanEngine& engine);
    // One row of the scan's current group, with what the scan saw of its file.
    void AddScannedRow(const std::string& path, std::int64_t modified, const platform::FileStamp& stamp);
    // Adds no row and moves on to the next group and its colour.
    void AddGroupSeparator();
    void DeleteAllRows();
    void FreeRowRecords();

    // Clipboard transfer of paths: the selected rows' full paths out (false when none is selected
    // or the clipboard refused them); Cut removes the rows even then; Paste adds a row in the
    // current colour for every line or copied file that names an existing file or folder.
    bool CopySelection();
    bool CutSelection();
    void PasteFiles();

    // The context menu's actions. Delete acts on the selected rows, the others on the anchor row.
    // A file that could not go to the trash keeps its row and is named in one warning at the end.
    void DeleteSelectedFiles();
    void OpenSelectedFile();
    void RevealInExplorer();
    void DeleteAllInFolder();
    // Replace with Hard Links and Replace with Clones: every selected row's file becomes a link to, or
    // a clone of, its group's kept copy (RunFilePlan); replaced rows leave, and the files that kept their
    // content keep their rows and selection and are named in one warning at the end.
    void ReplaceSelectedFiles(EFileAction action);
    // Removes the selected rows only; files and records stay. False when no row is selected.
    bool RemoveSelectedRows();

    // How the context menu is shown at a point of the list; tests replace it, since a real popup
    // waits for the user.
    void SetMenuPresenter(std::function<void(wxMenu&, const wxPoint&)> presenter)
    {
        m_presentMenu = std::move(presenter);
    }

    // Called with a long Delete's or Replace's progress dialog after each update of it; tests press its
    // Cancel here.
    void SetTrashProgressHook(std::function<void(wxProgressDialog&, std::size_t done)> hook)
    {
        m_trashProgressHook = std::move(hook);
    }

    const CDuplicateRows& Rows() const { return m_rows; }
    // The row where the user last started a selection, or -1.
    long GetAnchorRow() const { return m_anchor; }
    // The row that the keyboard moves from, or -1.
    long GetFocusedRow() const { return m_focus; }

    // The list keeps its own selection and draws it; the toolkit's list holds none, since it answers
    // "is this row selected" by a search that grows with the selection. Clicks and keys select as in
    // any list; these calls select from code.
    void SelectRow(long row, bool on = true);
    void SelectRowRange(long first, long last, bool on = true);
    void SelectAllRows();
    void ClearSelection();
    // Cleanup by rule: replaces the selection with the rows the rule does not keep; "in folder" keeps
    // the anchor row's folder, and selects nothing without an anchor row.
    void SelectByRule(EKeepRule rule);
    // The same with the folder a folder rule keeps.
    void SelectByRule(EKeepRule rule, const std::string& folder);
    // What the selection holds ("N files selected, S"), empty without one; while a rule's selection
    // stands, what the rule did; after a Delete or a Replace, while nothing is selected, what went. And a
    // number that moves on whenever that may have changed.
    std::string SelectionSummary() const { return SelectionNote().Text(); }
    PaneNote SelectionNote() const;
    // After a scan: while nothing is selected and no note stands, the pane says what keeping one copy
    // of each group would free (CopiesCostText), followed by `leftOut`, what the scan's options left out.
    void ShowCopiesCost(std::string leftOut);
    std::uint64_t SelectionVersion() const { return m_selection.Version() + m_notesMade; }
    bool IsRowSelected(long row) const
    {
        return row >= 0 && m_selection.IsSelected(static_cast<std::size_t>(row));
    }
    std::size_t SelectedRowCount() const { return m_selection.Count(); }
    std::vector<std::size_t> GetSelectedRows() const { return m_selection.Rows(); }
    // The toolkit's own selection calls would read or fill a store that is not drawn.
    void Select(long, bool = true) = delete;
    bool IsSelected(long) const = delete;
    long GetFirstSelected() const = delete;
    long GetNextSelected(long) const = delete;
    int GetSelectedItemCount() const = delete;

    // Column widths for a list of the given client width: File, Location, Type, Size, Last Modified.
    static std::vector<int> DefaultColumnWidths(int clientWidth);
    static constexpr int kColumns = 5;
    static wxString ColumnHeading(int column);

    // For a screen reader: the selected rows in order, a number that moves on whenever the rows change,
    // and the window that draws the rows.
    std::size_t NextSelectedRow(std::size_t row) const { return m_selection.Next(row); }
    std::uint64_t RowsVersion() const { return m_rowsVersion; }
    wxWindow* GetRowsWindow() const { return m_rowsWindow; }

    // What the control draws for a row: its texts and its group colour.
    wxString OnGetItemText(long item, long column) const override;
    wxItemAttr* OnGetItemAttr(long item) const override;

protected:
    void DoThaw() override;

private:
    void BindFileActions();
    void BindSelection();
    void OnContextMenu(wxContextMenuEvent& event);
    // Where the menu opens from the keyboard, in the list's own pixels: at the current row.
    wxPoint CurrentRowMenuPoint();
    // Removes the given rows in one pass. The anchor and the focus follow their rows, and the
    // selected rows that stay are selected where they now are.
    void RemoveRows(std::vector<std::size_t> rows);
    // Moves the rows' files to the trash, with progress and Cancel when it takes long; the rows whose
    // files went leave, the others stay as they were.
    void TrashRows(const std::vector<std::size_t>& which);
    void ReportTrashFailures(const std::vector<TrashFailure>& failures);
    // What the selection pane says until the selection changes.
    void SetNote(PaneNote note);
    void SyncRowCount();
    void OnMotion(wxMouseEvent& event);
    void OnLeave(wxMouseEvent& event);
    void OnClick(wxMouseEvent& event);
    void OnRightClick(wxMouseEvent& event);
    void OnKeyDown(wxKeyEvent& event);
    void OnChar(wxKeyEvent& event);
    long RowAt(const wxPoint& point) const;
    void MoveFocusTo(long row, bool shift, bool control);
    void SetFocusedRow(long row);
    void RedrawRows(long first, long last);
    void ShowTipFor(long row);
    void ForgetTip();

    CDuplicateRows m_rows;
    wxConfigBase* m_config;
    bool m_initialized = false;
    bool m_columnsSetUp = false;
    CRowSelection m_selection;
    long m_anchor = -1;
    long m_focus = -1;
    long m_tipRow = -1;
    wxWindow* m_rowsWindow; // where the pointer is followed and the tip is shown: the part that draws rows
    wxString m_tipText;
    mutable wxItemAttr m_attr;
    mutable wxItemAttr m_selectedAttr;
    std::function<void(wxMenu&, const wxPoint&)> m_presentMenu;
    std::function<void(wxProgressDialog&, std::size_t)> m_trashProgressHook;
    // What the selection pane says instead of the selection while the selection is still the one
    // that the rule or the Delete left (its version).
    PaneNote m_note;
    std::uint64_t m_noteVersion = 0;
    bool m_costShown = false;
    std::string m_leftOut;
    std::uint64_t m_notesMade = 0; // a new note changes what the pane says, even over an unchanged selection
    std::uint64_t m_rowsVersion = 0;
    std::unique_ptr<CFileViewReader> m_reader; // what a screen reader is told of the rows
};
