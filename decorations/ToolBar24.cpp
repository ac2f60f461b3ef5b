// The default art of the AUI toolbar never draws a hover picture; this one does, for enabled buttons.
#include "decorations/ToolBar24.h"

#include "decorations/BitmapEdge.h"
#include "resources/Resources.h"

#include <wx/aui/framemanager.h>

namespace {

class CHotToolBarArt : public wxAuiDefaultToolBarArt
{
public:
    wxAuiToolBarArt* Clone() override { return new CHotToolBarArt(*this); }

    void DrawButton(wxDC& dc, wxWindow* window, const wxAuiToolBarItem& item, const wxRect& rect) override
    {
        const int state = item.GetState();
        if ((state & wxAUI_BUTTON_STATE_HOVER) != 0 && (state & wxAUI_BUTTON_STATE_DISABLED) == 0 &&
            item.GetHoverBitmapBundle().IsOk()) {
            wxAuiToolBarItem hot(item);
            hot.SetBitmap(item.GetHoverBitmapBundle());
            wxAuiDefaultToolBarArt::DrawButton(dc, window, hot, rect);
            return;
        }
        wxAuiDefaultToolBarArt::DrawButton(dc, window, item, rect);
    }
};

} // namespace

CToolBar24::CToolBar24(wxWindow* parent, wxWindowID id)
    : wxAuiToolBar(parent, id, wxDefaultPosition, wxDefaultSize, wxAUI_TB_DEFAULT_STYLE | wxAUI_TB_GRIPPER)
{
    SetArtProvider(new CHotToolBarArt);
    SetToolBitmapSize(wxSize(kToolbarPictureSize, kToolbarPictureSize));
}

void CToolBar24::SetImagesFromBitmap(int id, std::uint32_t transparent)
{
    CEnBitmap hot;
    LoadBitmapResource(id, hot);
    m_hotImages = CutMasked(hot, kToolbarPictureSize, transparent);

    // The processors are given magenta itself, whatever the mask colour: the strip is drawn on it.
    CEnBitmap disabled(0xFFFFFF);
    LoadBitmapResource(id, disabled);
    disabled.GrayOut(kToolbarTransparent);
    m_disabledImages = CutMasked(disabled, kToolbarPictureSize, transparent);

    CEnBitmap normal(0xFFFFFF);
    LoadBitmapResource(id, normal);
    normal.Brighten(kToolbarTransparent);
    m_normalImages = CutMasked(normal, kToolbarPictureSize, transparent);

    std::size_t picture = 0;
    for (std::size_t i = 0; i < GetToolCount(); ++i) {
        wxAuiToolBarItem* item = FindToolByIndex(static_cast<int>(i));
        // Only buttons take a picture: separators, spacers, labels and controls do not.
        if (item == nullptr || item->GetKind() < wxITEM_NORMAL || item->GetKind() >= wxITEM_MAX)
            continue;
        if (picture < m_normalImages.size())
            item->SetBitmap(m_normalImages[picture]);
        if (picture < m_disabledImages.size())
            item->SetDisabledBitmap(m_disabledImages[picture]);
        if (picture < m_hotImages.size())
            item->SetHoverBitmap(m_hotImages[picture]);
        ++picture;
    }
    Refresh();
}
