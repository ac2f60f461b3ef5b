// The folder list in a real window: set-up, overlap messages, striping, settings and project files.
#include "views/FolderView.h"

#include "tests/gui/DialogHook.h"
#include "tests/support/TempTree.h"
#include "views/ThemeColors.h"

#include <wx/fileconf.h>
#include <wx/frame.h>
#include <wx/sizer.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

namespace {

class FolderViewTest : public GuiTest
{
protected:
    void SetUp() override
    {
        m_config = MakeSettings(m_tree.Path("settings.conf"));
        MakeView();
    }

    void TearDown() override
    {
        DestroyNow(m_frame);
        m_frame = nullptr;
        GuiTest::TearDown();
    }

    void MakeView()
    {
        m_frame = new wxFrame(nullptr, wxID_ANY, "test", wxDefaultPosition, wxSize(500, 300));
        m_view = new CFolderView(m_frame, m_config.get());
        m_frame->SetSizer(new wxBoxSizer(wxVERTICAL));
        m_frame->GetSizer()->Add(m_view, 1, wxEXPAND);
        m_frame->Show();
        m_frame->Layout();
        m_view->OnInitialUpdate();
        m_view->OnInitialUpdate();
    }

    // Destroys the window, which saves the list, and makes a new one from the same settings.
    void Reopen()
    {
        DestroyNow(m_frame);
        m_frame = nullptr;
        MakeView();
    }

    std::vector<std::string> Rows() const
    {
        std::vector<std::string> rows;
        for (long i = 0; i < m_view->GetItemCount(); ++i)
            rows.push_back(m_view->GetItemText(i).utf8_string());
        return rows;
    }

    void Add(std::string path) { m_view->AppendFolder(path); }

    std::vector<std::string> Folders() const
    {
        std::vector<std::string> folders;
        m_view->GetFolders(folders);
        return folders;
    }

    // As the program ends and starts again: the list saved, the settings written and read anew.
    void Restart()
    {
        DestroyNow(m_frame);
        m_frame = nullptr;
        m_config.reset();
        m_config = MakeSettings(m_tree.Path("settings.conf"));
        MakeView();
    }

    // Replaces the settings with a file of exactly these bytes and makes the window anew from it.
    void UseSettingsFile(const std::string& bytes)
    {
        DestroyNow(m_frame);
        m_frame = nullptr;
        m_config.reset();
        m_tree.Write("settings.conf", bytes);
        m_config = MakeSettings(m_tree.Path("settings.conf"));
        MakeView();
    }

