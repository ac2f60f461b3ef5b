// The About box, laid out in dialog units so that it grows with the desktop's font.
#include "decorations/AboutDlg.h"

#include "decorations/BitmapEdge.h"
#include "decorations/StaticLink.h"
#include "platform/CpuInfo.h"
#include "resources/Commands.h"
#include "resources/Resources.h"

#include <wx/button.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <cstdio>

namespace {

const wxColour kBackground(69, 69, 69);
const wxColour kLinkText(156, 211, 247);
const wxColour kText(235, 235, 235);

// The sizes suit the small font they were chosen for; with a larger desktop font a line grows to the
// right rather than lose its end.
void WidenToFit(wxWindow* control)
{
    const wxSize best = control->GetBestSize();
    const wxSize now = control->GetSize();
    if (best.x > now.x)
        control->SetSize(wxSize(best.x, now.y));
}

// A line of text at `place`, given in dialog units, in the dark scheme.
wxStaticText* AddText(wxDialog* dialog, wxWindowID id, const wxString& label, const wxRect& place)
{
    auto* control =
        new wxStaticText(dialog, id, wxString(), dialog->ConvertDialogToPixels(place.GetPosition()),
                         dialog->ConvertDialogToPixels(place.GetSize()), wxST_NO_AUTORESIZE);
    control->SetLabelText(label); // ampersands shown as they are
    control->SetForegroundColour(kText);
    control->SetBackgroundColour(kBackground);
    WidenToFit(control);
    return control;
}

// A link at `place`, given in dialog units, in the dark scheme.
CStaticLink* AddLink(wxDialog* dialog, wxWindowID id, const wxString& label, const wxRect& place)
{
    auto* control = new CStaticLink(dialog, id, label, dialog->ConvertDialogToPixels(place.GetPosition()),
                                    dialog->ConvertDialogToPixels(place.GetSize()));
    control->SetForegroundColour(kLinkText);
    control->SetBackgroundColour(kBackground);
    WidenToFit(control);
    return control;
}

} // namespace

std::string ClockText(const std::tm& local)
{
    static const char* const kMonths[] = {"January",   "February", "March",    "April",
                                          "May",       "June",     "July",     "August",
                                          "September", "October",  "November", "December"};
    static const char* const kWeekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                            "Thursday", "Friday", "Saturday"};
    const int month = local.tm_mon >= 0 && local.tm_mon < 12 ? local.tm_mon : 0;
    const int weekday = local.tm_wday >= 0 && local.tm_wday < 7 ? local.tm_wday : 0;
    char text[64];
    std::snprintf(text, sizeof text, "%s %02d  %s  %02d:%02d:%02d", kMonths[month], local.tm_mday,
                  kWeekdays[weekday], local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

std::string WithCarriageReturns(const std::string& text)
{
    std::string lines;
    lines.reserve(text.size() + text.size() / 16);
    for (const char c : text) {
        if (c == '\n')
            lines += '\r';
        lines += c;
    }
    return lines;
}

CAboutDlg::CAboutDlg(wxWindow* owner)
    : wxDialog(owner, wxID_ANY, kAboutCaption, wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX),
      m_timer(this, kClockTimerId)
{
    SetBackgroundColour(kBackground);
    wxButton* ok = CreateControls();
    SetClientSize(ConvertDialogToPixels(wxSize(295, 193)));
    CentreOnParent();

    m_timer.Start(kClockPeriodMs);
    SetClock();
    m_webLink->linkTarget = kWebPageAddress;
    m_mailLink->linkTarget = wxString("mailto:") + kSupportMailAddress;
    std::string info;
    platform::GetCpuInfoText(info);
    m_infoBox->SetValue(wxString::FromUTF8(WithCarriageReturns(info)));
    ok->SetFocus();
    // Some systems give a new dialog's focus to its first control that takes it, a link here, once
    // it is shown: OK takes it back right after.
    Bind(wxEVT_INIT_DIALOG, [this, ok](wxInitDialogEvent& event) {
        CallAfter([ok] { ok->SetFocus(); });
        event.Skip();
    });

    Bind(wxEVT_TIMER, &CAboutDlg::OnTimer, this);
    Bind(wxEVT_DESTROY, &CAboutDlg::OnDestroy, this);
}

wxButton* CAboutDlg::CreateControls()
{
    // In tab order.
    CEnBitmap icon;
    LoadBitmapResource(IDI_MAINFRAME, icon);
    const std::vector<wxBitmap> pictures = CutMasked(icon, icon.Size().width, kToolbarTransparent);
    if (!pictures.empty())
        new wxStaticBitmap(this, wxID_ANY, pictures.front(), ConvertDialogToPixels(wxPoint(11, 17)));
    AddText(this, wxID_ANY, kVersionLine, {60, 10, 119, 8});
    AddText(this, wxID_ANY, kCopyrightLine, {60, 25, 119, 8});
    m_webLink = AddLink(this, IDC_WEB_LINK, kWebPageAddress, {60, 44, 119, 8});
    m_mailLink = AddLink(this, IDC_MAIL_LINK, wxString("email: ") + kSupportMailAddress, {60, 57, 119, 8});
    auto* ok = new wxButton(this, wxID_OK, "OK", ConvertDialogToPixels(wxPoint(238, 7)),
                            ConvertDialogToPixels(wxSize(50, 16)));
    ok->SetDefault();
    m_infoBox = new wxTextCtrl(this, IDC_INFO_BOX, wxString(), ConvertDialogToPixels(wxPoint(7, 71)),
                               ConvertDialogToPixels(wxSize(281, 62)),
                               wxTE_MULTILINE | wxTE_READONLY | wxTE_DONTWRAP | wxBORDER_SIMPLE | wxVSCROLL);
    m_infoBox->SetForegroundColour(kText);
    m_infoBox->SetBackgroundColour(kBackground);
    m_clock = AddText(this, IDC_CLOCK, wxString(), {15, 175, 110, 8});
    return ok;
}

CAboutDlg::~CAboutDlg()
{
    SendDestroyEvent(); // while the timer still exists
}

void CAboutDlg::SetClock()
{
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now); // the window's thread is the only caller
    m_clock->SetLabel(local != nullptr ? wxString(ClockText(*local)) : wxString());
}

void CAboutDlg::OnTimer(wxTimerEvent& event)
{
    SetClock();
    event.Skip();
}

void CAboutDlg::OnDestroy(wxWindowDestroyEvent& event)
{
    if (event.GetEventObject() == this)
        m_timer.Stop();
    event.Skip();
}
