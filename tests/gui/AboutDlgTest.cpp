// The link control with a handler of the test's own, and the About box as the user sees it.
#include "decorations/AboutDlg.h"

#include "decorations/StaticLink.h"
#include "platform/CpuInfo.h"
#include "resources/Commands.h"
#include "resources/Resources.h"
#include "tests/gui/DialogHook.h"
#include "tests/support/PumpUntil.h"
#include "tests/support/TempTree.h"

#include <wx/button.h>
#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/tokenzr.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtk/gtk.h>
#include <regex>
#include <sys/stat.h>

namespace {

// The link as it draws itself, in a picture of its own.
wxImage Drawn(const CStaticLink* link)
{
    wxBitmap bitmap(link->GetClientSize());
    {
        wxMemoryDC dc(bitmap);
        link->DrawLink(dc);
    }
    return bitmap.ConvertToImage();
}

// The smallest rectangle holding every pixel in which the two pictures differ.
wxRect Difference(const wxImage& a, const wxImage& b)
{
    wxRect box;
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = 0; x < a.GetWidth(); ++x)
            if (a.GetRed(x, y) != b.GetRed(x, y) || a.GetGreen(x, y) != b.GetGreen(x, y) ||
                a.GetBlue(x, y) != b.GetBlue(x, y))
                box.Union(wxRect(x, y, 1, 1));
    return box;
}

bool HasColour(const wxImage& image, const wxRect& area, const wxColour& colour)
{
    for (int y = area.GetTop(); y <= area.GetBottom(); ++y)
        for (int x = area.GetLeft(); x <= area.GetRight(); ++x)
            if (image.GetRed(x, y) == colour.Red() && image.GetGreen(x, y) == colour.Green() &&
                image.GetBlue(x, y) == colour.Blue())
                return true;
    return false;
}

// A link that notes every address it hands to the desktop and every beep.
class CWatchedLink : public CStaticLink
{
public:
    using CStaticLink::CStaticLink;
    std::vector<wxString> tried;
    int bells = 0;

protected:
    bool OpenCandidate(const wxString& address, std::string& reason) override
    {
        tried.push_back(address);
        return CStaticLink::OpenCandidate(address, reason);
    }
    void SoundBell() override { ++bells; }
};

class StaticLinkTest : public GuiTest
{
protected:
    void SetUp() override
    {
        // The desktop's handler of "quorvel-test:" addresses writes each address it gets to a file.
        const std::string data = std::getenv("XDG_DATA_HOME");
        const std::string config = std::getenv("XDG_CONFIG_HOME");
        m_opened = m_scratch.Path("opened.txt");
        const std::string catcher = m_scratch.Path("catch.sh");
        m_scratch.Write("catch.sh", "#!/bin/sh\nprintf '%s\\n' \"$1\" >>" + m_opened + "\n");
        chmod(catcher.c_str(), 0755);
        std::filesystem::create_directories(data + "/applications");
        std::ofstream(data + "/applications/quorvel-test-catcher.desktop")
            << "[Desktop Entry]\nType=Application\nName=Catcher\nNoDisplay=true\nExec=" << catcher
            << " %u\nMimeType=x-scheme-handler/quorvel-test;\n";
        std::ofstream(config + "/mimeapps.list", std::ios::app)
            << "[Default Applications]\nx-scheme-handler/quorvel-test=quorvel-test-catcher.desktop\n";
        m_frame = new wxFrame(nullptr, wxID_ANY, "links", wxDefaultPosition, wxSize(400, 200));
        m_frame->Show();
    }

    void TearDown() override
    {
        DestroyNow(m_frame);
        GuiTest::TearDown();
    }

