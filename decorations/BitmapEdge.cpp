// Conversions between wxImage and the 32-bit blue-green-red pixel arrays of the pixel kit.
#include "decorations/BitmapEdge.h"

#include "resources/Resources.h"

#include <wx/image.h>
#include <wx/mstream.h>

void LoadBitmapResource(int id, CEnBitmap& bitmap)
{
    std::size_t size = 0;
    const unsigned char* bytes = BitmapResource(id, size);
    if (bytes == nullptr)
        return;
    wxMemoryInputStream stream(bytes, size);
    wxImage image;
    if (!image.LoadFile(stream, wxBITMAP_TYPE_BMP))
        return;
    const int width = image.GetWidth();
    const int height = image.GetHeight();
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    const unsigned char* rgb = image.GetData();
    for (std::size_t i = 0; i < pixels.size() / 4; ++i) {
        pixels[i * 4] = rgb[i * 3 + 2];
        pixels[i * 4 + 1] = rgb[i * 3 + 1];
        pixels[i * 4 + 2] = rgb[i * 3];
        pixels[i * 4 + 3] = 0;
    }
    bitmap.SetPixels({width, height}, std::move(pixels));
}

std::vector<wxBitmap> CutMasked(const CEnBitmap& bitmap, int size, std::uint32_t transparent)
{
    std::vector<wxBitmap> pieces;
    const PixelSize whole = bitmap.Size();
    if (bitmap.IsEmpty() || size <= 0)
        return pieces;
    const auto& pixels = bitmap.Pixels();
    const unsigned char red = transparent & 0xFF;
    const unsigned char green = (transparent >> 8) & 0xFF;
    const unsigned char blue = (transparent >> 16) & 0xFF;
    for (int left = 0; left + size <= whole.width; left += size) {
        wxImage image(size, std::min(size, whole.height));
        unsigned char* rgb = image.GetData();
        for (int y = 0; y < image.GetHeight(); ++y) {
            for (int x = 0; x < size; ++x) {
                const std::size_t from =
                    (static_cast<std::size_t>(y) * static_cast<std::size_t>(whole.width) +
                     static_cast<std::size_t>(left + x)) *
                    4;
                unsigned char* to = rgb + (static_cast<std::size_t>(y) * static_cast<std::size_t>(size) +
                                           static_cast<std::size_t>(x)) *
                                              3;
                to[0] = pixels[from + 2];
                to[1] = pixels[from + 1];
                to[2] = pixels[from];
            }
        }
        image.SetMaskColour(red, green, blue);
        pieces.emplace_back(image);
    }
    return pieces;
}
