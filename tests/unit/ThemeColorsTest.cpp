// Text and stripe colours against light and dark themes: each must read at the guidelines' contrast.
#include "views/ThemeColors.h"

#include "views/DuplicateRows.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

// Colours as the rows keep them, 0x00BBGGRR; the themes' as a light and a dark desktop give them.
constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kGreyInk = 0x36342E;  // a light theme's dark grey text
constexpr std::uint32_t kPaleInk = 0xECEEEE;  // a dark theme's light grey text
constexpr std::uint32_t kDarkBase = 0x2D2D2D; // a dark theme's list background

std::string Hex(std::uint32_t color)
{
    char text[16];
    std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(color));
    return text;
}

TEST(ThemeColors, ContrastRatiosMatchThePublishedFigures)
{
    EXPECT_NEAR(ContrastRatio(kBlack, kWhite), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(kWhite, kBlack), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(kDarkBase, kDarkBase), 1.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(0x777777, kWhite), 4.48, 0.01); // the grey that just fails on white
    EXPECT_NEAR(ContrastRatio(0x0000FF, kWhite), 4.0, 0.01);  // pure red
}

TEST(ThemeColors, GroupRowsGetDarkReadableTextUnderEveryTheme)
{
    struct Theme
    {
        std::uint32_t text;
        bool keepsItsText; // a light theme's own text already reads on the pastels
    };
    const Theme themes[] = {{kBlack, true}, {kGreyInk, true}, {kPaleInk, false}, {kWhite, false}};
    for (const std::uint32_t background : GroupColors) {
        for (const Theme& theme : themes) {
            SCOPED_TRACE("background " + Hex(background) + ", theme text " + Hex(theme.text));
            const std::uint32_t text = ReadableTextColor(background, theme.text);
            EXPECT_GE(ContrastRatio(background, text), kReadableContrast);
            EXPECT_GT(ContrastRatio(text, kWhite), ContrastRatio(text, kBlack)); // dark text
            EXPECT_EQ(text == theme.text, theme.keepsItsText);
        }
    }
}

TEST(ThemeColors, StripesStayReadableUnderTheThemesText)
{
    struct Case
    {
        std::uint32_t background;
        std::uint32_t text;
        bool striped; // false: the theme's own contrast is too low to spare any
    };
    const Case cases[] = {
        {kWhite, kBlack, true},      {kWhite, kGreyInk, true},   {kDarkBase, kWhite, true},
        {kDarkBase, kPaleInk, true}, {0x3B3837, 0xDADADA, true}, // another dark theme
        {0x808080, kWhite, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("background " + Hex(c.background) + ", text " + Hex(c.text));
        const std::uint32_t stripe = StripeColor(c.background, c.text);
        EXPECT_EQ(stripe != c.background, c.striped);
        EXPECT_GE(ContrastRatio(stripe, c.text),
                  std::min(kReadableContrast, ContrastRatio(c.background, c.text)));
    }
    // On a white list under black text the stripe is the light grey it always was.
    EXPECT_EQ(StripeColor(kWhite, kBlack), 0xEFEFEFu);
}

} // namespace
