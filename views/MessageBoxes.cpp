// Texts of the message boxes, word for word.
#include "views/MessageBoxes.h"

#include "resources/Resources.h"

#include <wx/msgdlg.h>

void ShowOverlapMessage(wxWindow* parent, const wxString& path)
{
    wxMessageBox(path + "\nFolder or its subfolders already exist in folder list!", kAppName,
                 wxOK | wxICON_EXCLAMATION, parent);
}

void ShowProjectReadError(wxWindow* parent, const wxString& path)
{
    wxString text = "An unknown error occurred while accessing %1.";
    text.Replace("%1", path);
    wxMessageBox(text, kAppName, wxOK | wxICON_STOP, parent);
}

void ShowProjectWriteError(wxWindow* parent, const wxString& path)
{
    wxString text = "Disk full while accessing %1.";
    text.Replace("%1", path);
    wxMessageBox(text, kAppName, wxOK | wxICON_STOP, parent);
}

void ShowTrashFailures(wxWindow* parent, const wxString& text)
{
    wxMessageBox(text, kAppName, wxOK | wxICON_WARNING, parent);
}
