// Copies the window's area of the screen into a bitmap once the window has finished painting.
#include "app/WindowPicture.h"

#include <wx/app.h>
#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/image.h>
#include <wx/log.h>
#include <wx/time.h>
#include <wx/utils.h>
#include <wx/window.h>

#include <cstring>

namespace {

constexpr int kSettleMs = 250;      // the screen must stay the same this long
constexpr long kPatienceMs = 20000; // a first start under Wine can take seconds to paint

// Paints whatever is waiting to be painted, in the window and in every window inside it.
void PaintNow(wxWindow* window)
{
    window->Update();
    for (wxWindow* child : window->GetChildren())
        PaintNow(child);
}

wxImage Grab(const wxRect& rect)
{
    wxBitmap picture(rect.GetWidth(), rect.GetHeight());
    {
        wxScreenDC screen;
        wxMemoryDC memory(picture);
        memory.Blit(0, 0, rect.GetWidth(), rect.GetHeight(), &screen, rect.GetX(), rect.GetY());
    }
    return picture.ConvertToImage();
}

bool SamePicture(const wxImage& a, const wxImage& b)
{
    return a.IsOk() && b.IsOk() && a.GetSize() == b.GetSize() &&
           std::memcmp(a.GetData(), b.GetData(),
                       static_cast<std::size_t>(a.GetWidth()) * a.GetHeight() * 3) == 0;
}

// A window that has only its background so far is one colour from edge to edge.
bool IsOneColour(const wxImage& image)
{
    const unsigned char* data = image.GetData();
    const std::size_t bytes = static_cast<std::size_t>(image.GetWidth()) * image.GetHeight() * 3;
    for (std::size_t i = 3; i < bytes; ++i)
        if (data[i] != data[i % 3])
            return false;
    return true;
}

void Pump(int milliseconds)
{
    const wxLongLong until = wxGetLocalTimeMillis() + milliseconds;
    while (wxGetLocalTimeMillis() < until) {
        wxYield();
        wxMilliSleep(10);
    }
}

} // namespace

bool SaveWindowPicture(wxWindow* window, const wxString& path)
{
    // No event says that the display server has put the last of the window on the screen (under
    // Wine the first paint of a new prefix can come seconds late), so pictures are taken until the
    // screen stops changing and shows more than a background.
    const wxLongLong deadline = wxGetLocalTimeMillis() + kPatienceMs;
    wxImage last;
    wxImage now;
    for (;;) {
        PaintNow(window);
        Pump(kSettleMs);
        now = Grab(window->GetScreenRect());
        if ((SamePicture(last, now) && !IsOneColour(now)) || wxGetLocalTimeMillis() > deadline)
            break;
        last = now;
    }
    // A failure must not open a message box: nobody is there to close it.
    wxLogNull quiet;
    const bool bmp = path.Lower().EndsWith(".bmp");
    return now.SaveFile(path, bmp ? wxBITMAP_TYPE_BMP : wxBITMAP_TYPE_PNG);
}
