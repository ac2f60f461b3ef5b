// The program's own message boxes, all captioned with its name.
#pragma once

#include <wx/string.h>

class wxWindow;

void ShowOverlapMessage(wxWindow* parent, const wxString& path);
void ShowProjectReadError(wxWindow* parent, const wxString& path);
void ShowProjectWriteError(wxWindow* parent, const wxString& path);
// Names the files that stayed where they were when they should have gone to the trash.
void ShowTrashFailures(wxWindow* parent, const wxString& text);
