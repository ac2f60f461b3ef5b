// Readability by the relative luminance of sRGB colours, as accessibility guidelines measure it.
#include "views/ThemeColors.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr int kStripeStep = 16; // of 255: on white under black text, the light grey 239 of a classic list

double Linear(std::uint32_t channel)
{
    const double value = static_cast<double>(channel & 0xFF) / 255.0;
    return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

double Luminance(std::uint32_t color)
{
    return 0.2126 * Linear(color) + 0.7152 * Linear(color >> 8) + 0.0722 * Linear(color >> 16);
}

// `weight` of 255 parts of `to`, the rest of `from`, channel by channel.
std::uint32_t Mix(std::uint32_t from, std::uint32_t to, int weight)
{
    std::uint32_t mixed = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int a = static_cast<int>((from >> shift) & 0xFF);
        const int b = static_cast<int>((to >> shift) & 0xFF);
        const int channel = a + ((b - a) * weight + (b >= a ? 127 : -127)) / 255;
        mixed |= static_cast<std::uint32_t>(std::clamp(channel, 0, 255)) << shift;
    }
    return mixed;
}

} // namespace

double ContrastRatio(std::uint32_t first, std::uint32_t second)
{
    const double a = Luminance(first);
    const double b = Luminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

std::uint32_t ReadableTextColor(std::uint32_t background, std::uint32_t themeText)
{
    if (ContrastRatio(background, themeText) >= kReadableContrast)
        return themeText;
    return ContrastRatio(background, kBlack) >= ContrastRatio(background, kWhite) ? kBlack : kWhite;
}

std::uint32_t StripeColor(std::uint32_t background, std::uint32_t text)
{
    // A theme whose own text reads poorly gets no help from a stripe that would read worse still.
    const double least = std::min(kReadableContrast, ContrastRatio(background, text));
    for (int weight = kStripeStep; weight > 0; --weight) {
        const std::uint32_t stripe = Mix(background, text, weight);
        if (ContrastRatio(stripe, text) >= least)
            return stripe;
    }
    return background;
}
