// A developer's aid for machines without a screen: opens Help > About, checks what the dialog shows,
// closes it with OK and ends the program through File > Exit.
#pragma once

#include <wx/string.h>

class wxFrame;

// Writes the dialog's caption, its texts and what its clock and information box did to `report`.
void OpenAboutOnceAndExit(wxFrame* frame, const wxString& report);
