// The link control: drawn by itself, since the toolkit's static text can neither take the focus
// nor show a pointer of its own on every system.
#include "decorations/StaticLink.h"

#include "platform/OpenAddress.h"
#include "resources/Resources.h"

#include <wx/dcclient.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

wxCursor* CStaticLink::ms_linkCursor = nullptr;
bool CStaticLink::ms_linkCursorTried = false;

namespace {

constexpr int kFocusMargin = 1; // the focus rectangle stands this far outside the text

// Every other pixel of the rectangle's edge, in the text's colour. The toolkit's own focus drawing
// insets its rectangle by a theme's padding, which would put it across the text.
void DrawDottedFrame(wxDC& dc, const wxRect& rect, const wxColour& colour)
{
    dc.SetPen(wxPen(colour));
    for (int x = rect.GetLeft(); x <= rect.GetRight(); x += 2) {
        dc.DrawPoint(x, rect.GetTop());
        dc.DrawPoint(x, rect.GetBottom());
    }
    for (int y = rect.GetTop(); y <= rect.GetBottom(); y += 2) {
        dc.DrawPoint(rect.GetLeft(), y);
        dc.DrawPoint(rect.GetRight(), y);
    }
}

} // namespace

CStaticLink::CStaticLink(const wxString& target) : linkTarget(target) {}

CStaticLink::CStaticLink(wxWindow* parent, wxWindowID id, const wxString& text, const wxPoint& pos,
                         const wxSize& size, long style, const wxString& target)
    : linkTarget(target)
{
    Create(parent, id, text, pos, size, style);
}

bool CStaticLink::Create(wxWindow* parent, wxWindowID id, const wxString& text, const wxPoint& pos,
                         const wxSize& size, long style)
{
    wxPoint outerPos = pos;
    if (pos != wxDefaultPosition)
        outerPos -= wxPoint(kFocusMargin, kFocusMargin);
    wxSize outerSize = size;
    if (size.x > 0)
        outerSize.x += 2 * kFocusMargin;
    if (size.y > 0)
        outerSize.y += 2 * kFocusMargin;
    if (!wxControl::Create(parent, id, outerPos, outerSize, style | wxBORDER_NONE | wxFULL_REPAINT_ON_RESIZE))
        return false;
    SetLabel(text);
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    if (const wxCursor* hand = LinkCursor())
        SetCursor(*hand);
    SetInitialSize(outerSize);
    Bind(wxEVT_PAINT, &CStaticLink::OnPaint, this);
    Bind(wxEVT_SET_FOCUS, &CStaticLink::OnFocusChange, this);
    Bind(wxEVT_KILL_FOCUS, &CStaticLink::OnFocusChange, this);
    Bind(wxEVT_LEFT_UP, &CStaticLink::OnLeftUp, this);
    m_reader = std::make_unique<platform::CAccessibleLink>(
        GetHandle(), [this] { return GetLabel().utf8_string(); },
        [this] { return GetAddress().utf8_string(); }, [this] { OpenLink(); });
    return true;
}

const wxCursor* CStaticLink::LinkCursor()
{
    if (ms_linkCursor == nullptr && !ms_linkCursorTried) {
        ms_linkCursorTried = true;
        auto* hand = new wxCursor(wxCURSOR_HAND);
        if (hand->IsOk())
            ms_linkCursor = hand; // kept until the process ends, shared by every link
        else
            delete hand;
    }
    return ms_linkCursor;
}

bool CStaticLink::OpenLink()
{
    // The first address tried is the one the link stands for: the message names it.
    wxString first;
    std::string firstReason;
    auto open = [&](const wxString& address) {
        std::string reason;
        if (address.empty())
            return false;
        if (OpenCandidate(address, reason))
            return true;
        if (first.empty()) {
            first = address;
            firstReason = reason;
        }
        return false;
    };
    if (open(linkTarget))
        return Opened();
    if (const char* text = StringResource(GetId())) {
        linkTarget = wxString::FromUTF8(text);
        if (open(linkTarget))
            return Opened();
    }
    linkTarget = GetLabel();
    if (open(linkTarget))
        return Opened();
    SoundBell();
    if (!first.empty())
        ShowNoApplication(first, wxString::FromUTF8(firstReason));
    return false;
}

wxString CStaticLink::GetAddress() const
{
    if (!linkTarget.empty())
        return linkTarget;
    const char* text = StringResource(GetId());
    return text != nullptr && *text != '\0' ? wxString::FromUTF8(text) : GetLabel();
}

void CStaticLink::ShowNoApplication(const wxString& address, const wxString& reason)
{
    wxString text = kNoApplicationText;
    text.Replace("%1", address);
    if (!reason.empty())
        text += "\n\n" + reason;
    wxMessageBox(text, kAppName, wxOK | wxICON_EXCLAMATION, this);
}

bool CStaticLink::Opened()
{
    Refresh();
    return true;
}

bool CStaticLink::OpenCandidate(const wxString& address, std::string& reason)
{
    return platform::OpenAddress(address.utf8_string(), reason);
}

void CStaticLink::SoundBell()
{
    wxBell();
}

wxSize CStaticLink::DoGetBestSize() const
{
    return GetTextExtent(GetLabel()) + wxSize(2 * kFocusMargin, 2 * kFocusMargin);
}

wxRect CStaticLink::FocusRect() const
{
    const wxRect whole(GetClientSize());
    if ((GetWindowStyle() & (wxALIGN_CENTRE_HORIZONTAL | wxALIGN_RIGHT)) != 0)
        return whole;
    const wxSize text = GetTextExtent(GetLabel());
    return wxRect(0, 0, text.x + 2 * kFocusMargin, text.y + 2 * kFocusMargin).Intersect(whole);
}

void CStaticLink::OnPaint(wxPaintEvent&)
{
    wxPaintDC dc(this);
    DrawLink(dc);
}

void CStaticLink::DrawLink(wxDC& dc) const
{
    dc.SetBackground(wxBrush(GetBackgroundColour()));
    dc.Clear();
    dc.SetFont(GetFont());
    dc.SetTextForeground(GetForegroundColour());
    // The text as it is: an ampersand is shown, not taken as a mnemonic.
    const wxString text = GetLabel();
    const int room = GetClientSize().x - 2 * kFocusMargin - dc.GetTextExtent(text).x;
    int x = kFocusMargin;
    if (HasFlag(wxALIGN_RIGHT))
        x += room;
    else if (HasFlag(wxALIGN_CENTRE_HORIZONTAL))
        x += room / 2;
    dc.DrawText(text, x, kFocusMargin);
    if (m_focused)
        DrawDottedFrame(dc, FocusRect(), GetForegroundColour());
}

void CStaticLink::OnFocusChange(wxFocusEvent& event)
{
    m_focused = event.GetEventType() == wxEVT_SET_FOCUS;
    RefreshRect(FocusRect());
    event.Skip();
}

void CStaticLink::OnLeftUp(wxMouseEvent& event)
{
    // A press dragged off the link and released elsewhere opens nothing.
    if (wxRect(GetClientSize()).Contains(event.GetPosition()))
        OpenLink();
    event.Skip();
}
