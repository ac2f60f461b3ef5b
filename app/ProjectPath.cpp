// A name "without an extension" has no dot after its last separator (a leading dot starts a hidden
// name, not an extension).
#include "app/ProjectPath.h"

#include "platform/Path.h"

#include <cstdint>

namespace {

// Where the name after the last separator starts.
std::size_t NameStart(const std::string& path)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < path.size(); ++i)
        if (platform::IsPathSeparator(path[i]))
            start = i + 1;
    return start;
}

// The dot that starts the name's extension; npos for a name without one.
std::size_t ExtensionDot(const std::string& path)
{
    const std::size_t dot = path.rfind('.');
    return dot == std::string::npos || dot <= NameStart(path) ? std::string::npos : dot;
}

} // namespace

std::string WithProjectExtension(const std::string& path)
{
    return WithExtension(path, kProjectExtension);
}

std::string WithExtension(const std::string& path, const char* extension)
{
    if (path.size() > NameStart(path) && ExtensionDot(path) == std::string::npos)
        return path + "." + extension;
    return path;
}

namespace {

// The name's extension in lower case; empty for a name without one.
std::string LowerExtension(const std::string& path)
{
    const std::size_t dot = ExtensionDot(path);
    std::string typed = dot == std::string::npos ? std::string() : path.substr(dot + 1);
    for (char& c : typed)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return typed;
}

} // namespace

std::string ExportPath(const std::string& chosen, const char* extension)
{
    const std::string typed = LowerExtension(chosen);
    if (typed.empty())
        return WithExtension(chosen, extension);
    if (typed != extension && (typed == "txt" || typed == "json" || typed == "csv"))
        return chosen.substr(0, ExtensionDot(chosen) + 1) + extension;
    return chosen;
}

const char* ExportType(const std::string& chosen, const char* filtered)
{
    const std::string typed = LowerExtension(chosen);
    return typed == "json" ? "json" : typed == "csv" ? "csv" : filtered;
}

std::string ProjectPathToOpen(const std::string& path, bool exists)
{
    return exists ? path : WithProjectExtension(path);
}

namespace {

bool IsUtf8(const std::string& text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80           ? 1
                                   : (lead >> 5) == 0x6  ? 2
                                   : (lead >> 4) == 0xE  ? 3
                                   : (lead >> 3) == 0x1E ? 4
                                                         : 0;
        if (length == 0 || i + length > text.size())
            return false;
        std::uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values past the last character are not UTF-8 either.
        static constexpr std::uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < kLeast[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
            return false;
        i += length;
    }
    return true;
}

} // namespace

std::vector<std::string> ProjectArguments(const std::vector<std::string>& system,
                                          const std::vector<ToolkitArgument>& toolkit)
{
    std::vector<std::string> projects;
    std::size_t kept = 0;
    for (const std::string& argument : system) {
        if (kept < toolkit.size() && (argument == toolkit[kept].text || argument == toolkit[kept].local)) {
            projects.push_back(argument);
            ++kept;
        } else if (!IsUtf8(argument)) {
            projects.push_back(argument);
        }
    }
    if (kept == toolkit.size())
        return projects;
    // A system that does not tell, or lists that do not agree: the toolkit's list as it is.
    projects.clear();
    for (const ToolkitArgument& argument : toolkit)
        projects.push_back(argument.text);
    return projects;
}
