// A line of text that acts as a link: a hand pointer over it, a click opens its target through the
// desktop, and a focus rectangle while it has the keyboard focus. The owner chooses its colours.
#pragma once

#include "platform/Accessible.h"

#include <wx/control.h>
#include <wx/cursor.h>

#include <memory>
#include <string>

class wxDC;

class CStaticLink : public wxControl
{
public:
    explicit CStaticLink(const wxString& target = wxString());
    CStaticLink(wxWindow* parent, wxWindowID id, const wxString& text, const wxPoint& pos, const wxSize& size,
                long style = wxALIGN_LEFT, const wxString& target = wxString());

    // The text sits at `pos` within `size`; the control reaches one pixel further on every side,
    // so that the focus rectangle around the text is drawn on the link itself.
    bool Create(wxWindow* parent, wxWindowID id, const wxString& text, const wxPoint& pos, const wxSize& size,
                long style = wxALIGN_LEFT);

    // Tries the target, then the string resource with the control's id, then the control's own
    // text, each through the desktop; keeps the last one tried as the target. Beeps when none opens,
    // and says that no application is set to open the first one tried.
    bool OpenLink();
    // The address a click opens first: the target, else the string resource with the control's id, else
    // the control's own text.
    wxString GetAddress() const;

    // The hand pointer of every link, looked for once per process; null when there is none.
    static const wxCursor* LinkCursor();

    // Draws the link as it shows now, with its focus rectangle while it has the focus.
    void DrawLink(wxDC& dc) const;

    bool AcceptsFocus() const override { return true; }
    bool AcceptsFocusFromKeyboard() const override { return true; }

    wxString linkTarget; // what a click opens; empty unless given

protected:
    wxSize DoGetBestSize() const override;
    // The desktop's part and the beep; tests watch both.
    virtual bool OpenCandidate(const wxString& address, std::string& reason);
    virtual void SoundBell();

private:
    bool Opened();
    void ShowNoApplication(const wxString& address, const wxString& reason);
    wxRect FocusRect() const;
    void OnPaint(wxPaintEvent& event);
    void OnFocusChange(wxFocusEvent& event);
    void OnLeftUp(wxMouseEvent& event);

    bool m_focused = false;                              // as the last focus event said
    std::unique_ptr<platform::CAccessibleLink> m_reader; // what a screen reader is told of the link
    static wxCursor* ms_linkCursor;
    static bool ms_linkCursorTried;
};
