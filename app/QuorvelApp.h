// The application: settings under vendor "Orvo" and application "Quorvel", then the main window.
#pragma once

#include <wx/app.h>
#include <wx/timer.h>

#include <string>

class CMainFrame;
class wxConfigBase;

class CQuorvelApp : public wxApp
{
public:
    CQuorvelApp(); // runs before the toolkit starts
    bool OnInit() override;
    int OnExit() override;

    void OnAppAbout(wxCommandEvent& event);

private:
    void TakeScreenshotAndClose(const wxString& path);
    void ScanOnceAndExit(std::string path, const wxString& report);

    CMainFrame* m_mainFrame = nullptr;
    wxTimer* m_smokeTimer = nullptr;
};
