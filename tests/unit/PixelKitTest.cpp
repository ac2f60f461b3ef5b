// The derived toolbar pictures, checked against worked examples computed by hand.
#include "decorations/PixelKit.h"

#include <gtest/gtest.h>

namespace {

struct Rgb
{
    int red;
    int green;
    int blue;
    bool operator==(const Rgb&) const = default;
};

void PrintTo(const Rgb& c, std::ostream* out)
{
    *out << "(" << c.red << ", " << c.green << ", " << c.blue << ")";
}

CEnBitmap Picture(const std::vector<Rgb>& colors)
{
    std::vector<std::uint8_t> pixels;
    for (const Rgb& c : colors) {
        pixels.push_back(static_cast<std::uint8_t>(c.blue));
        pixels.push_back(static_cast<std::uint8_t>(c.green));
        pixels.push_back(static_cast<std::uint8_t>(c.red));
        pixels.push_back(0);
    }
    CEnBitmap bitmap(0xFFFFFF);
    bitmap.SetPixels({static_cast<int>(colors.size()), 1}, std::move(pixels));
    return bitmap;
}

std::vector<Rgb> Colors(const CEnBitmap& bitmap)
{
    std::vector<Rgb> colors;
    const auto& p = bitmap.Pixels();
    for (std::size_t i = 0; i + 3 < p.size(); i += 4)
        colors.push_back({p[i + 2], p[i + 1], p[i]});
    return colors;
}

constexpr std::uint32_t kMagenta = 0xFF00FF;

TEST(ToolbarPictures, NormalSetIsSlightlyLighter)
{
    CEnBitmap bitmap =
        Picture({{255, 0, 0}, {0, 0, 255}, {128, 128, 128}, {255, 0, 255}, {0, 200, 0}, {255, 255, 255}});
    ASSERT_TRUE(bitmap.Brighten(kMagenta));
    const std::vector<Rgb> out = Colors(bitmap);
    EXPECT_EQ(out[0], (Rgb{255, 20, 20}));
    EXPECT_EQ(out[1], (Rgb{20, 20, 255}));
    EXPECT_EQ(out[2], (Rgb{138, 138, 138}));
    EXPECT_EQ(out[3], (Rgb{255, 0, 255})); // transparent stays
    EXPECT_EQ(out[4].red, out[4].blue);    // green stays green
    EXPECT_GT(out[4].green, out[4].red);
    EXPECT_EQ(out[5], (Rgb{255, 255, 255}));
}

TEST(ToolbarPictures, DisabledSetIsGreyAndClearlyLighter)
{
    CEnBitmap bitmap = Picture({{0, 0, 0}, {16, 112, 14}, {255, 255, 255}, {255, 0, 255}, {90, 30, 200}});
    ASSERT_TRUE(bitmap.GrayOut(kMagenta));
    const std::vector<Rgb> out = Colors(bitmap);
    EXPECT_EQ(out[0], (Rgb{60, 60, 60}));
    EXPECT_EQ(out[1], (Rgb{133, 133, 133}));
    EXPECT_EQ(out[2], (Rgb{255, 255, 255}));
    EXPECT_EQ(out[3], (Rgb{255, 0, 255}));
    const int grey = (3 * 90 + 6 * 30 + 200) / 10;
    EXPECT_EQ(out[4], (Rgb{grey + 60, grey + 60, grey + 60}));
}

TEST(ToolbarPictures, EveryGreyLevelGainsTenInTheNormalSetAndSixtyInTheDisabledSet)
{
    for (int g = 0; g < 256; ++g) {
        SCOPED_TRACE(g);
        CEnBitmap normal = Picture({{g, g, g}});
        ASSERT_TRUE(normal.Brighten(kMagenta));
        EXPECT_EQ(Colors(normal)[0].red, std::min(g + 10, 255));
        CEnBitmap disabled = Picture({{g, g, g}});
        ASSERT_TRUE(disabled.GrayOut(kMagenta));
        EXPECT_EQ(Colors(disabled)[0].red, std::min(g + 60, 255));
    }
}

TEST(ToolbarPictures, ThreePassesOnGrey200Give220240And255)
{
    CEnBitmap bitmap = Picture({{200, 200, 200}});
    CImageHigh high;
    high.lightnessStep = 0.08f;
    std::vector<int> levels;
    for (int pass = 0; pass < 3; ++pass) {
        ASSERT_TRUE(bitmap.ApplyProcessors({&high}));
        levels.push_back(Colors(bitmap)[0].red);
    }
    EXPECT_EQ(levels, (std::vector<int>{220, 240, 255}));
}

TEST(HslColor, ComponentsRoundTripAndBoundsHold)
{
    HslColor color;
    color.SetRgb(12, 34, 56);
    EXPECT_EQ(color.GetLightness(), 68.0f / 510.0f);
    EXPECT_EQ(color.GetRed(), 12); // never converted back when nothing changed
    EXPECT_EQ(color.GetGreen(), 34);
    EXPECT_EQ(color.GetBlue(), 56);

    CImageHigh darker;
    darker.lightnessStep = -0.5f;
    CEnBitmap black = Picture({{0, 0, 0}, {10, 10, 10}});
    ASSERT_TRUE(black.ApplyProcessors({&darker}));
    EXPECT_EQ(Colors(black), (std::vector<Rgb>{{0, 0, 0}, {0, 0, 0}}));

    CEnBitmap empty;
    EXPECT_FALSE(empty.ApplyProcessors({&darker}));
}

} // namespace
