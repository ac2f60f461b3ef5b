// The default art of the AUI toolbar never draws a hover picture; this one does, for enabled buttons.
#include "decorations/ToolBar24.h"

#include "decorations/BarReaders.h"
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
    m_reader = std::make_unique<CToolBarReader>(*this);
}

CToolBar24::~CToolBar24() = default;

CToolBar24::PictureSets CToolBar24::MakePictureSets(int id, int size, std::uint32_t transparent)
{
    PictureSets sets;
    CEnBitmap hot;
    LoadBitmapResource(id, hot);
    sets.hot = CutMasked(hot, size, transparent);

    // The processors are given magenta itself, whatever the mask colour: the strip is drawn on it.
    CEnBitmap disabled(0xFFFFFF);
    LoadBitmapResource(id, disabled);
    disabled.GrayOut(kToolbarTransparent);
    sets.disabled = CutMasked(disabled, size, transparent);

    CEnBitmap normal(0xFFFFFF);
    LoadBitmapResource(id, normal);
    normal.Brighten(kToolbarTransparent);
    sets.normal = CutMasked(normal, size, transparent);
    return sets;
}

void CToolBar24::SetImagesFromBitmap(int id, std::uint32_t transparent, int doubleSizeId)
{
    m_sets[0] = MakePictureSets(id, kToolbarPictureSize, transparent);
    m_sets[1] = doubleSizeId != 0 ? MakePictureSets(doubleSizeId, 2 * kToolbarPictureSize, transparent)
                                  : PictureSets();
    // The toolkit picks the drawing for the screen's scale from each bundle.
    auto bundle = [](const std::vector<wxBitmap>& single, const std::vector<wxBitmap>& doubled,
                     std::size_t picture) {
        return picture < doubled.size() ? wxBitmapBundle::FromBitmaps(single[picture], doubled[picture])
                                        : wxBitmapBundle(single[picture]);
    };

    std::size_t picture = 0;
    for (std::size_t i = 0; i < GetToolCount(); ++i) {
        wxAuiToolBarItem* item = FindToolByIndex(static_cast<int>(i));
        // Only buttons take a picture: separators, spacers, labels and controls do not.
        if (item == nullptr || item->GetKind() < wxITEM_NORMAL || item->GetKind() >= wxITEM_MAX)
            continue;
        if (picture < m_sets[0].normal.size())
            item->SetBitmap(bundle(m_sets[0].normal, m_sets[1].normal, picture));
        if (picture < m_sets[0].disabled.size())
            item->SetDisabledBitmap(bundle(m_sets[0].disabled, m_sets[1].disabled, picture));
        if (picture < m_sets[0].hot.size())
            item->SetHoverBitmap(bundle(m_sets[0].hot, m_sets[1].hot, picture));
        ++picture;
    }
    Refresh();
}
