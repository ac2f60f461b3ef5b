// The settings the window saved, read without the toolkit, for the command-line tool: on POSIX the
// settings file, on Windows the registry key HKEY_CURRENT_USER\Software\VENDOR\APP.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

// Names and values of one group, as the program wrote them (wide text made UTF-8 on Windows; numbers
// as decimal text).
using SettingValues = std::vector<std::pair<std::string, std::string>>;

// The folder of the settings file: $XDG_CONFIG_HOME when it is absolute, else ~/.config, as the
// system's bytes; empty where neither can be found, and on Windows.
std::string SettingsFolder();

// The values of `group`; none where nothing was saved there. False, with `error` naming the place
// and the system's reason, when the settings exist but cannot be read.
bool ReadSavedGroup(const std::string& vendor, const std::string& app, const std::string& group,
                    SettingValues& values, std::string& error);

// The values of `group` in the text of a settings file as the toolkit writes one: "[group]" lines
// open groups, "name=value" lines follow, a value in double quotes keeps its spaces, and a backslash
// escapes \n, \r, \t, \\ and \" in a value and any character in a name.
SettingValues ParseSettingsGroup(std::string_view text, std::string_view group);

} // namespace platform
