// The window toolkit's edge of the pixel kit: bitmaps in, pixel arrays through, bitmaps out.
#pragma once

#include "decorations/PixelKit.h"

#include <wx/bitmap.h>

#include <cstdint>
#include <vector>

// The bitmap resource `id` as pixels; an empty bitmap when there is no such resource.
void LoadBitmapResource(int id, CEnBitmap& bitmap);

// Cuts the picture into square pieces of `size` from the left; pixels of `transparent` become clear.
std::vector<wxBitmap> CutMasked(const CEnBitmap& bitmap, int size, std::uint32_t transparent);
