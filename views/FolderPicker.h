// The one folder chooser: a tree of folders with OK and Cancel, accepting only existing folders
// that are not links.
#pragma once

#include <wx/dialog.h>

#include <cstddef>
#include <string>

class wxGenericDirCtrl;
class wxButton;

// Room for any path either system allows: 32,767 UTF-16 units on Windows, each at most three bytes
// of UTF-8 (a pair of units makes four), and PATH_MAX, 4,096 bytes, on Linux.
inline constexpr std::size_t kFolderPathCapacity = 32767 * 3 + 1;

// Asks the user for a folder, opening on `startFolder` (the current folder when empty). True with
// the path in `result`, zero-terminated; false when cancelled, at once when `capacity` is below 260,
// and after a message when the path does not fit in `capacity` - 1 bytes (it is never cut).
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
