// The scan options as the settings keep them, in a group of their own so that the project file and
// every other setting stay as they are: "Folder0", "Folder1", ... and "File0", ... an entry each,
// "SmallestSize" and "LargestSize" as typed, and "Hidden", 1 where hidden files and folders are left
// out. The window writes them; the window and quorvel-scan read them.
#pragma once

#include "engine/ScanOptions.h"
#include "platform/SavedSettings.h"

inline constexpr const char* kScanOptionsGroup = "ScanOptions";

// Entries in the order of their numbers; values as the settings hold them (paths escaped as
// EscapeForSettings writes them, a stray byte of a hand-edited file taken as it is).
ScanOptionsText ScanOptionsFromSettings(const platform::SettingValues& values);
platform::SettingValues ScanOptionsToSettings(const ScanOptionsText& text);
