// The duplicates list in a real window: columns, widths, rows and colours, the tip and the anchor.
#include "views/FileView.h"

#include "engine/FileItem.h"
#include "tests/gui/DialogHook.h"
#include "tests/gui/ListInput.h"
#include "tests/support/PumpUntil.h"
#include "tests/support/TempTree.h"
#include "tests/support/XInput.h"
#include "views/ThemeColors.h"

#include <wx/fileconf.h>
#include <wx/frame.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/tooltip.h>

#include <gtest/gtest.h>

#include <gtk/gtk.h>
#include <memory>
#include <vector>

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
            m_view->AddPastedRow("/g" + std::to_string(g) + "/a.txt", 10, 1600000000);
            m_view->AddPastedRow("/g" + std::to_string(g) + "/b.txt", 10, 1600000000);
            m_view->AddGroupSeparator();
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

TEST_F(FileViewTest, GroupRowsKeepTheirColoursWithDarkTextUnderADarkTheme)
{
    const wxColour colours[] = {wxColour(200, 255, 255), wxColour(255, 200, 255), wxColour(255, 255, 200)};
    m_view->SetBackgroundColour(wxColour(45, 45, 45));
    m_view->SetForegroundColour(wxColour(238, 238, 236));
    AddGroups(3);
    for (long row = 0; row < 6; ++row) {
        SCOPED_TRACE(row);
        const wxItemAttr* attr = m_view->OnGetItemAttr(row);
        EXPECT_EQ(attr->GetBackgroundColour(), colours[row / 2]);
        ASSERT_TRUE(attr->HasTextColour());
        const std::uint32_t text = attr->GetTextColour().GetRGB();
        EXPECT_GE(ContrastRatio(text, attr->GetBackgroundColour().GetRGB()), kReadableContrast);
        EXPECT_GT(ContrastRatio(text, 0xFFFFFF), ContrastRatio(text, 0x000000));
    }
}

TEST_F(FileViewTest, AFrozenRefillOfManyRowsShowsThemOnThaw)
{
    m_view->Freeze();
    m_view->DeleteAllRows();
    m_view->FreeRowRecords();
    for (int i = 0; i < 5000; ++i)
        m_view->AddPastedRow("/many/" + std::to_string(i) + ".bin", i, 0);
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
        m_view->AddPastedRow("/new/" + std::to_string(i), 1, 0);
    moveTo(rect.GetPosition() + wxPoint(6, rect.GetHeight() / 2));
    ASSERT_NE(rowsWindow->GetToolTip(), nullptr);
    EXPECT_EQ(rowsWindow->GetToolTip()->GetTip(), "/new/4");
}

TEST_F(FileViewTest, TheTipNamesTheRowUnderThePointerOrNothingInEveryPartOfTheList)
{
    AddGroups(3); // /g0/a.txt, /g0/b.txt, /g1/a.txt, ...
    wxYield();
    wxWindow* rows = RowsWindowOf(m_view);
    // Whichever part of the list holds a tip, it must name the row under the pointer.
    auto tips = [&] {
        std::vector<std::string> shown;
        for (wxWindow* part : m_view->GetChildren())
            if (part->GetToolTip() != nullptr)
                shown.push_back((part == rows ? "rows: " : "other: ") +
                                part->GetToolTip()->GetTip().utf8_string());
        if (m_view->GetToolTip() != nullptr)
            shown.push_back("list: " + m_view->GetToolTip()->GetTip().utf8_string());
        return shown;
    };
    using Tips = std::vector<std::string>;

    for (const long row : {0L, 1L, 4L, 0L}) {
        SCOPED_TRACE(row);
        PointAtRow(m_view, row, 5 + static_cast<int>(row));
        EXPECT_EQ(tips(), (Tips{"rows: " + m_view->Rows().TipText(static_cast<std::size_t>(row))}));
    }

    // The row under the pointer goes: its path must not stay on the new first row.
    m_view->SelectRow(0);
    ASSERT_TRUE(m_view->RemoveSelectedRows());
    for (const std::string& tip : tips())
        EXPECT_EQ(tip, "rows: /g0/b.txt");
    PointAtRow(m_view, 0, 7);
    EXPECT_EQ(tips(), (Tips{"rows: /g0/b.txt"}));

    // Over the column headings no row is under the pointer.
    LeaveWindow(rows);
    for (wxWindow* part : m_view->GetChildren())
        if (part != rows)
            MovePointer(m_view, part, wxPoint(20, 5));
    EXPECT_EQ(tips(), Tips{});
}

