// The application: settings under vendor "Orvo" and application "Quorvel", then the main window.
#pragma once

#include <wx/app.h>

class CMainFrame;
class wxConfigBase;

class CQuorvelApp : public wxApp
{
public:
    bool OnInit() override;
    int OnExit() override;

    void OnAppAbout(wxCommandEvent& event);

private:
    void TakeScreenshotAndClose(const wxString& path);

    CMainFrame* m_mainFrame = nullptr;
};
