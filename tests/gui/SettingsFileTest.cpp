// The program's settings file: saved without asking, and a save that fails said once at exit.
#include "app/SettingsFile.h"

#include "tests/gui/DialogHook.h"
#include "tests/support/TempTree.h"

#include <wx/log.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

class SettingsFileTest : public GuiTest
{};

TEST_F(SettingsFileTest, SavesQuietlyAndSaysAFailedSaveOnceWithTheFileAndTheReason)
{
    CTempTree tree;
    {
        CSettingsFile settings("Quorvel", wxEmptyString, wxString::FromUTF8(tree.Path("Quorvel.conf")));
        settings.Write("/Folders/Folder0", "/a");
    }
    std::ifstream saved(tree.Path("Quorvel.conf"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(saved), std::istreambuf_iterator<char>()),
              "[Folders]\nFolder0=/a\n");

    // A file where the folder should be stops even a user whom permissions do not.
    tree.Write("not-a-folder", "x");
    const std::string file = tree.Path("not-a-folder/Quorvel.conf");
    {
        CSettingsFile settings("Quorvel", wxEmptyString, wxString::FromUTF8(file));
        settings.Write("/Folders/Folder0", "/a");
        EXPECT_FALSE(settings.Flush()); // as the window saves when it closes
        settings.SaveAtExit();
    }
    wxLog::FlushActive(); // where the toolkit would show its own box
    const std::vector<ShownDialog> shown = CDialogHook::Instance().TakeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].message.utf8_string(),
              "The settings could not be saved to " + file + ".\n\nNot a directory");
    EXPECT_EQ(shown[0].icon, wxICON_WARNING);
}

} // namespace
