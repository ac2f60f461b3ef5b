// The bitmaps embedded at build time.
#include "resources/Resources.h"

#include "MainIcon.h"
#include "ToolbarStrip.h"
#include "ToolbarStrip2x.h"
#include "resources/Commands.h"

const unsigned char* BitmapResource(int id, std::size_t& size)
{
    switch (id) {
    case IDB_TOOLBAR:
        size = sizeof kToolbarStrip;
        return kToolbarStrip;
    case IDB_TOOLBAR_2X:
        size = sizeof kToolbarStrip2x;
        return kToolbarStrip2x;
    case IDI_MAINFRAME:
        size = sizeof kMainIcon;
        return kMainIcon;
    default:
        size = 0;
        return nullptr;
    }
}

const char* StringResource(int id)
{
    switch (id) {
    case IDS_APP_NAME:
    case IDS_APP_TITLE:
        return kAppName;
    case IDS_IDLE_MESSAGE:
        return kIdleText;
    default:
        return nullptr;
    }
}
