// Start-up in order: the settings root, then the frame, shown. QUORVEL_SCREENSHOT (a developer's
// aid for machines without a screen) names a PNG file to which the window is saved once shown,
// after which the program closes as if the user had closed it.
#include "app/QuorvelApp.h"

#include "app/MainFrame.h"
#include "app/WindowPicture.h"
#include "resources/Commands.h"
#include "resources/Resources.h"

#include <wx/config.h>
#include <wx/filename.h>
#include <wx/image.h>
#include <wx/msgdlg.h>
#include <wx/stdpaths.h>

bool CQuorvelApp::OnInit()
{
    SetVendorName(kVendorName);
    SetAppName(kAppName);
    // A settings file goes to $XDG_CONFIG_HOME/Quorvel.conf, whose folder is made first, or wx would
    // complain when saving; where settings live in the registry neither matters.
    wxStandardPaths::Get().SetFileLayout(wxStandardPaths::FileLayout_XDG);
    wxFileName::Mkdir(wxStandardPaths::Get().GetUserConfigDir(), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    auto* config = new wxConfig(kAppName, kVendorName);
    config->SetExpandEnvVars(false);
    wxConfigBase::Set(config);
    wxInitAllImageHandlers();

    m_mainFrame = new CMainFrame(config);
    SetTopWindow(m_mainFrame);
    Bind(wxEVT_MENU, &CQuorvelApp::OnAppAbout, this, ID_APP_ABOUT);
    m_mainFrame->Show();

    wxString screenshot;
    if (wxGetEnv("QUORVEL_SCREENSHOT", &screenshot) && !screenshot.empty())
        CallAfter([this, screenshot] { TakeScreenshotAndClose(screenshot); });
    return true;
}

int CQuorvelApp::OnExit()
{
    delete wxConfigBase::Set(nullptr);
    return wxApp::OnExit();
}

void CQuorvelApp::OnAppAbout(wxCommandEvent&)
{
    wxMessageBox(wxString(kAppName) + "\nFinds duplicate files.", wxString("About ") + kAppName,
                 wxOK | wxICON_INFORMATION, m_mainFrame);
}

void CQuorvelApp::TakeScreenshotAndClose(const wxString& path)
{
    SaveWindowPicture(m_mainFrame, path);
    m_mainFrame->Close();
}
