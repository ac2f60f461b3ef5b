// Paths as text: in the settings a path that is not valid UTF-8 still comes back byte for byte, and on
// screen only its own stray bytes are lost.
#pragma once

#include <string>
#include <string_view>

// Valid UTF-8 stays as it is. Each byte that is not part of a valid UTF-8 character becomes the
// private-use character U+100000 + byte, which the toolkit's forgiving UTF-8 reading also gives for
// such a byte met in a hand-edited file; characters of that range already in the path are themselves
// written byte by byte, so that reading back is never ambiguous.
std::string EscapeForSettings(std::string_view path);

// The inverse: every character U+100000 to U+1000FF becomes the byte it stands for.
std::string UnescapeFromSettings(std::string_view text);

// How the settings file is read: each byte that is not part of a valid UTF-8 character becomes the
// character that stands for it; everything else stays, characters of that range included, so that
// what EscapeForSettings wrote reads back unchanged.
std::string MarkStrayBytes(std::string_view text);

// Whether every byte is part of a valid UTF-8 character: ReplaceStrayBytes would change nothing.
bool IsValidUtf8(std::string_view text);

// Valid UTF-8 for display: each byte that is not part of a valid UTF-8 character becomes U+FFFD, and
// every other character stays.
std::string ReplaceStrayBytes(std::string_view bytes);
