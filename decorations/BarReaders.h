// What a screen reader is told of the toolbar and the status bar where the toolkit draws them itself:
// the toolbar's buttons as push buttons named by their tips, the status bar's panes as labels with
// their texts. Each is told of its changes when the window is idle.
#pragma once

#include "platform/Accessible.h"

#include <wx/event.h>

#include <memory>

class wxAuiToolBar;
class wxAuiToolBarItem;
class wxStatusBar;

class CToolBarReader : public platform::CAccessiblePartSource
{
public:
    explicit CToolBarReader(wxAuiToolBar& bar);
    ~CToolBarReader() override;
    CToolBarReader(const CToolBarReader&) = delete;
    CToolBarReader& operator=(const CToolBarReader&) = delete;

    std::size_t PartCount() const override;
    platform::AccessiblePart Part(std::size_t index) const override;
    void PressPart(std::size_t index) override;

private:
    wxAuiToolBarItem* Button(std::size_t index) const;
    void OnIdle(wxIdleEvent& event);

    wxAuiToolBar& m_bar;
    std::unique_ptr<platform::CAccessibleParts> m_parts;
};

class CStatusBarReader : public platform::CAccessiblePartSource
{
public:
    explicit CStatusBarReader(wxStatusBar& bar);
    ~CStatusBarReader() override;
    CStatusBarReader(const CStatusBarReader&) = delete;
    CStatusBarReader& operator=(const CStatusBarReader&) = delete;

    // Has a screen reader say the pane's text now, after what it is saying: for texts a user waits for.
    void Announce(int pane);

    std::size_t PartCount() const override;
    platform::AccessiblePart Part(std::size_t index) const override;
    void PressPart(std::size_t) override {}

private:
    void OnIdle(wxIdleEvent& event);

    wxStatusBar& m_bar;
    std::unique_ptr<platform::CAccessibleParts> m_parts;
};
