// Help > About driven through the menu command, with the dialog read back while it runs modally.
#include "app/SmokeAbout.h"

#include "app/WindowPicture.h"
#include "decorations/AboutDlg.h"
#include "decorations/StaticLink.h"
#include "resources/Commands.h"

#include <wx/ffile.h>
#include <wx/frame.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/utils.h>

#include <memory>

namespace {

CAboutDlg* ShownAboutBox()
{
    for (wxWindow* window : wxTopLevelWindows)
        if (auto* about = dynamic_cast<CAboutDlg*>(window); about != nullptr && about->IsShown())
            return about;
    return nullptr;
}

wxString Report(CAboutDlg* about, const wxString& firstClock)
{
    auto* info = dynamic_cast<wxTextCtrl*>(about->FindWindow(IDC_INFO_BOX));
    auto* web = dynamic_cast<CStaticLink*>(about->FindWindow(IDC_WEB_LINK));
    auto* mail = dynamic_cast<CStaticLink*>(about->FindWindow(IDC_MAIL_LINK));
    auto* clock = dynamic_cast<wxStaticText*>(about->FindWindow(IDC_CLOCK));
    if (info == nullptr || web == nullptr || mail == nullptr || clock == nullptr)
        return "controls missing\n";
    wxString text = about->GetTitle() + "\n" + web->GetLabel() + " -> " + web->linkTarget + "\n" +
                    mail->GetLabel() + " -> " + mail->linkTarget + "\n";
    text += clock->GetLabel() != firstClock ? "clock ticked\n" : "clock stood still\n";
    // One line in the box for each line of the text, with no carriage return showing in any.
    const wxString value = info->GetValue();
    bool oneLinePerLine = info->GetNumberOfLines() == static_cast<int>(value.Freq('\n')) + 1;
    for (int i = 0; i < info->GetNumberOfLines(); ++i)
        oneLinePerLine = oneLinePerLine && !info->GetLineText(i).Contains("\r");
    text += oneLinePerLine ? "one line per line in the box\n" : "the box runs lines together\n";
    text +=
        wxWindow::FindFocus() == about->FindWindow(wxID_OK) ? "OK has the focus\n" : "OK lacks the focus\n";
    wxString lines = value;
    lines.Replace("\r", wxString()); // the report file is read line by line
    return text + lines;
}

} // namespace

void OpenAboutOnceAndExit(wxFrame* frame, const wxString& report)
{
    // The dialog runs modally inside the command, so it is looked after from a timer.
    auto* watch = new wxTimer;
    auto firstClock = std::make_shared<wxString>();
    auto looks = std::make_shared<int>(0);
    watch->Bind(wxEVT_TIMER, [watch, firstClock, looks, report](wxTimerEvent&) {
        CAboutDlg* about = ShownAboutBox();
        if (about == nullptr)
            return;
        auto* clock = dynamic_cast<wxStaticText*>(about->FindWindow(IDC_CLOCK));
        if (firstClock->empty() && clock != nullptr) {
            *firstClock = clock->GetLabel();
            return;
        }
        // Waits for one tick of the clock, for five seconds at most.
        if (clock != nullptr && clock->GetLabel() == *firstClock && ++*looks < 100)
            return;
        watch->Stop();
        wxFFile out(report, "w");
        out.Write(Report(about, *firstClock));
        out.Close();
        wxString picture;
        if (wxGetEnv("QUORVEL_SMOKE_ABOUT_PICTURE", &picture))
            SaveWindowPicture(about, picture);
        wxCommandEvent ok(wxEVT_BUTTON, wxID_OK);
        ok.SetEventObject(about);
        about->GetEventHandler()->ProcessEvent(ok);
    });
    watch->Start(50);
    wxCommandEvent command(wxEVT_MENU, ID_APP_ABOUT);
    frame->GetEventHandler()->ProcessEvent(command); // returns when the dialog has closed
    delete watch;
    wxQueueEvent(frame, new wxCommandEvent(wxEVT_MENU, ID_APP_EXIT));
}
