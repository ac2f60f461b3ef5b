// Name patterns of the scan options: `*` stands for any run of characters (none included) and `?` for
// exactly one; every other character stands for itself.
#pragma once

#include <string_view>

// Whether the whole of `name` matches the whole of `pattern`, byte for byte except for the two
// wildcards. A `?` takes one UTF-8 character (a byte that does not begin a valid one counts alone).
// Letter case is the caller's: both are given as the system compares names (platform::NameKey).
bool MatchesName(std::string_view pattern, std::string_view name);
