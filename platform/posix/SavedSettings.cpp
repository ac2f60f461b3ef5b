// The settings file on POSIX, read as bytes: the toolkit is not there to read it.
#include "platform/SavedSettings.h"

#include "platform/Path.h"
#include "platform/SystemError.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

std::string SettingsFolder()
{
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome != nullptr && configHome[0] == '/') // a relative one counts as unset
        return configHome;
    const char* home = std::getenv("HOME");
    return home != nullptr && *home != '\0' ? std::string(home) + "/.config" : std::string();
}

bool ReadSavedGroup(const std::string&, const std::string& app, const std::string& group,
                    SettingValues& values, std::string& error)
{
    values.clear();
    const std::string folder = SettingsFolder();
    if (folder.empty())
        return true; // nowhere to have saved anything
    const std::string file = JoinPath(folder, app + ".conf");
    const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT)
        return true;
    std::string text;
    ssize_t got = 0;
    if (fd >= 0) {
        char buffer[65536];
        while ((got = read(fd, buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR))
            text.append(buffer, got > 0 ? static_cast<std::size_t>(got) : 0);
    }
    if (fd < 0 || got < 0) {
        error = file + ": " + LastErrorText();
        if (fd >= 0)
            close(fd);
        return false;
    }
    close(fd);
    values = ParseSettingsGroup(text, group);
    return true;
}

} // namespace platform
