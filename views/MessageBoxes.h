// The program's own message boxes, all captioned with its name, and the titles of the dialogs it opens.
// A path in a box is shortened from its middle to fit the box's line, so that no box is wider than
// the screen.
#pragma once

#include "views/MessageText.h"

#include <wx/string.h>

#include <string>
#include <vector>

class wxWindow;

// What a message box holds on the screen of `parent` (the main screen without one), in pixels of the
// boxes' font.
MessageFit MessageFitFor(const wxWindow* parent);
// The path as a box on the screen of `parent` shows it.
wxString PathForMessage(const wxWindow* parent, const wxString& path);

void ShowOverlapMessage(wxWindow* parent, const wxString& path);
// One message for many refused folders: the first paths, then how many more were refused.
void ShowOverlapMessage(wxWindow* parent, const std::vector<std::string>& refused);
void ShowPathTooLongMessage(wxWindow* parent, const wxString& path);
// Names the system's reason where there is one.
void ShowProjectReadError(wxWindow* parent, const wxString& path, const wxString& reason);
// A file far larger than any project file, which was not read.
void ShowProjectTooLarge(wxWindow* parent, const wxString& path);
void ShowProjectWriteError(wxWindow* parent, const wxString& path);
// An export that left the earlier file, if any, as it was.
void ShowExportError(wxWindow* parent, const wxString& path, const wxString& reason);
// Names the file or address, and the system's reason where there is one.
void ShowNoApplicationMessage(wxWindow* parent, const wxString& target, const wxString& reason);
// Names the files that stayed as they were when they should have gone to the trash or been replaced;
// the text's paths are already shortened (TrashFailureText, ReplaceFailureText).
void ShowFileFailures(wxWindow* parent, const wxString& text);

enum class EDialogTitle
{
    OpenFile,
    SaveFile,
    SelectFolder,
};

// The title the desktop's own programs give such a dialog.
wxString UsualDialogTitle(EDialogTitle dialog);
