// Keys and clicks through the X server's XTest extension, on a connection of the test's own.
#include "tests/support/XInput.h"

#include <wx/app.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <gdk/gdk.h>
#include <map>
#include <vector>

namespace xinput {
namespace {

// A second client of the display, as xdotool is: what it sends goes through the server's input
// handling before the program under test sees it.
Display* TestDisplay()
{
    static Display* display = [] {
        Display* opened = XOpenDisplay(nullptr);
        int event = 0, error = 0, major = 0, minor = 0;
        if (opened && !XTestQueryExtension(opened, &event, &error, &major, &minor)) {
            XCloseDisplay(opened);
            opened = nullptr;
        }
        return opened;
    }();
    return display;
}

KeySym SymOf(const std::string& name)
{
    static const std::map<std::string, std::string> aliases = {
        {"ctrl", "Control_L"}, {"shift", "Shift_L"}, {"alt", "Alt_L"}, {"super", "Super_L"}};
    const auto alias = aliases.find(name);
    return XStringToKeysym((alias != aliases.end() ? alias->second : name).c_str());
}

std::vector<std::string> SplitOnPlus(const std::string& combination)
{
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (;;) {
        // A "+" right at a part's start is the plus key itself, as in "ctrl++".
        const auto plus = combination.find('+', start + 1);
        parts.push_back(combination.substr(start, plus - start));
        if (plus == std::string::npos)
            return parts;
        start = plus + 1;
    }
}

} // namespace

void Settle()
{
    if (Display* display = TestDisplay())
        XSync(display, False); // the server has made every event of what was sent
    // A round trip on the toolkit's own connection: its answer comes after those events, so they are
    // all in the toolkit's queue once it returns.
    gdk_display_sync(gdk_display_get_default());
    for (int pass = 0; pass < 3; ++pass)
        wxTheApp->Yield(true);
}

bool PressKeys(const std::string& combination)
{
    Display* display = TestDisplay();
    if (!display)
        return false;
    std::vector<KeyCode> codes;
    for (const std::string& part : SplitOnPlus(combination)) {
        const KeySym sym = SymOf(part);
        const KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(display, sym);
        if (code == 0)
            return false;
        codes.push_back(code);
    }
    for (KeyCode code : codes)
        XTestFakeKeyEvent(display, code, True, CurrentTime);
    for (auto code = codes.rbegin(); code != codes.rend(); ++code)
        XTestFakeKeyEvent(display, *code, False, CurrentTime);
    Settle();
    return true;
}

bool ClickAt(wxPoint screen, int button)
{
    Display* display = TestDisplay();
    if (!display)
        return false;
    XTestFakeMotionEvent(display, -1, screen.x, screen.y, CurrentTime);
    XTestFakeButtonEvent(display, static_cast<unsigned>(button), True, CurrentTime);
    XTestFakeButtonEvent(display, static_cast<unsigned>(button), False, CurrentTime);
    Settle();
    return true;
}

} // namespace xinput
