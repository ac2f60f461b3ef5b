// The clipboard's text form of the duplicates list: full paths joined by CR LF, and the lines read
// back from any text. No window code.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The paths separated by "\r\n", with nothing before the first or after the last. The text is valid
// UTF-8: in a path that is not, each stray byte becomes U+FFFD, and the other paths stay whole.
std::string JoinClipboardPaths(const std::vector<std::string_view>& paths);

// Every maximal run of characters other than CR and LF, in order: blank lines and any mix of line
// ends vanish, and nothing is trimmed. A line holding NUL is skipped.
std::vector<std::string> SplitClipboardLines(std::string_view text);
