// The About box: icon, name and version, copyright, the web and mail links, the processors of this
// machine and a clock that ticks once a second, all in a dark scheme.
#pragma once

#include <wx/dialog.h>
#include <wx/timer.h>

#include <ctime>
#include <string>

class CStaticLink;
class wxButton;
class wxStaticText;
class wxTextCtrl;

inline constexpr int IDC_CLOCK = 1000;
inline constexpr int IDC_WEB_LINK = 1007;
inline constexpr int IDC_MAIL_LINK = 1008;
inline constexpr int IDC_INFO_BOX = 1009;
inline constexpr int kClockTimerId = 1;
inline constexpr int kClockPeriodMs = 1000;

inline constexpr const char* kAboutCaption = "About Quorvel";
inline constexpr const char* kVersionLine = "Quorvel Version 1.0.1.1";
inline constexpr const char* kCopyrightLine = "Copyright (C) 2026 Orvo";
inline constexpr const char* kSupportMailAddress = "support@quorvel.example.org";

// "March 05  Thursday  09:07:03": English names whatever language the desktop speaks.
std::string ClockText(const std::tm& local);

// Each line feed becomes a carriage return and line feed, as a multi-line text box wants its lines.
std::string WithCarriageReturns(const std::string& text);

class CAboutDlg : public wxDialog
{
public:
    explicit CAboutDlg(wxWindow* owner);
    ~CAboutDlg() override;

    const wxTimer& ClockTimer() const { return m_timer; }

private:
    // The icon, the texts, the links, OK, the processors' box and the clock, in tab order; returns OK.
    wxButton* CreateControls();
    void SetClock();
    void OnTimer(wxTimerEvent& event);
    void OnDestroy(wxWindowDestroyEvent& event);

    wxTimer m_timer;
    wxStaticText* m_clock = nullptr;
    CStaticLink* m_webLink = nullptr;
    CStaticLink* m_mailLink = nullptr;
    wxTextCtrl* m_infoBox = nullptr;
};
