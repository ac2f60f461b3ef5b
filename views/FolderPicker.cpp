// The folder picker: the tree fills the dialog, OK and Cancel sit in its bottom-right corner.
#include "views/FolderPicker.h"

#include "platform/Path.h"
#include "views/DisplayText.h"
#include "views/MessageBoxes.h"

#include <wx/button.h>
#include <wx/dirctrl.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kMinimumCapacity = 260;
constexpr int kMargin = 5;     // from the dialog's edges
constexpr int kButtonGap = 10; // between OK and Cancel

bool IsAcceptable(const std::string& path)
{
    return !path.empty() && platform::IsFolder(path) && !platform::IsSymbolicLink(path);
}

} // namespace

CFolderPickerDialog::CFolderPickerDialog(wxWindow* owner, const wxString& startFolder)
    : wxDialog(owner, wxID_ANY, UsualDialogTitle(EDialogTitle::SelectFolder), wxDefaultPosition,
               wxSize(360, 430), wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER)
{
    m_tree = new wxGenericDirCtrl(this, wxID_ANY, startFolder, wxDefaultPosition, wxDefaultSize,
                                  static_cast<long>(wxDIRCTRL_DIR_ONLY) | wxBORDER_SUNKEN);
    // Dot-folders (settings, hidden backups) are folders a user may well want to scan.
    m_tree->ShowHidden(true);
    m_ok = new wxButton(this, wxID_OK, "OK");
    m_cancel = new wxButton(this, wxID_CANCEL, "Cancel");
    m_ok->SetDefault();
    Bind(wxEVT_DIRCTRL_SELECTIONCHANGED, [this](wxTreeEvent& event) {
        UpdateOk();
        event.Skip();
    });
    Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        LayOut();
        event.Skip();
    });
    SelectPath(startFolder);
    LayOut();
}

wxString CFolderPickerDialog::GetPath() const
{
    return m_tree->GetPath();
}

void CFolderPickerDialog::SelectPath(const wxString& path)
{
    m_tree->SetPath(path);
    UpdateOk();
}

bool CFolderPickerDialog::IsOkEnabled() const
{
    return m_ok->IsEnabled();
}

void CFolderPickerDialog::UpdateOk()
{
    m_ok->Enable(IsAcceptable(FromFileName(m_tree->GetPath())));
}

void CFolderPickerDialog::LayOut()
{
    const wxSize client = GetClientSize();
    const wxSize button = m_cancel->GetSize();
    const int top = client.GetHeight() - kMargin - button.GetHeight();
    m_cancel->SetPosition(wxPoint(client.GetWidth() - kMargin - button.GetWidth(), top));
    m_ok->SetSize(client.GetWidth() - kMargin - 2 * button.GetWidth() - kButtonGap, top, button.GetWidth(),
                  button.GetHeight());
    m_tree->SetSize(kMargin, kMargin, std::max(client.GetWidth() - 2 * kMargin, 1),
                    std::max(top - 2 * kMargin, 1));
}

bool BrowseForFolder(wxWindow* owner, const std::string& startFolder, char* result, std::size_t capacity)
{
    if (result == nullptr || capacity < kMinimumCapacity)
        return false;
    result[0] = '\0';
    const std::string start = startFolder.empty() ? platform::CurrentFolder() : startFolder;
    CFolderPickerDialog dialog(owner, ToFileName(start));
    if (dialog.ShowModal() != wxID_OK)
        return false;
    const std::string path = FromFileName(dialog.GetPath());
    if (!IsAcceptable(path))
        return false;
    if (path.size() > capacity - 1) {
        // A shortened path would name another folder, or one that does not exist.
        ShowPathTooLongMessage(owner, dialog.GetPath());
        return false;
    }
    std::memset(result, 0, capacity);
    std::memcpy(result, path.data(), path.size());
    return true;
}
