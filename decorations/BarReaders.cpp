// The toolbar's buttons and the status bar's panes for a screen reader, in the bars' own terms.
#include "decorations/BarReaders.h"

#include <wx/aui/auibar.h>
#include <wx/statusbr.h>

namespace {

platform::AccessibleRect ToRect(const wxRect& rect)
{
    return {rect.GetX(), rect.GetY(), rect.GetWidth(), rect.GetHeight()};
}

bool IsButton(const wxAuiToolBarItem* item)
{
    return item != nullptr && item->GetKind() >= wxITEM_NORMAL && item->GetKind() < wxITEM_MAX;
}

} // namespace

CToolBarReader::CToolBarReader(wxAuiToolBar& bar) : m_bar(bar)
{
    m_parts = std::make_unique<platform::CAccessibleParts>(
        bar.GetHandle(), platform::EAccessibleRole::ToolBar, platform::EAccessibleRole::PushButton, *this);
    m_bar.Bind(wxEVT_IDLE, &CToolBarReader::OnIdle, this);
}

CToolBarReader::~CToolBarReader()
{
    m_bar.Unbind(wxEVT_IDLE, &CToolBarReader::OnIdle, this);
}

void CToolBarReader::OnIdle(wxIdleEvent& event)
{
    m_parts->Update(); // the buttons' enabled states are set on idle too
    event.Skip();
}

wxAuiToolBarItem* CToolBarReader::Button(std::size_t index) const
{
    for (std::size_t i = 0; i < m_bar.GetToolCount(); ++i) {
        wxAuiToolBarItem* item = m_bar.FindToolByIndex(static_cast<int>(i));
        if (IsButton(item) && index-- == 0)
            return item;
    }
    return nullptr;
}

std::size_t CToolBarReader::PartCount() const
{
    std::size_t buttons = 0;
    for (std::size_t i = 0; i < m_bar.GetToolCount(); ++i)
        buttons += IsButton(m_bar.FindToolByIndex(static_cast<int>(i))) ? 1 : 0;
    return buttons;
}

platform::AccessiblePart CToolBarReader::Part(std::size_t index) const
{
    const wxAuiToolBarItem* item = Button(index);
    if (item == nullptr)
        return {};
    const wxString name = !item->GetShortHelp().empty() ? item->GetShortHelp() : item->GetLabel();
    return {name.utf8_string(), ToRect(m_bar.GetToolRect(item->GetId())),
            m_bar.GetToolEnabled(item->GetId())};
}

void CToolBarReader::PressPart(std::size_t index)
{
    // What a click on the button sends.
    const wxAuiToolBarItem* item = Button(index);
    if (item == nullptr)
        return;
    wxCommandEvent click(wxEVT_MENU, item->GetId());
    click.SetEventObject(&m_bar);
    m_bar.GetEventHandler()->ProcessEvent(click);
}

CStatusBarReader::CStatusBarReader(wxStatusBar& bar) : m_bar(bar)
{
    m_parts = std::make_unique<platform::CAccessibleParts>(
        bar.GetHandle(), platform::EAccessibleRole::StatusBar, platform::EAccessibleRole::Label, *this);
    m_bar.Bind(wxEVT_IDLE, &CStatusBarReader::OnIdle, this);
}

CStatusBarReader::~CStatusBarReader()
{
    m_bar.Unbind(wxEVT_IDLE, &CStatusBarReader::OnIdle, this);
}

void CStatusBarReader::OnIdle(wxIdleEvent& event)
{
    m_parts->Update();
    event.Skip();
}

void CStatusBarReader::Announce(int pane)
{
    if (pane >= 0 && pane < m_bar.GetFieldsCount())
        m_parts->Announce(static_cast<std::size_t>(pane), m_bar.GetStatusText(pane).utf8_string());
}

std::size_t CStatusBarReader::PartCount() const
{
    return static_cast<std::size_t>(std::max(m_bar.GetFieldsCount(), 0));
}

platform::AccessiblePart CStatusBarReader::Part(std::size_t index) const
{
    wxRect rect;
    m_bar.GetFieldRect(static_cast<int>(index), rect);
    return {m_bar.GetStatusText(static_cast<int>(index)).utf8_string(), ToRect(rect), true};
}
