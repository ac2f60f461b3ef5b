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

// The pointer moves to `point` of `window`, a part of the list, as the system reports it: to that
// window and, since the list lets the move pass, on to the list itself with the same coordinates.
inline void MovePointer(wxListCtrl* list, wxWindow* window, wxPoint point)
{
    wxMouseEvent motion(wxEVT_MOTION);
    motion.SetPosition(point);
    motion.SetEventObject(window);
    window->GetEventHandler()->ProcessEvent(motion);
    if (window != list) {
        motion.SetEventObject(list);
        list->GetEventHandler()->ProcessEvent(motion);
    }
}

// The pointer rests on `row`, `dx` pixels into it; a row past the last one is below the rows.
inline void PointAtRow(wxListCtrl* list, long row, int dx = 5)
{
    wxRect rect;
    list->GetItemRect(std::min(row, static_cast<long>(list->GetItemCount()) - 1), rect);
    if (row >= list->GetItemCount())
        rect.y += 3 * rect.height;
    wxWindow* rows = RowsWindowOf(list);
    MovePointer(list, rows,
                rows->ScreenToClient(list->ClientToScreen(rect.GetPosition())) +
                    wxPoint(dx, rect.GetHeight() / 2));
}

// The pointer leaves `window`, a part of the list.
inline void LeaveWindow(wxWindow* window)
{
    wxMouseEvent leave(wxEVT_LEAVE_WINDOW);
    leave.SetEventObject(window);
    window->GetEventHandler()->ProcessEvent(leave);
}

inline void PressKey(wxListCtrl* list, int key, int modifiers = wxMOD_NONE, wxEventType type = wxEVT_KEY_DOWN)
{
    wxKeyEvent press(type);
    press.m_keyCode = key;
    press.SetShiftDown((modifiers & wxMOD_SHIFT) != 0);
    press.SetControlDown((modifiers & wxMOD_CONTROL) != 0);
    SendTo(list, press);
}
