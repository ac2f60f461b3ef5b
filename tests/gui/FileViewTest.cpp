// The duplicates list in a real window: columns, widths, rows and colours, the tip and the anchor.
#include "views/FileView.h"

#include "engine/FileItem.h"
#include "tests/gui/DialogHook.h"
#include "tests/support/TempTree.h"

#include <wx/fileconf.h>
#include <wx/frame.h>
#include <wx/sizer.h>
#include <wx/tooltip.h>

#include <gtest/gtest.h>

#include <memory>

namespace {

class FileViewTest : public GuiTest
{
protected:
    void SetUp() override
    {
        m_config = MakeSettings(m_tree.Path("settings.conf"));
        MakeView(wxSize(800, 400));
    }

    void TearDown() override
    {
        CloseView();
        GuiTest::TearDown();
    }

    void MakeView(wxSize size)
    {
        m_frame = new wxFrame(nullptr, wxID_ANY, "test", wxDefaultPosition, size);
        m_view = new CFileView(m_frame, m_config.get());
        m_frame->SetSizer(new wxBoxSizer(wxVERTICAL));
        m_frame->GetSizer()->Add(m_view, 1, wxEXPAND);
        m_frame->Show();
        m_frame->Layout();
        m_view->OnInitialUpdate();
        m_view->OnInitialUpdate();
    }

    void CloseView()
    {
        DestroyNow(m_frame);
        m_frame = nullptr;
    }

    void AddGroups(int groups)
    {
        for (int g = 0; g < groups; ++g) {
            m_view->AddFileRow("/g" + std::to_string(g) + "/a.txt", 10, 1600000000);
            m_view->AddFileRow("/g" + std::to_string(g) + "/b.txt", 10, 1600000000);
            m_view->AddFileRow(GROUP_SEPARATOR, 0, 0);
        }
    }