    std::string Opened() const
    {
        std::ifstream in(m_opened);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    CTempTree m_scratch;
    std::string m_opened;
    wxFrame* m_frame = nullptr;
};

TEST_F(StaticLinkTest, TriesTargetThenStringThenOwnTextAndKeepsWhatItTried)
{
    auto* byTarget = new CWatchedLink(m_frame, IDC_WEB_LINK, "quorvel-test:text", wxPoint(10, 10),
                                      wxSize(200, 20), wxALIGN_LEFT, "quorvel-test:target");
    EXPECT_TRUE(byTarget->OpenLink());
    EXPECT_EQ(byTarget->tried, std::vector<wxString>{"quorvel-test:target"});
    ASSERT_TRUE(PumpUntil([this] { return Opened() == "quorvel-test:target\n"; })) << Opened();

    // The string with the link's id is the application's name, which no desktop opens.
    auto* byText =
        new CWatchedLink(m_frame, IDS_APP_NAME, "quorvel-test:text", wxPoint(10, 40), wxSize(200, 20));
    EXPECT_TRUE(byText->OpenLink());
    EXPECT_EQ(byText->tried, (std::vector<wxString>{kAppName, "quorvel-test:text"}));
    EXPECT_EQ(byText->linkTarget, "quorvel-test:text");
    ASSERT_TRUE(PumpUntil([this] { return Opened() == "quorvel-test:target\nquorvel-test:text\n"; }))
        << Opened();

    auto* nothing = new CWatchedLink(m_frame, IDC_MAIL_LINK, "email: nobody", wxPoint(10, 70),
                                     wxSize(200, 20), wxALIGN_LEFT, "no-handler-here:x");
    EXPECT_FALSE(nothing->OpenLink());
    EXPECT_EQ(nothing->tried, (std::vector<wxString>{"no-handler-here:x", "email: nobody"}));
    EXPECT_EQ(nothing->bells, 1);
    // The box names what the link stands for, not the text tried last.
    const std::vector<ShownDialog> shown = CDialogHook::Instance().TakeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, kAppName);
    EXPECT_EQ(shown[0].message, "No application is set to open no-handler-here:x.");
    EXPECT_EQ(nothing->linkTarget, "email: nobody");
    EXPECT_EQ(byTarget->bells + byText->bells, 0);
}

TEST_F(StaticLinkTest, OpensOnAReleaseOverItAndNeverOnAKey)
{
    auto* link = new CWatchedLink(m_frame, IDC_WEB_LINK, "text", wxPoint(10, 10), wxSize(200, 20),
                                  wxALIGN_LEFT, "no-handler-here:x");
    link->SetFocus();
    for (const int key : {int(WXK_RETURN), int(WXK_SPACE), int('a')}) {
        for (const wxEventType type : {wxEVT_KEY_DOWN, wxEVT_CHAR, wxEVT_KEY_UP}) {
            wxKeyEvent press(type);
            press.m_keyCode = key;
            press.SetEventObject(link);
            link->ProcessWindowEvent(press);
        }
    }
    EXPECT_TRUE(link->tried.empty());

    wxMouseEvent outside(wxEVT_LEFT_UP);
    outside.SetPosition(wxPoint(-5, 300));
    link->ProcessWindowEvent(outside);
    EXPECT_TRUE(link->tried.empty());
    wxMouseEvent over(wxEVT_LEFT_UP);
    over.SetPosition(wxPoint(3, 3));
    link->ProcessWindowEvent(over);
    EXPECT_EQ(link->tried.size(), 2u);
    EXPECT_EQ(link->bells, 1);
    EXPECT_EQ(CDialogHook::Instance().TakeShown().size(), 1u); // that nothing opens it
}

