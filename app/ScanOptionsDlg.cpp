#include "app/ScanOptionsDlg.h"

#include "views/DisplayText.h"
#include "views/ScanOptionsSettings.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/config.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace {

wxTextCtrl* AddField(wxWindow* parent, wxSizer* sizer, const wxString& label, const wxString& name,
                     const std::string& value, bool lines)
{
    sizer->Add(new wxStaticText(parent, wxID_ANY, label), wxSizerFlags().Border(wxLEFT | wxRIGHT | wxTOP));
    // Entries are names and paths: a byte that is not UTF-8 must come back as it was.
    auto* field = new wxTextCtrl(parent, wxID_ANY, ToFileName(value), wxDefaultPosition,
                                 lines ? wxSize(parent->FromDIP(460), parent->FromDIP(96)) : wxDefaultSize,
                                 lines ? wxTE_MULTILINE | wxTE_DONTWRAP : 0, wxDefaultValidator, name);
    sizer->Add(field, wxSizerFlags(lines ? 1 : 0).Expand().Border(wxALL));
    return field;
}

std::string TrimmedLines(const wxString& typed)
{
    std::string lines;
    std::string text = FromFileName(typed);
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        line.erase(0, line.find_first_not_of(" \t\r"));
        line.erase(line.find_last_not_of(" \t\r") + 1);
        if (!line.empty())
            lines += (lines.empty() ? "" : "\n") + line;
        start = end + 1;
    }
    return lines;
}

} // namespace

CScanOptionsDlg::CScanOptionsDlg(wxWindow* parent, const ScanOptionsText& text)
    : wxDialog(parent, wxID_ANY, "Scan Options", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER)
{
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    m_folders = AddField(
        this, sizer,
        "&Leave out folders, a name pattern or an absolute path a line (.git, node_modules):", "folders",
        text.folders, true);
    m_files =
        AddField(this, sizer,
                 "Leave out &files, a name pattern or an absolute path a line (*.tmp, Thumbs.db):", "files",
                 text.files, true);
    auto* sizes = new wxFlexGridSizer(2, wxSize(FromDIP(8), FromDIP(4)));
    sizes->AddGrowableCol(1);
    const auto addSize = [&](const wxString& label, const wxString& name, const std::string& value) {
        sizes->Add(new wxStaticText(this, wxID_ANY, label), wxSizerFlags().CenterVertical());
        auto* field = new wxTextCtrl(this, wxID_ANY, ToDisplay(value), wxDefaultPosition, wxDefaultSize, 0,
                                     wxDefaultValidator, name);
        sizes->Add(field, wxSizerFlags().Expand());
        return field;
    };
    m_smallest = addSize("&Smallest file size:", "smallest", text.smallest);
    m_largest = addSize("L&argest file size:", "largest", text.largest);
    sizer->Add(sizes, wxSizerFlags().Expand().Border(wxALL));
    sizer->Add(
        new wxStaticText(this, wxID_ANY,
                         "A size is a number and a unit: B, KB, MB, GB (of 1,000), KiB, MiB, GiB (of 1,024); "
                         "empty for no bound.\n* stands for any characters, ? for one."),
        wxSizerFlags().Border(wxLEFT | wxRIGHT));
    m_hidden = new wxCheckBox(this, wxID_ANY, "Leave out &hidden files and folders", wxDefaultPosition,
                              wxDefaultSize, 0, wxDefaultValidator, "hidden");
    m_hidden->SetValue(text.leaveOutHidden);
    sizer->Add(m_hidden, wxSizerFlags().Border(wxALL));
    m_problem =
        new wxStaticText(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, 0, "problem");
    m_problem->SetFont(m_problem->GetFont().Bold());
    sizer->Add(m_problem, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT));
    sizer->Add(CreateSeparatedButtonSizer(wxOK | wxCANCEL), wxSizerFlags().Expand().Border(wxALL));
    SetSizerAndFit(sizer);
    Bind(wxEVT_BUTTON, &CScanOptionsDlg::OnOk, this, wxID_OK);
}

ScanOptionsText CScanOptionsDlg::GetText() const
{
    ScanOptionsText text;
    text.folders = TrimmedLines(m_folders->GetValue());
    text.files = TrimmedLines(m_files->GetValue());
    text.smallest = TrimmedLines(m_smallest->GetValue());
    text.largest = TrimmedLines(m_largest->GetValue());
    text.leaveOutHidden = m_hidden->GetValue();
    return text;
}

wxString CScanOptionsDlg::GetProblem() const
{
    return m_problem->GetLabel();
}

wxTextCtrl* CScanOptionsDlg::FieldOf(ScanOptionsProblem::EField field) const
{
    using EField = ScanOptionsProblem::EField;
    return field == EField::Folders   ? m_folders
           : field == EField::Files   ? m_files
           : field == EField::Largest ? m_largest
                                      : m_smallest;
}

void CScanOptionsDlg::OnOk(wxCommandEvent& event)
{
    ScanOptions options;
    const ScanOptionsProblem problem = ReadScanOptions(GetText(), options);
    // The label holds no mnemonics: an "&" of a typed name must show as it is.
    m_problem->SetLabelText(ToDisplay(problem.text));
    if (problem) {
        // The dialog stays, with everything typed, and the field at fault takes the keyboard.
        Layout();
        GetSizer()->SetSizeHints(this);
        FieldOf(problem.field)->SetFocus();
        return;
    }
    event.Skip(); // closes the dialog
}

ScanOptionsText LoadScanOptions(wxConfigBase* config)
{
    platform::SettingValues values;
    const wxString group = wxString("/") + kScanOptionsGroup;
    // Looking into a group that is not there would create it in a settings file.
    if (config == nullptr || !config->HasGroup(group))
        return ScanOptionsText();
    wxConfigPathChanger inGroup(config, group + "/");
    wxString name;
    long cookie = 0;
    for (bool more = config->GetFirstEntry(name, cookie); more; more = config->GetNextEntry(name, cookie))
        values.emplace_back(name.utf8_string(), config->Read(name, wxString()).utf8_string());
    return ScanOptionsFromSettings(values);
}

void SaveScanOptions(wxConfigBase* config, const ScanOptionsText& text)
{
    const wxString group = wxString("/") + kScanOptionsGroup;
    config->DeleteGroup(group);
    for (const auto& [name, value] : ScanOptionsToSettings(text))
        config->Write(group + "/" + wxString::FromUTF8(name), wxString::FromUTF8(value));
    config->Flush();
}
