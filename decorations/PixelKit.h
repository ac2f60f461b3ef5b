// The toolbar's picture processing on plain pixel arrays: one colour in RGB and HSL, the pixel
// processors, and a bitmap that runs a chain of them. No window code.
#pragma once

#include <cstdint>
#include <vector>

// One colour in both models, each converted from the other only when asked for.
class HslColor
{
public:
    void SetColor(std::uint32_t colorValue); // 0x00BBGGRR
    void SetRgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    std::uint8_t GetRed();
    std::uint8_t GetGreen();
    std::uint8_t GetBlue();
    float GetLightness();
    void SetLightness(float lightness);

private:
    void ToHsl();
    void ToRgb();

    std::uint8_t m_red = 0;
    std::uint8_t m_green = 0;
    std::uint8_t m_blue = 0;
    float m_hue = 0;
    float m_saturation = 0;
    float m_lightness = 0;
    bool m_rgbValid = true;
    bool m_hslValid = false;
};

struct PixelSize
{
    int width = 0;
    int height = 0;
};

// Pixels are 4 bytes each, blue, green, red, reserved, rows top-down without gaps.
class C32BitImageProcessor
{
public:
    virtual ~C32BitImageProcessor() = default;
    virtual PixelSize OutputSize(PixelSize input) const { return input; }
    // The base copies the destination's size of pixels from the source.
    virtual bool TransformPixels(const std::uint8_t* source, PixelSize sourceSize, std::uint8_t* destination,
                                 PixelSize destinationSize);

    bool skipTransparent = false;
    int transparentRed = 0;
    int transparentGreen = 0;
    int transparentBlue = 0;

protected:
    bool IsTransparent(const std::uint8_t* pixel) const;
};

class CImageGrayer : public C32BitImageProcessor
{
public:
    bool TransformPixels(const std::uint8_t* source, PixelSize sourceSize, std::uint8_t* destination,
                         PixelSize destinationSize) override;
};

class CImageHigh : public C32BitImageProcessor
{
public:
    bool TransformPixels(const std::uint8_t* source, PixelSize sourceSize, std::uint8_t* destination,
                         PixelSize destinationSize) override;

    float lightnessStep = 0;
};

// A picture and the background colour that fills new pixels; empty until given pixels.
class CEnBitmap
{
public:
    explicit CEnBitmap(std::uint32_t backgroundColor = 0xFFFFFF) : m_background(backgroundColor) {}

    void SetPixels(PixelSize size, std::vector<std::uint8_t> pixels);
    bool IsEmpty() const { return m_pixels.empty(); }
    PixelSize Size() const { return m_size; }
    const std::vector<std::uint8_t>& Pixels() const { return m_pixels; }

    // Runs the processors in order, each on the previous one's output; the picture is replaced only
    // when every one of them succeeds.
    bool ApplyProcessors(const std::vector<C32BitImageProcessor*>& chain);
    bool GrayOut(std::uint32_t transparent);  // grey, then three lightening passes of 0.08
    bool Brighten(std::uint32_t transparent); // one lightening pass of 0.04

private:
    void Fill(std::vector<std::uint8_t>& pixels) const;

    std::uint32_t m_background;
    PixelSize m_size;
    std::vector<std::uint8_t> m_pixels;
};