TEST_F(StaticLinkTest, SharesOneHandAndDrawsTheFocusRectangleOnItselfOnly)
{
    auto* first = new CStaticLink(m_frame, wxID_ANY, "first link", wxPoint(20, 20), wxSize(150, 20));
    auto* second = new CStaticLink(m_frame, wxID_ANY, "second link", wxPoint(20, 60), wxSize(150, 20));
    const wxCursor* hand = CStaticLink::LinkCursor();
    ASSERT_NE(hand, nullptr);
    EXPECT_EQ(hand, CStaticLink::LinkCursor());
    EXPECT_TRUE(first->GetCursor().IsSameAs(*hand)); // the same cursor, not two alike
    EXPECT_TRUE(second->GetCursor().IsSameAs(*hand));

    // The focus events come straight to the link: the display's input focus may belong to another
    // test's window.
    auto focus = [first](wxEventType type) {
        wxFocusEvent event(type, first->GetId());
        event.SetEventObject(first);
        first->ProcessWindowEvent(event);
    };
    const wxImage before = Drawn(first);
    focus(wxEVT_SET_FOCUS);
    const wxImage focused = Drawn(first);
    focus(wxEVT_KILL_FOCUS);
    EXPECT_TRUE(Difference(Drawn(first), before).IsEmpty());
    // The rectangle stands one pixel outside the text, which starts a pixel into the link's window:
    // it is drawn on the link, and nothing outside the link is touched.
    const wxSize text = first->GetTextExtent("first link");
    const wxRect changed = Difference(focused, before);
    EXPECT_EQ(changed.GetTopLeft(), wxPoint(0, 0));
    EXPECT_GE(changed.GetRight(), text.x);
    EXPECT_LE(changed.GetRight(), text.x + 1);
    EXPECT_GE(changed.GetBottom(), text.y);
    EXPECT_LE(changed.GetBottom(), text.y + 1);
}

class AboutDlgTest : public GuiTest
{
protected:
    void SetUp() override
    {
        m_frame = new wxFrame(nullptr, wxID_ANY, "owner", wxDefaultPosition, wxSize(800, 600));
        m_frame->Show();
        m_dialog = new CAboutDlg(m_frame);
    }

    void TearDown() override
    {
        DestroyNow(m_dialog);
        DestroyNow(m_frame);
        GuiTest::TearDown();
    }

    template <class T> T* Control(int id) { return dynamic_cast<T*>(m_dialog->FindWindow(id)); }

    wxFrame* m_frame = nullptr;
    CAboutDlg* m_dialog = nullptr;
};

TEST_F(AboutDlgTest, ShowsTheTextsLinksAndFocusedDefaultButton)
{
    EXPECT_EQ(m_dialog->GetTitle(), "About Quorvel");
    EXPECT_EQ(m_dialog->GetParent(), m_frame);
    EXPECT_EQ(m_dialog->GetClientSize(), m_dialog->ConvertDialogToPixels(wxSize(295, 193)));
    std::vector<wxString> texts;
    for (wxWindow* child : m_dialog->GetChildren())
        if (auto* text = dynamic_cast<wxStaticText*>(child); text != nullptr && text->GetId() != IDC_CLOCK)
            texts.push_back(text->GetLabelText());
    EXPECT_EQ(texts, (std::vector<wxString>{kVersionLine, kCopyrightLine}));

    auto* web = Control<CStaticLink>(IDC_WEB_LINK);
    auto* mail = Control<CStaticLink>(IDC_MAIL_LINK);
    ASSERT_TRUE(web && mail);
    EXPECT_EQ(web->GetLabel(), "https://quorvel.example.org/");
    EXPECT_EQ(web->linkTarget, "https://quorvel.example.org/");
    EXPECT_EQ(mail->GetLabel(), "email: support@quorvel.example.org");
    EXPECT_EQ(mail->linkTarget, "mailto:support@quorvel.example.org");
    // The text of a link stands at its place in dialog units; the control reaches a pixel beyond.
    EXPECT_EQ(web->GetPosition() + wxPoint(1, 1), m_dialog->ConvertDialogToPixels(wxPoint(60, 44)));

    auto* ok = Control<wxButton>(wxID_OK);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(m_dialog->GetDefaultItem(), ok);
    // The widget that gets the focus whenever the dialog is the active window.
    EXPECT_EQ(gtk_window_get_focus(GTK_WINDOW(m_dialog->GetHandle())), ok->GetHandle());
}

