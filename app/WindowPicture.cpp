// Copies the window's area of the screen into a bitmap.
#include "app/WindowPicture.h"

#include <wx/app.h>
#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/log.h>
#include <wx/utils.h>
#include <wx/window.h>

bool SaveWindowPicture(wxWindow* window, const wxString& path)
{
    for (int i = 0; i < 20; ++i) {
        wxYield();
        wxMilliSleep(20);
    }
    const wxRect rect = window->GetScreenRect();
    wxBitmap picture(rect.GetWidth(), rect.GetHeight());
    {
        wxScreenDC screen;
        wxMemoryDC memory(picture);
        memory.Blit(0, 0, rect.GetWidth(), rect.GetHeight(), &screen, rect.GetX(), rect.GetY());
    }
    // A failure must not open a message box: nobody is there to close it.
    wxLogNull quiet;
    const bool bmp = path.Lower().EndsWith(".bmp");
    return picture.SaveFile(path, bmp ? wxBITMAP_TYPE_BMP : wxBITMAP_TYPE_PNG);
}
