#include "views/ScanOptionsSettings.h"

#include "views/SettingsText.h"

#include <cstdlib>
#include <map>

namespace {

// The number after `prefix` in a name such as "Folder12"; false for any other name.
bool NumberAfter(const std::string& name, const std::string& prefix, unsigned long& number)
{
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
        return false;
    for (std::size_t i = prefix.size(); i < name.size(); ++i)
        if (name[i] < '0' || name[i] > '9')
            return false;
    number = std::strtoul(name.c_str() + prefix.size(), nullptr, 10);
    return true;
}

std::string Lines(const std::map<unsigned long, std::string>& numbered)
{
    std::string text;
    for (const auto& [number, entry] : numbered)
        text += (text.empty() ? "" : "\n") + entry;
    return text;
}

void AddLines(const std::string& text, const char* prefix, platform::SettingValues& values)
{
    std::size_t number = 0;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            values.emplace_back(prefix + std::to_string(number++),
                                EscapeForSettings(text.substr(start, end - start)));
        start = end + 1;
    }
}

} // namespace

ScanOptionsText ScanOptionsFromSettings(const platform::SettingValues& values)
{
    ScanOptionsText text;
    std::map<unsigned long, std::string> folders, files;
    for (const auto& [name, stored] : values) {
        const std::string value = UnescapeFromSettings(MarkStrayBytes(stored));
        unsigned long number = 0;
        if (NumberAfter(name, "Folder", number))
            folders[number] = value;
        else if (NumberAfter(name, "File", number))
            files[number] = value;
        else if (name == "SmallestSize")
            text.smallest = value;
        else if (name == "LargestSize")
            text.largest = value;
        else if (name == "Hidden")
            text.leaveOutHidden = value == "1";
    }
    text.folders = Lines(folders);
    text.files = Lines(files);
    return text;
}

platform::SettingValues ScanOptionsToSettings(const ScanOptionsText& text)
{
    platform::SettingValues values;
    AddLines(text.folders, "Folder", values);
    AddLines(text.files, "File", values);
    if (!text.smallest.empty())
        values.emplace_back("SmallestSize", text.smallest);
    if (!text.largest.empty())
        values.emplace_back("LargestSize", text.largest);
    values.emplace_back("Hidden", text.leaveOutHidden ? "1" : "0");
    return values;
}
