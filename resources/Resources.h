// Numbered resources and the program's fixed texts.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr const char* kAppName = "Quorvel";
inline constexpr const char* kVendorName = "Orvo";

inline constexpr int IDI_MAINFRAME = 128; // the window icon, 32 x 32 on magenta
inline constexpr int IDB_TOOLBAR = 134;   // eight 24 x 24 pictures, in button order, on magenta
inline constexpr std::uint32_t kToolbarTransparent = 0xFF00FF;
inline constexpr int kToolbarPictureSize = 24;

// The bytes of a numbered bitmap resource (a BMP file), or null when there is none.
const unsigned char* BitmapResource(int id, std::size_t& size);