TEST_F(FileViewTest, ClicksAndKeysSelectAsInAnyListAndTheListDrawsTheSelection)
{
    AddGroups(4); // 8 rows
    wxYield();    // laid out as on screen, where the toolkit's list would act on a click
    EXPECT_EQ(m_view->GetAnchorRow(), -1);
    auto selected = [this] { return m_view->GetSelectedRows(); };
    using Rows = std::vector<std::size_t>;

    ClickRow(m_view, 2);
    EXPECT_EQ(selected(), (Rows{2}));
    EXPECT_EQ(m_view->GetAnchorRow(), 2);
    ClickRow(m_view, 5, wxMOD_CONTROL);
    EXPECT_EQ(selected(), (Rows{2, 5}));
    ClickRow(m_view, 7, wxMOD_SHIFT); // from the anchor, the others go
    EXPECT_EQ(selected(), (Rows{5, 6, 7}));
    ClickRow(m_view, 3, wxMOD_SHIFT | wxMOD_CONTROL); // added
    EXPECT_EQ(selected(), (Rows{3, 4, 5, 6, 7}));
    EXPECT_EQ(m_view->GetAnchorRow(), 5);
    ClickRow(m_view, 4, wxMOD_CONTROL);
    EXPECT_EQ(selected(), (Rows{3, 5, 6, 7}));
    EXPECT_EQ(m_view->GetAnchorRow(), 4);
    EXPECT_EQ(m_view->GetFocusedRow(), 4);
    EXPECT_EQ(m_view->GetItemState(4, wxLIST_STATE_FOCUSED), wxLIST_STATE_FOCUSED);

    // Selected rows are drawn in the system's colours, the others in their group's as before.
    EXPECT_EQ(m_view->OnGetItemAttr(3)->GetBackgroundColour(),
              wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT));
    EXPECT_EQ(m_view->OnGetItemAttr(3)->GetTextColour(),
              wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHTTEXT));
    EXPECT_EQ(m_view->OnGetItemAttr(4)->GetBackgroundColour(), wxColour(255, 255, 200));
    EXPECT_FALSE(m_view->OnGetItemAttr(4)->HasTextColour());

    ClickRow(m_view, 0);
    PressKey(m_view, WXK_DOWN, wxMOD_SHIFT);
    PressKey(m_view, WXK_DOWN, wxMOD_SHIFT);
    EXPECT_EQ(selected(), (Rows{0, 1, 2}));
    PressKey(m_view, WXK_DOWN, wxMOD_CONTROL); // the focus alone moves
    EXPECT_EQ(m_view->GetFocusedRow(), 3);
    PressKey(m_view, WXK_SPACE, wxMOD_CONTROL);
    EXPECT_EQ(selected(), (Rows{0, 1, 2, 3}));
    EXPECT_EQ(m_view->GetAnchorRow(), 3);
    PressKey(m_view, WXK_END);
    EXPECT_EQ(selected(), (Rows{7}));
    PressKey(m_view, WXK_UP, wxMOD_SHIFT);
    EXPECT_EQ(selected(), (Rows{6, 7}));
    PressKey(m_view, 'g', wxMOD_NONE, wxEVT_CHAR); // typing selects nothing behind the list's back
    PressKey(m_view, 'A', wxMOD_CONTROL);
    EXPECT_EQ(m_view->SelectedRowCount(), 8u);
    // The toolkit's own selection stays empty whatever was clicked or typed.
    EXPECT_EQ(m_view->wxListCtrl::GetSelectedItemCount(), 0);
    ClickRow(m_view, 20); // below the rows
    EXPECT_EQ(m_view->SelectedRowCount(), 0u);

    m_view->SelectRowRange(5, 2);
    m_view->DeleteAllRows();
    EXPECT_EQ(m_view->GetAnchorRow(), -1);
    AddGroups(3);
    EXPECT_EQ(m_view->SelectedRowCount(), 0u); // a refilled list starts with no selection
    m_view->Focus(3);                          // where the toolkit's list puts its focus, the keys go on from
    PressKey(m_view, WXK_DOWN);
    EXPECT_EQ(selected(), (Rows{4}));
}

