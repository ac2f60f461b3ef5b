// Numbered resources and the program's fixed texts.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr const char* kAppName = "Quorvel";
inline constexpr const char* kVendorName = "Orvo";

inline constexpr int IDI_MAINFRAME = 128;  // the window icon, 32 x 32 on magenta
inline constexpr int IDB_TOOLBAR = 134;    // eight 24 x 24 pictures, in button order, on magenta
inline constexpr int IDB_TOOLBAR_2X = 135; // the same art drawn at 48 x 48, for a scale of 2
inline constexpr std::uint32_t kToolbarTransparent = 0xFF00FF;
inline constexpr int kToolbarPictureSize = 24;

inline constexpr int IDS_APP_NAME = 128;       // the application's name
inline constexpr int IDS_APP_TITLE = 57344;    // the application's name, for the framework
inline constexpr int IDS_IDLE_MESSAGE = 57345; // the idle text of the status line

// What Open and the links say when nothing on the desktop opens what they were given: %1 is the
// file's path or the address.
inline constexpr const char* kNoApplicationText = "No application is set to open %1.";

// A numbered string resource, or null when there is none.
const char* StringResource(int id);

// The bytes of a numbered bitmap resource (a BMP file), or null when there is none.
const unsigned char* BitmapResource(int id, std::size_t& size);
