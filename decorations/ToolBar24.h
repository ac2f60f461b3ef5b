// The main window's toolbar: 24 x 24 pictures, lighter when enabled, grey when disabled, and as drawn
// while the pointer rests on a button.
#pragma once

#include <wx/aui/auibar.h>

#include <cstdint>
#include <memory>
#include <vector>

class CToolBarReader;

class CToolBar24 : public wxAuiToolBar
{
public:
    CToolBar24(wxWindow* parent, wxWindowID id = wxID_ANY);
    ~CToolBar24() override;

    // Derives the three picture sets from bitmap `id` (pictures side by side, in the order of the
    // buttons) and gives them to the buttons already added; `transparent` pixels become clear.
    // `doubleSizeId`, when given, is the same art drawn at twice the size: the buttons then show
    // it on screens at a scale of 2 instead of doubling every pixel.
    void SetImagesFromBitmap(int id, std::uint32_t transparent, int doubleSizeId = 0);

    // The pictures at a scale of 1, or 2 (none at 2 without a double-size drawing).
    const std::vector<wxBitmap>& HotImages(int scale = 1) const { return m_sets[scale - 1].hot; }
    const std::vector<wxBitmap>& NormalImages(int scale = 1) const { return m_sets[scale - 1].normal; }
    const std::vector<wxBitmap>& DisabledImages(int scale = 1) const { return m_sets[scale - 1].disabled; }

private:
    struct PictureSets
    {
        std::vector<wxBitmap> hot;
        std::vector<wxBitmap> disabled;
        std::vector<wxBitmap> normal;
    };
    static PictureSets MakePictureSets(int id, int size, std::uint32_t transparent);

    PictureSets m_sets[2];
    std::unique_ptr<CToolBarReader> m_reader; // what a screen reader is told of the buttons
};