TEST_F(FileViewTest, AClickAndCtrlAThroughTheServerSelectEveryRow)
{
    AddGroups(4);
    gtk_window_present(GTK_WINDOW(m_frame->GetHandle())); // no window manager hands out the keyboard
    wxRect rect;
    m_view->GetItemRect(2, rect);
    ASSERT_TRUE(
        xinput::ClickAt(m_view->ClientToScreen(rect.GetPosition()) + wxPoint(5, rect.GetHeight() / 2)));
    ASSERT_TRUE(PumpUntil([this] { return m_view->SelectedRowCount() == 1; }));
    EXPECT_EQ(m_view->GetAnchorRow(), 2);
    ASSERT_TRUE(xinput::PressKeys("ctrl+a"));
    EXPECT_EQ(m_view->SelectedRowCount(), 8u);
}

TEST_F(FileViewTest, AReadersTableMakesOnlyTheCellsAskedForAndKeepsNoneNobodyHolds)
{
    AddGroups(2);
    AtkObject* table = gtk_widget_get_accessible(GTK_WIDGET(m_view->GetRowsWindow()->GetHandle()));
    ASSERT_TRUE(ATK_IS_TABLE(table));
    EXPECT_EQ(atk_table_get_n_rows(ATK_TABLE(table)), 4);
    AtkObject* cell = atk_table_ref_at(ATK_TABLE(table), 1, 0);
    EXPECT_STREQ(atk_object_get_name(cell), "b.txt");
    AtkObject* again = atk_table_ref_at(ATK_TABLE(table), 1, 0);
    EXPECT_EQ(again, cell); // one object while somebody holds it
    g_object_unref(again);

    // Once the rows change, a cell held still is defunct; and a cell nobody holds is gone.
    m_view->AddPastedRow("/g9/a.txt", 10, 1600000000);
    wxTheApp->ProcessIdle();
    AtkStateSet* states = atk_object_ref_state_set(cell);
    EXPECT_TRUE(atk_state_set_contains_state(states, ATK_STATE_DEFUNCT));
    g_object_unref(states);
    gpointer watched = cell;
    g_object_add_weak_pointer(G_OBJECT(cell), &watched);
    g_object_unref(cell);
    EXPECT_EQ(watched, nullptr);
}

TEST_F(FileViewTest, CtrlATellsTheCellsShownAndAReaderWalksTheSelectionInOrder)
{
    AddGroups(150); // far more rows than the window shows
    wxTheApp->ProcessIdle();
    AtkObject* table = gtk_widget_get_accessible(GTK_WIDGET(m_view->GetRowsWindow()->GetHandle()));
    ASSERT_TRUE(ATK_IS_TABLE(table));
    // A reader that walked every cell holds them all.
    int told = 0;
    std::vector<AtkObject*> held;
    for (gint row = 0; row < 300; ++row) {
        held.push_back(atk_table_ref_at(ATK_TABLE(table), row, 0));
        g_signal_connect_swapped(held.back(), "state-change::selected",
                                 G_CALLBACK(+[](int* count) { ++*count; }), &told);
    }
    m_view->SelectAllRows();
    wxTheApp->ProcessIdle();
    EXPECT_GT(told, 0);
    EXPECT_LT(told, 100); // the rows on screen, not every cell held
    // The selected cells in order, asked for one after another and then again from the start.
    EXPECT_EQ(atk_selection_get_selection_count(ATK_SELECTION(table)), 300 * CFileView::kColumns);
    for (const gint row : {0, 1, 2, 299, 5}) {
        AtkObject* cell = atk_selection_ref_selection(ATK_SELECTION(table), row * CFileView::kColumns);
        EXPECT_STREQ(atk_object_get_name(cell), row % 2 == 0 ? "a.txt" : "b.txt");
        EXPECT_EQ(cell, held[static_cast<std::size_t>(row)]);
        g_object_unref(cell);
    }
    for (AtkObject* cell : held)
        g_object_unref(cell);
}

} // namespace
