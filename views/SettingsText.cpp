// A hand-rolled UTF-8 reader, since the question is per byte: how long a valid character starting
// here is, or that there is none.
#include "views/SettingsText.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr char32_t kByteBase = 0x100000; // first character of plane 16's private-use area

// Length of the valid UTF-8 character at `at`, 0 when the byte there starts none; `code` gets it.
std::size_t ValidCharacter(std::string_view text, std::size_t at, char32_t& code)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char first = byte(at);
    if (first < 0x80) {
        code = first;
        return 1;
    }
    std::size_t length = 0;
    char32_t lowest = 0;
    if (first >= 0xC2 && first <= 0xDF) {
        length = 2;
        lowest = 0x80;
        code = first & 0x1F;
    } else if (first >= 0xE0 && first <= 0xEF) {
        length = 3;
        lowest = 0x800;
        code = first & 0x0F;
    } else if (first >= 0xF0 && first <= 0xF4) {
        length = 4;
        lowest = 0x10000;
        code = first & 0x07;
    } else {
        return 0;
    }
    if (at + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code < lowest || code > 0x10FFFF || surrogate ? 0 : length;
}

void AppendByteCharacter(std::string& out, unsigned char value)
{
    const char32_t code = kByteBase + value;
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
}

bool StandsForByte(char32_t code)
{
    return code >= kByteBase && code <= kByteBase + 0xFF;
}

// Copies the valid characters and hands each stray byte to `stray`.
template <class Stray> std::string MapStrayBytes(std::string_view text, Stray stray)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        char32_t code = 0;
        const std::size_t length = ValidCharacter(text, at, code);
        if (length == 0) {
            stray(out, static_cast<unsigned char>(text[at]));
            ++at;
            continue;
        }
        out.append(text.substr(at, length));
        at += length;
    }
    return out;
}

} // namespace

std::string EscapeForSettings(std::string_view path)
{
    std::string out;
    out.reserve(path.size());
    for (std::size_t at = 0; at < path.size();) {
        char32_t code = 0;
        const std::size_t length = ValidCharacter(path, at, code);
        if (length == 0 || StandsForByte(code)) {
            const std::size_t bytes = length == 0 ? 1 : length;
            for (std::size_t i = 0; i < bytes; ++i)
                AppendByteCharacter(out, static_cast<unsigned char>(path[at + i]));
            at += bytes;
            continue;
        }
        out.append(path.substr(at, length));
        at += length;
    }
    return out;
}

std::string UnescapeFromSettings(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        char32_t code = 0;
        const std::size_t length = ValidCharacter(text, at, code);
        if (length == 4 && StandsForByte(code)) {
            out += static_cast<char>(code - kByteBase);
            at += 4;
            continue;
        }
        const std::size_t bytes = length == 0 ? 1 : length;
        out.append(text.substr(at, bytes));
        at += bytes;
    }
    return out;
}

bool IsValidUtf8(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        // Paths are mostly ASCII: those bytes need no decoding, and are looked at eight at a time (a
        // Copy of a million paths goes through every byte).
        std::uint64_t word = 0;
        if (text.size() - at >= sizeof word) {
            std::memcpy(&word, text.data() + at, sizeof word);
            if ((word & 0x8080808080808080u) == 0) {
                at += sizeof word;
                continue;
            }
        }
        if (static_cast<unsigned char>(text[at]) < 0x80) {
            ++at;
            continue;
        }
        char32_t code = 0;
        const std::size_t length = ValidCharacter(text, at, code);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

std::string MarkStrayBytes(std::string_view text)
{
    return MapStrayBytes(text, AppendByteCharacter);
}

std::string ReplaceStrayBytes(std::string_view bytes)
{
    return MapStrayBytes(bytes, [](std::string& out, unsigned char) { out += "\xef\xbf\xbd"; });
}
