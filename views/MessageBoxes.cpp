// Texts of the message boxes and dialog titles.
#include "views/MessageBoxes.h"

#include "resources/Resources.h"

#include <wx/msgdlg.h>
#include <wx/platinfo.h>

void ShowOverlapMessage(wxWindow* parent, const wxString& path)
{
    wxMessageBox(path + "\nFolder or its subfolders already exist in folder list!", kAppName,
                 wxOK | wxICON_EXCLAMATION, parent);
}

void ShowOverlapMessage(wxWindow* parent, const std::vector<wxString>& paths, std::size_t unnamed)
{
    wxString text;
    for (const wxString& path : paths)
        text += path + "\n";
    if (unnamed > 0)
        text += wxString::Format("and %zu more\n", unnamed);
    text.RemoveLast();
    ShowOverlapMessage(parent, text);
}

void ShowProjectReadError(wxWindow* parent, const wxString& path, const wxString& reason)
{
    wxString text = reason.empty() ? "An unknown error occurred while accessing %1."
                                   : "An error occurred while accessing %1.\n\n" + reason;
    text.Replace("%1", path);
    wxMessageBox(text, kAppName, wxOK | wxICON_STOP, parent);
}

void ShowProjectTooLarge(wxWindow* parent, const wxString& path)
{
    wxString text = "%1 was not opened: at more than 64 MiB it is too large to be a project file.";
    text.Replace("%1", path);
    wxMessageBox(text, kAppName, wxOK | wxICON_STOP, parent);
}

void ShowProjectWriteError(wxWindow* parent, const wxString& path)
{
    wxString text = "Disk full while accessing %1.";
    text.Replace("%1", path);
    wxMessageBox(text, kAppName, wxOK | wxICON_STOP, parent);
}

void ShowNoApplicationMessage(wxWindow* parent, const wxString& target, const wxString& reason)
{
    wxString text = kNoApplicationText;
    text.Replace("%1", target);
    if (!reason.empty())
        text += "\n\n" + reason;
    wxMessageBox(text, kAppName, wxOK | wxICON_EXCLAMATION, parent);
}

void ShowTrashFailures(wxWindow* parent, const wxString& text)
{
    wxMessageBox(text, kAppName, wxOK | wxICON_WARNING, parent);
}

wxString UsualDialogTitle(EDialogTitle dialog)
{
    const bool windows = wxPlatformInfo::Get().GetPortId() == wxPORT_MSW;
    switch (dialog) {
    case EDialogTitle::OpenFile:
        return windows ? "Open" : "Open File";
    case EDialogTitle::SaveFile:
        return windows ? "Save As" : "Save File";
    case EDialogTitle::SelectFolder:
        return windows ? "Browse For Folder" : "Select Folder";
    }
    return wxString();
}

void ShowPathTooLongMessage(wxWindow* parent, const wxString& path)
{
    wxMessageBox(path + "\nThe path of this folder is too long to be added.", kAppName, wxOK | wxICON_STOP,
                 parent);
}
