// The toolbar's three picture sets and the hot picture under the pointer.
#include "decorations/ToolBar24.h"
#include "resources/Resources.h"
#include "tests/gui/DialogHook.h"

#include <wx/aui/framemanager.h>
#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/image.h>

#include <gtest/gtest.h>

namespace {

class ToolBarTest : public GuiTest
{
protected:
    void SetUp() override
    {
        m_frame = new wxFrame(nullptr, wxID_ANY, "toolbar", wxDefaultPosition, wxSize(400, 100));
        m_bar = new CToolBar24(m_frame);
        for (int i = 0; i < 8; ++i) {
            if (i == 2 || i == 4)
                m_bar->AddSeparator();
            m_bar->AddTool(1000 + i, "tool", wxBitmap(24, 24));
        }
        m_bar->SetImagesFromBitmap(IDB_TOOLBAR, kToolbarTransparent, IDB_TOOLBAR_2X);
        m_bar->Realize();
        m_frame->Show();
    }

    void TearDown() override
    {
        DestroyNow(m_frame);
        GuiTest::TearDown();
    }

    wxFrame* m_frame = nullptr;
    CToolBar24* m_bar = nullptr;
};

wxColour Pixel(const wxBitmap& bitmap, int x, int y)
{
    const wxImage image = bitmap.ConvertToImage();
    return wxColour(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y));
}

bool IsClear(const wxBitmap& bitmap, int x, int y)
{
    const wxImage image = bitmap.ConvertToImage();
    return image.IsTransparent(x, y);
}

TEST_F(ToolBarTest, EightPicturesInEachSetWithMagentaClear)
{
    ASSERT_EQ(m_bar->HotImages().size(), 8u);
    ASSERT_EQ(m_bar->NormalImages().size(), 8u);
    ASSERT_EQ(m_bar->DisabledImages().size(), 8u);
    for (std::size_t i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        for (const wxBitmap* picture :
             {&m_bar->HotImages()[i], &m_bar->NormalImages()[i], &m_bar->DisabledImages()[i]}) {
            EXPECT_EQ(picture->GetWidth(), 24);
            EXPECT_EQ(picture->GetHeight(), 24);
            EXPECT_TRUE(IsClear(*picture, 0, 0)); // every picture has a magenta corner
        }
    }
    // The About picture's middle is blue: lighter when normal, grey when disabled.
    const wxColour hot = Pixel(m_bar->HotImages()[7], 12, 15);
    const wxColour normal = Pixel(m_bar->NormalImages()[7], 12, 15);
    const wxColour disabled = Pixel(m_bar->DisabledImages()[7], 12, 15);
    EXPECT_GT(normal.Red() + normal.Green() + normal.Blue(), hot.Red() + hot.Green() + hot.Blue());
    EXPECT_EQ(disabled.Red(), disabled.Green());
    EXPECT_EQ(disabled.Green(), disabled.Blue());
    // The buttons carry them, separators skipped.
    wxAuiToolBarItem* last = m_bar->FindTool(1007);
    ASSERT_NE(last, nullptr);
    EXPECT_TRUE(last->GetHoverBitmapBundle().IsOk());
    EXPECT_EQ(Pixel(last->GetBitmapFor(m_bar), 12, 15), normal);
}

// Pixels where two pictures of one size differ, in colour or in being clear.
int DifferingPixels(const wxImage& a, const wxImage& b)
{
    int differing = 0;
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = 0; x < a.GetWidth(); ++x)
            if (a.IsTransparent(x, y) != b.IsTransparent(x, y) ||
                (!a.IsTransparent(x, y) &&
                 (a.GetRed(x, y) != b.GetRed(x, y) || a.GetGreen(x, y) != b.GetGreen(x, y) ||
                  a.GetBlue(x, y) != b.GetBlue(x, y))))
                ++differing;
    return differing;
}

TEST_F(ToolBarTest, AtTwiceTheScaleTheButtonsShowTheArtDrawnAtThatSizeNotDoubledPixels)
{
    int drawnAfresh = 0;
    for (int i = 0; i < 8; ++i) {
        const wxAuiToolBarItem* item = m_bar->FindTool(1000 + i);
        ASSERT_NE(item, nullptr);
        const char* names[] = {"normal", "disabled", "hot"};
        const wxBitmapBundle* bundles[] = {&item->GetBitmapBundle(), &item->GetDisabledBitmapBundle(),
                                           &item->GetHoverBitmapBundle()};
        for (int set = 0; set < 3; ++set) {
            SCOPED_TRACE(std::to_string(i) + " " + names[set]);
            const wxImage single = bundles[set]->GetBitmap(wxSize(24, 24)).ConvertToImage();
            const wxImage large = bundles[set]->GetBitmap(wxSize(48, 48)).ConvertToImage();
            ASSERT_EQ(large.GetSize(), wxSize(48, 48));
            EXPECT_TRUE(large.IsTransparent(0, 0));
            // The same art, processed alike: it differs from the small one doubled only at edges.
            const int differing = DifferingPixels(large, single.Scale(48, 48, wxIMAGE_QUALITY_NEAREST));
            EXPECT_LT(differing, 48 * 48 / 10);
            drawnAfresh += differing > 0 ? 1 : 0;
        }
    }
    // Discs, rings, slants and the octagon come out smoother than doubled pixels in every set.
    EXPECT_GE(drawnAfresh, 3 * 6);
}

TEST_F(ToolBarTest, TheHotPictureIsDrawnWhileThePointerRestsOnAnEnabledButton)
{
    wxAuiToolBarItem item = *m_bar->FindTool(1007);
    auto draw = [&](int state) {
        wxBitmap canvas(40, 40);
        wxMemoryDC dc(canvas);
        dc.SetBackground(*wxWHITE_BRUSH);
        dc.Clear();
        item.SetState(state);
        m_bar->GetArtProvider()->DrawButton(dc, m_bar, item, wxRect(0, 0, 40, 40));
        dc.SelectObject(wxNullBitmap);
        return canvas;
    };
    const wxColour hot = Pixel(m_bar->HotImages()[7], 12, 15);
    const wxColour normal = Pixel(m_bar->NormalImages()[7], 12, 15);
    auto contains = [](const wxBitmap& canvas, const wxColour& colour) {
        const wxImage image = canvas.ConvertToImage();
        for (int y = 0; y < image.GetHeight(); ++y)
            for (int x = 0; x < image.GetWidth(); ++x)
                if (wxColour(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y)) == colour)
                    return true;
        return false;
    };
    const wxBitmap hovered = draw(wxAUI_BUTTON_STATE_HOVER);
    EXPECT_TRUE(contains(hovered, hot));
    EXPECT_FALSE(contains(hovered, normal));
    const wxBitmap resting = draw(wxAUI_BUTTON_STATE_NORMAL);
    EXPECT_TRUE(contains(resting, normal));
    EXPECT_FALSE(contains(resting, hot));
}

} // namespace
