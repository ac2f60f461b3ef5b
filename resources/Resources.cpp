// The bitmaps embedded at build time.
#include "resources/Resources.h"

#include "ToolbarStrip.h"

const unsigned char* BitmapResource(int id, std::size_t& size)
{
    if (id != IDB_TOOLBAR) {
        size = 0;
        return nullptr;
    }
    size = sizeof kToolbarStrip;
    return kToolbarStrip;
}
