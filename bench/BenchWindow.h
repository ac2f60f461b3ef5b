// The window benchmarks' window: one file view filling a frame of its own, as the program lays it
// out, not yet shown. The caller destroys the frame.
#pragma once

#include "views/FileView.h"

#include <wx/frame.h>
#include <wx/sizer.h>

inline CFileView* NewBenchView()
{
    auto* frame = new wxFrame(nullptr, wxID_ANY, "bench", wxDefaultPosition, wxSize(900, 600));
    auto* view = new CFileView(frame, nullptr);
    frame->SetSizer(new wxBoxSizer(wxVERTICAL));
    frame->GetSizer()->Add(view, 1, wxEXPAND);
    return view;
}
