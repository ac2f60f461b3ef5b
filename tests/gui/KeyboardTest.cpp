// A cleanup from start-up with the keyboard alone: every key goes through the X server to the real
// window, its menus and its dialogs, as a user's keyboard sends it.
#include "app/MainFrame.h"
#include "tests/gui/DialogHook.h"
#include "tests/support/PumpUntil.h"
#include "tests/support/TempTree.h"
#include "tests/support/XInput.h"
#include "views/FileView.h"
#include "views/FolderView.h"

#include <wx/dialog.h>
#include <wx/fileconf.h>
#include <wx/menu.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <gtk/gtk.h>

namespace {

class KeyboardTest : public GuiTest
{
protected:
    void SetUp() override
    {
        for (const char* copy : {"a/same.txt", "b/same.txt", "c/same.txt"})
            m_tree.Write(copy, "three copies");
        for (const char* copy : {"a/pair.txt", "b/pair.txt"})
            m_tree.Write(copy, "two copies");
        m_config = MakeSettings(m_home.Path("Quorvel.conf"));
        m_config->Write("/Folders/Folder0", wxString::FromUTF8(m_tree.Root()));
        m_frame = new CMainFrame(m_config.get());
        m_frame->Show();
        wxYield();
        TakeKeyboard();
    }

    // A bare X server has no window manager to hand out the keyboard, nor to give it back when a dialog
    // closes: the window takes it itself.
    void TakeKeyboard()
    {
        gtk_window_present(GTK_WINDOW(m_frame->GetHandle()));
        ASSERT_TRUE(PumpUntil([this] { return m_frame->IsActive(); }));
    }

    void TearDown() override
    {
        DestroyNow(m_frame);
        GuiTest::TearDown();
    }

    bool HasFocus(wxWindow* list) const
    {
        for (wxWindow* window = wxWindow::FindFocus(); window != nullptr; window = window->GetParent())
            if (window == list)
                return true;
        return false;
    }

    // The next popup menu or modal dialog is shown for real, and these keys reach it once it shows.
    void AnswerWithKeys(std::vector<std::string> keys)
    {
        CFileView* view = m_frame->GetFileView();
        view->SetMenuPresenter([this, view, keys](wxMenu& menu, const wxPoint& at) {
            m_menuAt = at;
            view->CallAfter([keys] { Press(keys); });
            view->PopupMenu(&menu, at);
        });
        CDialogHook::Instance().SetAnswer([keys](wxDialog* dialog) {
            dialog->CallAfter([dialog, keys] {
                PumpUntil([dialog] { return gtk_widget_get_mapped(GTK_WIDGET(dialog->GetHandle())); });
                gtk_window_present(GTK_WINDOW(dialog->GetHandle()));
                Press(keys);
            });
            return static_cast<int>(wxID_NONE); // shown as it is
        });
    }

    static void Press(const std::vector<std::string>& keys)
    {
        for (const std::string& key : keys)
            EXPECT_TRUE(xinput::PressKeys(key)) << key;
    }

    CTempTree m_home;
    CTempTree m_tree;
    std::unique_ptr<wxFileConfig> m_config;
    CMainFrame* m_frame = nullptr;
    wxPoint m_menuAt;
};

TEST_F(KeyboardTest, ACleanupFromStartUpNeedsNoMouse)
{
    CFileView* view = m_frame->GetFileView();
    // The pane keys lead from list to list, whichever had the keyboard first.
    Press({"F6"});
    const bool inFolders = HasFocus(m_frame->GetFolderView());
    EXPECT_TRUE(inFolders || HasFocus(view));
    if (inFolders)
        Press({"F6"});
    EXPECT_TRUE(HasFocus(view));

    // The dialogs answer their keys: the folder picker cancelled, then taken with Return on the folder it
    // opens at, which the list refuses in a message box that Return closes.
    AnswerWithKeys({"Escape"});
    Press({"alt+p", "a"});
    TakeKeyboard();
    AnswerWithKeys({"Return"});
    Press({"alt+p", "a"});
    TakeKeyboard();
    const std::vector<ShownDialog> dialogs = CDialogHook::Instance().TakeShown();
    ASSERT_EQ(dialogs.size(), 3u);
    EXPECT_TRUE(dialogs[2].message.Contains("already exist")) << dialogs[2].message;
    EXPECT_EQ(m_frame->GetFolderView()->GetItemCount(), 1);

    Press({"alt+p", "f"}); // Scan Folders
    ASSERT_TRUE(PumpUntil([&] { return !m_frame->HoldsEngine() && view->GetItemCount() == 5; }));
    Press({"F6", "F6"}); // there and back: the list had the keyboard before
    ASSERT_TRUE(HasFocus(view));
    Press({"Down", "alt+e", "d", "f"}); // Select Duplicates > Keep the First of Each Group
    EXPECT_EQ(view->SelectedRowCount(), 3u);

    // The menu key and Shift+F10 open the list's menu at the current row, on the selection as it is.
    wxRect current;
    view->GetItemRect(view->GetFocusedRow(), current);
    AnswerWithKeys({"Escape"});
    Press({"Menu"});
    EXPECT_TRUE(current.Contains(m_menuAt - wxPoint(0, 1))) << m_menuAt.x << "," << m_menuAt.y;
    EXPECT_EQ(view->SelectedRowCount(), 3u);
    AnswerWithKeys({"Down", "Return"}); // Delete
    m_menuAt = wxDefaultPosition;
    Press({"shift+F10"});
    EXPECT_TRUE(current.Contains(m_menuAt - wxPoint(0, 1)));
    ASSERT_TRUE(PumpUntil([&] { return view->GetItemCount() == 2; }));
    for (const char* kept : {"a/same.txt", "a/pair.txt"})
        EXPECT_TRUE(std::filesystem::exists(m_tree.Path(kept))) << kept;
    for (const char* gone : {"b/same.txt", "c/same.txt", "b/pair.txt"})
        EXPECT_FALSE(std::filesystem::exists(m_tree.Path(gone))) << gone;
}

} // namespace
