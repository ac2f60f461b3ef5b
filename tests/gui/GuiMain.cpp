// The GUI tests' main: wx started on the display of Xvfb, HOME and the desktop folders in a
// temporary folder, modal dialogs caught, and wx assertions turned into test failures.
#include "tests/gui/DialogHook.h"
#include "tests/support/SessionBus.h"
#include "tests/support/TempTree.h"
#include "views/DisplayText.h"

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/fileconf.h>
#include <wx/msgdlg.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

CDialogHook& CDialogHook::Instance()
{
    static CDialogHook hook;
    return hook;
}

int CDialogHook::Enter(wxDialog* dialog)
{
    ShownDialog shown;
    shown.caption = dialog->GetTitle();
    if (auto* message = dynamic_cast<wxMessageDialogBase*>(dialog)) {
        shown.message = message->GetMessage();
        shown.icon = message->GetMessageDialogStyle() & wxICON_MASK;
    }
    m_shown.push_back(shown);
    return m_answer ? m_answer(dialog) : wxID_OK;
}

std::vector<ShownDialog> CDialogHook::TakeShown()
{
    std::vector<ShownDialog> shown;
    shown.swap(m_shown);
    return shown;
}

std::unique_ptr<wxFileConfig> MakeSettings(const std::string& file)
{
    auto settings = std::make_unique<wxFileConfig>(wxEmptyString, wxEmptyString, wxString::FromUTF8(file),
                                                   wxEmptyString, wxCONFIG_USE_LOCAL_FILE, CSettingsConv());
    settings->SetExpandEnvVars(false);
    return settings;
}

void DestroyNow(wxWindow* window)
{
    if (window == nullptr)
        return;
    window->Destroy();
    wxTheApp->ProcessPendingEvents();
    wxTheApp->ProcessIdle(); // deletes the windows waiting to be deleted
}

void GuiTest::TearDown()
{
    for (const ShownDialog& dialog : CDialogHook::Instance().TakeShown())
        ADD_FAILURE() << "unexpected dialog: " << dialog.caption << ": " << dialog.message;
    CDialogHook::Instance().SetAnswer(nullptr);
}

namespace {

void FailOnWxAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                    const wxString& msg)
{
    ADD_FAILURE_AT(file.utf8_str(), line) << "wx assertion in " << func << ": " << cond << " " << msg;
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();

    // GLib reads these once, so they are set before wx starts.
    static CTempTree home;
    setenv("HOME", home.Root().c_str(), 1);
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"}) {
        const std::string folder = std::string(name).substr(4);
        home.MakeFolder(folder);
        setenv(name, home.Path(folder).c_str(), 1);
    }
    StartPrivateSessionBus(home.Root());

    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        const char* display = std::getenv("DISPLAY");
        std::fprintf(stderr, "the window toolkit could not start on display %s\n",
                     display ? display : "(none)");
        return 1;
    }
    wxSetAssertHandler(FailOnWxAssert);
    CDialogHook::Instance().Register();
    const int result = RUN_ALL_TESTS();
    CDialogHook::Instance().Unregister();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
