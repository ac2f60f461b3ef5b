// The one folder chooser: a tree of folders with OK and Cancel, accepting only existing folders
// that are not links.
#pragma once

#include <wx/dialog.h>

#include <cstddef>
#include <string>

class wxGenericDirCtrl;
class wxButton;

// Asks the user for a folder, opening on `startFolder` (the current folder when empty). True with
// the path in `result`, zero-terminated and cut to `capacity` - 1 bytes; false when cancelled, or
// at once when `capacity` is below 260.
bool BrowseForFolder(wxWindow* owner, const std::string& startFolder, char* result, std::size_t capacity);

class CFolderPickerDialog : public wxDialog
{
public:
    CFolderPickerDialog(wxWindow* owner, const wxString& startFolder);

    wxString GetPath() const;
    void SelectPath(const wxString& path);
    bool IsOkEnabled() const;
    wxGenericDirCtrl* Tree() const { return m_tree; }
    wxButton* OkButton() const { return m_ok; }
    wxButton* CancelButton() const { return m_cancel; }

private:
    void UpdateOk();
    void LayOut();

    wxGenericDirCtrl* m_tree;
    wxButton* m_ok;
    wxButton* m_cancel;
};
