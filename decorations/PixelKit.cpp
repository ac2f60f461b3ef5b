// RGB and HSL in single precision with truncating conversions, so that the derived toolbar pictures
// keep their exact shades: a grey level gains 10 in the normal set and 60 in the disabled one.
#include "decorations/PixelKit.h"

#include <algorithm>
#include <cstring>

namespace {

// Intermediate results in double precision; only the colour's own fields are single precision.
std::uint8_t Channel(double m1, double m2, double hue)
{
    if (hue > 360)
        hue -= 360;
    else if (hue < 0)
        hue += 360;
    double value;
    if (hue < 60)
        value = m1 + (m2 - m1) * hue / 60;
    else if (hue < 180)
        value = m2;
    else if (hue < 240)
        value = m1 + (m2 - m1) * (240 - hue) / 60;
    else
        value = m1;
    return static_cast<std::uint8_t>(static_cast<int>(value * 255));
}

std::size_t PixelCount(PixelSize size)
{
    return static_cast<std::size_t>(size.width) * static_cast<std::size_t>(size.height);
}

} // namespace

void HslColor::SetColor(std::uint32_t colorValue)
{
    SetRgb(static_cast<std::uint8_t>(colorValue & 0xFF), static_cast<std::uint8_t>((colorValue >> 8) & 0xFF),
           static_cast<std::uint8_t>((colorValue >> 16) & 0xFF));
}

void HslColor::SetRgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    m_red = red;
    m_green = green;
    m_blue = blue;
    m_rgbValid = true;
    m_hslValid = false;
}

std::uint8_t HslColor::GetRed()
{
    ToRgb();
    return m_red;
}

std::uint8_t HslColor::GetGreen()
{
    ToRgb();
    return m_green;
}

std::uint8_t HslColor::GetBlue()
{
    ToRgb();
    return m_blue;
}

float HslColor::GetLightness()
{
    ToHsl();
    return m_lightness;
}

void HslColor::SetLightness(float lightness)
{
    ToHsl();
    m_lightness = lightness;
    m_rgbValid = false;
}

void HslColor::ToHsl()
{
    if (m_hslValid)
        return;
    const int r = m_red;
    const int g = m_green;
    const int b = m_blue;
    const int max = std::max({r, g, b});
    const int min = std::min({r, g, b});
    const int sum = max + min;
    m_lightness = static_cast<float>(sum / 510.0);
    if (max == min) {
        m_saturation = 0;
        m_hue = 0;
    } else {
        const double d = max - min;
        m_saturation = static_cast<float>(m_lightness <= 0.5f ? d / sum : d / (510 - sum));
        const double cr = (max - r) / d;
        const double cg = (max - g) / d;
        const double cb = (max - b) / d;
        // In this order: a later test that also holds replaces the earlier hue.
        double hue = 0;
        if (r == max)
            hue = (cb + 6 - cg) * 60;
        if (g == max)
            hue = (2 + cr - cb) * 60;
        if (b == max)
            hue = (4 + cg - cr) * 60;
        if (hue > 360)
            hue -= 360;
        m_hue = static_cast<float>(hue);
    }
    m_hslValid = true;
}

void HslColor::ToRgb()
{
    if (m_rgbValid)
        return;
    const double l = m_lightness;
    const double s = m_saturation;
    if (s == 0) {
        m_red = m_green = m_blue = static_cast<std::uint8_t>(static_cast<int>(l * 255));
    } else {
        const double m2 = l <= 0.5 ? l * (1 + s) : l + s - l * s;
        const double m1 = 2 * l - m2;
        m_red = Channel(m1, m2, m_hue + 120.0);
        m_green = Channel(m1, m2, m_hue);
        m_blue = Channel(m1, m2, m_hue - 120.0);
    }
    m_rgbValid = true;
}

bool C32BitImageProcessor::TransformPixels(const std::uint8_t* source, PixelSize, std::uint8_t* destination,
                                           PixelSize destinationSize)
{
    std::memcpy(destination, source, PixelCount(destinationSize) * 4);
    return true;
}

bool C32BitImageProcessor::IsTransparent(const std::uint8_t* pixel) const
{
    return skipTransparent && pixel[2] == transparentRed && pixel[1] == transparentGreen &&
           pixel[0] == transparentBlue;
}

bool CImageGrayer::TransformPixels(const std::uint8_t* source, PixelSize, std::uint8_t* destination,
                                   PixelSize destinationSize)
{
    for (std::size_t i = 0; i < PixelCount(destinationSize); ++i) {
        const std::uint8_t* in = source + i * 4;
        std::uint8_t* out = destination + i * 4;
        if (IsTransparent(in)) {
            std::memcpy(out, in, 4);
            continue;
        }
        const auto grey = static_cast<std::uint8_t>((3 * in[2] + 6 * in[1] + in[0]) / 10);
        out[0] = out[1] = out[2] = grey;
        out[3] = 0;
    }
    return true;
}

