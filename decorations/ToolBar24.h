// The main window's toolbar: 24 x 24 pictures, lighter when enabled, grey when disabled, and as drawn
// while the pointer rests on a button.
#pragma once

#include <wx/aui/auibar.h>

#include <cstdint>
#include <vector>

class CToolBar24 : public wxAuiToolBar
{
public:
    CToolBar24(wxWindow* parent, wxWindowID id = wxID_ANY);

    // Derives the three picture sets from bitmap `id` (pictures side by side, in the order of the
    // buttons) and gives them to the buttons already added; `transparent` pixels become clear.
    void SetImagesFromBitmap(int id, std::uint32_t transparent);

    const std::vector<wxBitmap>& HotImages() const { return m_hotImages; }
    const std::vector<wxBitmap>& NormalImages() const { return m_normalImages; }
    const std::vector<wxBitmap>& DisabledImages() const { return m_disabledImages; }

private:
    std::vector<wxBitmap> m_hotImages;
    std::vector<wxBitmap> m_disabledImages;
    std::vector<wxBitmap> m_normalImages;
};
