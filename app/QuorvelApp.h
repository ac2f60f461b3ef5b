// The application: settings under vendor "Orvo" and application "Quorvel", then the main window.
#pragma once

#include <wx/app.h>
#include <wx/timer.h>

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
    void ScanOnceAndExit(const wxString& folder, const wxString& report);

    CMainFrame* m_mainFrame = nullptr;
    wxTimer* m_smokeTimer = nullptr;
};
