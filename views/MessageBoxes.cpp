// Texts of the message boxes and dialog titles.
#include "views/MessageBoxes.h"

#include "resources/Resources.h"
#include "views/DisplayText.h"

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/display.h>
#include <wx/msgdlg.h>
#include <wx/platinfo.h>
#include <wx/settings.h>

#include <algorithm>
#include <memory>

MessageFit MessageFitFor(const wxWindow* parent)
{
    const wxRect screen = (parent != nullptr ? wxDisplay(parent) : wxDisplay()).GetClientArea();
    const wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
    auto bitmap = std::make_shared<wxBitmap>(1, 1);
    auto dc = std::make_shared<wxMemoryDC>(*bitmap);
    dc->SetFont(font);
    MessageFit fit;
    // Half the screen's width: with its margins, icon and buttons the box stays well inside it.
    fit.lineBudget = screen.GetWidth() / 2;
    fit.width = [dc, bitmap](std::string_view text) { return dc->GetTextExtent(ToDisplay(text)).GetWidth(); };
    // A named path may take two lines where the box wraps its reason; the box's own text, buttons and
    // frame take about this much more.
    constexpr int kBoxHeight = 240;
    const int lineHeight = std::max(1, dc->GetCharHeight());
    const int named = (screen.GetHeight() - kBoxHeight) / (2 * lineHeight);
    fit.namedPaths =
        std::clamp<std::size_t>(static_cast<std::size_t>(std::max(named, 1)), 1, kMostNamedPaths);
    return fit;
}

wxString PathForMessage(const wxWindow* parent, const wxString& path)
{
    const MessageFit fit = MessageFitFor(parent);
    return ToDisplay(ShortenPath(FromDisplay(path), fit.lineBudget, fit.width));
}

namespace {

void ShowOverlapText(wxWindow* parent, const wxString& text)
{
    wxMessageBox(text + "\nFolder or its subfolders already exist in folder list!", kAppName,
                 wxOK | wxICON_EXCLAMATION, parent);
}

} // namespace

void ShowOverlapMessage(wxWindow* parent, const wxString& path)
{
    ShowOverlapText(parent, PathForMessage(parent, path));
}

void ShowOverlapMessage(wxWindow* parent, const std::vector<std::string>& refused)
{
    ShowOverlapText(parent, ToDisplay(NamedPathsText(refused, MessageFitFor(parent))));
}

void ShowProjectReadError(wxWindow* parent, const wxString& path, const wxString& reason)
{
    wxString text = reason.empty() ? "An unknown error occurred while accessing %1."
                                   : "An error occurred while accessing %1.\n\n" + reason;
    text.Replace("%1", PathForMessage(parent, path));
    wxMessageBox(text, kAppName, wxOK | wxICON_STOP, parent);
}

void ShowProjectTooLarge(wxWindow* parent, const wxString& path)
{
    wxString text = "%1 was not opened: at more than 64 MiB it is too large to be a project file.";
    text.Replace("%1", PathForMessage(parent, path));
    wxMessageBox(text, kAppName, wxOK | wxICON_STOP, parent);
}

void ShowProjectWriteError(wxWindow* parent, const wxString& path)
{
    wxString text = "Disk full while accessing %1.";
    text.Replace("%1", PathForMessage(parent, path));
    wxMessageBox(text, kAppName, wxOK | wxICON_STOP, parent);
}

void ShowExportError(wxWindow* parent, const wxString& path, const wxString& reason)
{
    wxString text = "The duplicates could not be exported to %1.\n\n" + reason;
    text.Replace("%1", path);
    wxMessageBox(text, kAppName, wxOK | wxICON_STOP, parent);
}

void ShowNoApplicationMessage(wxWindow* parent, const wxString& target, const wxString& reason)
{
    wxString text = kNoApplicationText;
    text.Replace("%1", target);
    if (!reason.empty())
        text += "\n\n" + reason;
    wxMessageBox(text, kAppName, wxOK | wxICON_EXCLAMATION, parent);
}

void ShowFileFailures(wxWindow* parent, const wxString& text)
{
    wxMessageBox(text, kAppName, wxOK | wxICON_WARNING, parent);
}

wxString UsualDialogTitle(EDialogTitle dialog)
{
    const bool windows = wxPlatformInfo::Get().GetPortId() == wxPORT_MSW;
    switch (dialog) {
    case EDialogTitle::OpenFile:
        return windows ? "Open" : "Open File";
    case EDialogTitle::SaveFile:
        return windows ? "Save As" : "Save File";
    case EDialogTitle::SelectFolder:
        return windows ? "Browse For Folder" : "Select Folder";
    }
    return wxString();
}

void ShowPathTooLongMessage(wxWindow* parent, const wxString& path)
{
    wxMessageBox(PathForMessage(parent, path) + "\nThe path of this folder is too long to be added.",
                 kAppName, wxOK | wxICON_STOP, parent);
}
