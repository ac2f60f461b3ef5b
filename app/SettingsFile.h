// The settings where they are a file: read with the settings conversion, and saved without the
// toolkit's own error boxes, so that a save that fails is said once, in the program's words.
#pragma once

#include <wx/fileconf.h>

class CSettingsFile : public wxFileConfig
{
public:
    // `file` empty: the usual place of the application's settings.
    CSettingsFile(const wxString& appName, const wxString& vendorName, const wxString& file = wxEmptyString);
    ~CSettingsFile() override;

    // Saves what changed; a failure is remembered with the system's reason instead of being shown.
    bool Flush(bool currentOnly = false) override;

    // The last save, when the program ends: if it fails, one box names the file and the reason.
    void SaveAtExit();

    const wxString& GetFileName() const { return m_file; }

private:
    wxString m_file;
    wxString m_failure; // why the last save failed; empty after one that succeeded
};
