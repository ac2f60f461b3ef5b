// A stand-in for the desktop's clipboard manager on X11: owns CLIPBOARD_MANAGER and, when a program
// asks it to keep the clipboard (SAVE_TARGETS), fetches the clipboard's text and writes it to the
// file named by its argument before it answers. With a second argument, "silent", it takes every
// request and never answers one, as a manager that hangs does. It prints "ready" once the selection
// is its own and runs until it is ended (or for a minute at most).
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <climits>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

// The clipboard's text as UTF-8, fetched into a property of `window`; empty when there is none.
void SaveClipboardText(Display* display, Window window, const char* record)
{
    const Atom property = XInternAtom(display, "QUORVEL_KEPT", False);
    XConvertSelection(display, XInternAtom(display, "CLIPBOARD", False),
                      XInternAtom(display, "UTF8_STRING", False), property, window, CurrentTime);
    XEvent event;
    do
        XNextEvent(display, &event);
    while (event.type != SelectionNotify);
    std::FILE* file = std::fopen(record, "wb");
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long left = 0;
    unsigned char* data = nullptr;
    if (event.xselection.property != None &&
        XGetWindowProperty(display, window, property, 0, LONG_MAX / 4, True, AnyPropertyType, &type, &format,
                           &count, &left, &data) == Success &&
        data != nullptr) {
        std::fwrite(data, 1, count, file);
        XFree(data);
    }
    std::fclose(file);
}

} // namespace

int main(int argc, char** argv)
{
    alarm(60); // a test that never asks must not leave it behind
    const bool silent = argc == 3 && std::strcmp(argv[2], "silent") == 0;
    Display* display = argc == 2 || silent ? XOpenDisplay(nullptr) : nullptr;
    if (display == nullptr)
        return 1;
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    const Atom manager = XInternAtom(display, "CLIPBOARD_MANAGER", False);
    const Atom saveTargets = XInternAtom(display, "SAVE_TARGETS", False);
    XSetSelectionOwner(display, manager, window, CurrentTime);
    if (XGetSelectionOwner(display, manager) != window)
        return 1;
    std::puts("ready");
    std::fflush(stdout);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != SelectionRequest || silent)
            continue;
        const XSelectionRequestEvent request = event.xselectionrequest;
        const bool save = request.selection == manager && request.target == saveTargets;
        if (save)
            SaveClipboardText(display, window, argv[1]);
        XEvent reply{};
        reply.xselection.type = SelectionNotify;
        reply.xselection.display = display;
        reply.xselection.requestor = request.requestor;
        reply.xselection.selection = request.selection;
        reply.xselection.target = request.target;
        reply.xselection.property =
            save ? (request.property != None ? request.property : request.target) : None;
        reply.xselection.time = request.time;
        XSendEvent(display, request.requestor, False, NoEventMask, &reply);
        XFlush(display);
    }
}
