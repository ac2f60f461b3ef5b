// Colours chosen against the desktop theme's own, so that text stays readable under light and dark
// themes alike. Colours are 0x00BBGGRR, as the rows keep them. No window code.
#pragma once

#include <cstdint>

// How far apart two colours are for reading, from 1 (the same) to 21 (black on white); 4.5 is the
// least that normal text needs.
double ContrastRatio(std::uint32_t first, std::uint32_t second);
inline constexpr double kReadableContrast = 4.5;

// The text colour for a row on `background`: the theme's text where it reads well there, otherwise
// black or white, whichever reads better (black on the group colours, whatever the theme).
std::uint32_t ReadableTextColor(std::uint32_t background, std::uint32_t themeText);

// The background of every other row in a list drawn in the theme's `background` and `text`: a step
// from the background towards the text, small enough that the text still reads well on it.
std::uint32_t StripeColor(std::uint32_t background, std::uint32_t text);
