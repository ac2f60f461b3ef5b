// The bitmaps embedded at build time.
#include "resources/Resources.h"

#include "MainIcon.h"
#include "ToolbarStrip.h"

const unsigned char* BitmapResource(int id, std::size_t& size)
{
    switch (id) {
    case IDB_TOOLBAR:
        size = sizeof kToolbarStrip;
        return kToolbarStrip;
    case IDI_MAINFRAME:
        size = sizeof kMainIcon;
        return kMainIcon;
    default:
        size = 0;
        return nullptr;
    }
}
