// Clicks and keys sent to a list as the system delivers them: to the window that draws the rows
// (the list itself, or the part of it that draws them), at a row's place.
#pragma once

#include <wx/listctrl.h>

inline wxWindow* RowsWindowOf(wxListCtrl* list)
{
    wxWindow* rows = list;
    for (wxWindow* child : list->GetChildren())
        if (child->GetClientSize().GetHeight() > rows->GetClientSize().GetHeight() / 2)
            rows = child;
    return rows;
}

inline void SendTo(wxListCtrl* list, wxEvent& event)
{
    wxWindow* rows = RowsWindowOf(list);
    event.SetEventObject(rows);
    rows->GetEventHandler()->ProcessEvent(event);
}

// `modifiers`: wxMOD_SHIFT, wxMOD_CONTROL or both. A row past the last one clicks below the rows.
inline void ClickRow(wxListCtrl* list, long row, int modifiers = wxMOD_NONE,
                     wxEventType type = wxEVT_LEFT_DOWN)
{
    wxRect rect;
    list->GetItemRect(std::min(row, static_cast<long>(list->GetItemCount()) - 1), rect);
    if (row >= list->GetItemCount())
        rect.y += 3 * rect.height;
    wxMouseEvent click(type);
    click.SetPosition(RowsWindowOf(list)->ScreenToClient(list->ClientToScreen(rect.GetPosition())) +
                      wxPoint(5, rect.GetHeight() / 2));
    click.SetShiftDown((modifiers & wxMOD_SHIFT) != 0);
    click.SetControlDown((modifiers & wxMOD_CONTROL) != 0);
    SendTo(list, click);
    if (type == wxEVT_LEFT_DOWN) {
        wxMouseEvent release(click);
        release.SetEventType(wxEVT_LEFT_UP);
        SendTo(list, release);
    }
}

inline void PressKey(wxListCtrl* list, int key, int modifiers = wxMOD_NONE, wxEventType type = wxEVT_KEY_DOWN)
{
    wxKeyEvent press(type);
    press.m_keyCode = key;
    press.SetShiftDown((modifiers & wxMOD_SHIFT) != 0);
    press.SetControlDown((modifiers & wxMOD_CONTROL) != 0);
    SendTo(list, press);
}
