// Scan Options in the real window: the dialog refuses what it cannot use and keeps what was typed,
// valid options are saved where quorvel-scan --saved-options reads them, and after a scan the
// selection pane says what the copies cost and that options left something out.
#include "app/MainFrame.h"
#include "app/ScanOptionsDlg.h"
#include "resources/Commands.h"
#include "tests/gui/DialogHook.h"
#include "tests/support/PumpUntil.h"
#include "tests/support/TempTree.h"
#include "views/FileView.h"
#include "views/FolderView.h"

#include <wx/checkbox.h>
#include <wx/fileconf.h>
#include <wx/menu.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace {

class ScanOptionsTest : public GuiTest
{
protected:
    void SetUp() override
    {
        m_config = MakeSettings(m_home.Path("Quorvel.conf"));
        m_frame = new CMainFrame(m_config.get());
        m_frame->Show();
    }

    void TearDown() override
    {
        DestroyNow(m_frame);
        GuiTest::TearDown();
    }

    void Command(int id)
    {
        wxCommandEvent event(wxEVT_MENU, id);
        event.SetEventObject(m_frame);
        m_frame->ProcessWindowEvent(event);
    }

    // Opens Scan Options; `fill` types into the dialog and presses its buttons.
    void EditOptions(const std::function<void(CScanOptionsDlg&)>& fill)
    {
        CDialogHook::Instance().SetAnswer([&](wxDialog* dialog) {
            auto* options = dynamic_cast<CScanOptionsDlg*>(dialog);
            if (options == nullptr)
                return static_cast<int>(wxID_CANCEL);
            fill(*options);
            return static_cast<int>(options->GetProblem().empty() ? wxID_OK : wxID_CANCEL);
        });
        Command(ID_SCAN_OPTIONS);
        CDialogHook::Instance().SetAnswer(nullptr);
        for (const ShownDialog& shown : CDialogHook::Instance().TakeShown())
            EXPECT_EQ(shown.caption, "Scan Options");
    }

    static void Type(wxDialog& dialog, const char* field, const wxString& text)
    {
        auto* control = dynamic_cast<wxTextCtrl*>(wxWindow::FindWindowByName(field, &dialog));
        ASSERT_NE(control, nullptr) << field;
        control->ChangeValue(text);
    }

    static wxString Typed(wxDialog& dialog, const char* field)
    {
        return dynamic_cast<wxTextCtrl*>(wxWindow::FindWindowByName(field, &dialog))->GetValue();
    }

    static void PressOk(wxDialog& dialog)
    {
        wxCommandEvent ok(wxEVT_BUTTON, wxID_OK);
        ok.SetEventObject(dialog.FindWindow(wxID_OK));
        dialog.ProcessWindowEvent(ok);
    }

    void ScanAndWait()
    {
        Command(ID_SCAN_FOLDERS);
        ASSERT_TRUE(PumpUntil([this] { return !m_frame->HoldsEngine(); }));
        wxTheApp->ProcessIdle(); // the selection pane follows at idle time
    }

    CTempTree m_home;
    CTempTree m_tree;
    std::unique_ptr<wxFileConfig> m_config;
    CMainFrame* m_frame = nullptr;
};

TEST_F(ScanOptionsTest, TheDialogRefusesWhatItCannotUseKeepsWhatWasTypedAndSavesOnlyValidOptions)
{
    wxMenu* project = m_frame->GetMenuBar()->GetMenu(3);
    const wxMenuItemList& items = project->GetMenuItems();
    EXPECT_EQ(items.back()->GetId(), ID_SCAN_OPTIONS); // after Export Duplicates...
    EXPECT_EQ((*std::prev(items.end(), 2))->GetId(), ID_PROJECT_EXPORT);
    EXPECT_EQ(items.back()->GetItemLabel(), "Scan O&ptions...");

    EditOptions([](CScanOptionsDlg& dialog) {
        Type(dialog, "folders", "node_modules\nphotos/cache");
        PressOk(dialog);
        EXPECT_TRUE(dialog.GetProblem().StartsWith("\"photos/cache\" is neither a name nor"))
            << dialog.GetProblem();
        EXPECT_EQ(Typed(dialog, "folders"), "node_modules\nphotos/cache"); // nothing typed is lost
        Type(dialog, "folders", " node_modules \n\n.git");
        Type(dialog, "smallest", "2 MB");
        Type(dialog, "largest", "1 MB");
        PressOk(dialog);
        EXPECT_EQ(dialog.GetProblem(), "The smallest size (2 MB) is above the largest (1 MB)");
    });
    EXPECT_FALSE(m_config->HasGroup("/ScanOptions")); // nothing saved from a dialog that was refused

    EditOptions([](CScanOptionsDlg& dialog) {
        Type(dialog, "folders", " node_modules \n\n.git");
        Type(dialog, "files", "*.tmp");
        Type(dialog, "smallest", "1.5 KB");
        dynamic_cast<wxCheckBox*>(wxWindow::FindWindowByName("hidden", &dialog))->SetValue(true);
        PressOk(dialog);
        EXPECT_EQ(dialog.GetProblem(), "");
    });
    EXPECT_EQ(m_config->Read("/ScanOptions/Folder0"), "node_modules");
    EXPECT_EQ(m_config->Read("/ScanOptions/Folder1"), ".git");
    EXPECT_EQ(m_config->Read("/ScanOptions/File0"), "*.tmp");
    EXPECT_EQ(m_config->Read("/ScanOptions/SmallestSize"), "1.5 KB");

    // The next time it opens with them, and Cancel changes nothing.
    EditOptions([](CScanOptionsDlg& dialog) {
        EXPECT_EQ(Typed(dialog, "folders"), "node_modules\n.git");
        EXPECT_EQ(Typed(dialog, "smallest"), "1.5 KB");
        Type(dialog, "folders", "other/bad");
        PressOk(dialog);
    });
    EXPECT_EQ(m_config->Read("/ScanOptions/Folder0"), "node_modules");
}