    std::string ReadFile(const std::string& relative) const
    {
        m_config->Flush();
        std::ifstream in(m_tree.Path(relative), std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    CTempTree m_tree;
    std::unique_ptr<wxFileConfig> m_config;
    wxFrame* m_frame = nullptr;
    CFolderView* m_view = nullptr;
};

TEST_F(FolderViewTest, SetsUpOnTheSecondInitialUpdateOnly)
{
    auto* frame = new wxFrame(nullptr, wxID_ANY, "second", wxDefaultPosition, wxSize(400, 200));
    auto* view = new CFolderView(frame, nullptr);
    view->OnInitialUpdate();
    EXPECT_EQ(view->GetColumnCount(), 0);
    view->OnInitialUpdate();
    ASSERT_EQ(view->GetColumnCount(), 1);
    wxListItem column;
    column.SetMask(wxLIST_MASK_TEXT);
    view->GetColumn(0, column);
    EXPECT_EQ(column.GetText(), "Folders");
    EXPECT_GT(view->GetColumnWidth(0), 0);
    EXPECT_EQ(view->GetToolTipText(), "Drop folder here to add to project");
    DestroyNow(frame);
}

TEST_F(FolderViewTest, OverlapIsRefusedWithTheShortenedPathInTheMessage)
{
    Add(m_tree.Path("data"));
    Add(m_tree.Path("data") + "/");
    const std::vector<ShownDialog> shown = CDialogHook::Instance().TakeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].message, wxString::FromUTF8(m_tree.Path("data")) +
                                    "\nFolder or its subfolders already exist in folder list!");
    EXPECT_EQ(shown[0].caption, "Quorvel");
    EXPECT_EQ(shown[0].icon, wxICON_EXCLAMATION);
    EXPECT_EQ(Rows(), (std::vector<std::string>{m_tree.Path("data")}));
}

TEST_F(FolderViewTest, OddRowsAreStripedAfterInsertsAndDeletes)
{
    for (const char* name : {"a", "b", "c", "d", "e"})
        Add("/" + std::string(name));
    m_view->Select(1);
    m_view->Select(3);
    m_view->DeleteSelectedFolders();
    EXPECT_EQ(Rows(), (std::vector<std::string>{"/a", "/c", "/e"}));
    EXPECT_NE(m_view->GetItemBackgroundColour(0), wxColour(239, 239, 239));
    EXPECT_EQ(m_view->GetItemBackgroundColour(1), wxColour(239, 239, 239));
    EXPECT_NE(m_view->GetItemBackgroundColour(2), wxColour(239, 239, 239));
}

TEST_F(FolderViewTest, StripesFollowTheThemeSoThatItsTextReadsOnThem)
{
    for (const char* name : {"a", "b", "c"})
        Add("/" + std::string(name));
    // A dark theme arrives while the list is shown, as the desktop switches themes.
    m_view->SetBackgroundColour(wxColour(45, 45, 45));
    m_view->SetForegroundColour(wxColour(238, 238, 236));
    wxSysColourChangedEvent changed;
    m_view->GetEventHandler()->ProcessEvent(changed);
    Add("/d");
    for (long row = 0; row < 4; ++row) {
        SCOPED_TRACE(row);
        const wxColour background = m_view->GetItemBackgroundColour(row);
        EXPECT_GE(ContrastRatio(background.GetRGB(), m_view->GetForegroundColour().GetRGB()),
                  kReadableContrast);
        EXPECT_EQ(background == m_view->GetBackgroundColour(), row % 2 == 0);
    }
}

TEST_F(FolderViewTest, TheListComesBackFromTheSettingsByteForByte)
{
    const std::vector<std::string> folders = {"/srv/with space", "/srv/$HOME", "/srv/caf\xc3\xa9",
                                              "/srv/latin\xe9", "/srv/\xf4\x80\x80\xa9"};
    for (const std::string& folder : folders)
        Add(folder);
    Reopen();
    EXPECT_EQ(Folders(), folders);
    // Valid UTF-8 is written as it always was.
    EXPECT_NE(ReadFile("settings.conf").find("=/srv/caf\xc3\xa9\n"), std::string::npos);

    // An empty list leaves no group behind.
    for (long row = 0; row < m_view->GetItemCount(); ++row)
        m_view->Select(row);
    m_view->DeleteSelectedFolders();
    Reopen();
    EXPECT_FALSE(m_config->HasGroup("/Folders"));
    EXPECT_TRUE(Rows().empty());
}

TEST_F(FolderViewTest, AnyNameSurvivesTenRestartsAndProjectFilesWithoutGrowing)
{
    // Not UTF-8; the characters that stand for bytes in the settings, alone and mixed with bytes; what
    // the settings file quotes or escapes.
    std::vector<std::string> folders;
    for (const char* name : {"\xff\xfe", "caf\xc3\xa9", "\xf4\x80\x83\xbf", "u\xf4\x80\x80\xa9\xff",
                             " lead \\\"q\"\ttab\r", "$HOME"}) {
        m_tree.MakeFolder(name);
        folders.push_back(m_tree.Path(name));
        Add(folders.back());
    }
    const std::string project = m_tree.Path("list.qvlprj");
    std::size_t settingsSize = 0;
    for (int start = 1; start <= 10; ++start) {
        SCOPED_TRACE(start);
        ASSERT_TRUE(m_view->SaveProject(project));
        Restart();
        ASSERT_EQ(Folders(), folders);
        const std::size_t size = ReadFile("settings.conf").size();
        EXPECT_TRUE(start == 1 || size == settingsSize) << size << " bytes after " << settingsSize;
        settingsSize = size;
        for (long row = 0; row < m_view->GetItemCount(); ++row)
            m_view->Select(row);
        ASSERT_TRUE(m_view->OpenProject(project, true));
        ASSERT_EQ(Folders(), folders);
    }
}

TEST_F(FolderViewTest, AHandEditedListLosesNothingToGapsOrAStrayByte)
{
    UseSettingsFile("[Folders]\nFolder0=/one\nFolder3=/d\xc3\xa9\nFolder10=/ten\nFolder2=/l\xe9\n"
                    "FolderX=/not\nFolder5=\nFolder-1=/not\n");
    EXPECT_EQ(Folders(), (std::vector<std::string>{"/one", "/l\xe9", "/d\xc3\xa9", "/ten"}));
    Reopen(); // and saved back without the gaps
    EXPECT_EQ(Folders(), (std::vector<std::string>{"/one", "/l\xe9", "/d\xc3\xa9", "/ten"}));
    EXPECT_EQ(m_config->Read("/Folders/Folder3", ""), "/ten");
}

TEST_F(FolderViewTest, RefusalsOfABulkLoadAreGatheredIntoOneMessage)
{
    std::string text = "[Folders]\n";
    for (int i = 0; i < 50; ++i)
        text += "Folder" + std::to_string(i) + "=/same" + (i == 7 ? "/inside" : "") + "\n";
    UseSettingsFile(text);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"/same"}));
    const std::vector<ShownDialog> shown = CDialogHook::Instance().TakeShown();
    ASSERT_EQ(shown.size(), 1u);
    wxString expected;
    for (int i = 0; i < 20; ++i)
        expected += i == 6 ? "/same/inside\n" : "/same\n";
    expected += "and 29 more\nFolder or its subfolders already exist in folder list!";
    EXPECT_EQ(shown[0].message, expected);
    EXPECT_EQ(shown[0].icon, wxICON_EXCLAMATION);
}