TEST_F(AboutDlgTest, InformationBoxShowsOneLinePerLineOfTheProcessorText)
{
    auto* info = Control<wxTextCtrl>(IDC_INFO_BOX);
    ASSERT_NE(info, nullptr);
    EXPECT_TRUE(info->IsMultiLine());
    EXPECT_FALSE(info->IsEditable());
    EXPECT_TRUE(info->HasFlag(wxVSCROLL));
    EXPECT_FALSE(info->HasFlag(wxBORDER_NONE));

    std::string text;
    platform::GetCpuInfoText(text);
    const wxArrayString lines = wxStringTokenize(wxString::FromUTF8(text), "\n", wxTOKEN_RET_EMPTY_ALL);
    ASSERT_EQ(info->GetNumberOfLines(), static_cast<int>(lines.size()));
    for (int i = 0; i < info->GetNumberOfLines(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(info->GetLineText(i), lines[i]); // no carriage return left over on any line
    }
    EXPECT_EQ(WithCarriageReturns(" a\n b\n\n"), " a\r\n b\r\n\r\n");
}

TEST_F(AboutDlgTest, PaintsTheDarkSchemeWithLightTextAndBlueLinks)
{
    const wxColour background(69, 69, 69);
    const wxColour text(235, 235, 235);
    const wxColour link(156, 211, 247);
    EXPECT_EQ(m_dialog->GetBackgroundColour(), background);
    for (wxWindow* child : m_dialog->GetChildren()) {
        if (dynamic_cast<wxButton*>(child) != nullptr || dynamic_cast<wxStaticBitmap*>(child) != nullptr)
            continue;
        SCOPED_TRACE(child->GetId());
        const bool isLink = dynamic_cast<CStaticLink*>(child) != nullptr;
        EXPECT_EQ(child->GetForegroundColour(), isLink ? link : text);
        EXPECT_EQ(child->GetBackgroundColour(), background);
    }

    // The link draws itself: blue text on the dialog's grey.
    const wxImage web = Drawn(Control<CStaticLink>(IDC_WEB_LINK));
    const wxRect all(web.GetSize());
    EXPECT_TRUE(HasColour(web, all, link));
    EXPECT_TRUE(HasColour(web, all, background));
}

TEST_F(AboutDlgTest, ClockTicksEverySecondInEnglish)
{
    std::tm march{};
    march.tm_year = 126;
    march.tm_mon = 2;
    march.tm_mday = 5;
    march.tm_wday = 4;
    march.tm_hour = 9;
    march.tm_min = 7;
    march.tm_sec = 3;
    EXPECT_EQ(ClockText(march), "March 05  Thursday  09:07:03");

    const wxTimer& timer = m_dialog->ClockTimer();
    EXPECT_TRUE(timer.IsRunning());
    EXPECT_EQ(timer.GetId(), kClockTimerId);
    EXPECT_EQ(timer.GetInterval(), kClockPeriodMs);
    auto* clock = Control<wxStaticText>(IDC_CLOCK);
    const std::regex format("(January|February|March|April|May|June|July|August|September|October|November|"
                            "December) [0-3][0-9]  [A-Z][a-z]+day  [0-2][0-9]:[0-5][0-9]:[0-6][0-9]");
    const wxString first = clock->GetLabel();
    EXPECT_TRUE(std::regex_match(first.ToStdString(), format)) << first;
    EXPECT_TRUE(PumpUntil([&] { return clock->GetLabel() != first; }));
    EXPECT_TRUE(std::regex_match(clock->GetLabel().ToStdString(), format)) << clock->GetLabel();
}

TEST_F(AboutDlgTest, EscapeAndTheCloseBoxEndTheModalRun)
{
    CDialogHook::Instance().SetAnswer([](wxDialog*) { return wxID_NONE; }); // a real modal run
    for (const bool byKey : {true, false}) {
        SCOPED_TRACE(byKey ? "Escape" : "close box");
        m_dialog->CallAfter([this, byKey] {
            if (byKey) {
                // Straight to the dialog: the display's input focus may belong to another test.
                wxKeyEvent escape(wxEVT_CHAR_HOOK);
                escape.m_keyCode = WXK_ESCAPE;
                escape.SetEventObject(m_dialog);
                m_dialog->ProcessWindowEvent(escape);
            } else {
                m_dialog->Close();
            }
        });
        const int result = m_dialog->ShowModal();
        EXPECT_NE(result, wxID_NONE);
        EXPECT_FALSE(m_dialog->IsShown());
    }
    CDialogHook::Instance().TakeShown();
}

} // namespace
