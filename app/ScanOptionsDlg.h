// Scan Options: what the next scans leave out. The dialog takes typed options and gives them back
// only once they are valid; until then it names the problem and keeps everything typed.
#pragma once

#include "engine/ScanOptions.h"

#include <wx/dialog.h>

class wxCheckBox;
class wxConfigBase;
class wxStaticText;
class wxTextCtrl;

class CScanOptionsDlg : public wxDialog
{
public:
    CScanOptionsDlg(wxWindow* parent, const ScanOptionsText& text);

    // The options as typed, each list's entries trimmed, one a line.
    ScanOptionsText GetText() const;
    // What OK found wrong with the options, as the dialog shows it; empty when nothing is.
    wxString GetProblem() const;

private:
    void OnOk(wxCommandEvent& event);
    wxTextCtrl* FieldOf(ScanOptionsProblem::EField field) const;

    wxTextCtrl* m_folders;
    wxTextCtrl* m_files;
    wxTextCtrl* m_smallest;
    wxTextCtrl* m_largest;
    wxCheckBox* m_hidden;
    wxStaticText* m_problem;
};

// The options kept in the settings, as typed; and their saving, which only valid options reach.
ScanOptionsText LoadScanOptions(wxConfigBase* config);
void SaveScanOptions(wxConfigBase* config, const ScanOptionsText& text);
