// Only the fields the manager writes are accepted, each within the range a real window can have;
// anything else (an unknown key, a second '=', an escaped delimiter) refuses the whole text.
#include "app/ToolbarLayout.h"

#include <charconv>
#include <string>

namespace {

struct FieldRange
{
    std::string_view key;
    long long lowest;
    long long highest;
};

constexpr long long kFarAway = 1000000;       // pixels: no screen is larger
constexpr long long kLargestInt = 0x7FFFFFFF; // the manager reads every field as an int
constexpr FieldRange kFields[] = {
    {"state", 0, kLargestInt},
    {"dir", 1, 4},
    {"layer", 0, 1000},
    {"row", 0, 1000},
    {"pos", 0, kFarAway},
    {"prop", 0, kLargestInt},
    {"bestw", -1, kFarAway},
    {"besth", -1, kFarAway},
    {"minw", -1, kFarAway},
    {"minh", -1, kFarAway},
    {"maxw", -1, kFarAway},
    {"maxh", -1, kFarAway},
    {"floatx", -kFarAway, kFarAway},
    {"floaty", -kFarAway, kFarAway},
    {"floatw", -1, kFarAway},
    {"floath", -1, kFarAway},
};

bool IsNumberIn(std::string_view text, long long lowest, long long highest)
{
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return !text.empty() && error == std::errc() && stop == end && value >= lowest && value <= highest;
}

bool IsUsableField(std::string_view key, std::string_view value, std::string_view paneName, bool& named,
                   bool& docked)
{
    if (key == "name") {
        named = value == paneName;
        return named;
    }
    if (key == "caption")
        return true;
    for (const FieldRange& field : kFields) {
        if (key != field.key)
            continue;
        docked = docked || key == "dir";
        return IsNumberIn(value, field.lowest, field.highest);
    }
    return false;
}

} // namespace

bool IsUsableToolbarLayout(std::string_view layout, std::string_view paneName)
{
    if (layout.find_first_of("\\|") != std::string_view::npos)
        return false;
    bool named = false;
    bool docked = false;
    while (!layout.empty()) {
        const std::size_t end = layout.find(';');
        const std::string_view part = layout.substr(0, end);
        layout = end == std::string_view::npos ? std::string_view() : layout.substr(end + 1);
        if (part.empty())
            continue;
        const std::size_t equals = part.find('=');
        if (equals == std::string_view::npos || equals == 0 ||
            part.find('=', equals + 1) != std::string_view::npos)
            return false;
        if (!IsUsableField(part.substr(0, equals), part.substr(equals + 1), paneName, named, docked))
            return false;
    }
    return named && docked;
}
