// A picture of a window as the screen shows it, for machines whose screen nobody looks at.
#pragma once

#include <wx/string.h>

class wxWindow;

// Lets the window finish painting, then saves what the screen shows of it as a PNG file, or a BMP
// file when the name ends in ".bmp".
bool SaveWindowPicture(wxWindow* window, const wxString& path);
