// Keys and clicks sent through the X server with the XTest extension, as a user's keyboard and mouse
// send them (what xdotool does): they reach whichever window the server and the toolkit give the
// input to, so a test sees the focus handling a user meets, which a wx event posted to a control
// skips.
#pragma once

#include <wx/gdicmn.h>

#include <string>

namespace xinput {

// Presses and releases a combination such as "ctrl+a", "shift+F10", "Menu" or "Delete": modifiers
// (ctrl, shift, alt) down in order, the key, then all up in reverse. Key names are X keysym names.
// Returns once the toolkit has read and handled every event the keys made. False when the display
// has no XTest or the key has no key code.
bool PressKeys(const std::string& combination);

// Moves the pointer to `screen` and clicks `button` (1 left, 3 right) there; returns as PressKeys does.
bool ClickAt(wxPoint screen, int button = 1);

// Runs the event loop until the toolkit has handled every event the server sent it so far.
void Settle();

} // namespace xinput
