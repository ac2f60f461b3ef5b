// Apart from the tests, so that the X library's macros meet no other header.
#include "tests/support/SilentClipboardOwner.h"

#include <X11/Xlib.h>

CSilentClipboardOwner::CSilentClipboardOwner() : m_display(XOpenDisplay(nullptr))
{
    if (m_display == nullptr)
        return;
    const Window window = XCreateSimpleWindow(m_display, DefaultRootWindow(m_display), 0, 0, 1, 1, 0, 0, 0);
    const Atom clipboard = XInternAtom(m_display, "CLIPBOARD", False);
    XSetSelectionOwner(m_display, clipboard, window, CurrentTime);
    m_owns = XGetSelectionOwner(m_display, clipboard) == window;
    XFlush(m_display);
}

CSilentClipboardOwner::~CSilentClipboardOwner()
{
    if (m_display != nullptr)
        XCloseDisplay(m_display);
}