TEST_F(FolderViewTest, OpenProjectAddsExistingFoldersAfterRemovingTheSelection)
{
    m_tree.MakeFolder("keep");
    m_tree.MakeFolder("drop1");
    m_tree.MakeFolder("drop2");
    m_tree.MakeFolder("new");
    m_tree.Write("a-file", "x");
    Add(m_tree.Path("drop1"));
    Add(m_tree.Path("keep"));
    Add(m_tree.Path("drop2"));
    m_view->Select(0);
    m_view->Select(2);
    // A line with a NUL byte names no folder, even if what comes before the NUL does.
    m_tree.Write("p.qvlprj", m_tree.Path("missing") + "\r\n" + m_tree.Path("a-file") + "\r\n\r\n" +
                                 m_tree.Path("new") + std::string("\0/x\r\n", 5) + m_tree.Path("new") +
                                 "\r\n" + m_tree.Path("keep") + "\n");
    EXPECT_TRUE(m_view->OpenProject(m_tree.Path("p.qvlprj")));
    EXPECT_EQ(Rows(), (std::vector<std::string>{m_tree.Path("keep"), m_tree.Path("new")}));
    const std::vector<ShownDialog> shown = CDialogHook::Instance().TakeShown();
    ASSERT_EQ(shown.size(), 1u); // "keep" was listed already
    EXPECT_TRUE(shown[0].message.StartsWith(wxString::FromUTF8(m_tree.Path("keep")) + "\n"));

    EXPECT_FALSE(m_view->OpenProject(m_tree.Path("none.qvlprj")));
    EXPECT_EQ(Rows().size(), 2u);
}

TEST_F(FolderViewTest, ProjectFileErrorsAreShownWithTheFilePath)
{
    m_tree.MakeFolder("folder.qvlprj");
    EXPECT_FALSE(m_view->OpenProject(m_tree.Path("folder.qvlprj")));
    EXPECT_FALSE(m_view->OpenProject(m_tree.Path("missing.qvlprj"), true)); // as from the command line
    Add("/one");
    EXPECT_FALSE(m_view->SaveProject("/dev/full"));
    const std::vector<ShownDialog> shown = CDialogHook::Instance().TakeShown();
    ASSERT_EQ(shown.size(), 3u);
    // The system's reason, never "an unknown error".
    EXPECT_EQ(shown[0].message, "An error occurred while accessing " +
                                    wxString::FromUTF8(m_tree.Path("folder.qvlprj")) +
                                    ".\n\nIt is a folder, not a file");
    EXPECT_EQ(shown[0].icon, wxICON_STOP);
    EXPECT_EQ(shown[1].message, "An error occurred while accessing " +
                                    wxString::FromUTF8(m_tree.Path("missing.qvlprj")) + ".\n\n" +
                                    wxString::FromUTF8(std::strerror(ENOENT)));
    EXPECT_EQ(shown[2].message, "Disk full while accessing /dev/full.");
    EXPECT_EQ(shown[2].icon, wxICON_STOP);

    EXPECT_TRUE(m_view->SaveProject(m_tree.Path("ok.qvlprj")));
    std::ifstream in(m_tree.Path("ok.qvlprj"), std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "/one\r\n");
}

TEST_F(FolderViewTest, AProjectFileTooLargeForOneIsNotReadAndIsNamed)
{
    m_tree.MakeFolder("kept");
    Add(m_tree.Path("kept"));
    m_view->Select(0);
    m_tree.Write("huge.qvlprj", "");
    std::filesystem::resize_file(m_tree.Path("huge.qvlprj"), std::int64_t{1} << 30);
    EXPECT_FALSE(m_view->OpenProject(m_tree.Path("huge.qvlprj")));
    EXPECT_EQ(Rows(), (std::vector<std::string>{m_tree.Path("kept")}));
    const std::vector<ShownDialog> shown = CDialogHook::Instance().TakeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].message,
              wxString::FromUTF8(m_tree.Path("huge.qvlprj")) +
                  " was not opened: at more than 64 MiB it is too large to be a project file.");
}

TEST_F(FolderViewTest, DroppedFoldersAreAddedInDropOrderAndOtherItemsIgnored)
{
    m_tree.MakeFolder("z");
    m_tree.MakeFolder("a");
    m_tree.Write("file.txt", "x");
    wxArrayString dropped;
    for (const char* name : {"z", "file.txt", "a", "missing"})
        dropped.Add(wxString::FromUTF8(m_tree.Path(name)));
    m_view->AddDroppedFiles(dropped);
    EXPECT_EQ(Rows(), (std::vector<std::string>{m_tree.Path("z"), m_tree.Path("a")}));
}

} // namespace