bool CImageHigh::TransformPixels(const std::uint8_t* source, PixelSize, std::uint8_t* destination,
                                 PixelSize destinationSize)
{
    for (std::size_t i = 0; i < PixelCount(destinationSize); ++i) {
        const std::uint8_t* in = source + i * 4;
        std::uint8_t* out = destination + i * 4;
        if (IsTransparent(in)) {
            std::memcpy(out, in, 4);
            continue;
        }
        HslColor color;
        color.SetRgb(in[2], in[1], in[0]);
        const float lightness = color.GetLightness();
        const double stepped = static_cast<double>(lightness) + lightnessStep;
        if (lightnessStep > 0 && lightness < 1)
            color.SetLightness(static_cast<float>(std::min(stepped, 1.0)));
        else if (lightnessStep < 0 && lightness > 0)
            color.SetLightness(static_cast<float>(std::max(stepped, 0.0)));
        out[2] = color.GetRed();
        out[1] = color.GetGreen();
        out[0] = color.GetBlue(); // the fourth byte keeps the background fill
    }
    return true;
}

void CEnBitmap::SetPixels(PixelSize size, std::vector<std::uint8_t> pixels)
{
    m_size = size;
    m_pixels = std::move(pixels);
}

void CEnBitmap::Fill(std::vector<std::uint8_t>& pixels) const
{
    if (m_background == 0 || m_background == 0xFFFFFF) {
        std::fill(pixels.begin(), pixels.end(), static_cast<std::uint8_t>(m_background == 0 ? 0 : 255));
        return;
    }
    for (std::size_t i = 0; i + 3 < pixels.size(); i += 4) {
        pixels[i] = static_cast<std::uint8_t>((m_background >> 16) & 0xFF);
        pixels[i + 1] = static_cast<std::uint8_t>((m_background >> 8) & 0xFF);
        pixels[i + 2] = static_cast<std::uint8_t>(m_background & 0xFF);
        pixels[i + 3] = 0;
    }
}

bool CEnBitmap::ApplyProcessors(const std::vector<C32BitImageProcessor*>& chain)
{
    if (m_pixels.empty())
        return false;
    if (chain.empty())
        return true;
    PixelSize largest = m_size;
    PixelSize size = m_size;
    for (const C32BitImageProcessor* processor : chain) {
        size = processor->OutputSize(size);
        largest.width = std::max(largest.width, size.width);
        largest.height = std::max(largest.height, size.height);
    }
    std::vector<std::uint8_t> source = m_pixels;
    std::vector<std::uint8_t> destination(PixelCount(largest) * 4);
    size = m_size;
    PixelSize output = m_size;
    for (std::size_t i = 0; i < chain.size(); ++i) {
        if (i > 0) {
            if (source.size() < PixelCount(output) * 4)
                source.resize(PixelCount(output) * 4);
            std::copy(destination.begin(),
                      destination.begin() + static_cast<std::ptrdiff_t>(PixelCount(output) * 4),
                      source.begin());
            size = output;
        }
        Fill(destination);
        output = chain[i]->OutputSize(size);
        if (!chain[i]->TransformPixels(source.data(), size, destination.data(), output))
            return false;
    }
    destination.resize(PixelCount(output) * 4);
    m_pixels = std::move(destination);
    m_size = output;
    return true;
}

bool CEnBitmap::GrayOut(std::uint32_t transparent)
{
    CImageGrayer grayer;
    CImageHigh high;
    for (C32BitImageProcessor* processor : std::initializer_list<C32BitImageProcessor*>{&grayer, &high}) {
        processor->skipTransparent = true;
        processor->transparentRed = static_cast<int>(transparent & 0xFF);
        processor->transparentGreen = static_cast<int>((transparent >> 8) & 0xFF);
        processor->transparentBlue = static_cast<int>((transparent >> 16) & 0xFF);
    }
    high.lightnessStep = 0.08f;
    return ApplyProcessors({&grayer, &high, &high, &high});
}

bool CEnBitmap::Brighten(std::uint32_t transparent)
{
    CImageHigh high;
    high.skipTransparent = true;
    high.transparentRed = static_cast<int>(transparent & 0xFF);
    high.transparentGreen = static_cast<int>((transparent >> 8) & 0xFF);
    high.transparentBlue = static_cast<int>((transparent >> 16) & 0xFF);
    high.lightnessStep = 0.04f;
    return ApplyProcessors({&high});
}