TEST_F(ScanOptionsTest, AfterAScanThePaneSaysWhatTheCopiesCostAndWhatTheOptionsLeftOut)
{
    m_tree.Write("t/a/photo.jpg", std::string(1500, 'p'));
    m_tree.Write("t/b/photo.jpg", std::string(1500, 'p'));
    m_tree.Write("t/c/photo.jpg", std::string(1500, 'p'));
    // Other names keep their files' storage: of the three copies only one frees anything.
    m_tree.HardLink("t/b/photo.jpg", "elsewhere.jpg");
    m_tree.HardLink("t/c/photo.jpg", "elsewhere2.jpg");
    m_tree.Write("t/a/notes.txt", "notes");
    m_tree.Write("t/b/notes.txt", "notes");
    m_tree.Write("t/node_modules/m/notes.txt", "notes");
    m_tree.Write("t/a/x.tmp", "tmp");
    m_tree.Write("t/b/x.tmp", "tmp");

    // Nothing left out: the summary as ever, and the figure alone.
    std::string folder = m_tree.Path("t");
    m_frame->GetFolderView()->AppendFolder(folder);
    ScanAndWait();
    wxStatusBar* bar = m_frame->GetStatusBar();
    EXPECT_EQ(bar->GetStatusText(1), "Scan completed (8 files scanned, 8 duplicates found)");
    EXPECT_EQ(bar->GetStatusText(5), "5 copies, 1.5 KB could be freed");

    EditOptions([](CScanOptionsDlg& dialog) {
        Type(dialog, "folders", "node_modules");
        Type(dialog, "files", "*.tmp");
        PressOk(dialog);
    });
    ScanAndWait();
    EXPECT_EQ(bar->GetStatusText(1), "Scan completed (5 files scanned, 5 duplicates found)");
    const wxString cost = "3 copies, 1.5 KB could be freed; options leave out 2 files and folders";
    EXPECT_EQ(bar->GetStatusText(5), cost);
    wxRect pane;
    ASSERT_TRUE(bar->GetFieldRect(5, pane));
    EXPECT_LE(bar->GetTextExtent(cost).GetWidth(), pane.GetWidth()); // the pane made room for it

    // A selection says what it holds; with none again, the figure of the rows as they now are.
    CFileView* view = m_frame->GetFileView();
    view->SelectRow(0);
    wxTheApp->ProcessIdle();
    EXPECT_EQ(bar->GetStatusText(5), "1 file selected, 5 bytes");
    view->ClearSelection();
    wxTheApp->ProcessIdle();
    EXPECT_EQ(bar->GetStatusText(5), cost);

    // quorvel-scan --saved-options reads what the window saved, and leaves out the same.
    const std::string out = m_tree.Path("tool.out");
    const std::string command = "XDG_CONFIG_HOME='" + m_home.Root() +
                                "' '" QUORVEL_SCAN_TOOL "' --saved-options '" + m_tree.Path("t") + "' >'" +
                                out + "' 2>'" + out + ".err'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::FILE* summary = std::fopen((out + ".err").c_str(), "r");
    ASSERT_NE(summary, nullptr);
    char line[200] = {};
    EXPECT_NE(std::fgets(line, sizeof line, summary), nullptr);
    std::fclose(summary);
    EXPECT_STREQ(line, "Scan completed (5 files scanned, 5 duplicates found)\n");
}

} // namespace