    CTempTree m_tree;
    std::unique_ptr<wxFileConfig> m_config;
    wxFrame* m_frame = nullptr;
    CFileView* m_view = nullptr;
};

TEST_F(FileViewTest, ColumnsFollowTheClientWidthAndStoredWidthsWin)
{
    ASSERT_EQ(m_view->GetColumnCount(), 5);
    const char* headings[] = {"File", "Location", "Type", "Size", "Last Modified"};
    for (int column = 0; column < 5; ++column) {
        wxListItem item;
        item.SetMask(wxLIST_MASK_TEXT);
        m_view->GetColumn(column, item);
        EXPECT_EQ(item.GetText(), headings[column]);
    }
    const std::vector<int> expected = CFileView::DefaultColumnWidths(m_view->GetClientSize().GetWidth());
    for (int column = 0; column < 5; ++column)
        EXPECT_EQ(m_view->GetColumnWidth(column), expected[static_cast<std::size_t>(column)]);
    EXPECT_EQ(CFileView::DefaultColumnWidths(600), (std::vector<int>{120, 120, 120, 70, 170}));
    EXPECT_EQ(CFileView::DefaultColumnWidths(601), (std::vector<int>{180, 180, 180, 70, 170}));

    m_view->SetColumnWidth(1, 321);
    CloseView();
    EXPECT_EQ(m_config->ReadLong("/FileView/width1", 0), 321);
    m_config->Write("/FileView/width2", 0L); // zero keeps the default
    MakeView(wxSize(800, 400));
    EXPECT_EQ(m_view->GetColumnWidth(1), 321);
    EXPECT_EQ(m_view->GetColumnWidth(2),
              CFileView::DefaultColumnWidths(m_view->GetClientSize().GetWidth())[2]);
}

TEST_F(FileViewTest, GroupsShowAsRunsOfColourAndTextsComeFromTheRows)
{
    AddGroups(4);
    ASSERT_EQ(m_view->GetItemCount(), 8);
    const wxColour colours[] = {wxColour(200, 255, 255), wxColour(255, 200, 255), wxColour(255, 255, 200)};
    const int expected[] = {0, 0, 1, 1, 2, 2, 0, 0};
    for (long row = 0; row < 8; ++row)
        EXPECT_EQ(m_view->OnGetItemAttr(row)->GetBackgroundColour(), colours[expected[row]]) << row;
    EXPECT_EQ(m_view->GetItemText(2, 0), "a.txt");
    EXPECT_EQ(m_view->GetItemText(2, 1), "/g1");
    EXPECT_EQ(m_view->GetItemText(2, 3), "10");
    EXPECT_FALSE(m_view->GetItemText(2, 4).empty());
}

TEST_F(FileViewTest, AFrozenRefillOfManyRowsShowsThemOnThaw)
{
    m_view->Freeze();
    m_view->DeleteAllRows();
    m_view->FreeRowRecords();
    for (int i = 0; i < 5000; ++i)
        m_view->AddFileRow("/many/" + std::to_string(i) + ".bin", i, 0);
    EXPECT_EQ(m_view->GetItemCount(), 0);
    m_view->Thaw();
    EXPECT_EQ(m_view->GetItemCount(), 5000);
    EXPECT_EQ(m_view->GetItemText(4999, 0), "4999.bin");

    m_view->DeleteAllRows();
    m_view->FreeRowRecords();
    EXPECT_EQ(m_view->GetItemCount(), 0);
}

TEST_F(FileViewTest, TheTipShowsThePathOfTheRowUnderThePointer)
{
    AddGroups(3);
    wxYield();
    // The rows are drawn by a child window of the list, which also gets the pointer's moves.
    wxWindow* rowsWindow = m_view;
    for (wxWindow* child : m_view->GetChildren())
        if (child->GetClientSize().GetHeight() > rowsWindow->GetClientSize().GetHeight() / 2)
            rowsWindow = child;
    wxRect rect;
    ASSERT_TRUE(m_view->GetItemRect(4, rect));
    rect.SetPosition(rowsWindow->ScreenToClient(m_view->ClientToScreen(rect.GetPosition())));
    auto moveTo = [&](wxPoint point) {
        wxMouseEvent motion(wxEVT_MOTION);
        motion.SetPosition(point);
        motion.SetEventObject(rowsWindow);
        rowsWindow->GetEventHandler()->ProcessEvent(motion);
    };
    // The anchor is elsewhere: the tip still follows the pointer.
    m_view->Focus(0);
    moveTo(rect.GetPosition() + wxPoint(5, rect.GetHeight() / 2));
    ASSERT_NE(rowsWindow->GetToolTip(), nullptr);
    EXPECT_EQ(rowsWindow->GetToolTip()->GetTip(), "/g2/a.txt");
    moveTo(wxPoint(5, rect.GetBottom() + 20 * rect.GetHeight()));
    EXPECT_EQ(rowsWindow->GetToolTip(), nullptr);

    // After a refill the same row holds another file: the tip must not keep the old one.
    moveTo(rect.GetPosition() + wxPoint(5, rect.GetHeight() / 2));
    m_view->DeleteAllRows();
    m_view->FreeRowRecords();
    for (int i = 0; i < 6; ++i)
        m_view->AddFileRow("/new/" + std::to_string(i), 1, 0);
    moveTo(rect.GetPosition() + wxPoint(6, rect.GetHeight() / 2));
    ASSERT_NE(rowsWindow->GetToolTip(), nullptr);
    EXPECT_EQ(rowsWindow->GetToolTip()->GetTip(), "/new/4");
}

TEST_F(FileViewTest, TheAnchorIsWhereASelectionLastStarted)
{
    AddGroups(2);
    EXPECT_EQ(m_view->GetAnchorRow(), -1);
    wxListEvent focused(wxEVT_LIST_ITEM_FOCUSED, m_view->GetId());
    focused.m_itemIndex = 2;
    focused.SetEventObject(m_view);
    m_view->GetEventHandler()->ProcessEvent(focused);
    EXPECT_EQ(m_view->GetAnchorRow(), 2);
    m_view->Select(1);
    m_view->Select(3);
    EXPECT_EQ(m_view->GetSelectedRows(), (std::vector<std::size_t>{1, 3}));
    m_view->DeleteAllRows();
    EXPECT_EQ(m_view->GetAnchorRow(), -1);
}

} // namespace
