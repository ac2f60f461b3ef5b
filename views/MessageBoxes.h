// The program's own message boxes, all captioned with its name, and the titles of the dialogs it opens.
#pragma once

#include <wx/string.h>

#include <cstddef>
#include <vector>

class wxWindow;

void ShowOverlapMessage(wxWindow* parent, const wxString& path);
// One message for many refused folders: their paths, then how many more were refused unnamed.
void ShowOverlapMessage(wxWindow* parent, const std::vector<wxString>& paths, std::size_t unnamed);
void ShowPathTooLongMessage(wxWindow* parent, const wxString& path);
// Names the system's reason where there is one.
void ShowProjectReadError(wxWindow* parent, const wxString& path, const wxString& reason);
// A file far larger than any project file, which was not read.
void ShowProjectTooLarge(wxWindow* parent, const wxString& path);
void ShowProjectWriteError(wxWindow* parent, const wxString& path);
// Names the file or address, and the system's reason where there is one.
void ShowNoApplicationMessage(wxWindow* parent, const wxString& target, const wxString& reason);
// Names the files that stayed where they were when they should have gone to the trash.
void ShowTrashFailures(wxWindow* parent, const wxString& text);

enum class EDialogTitle
{
    OpenFile,
    SaveFile,
    SelectFolder,
};

// The title the desktop's own programs give such a dialog.
wxString UsualDialogTitle(EDialogTitle dialog);
