// The window benchmarks' window: one file view filling a frame of its own, as the program lays it
// out, not yet shown. The caller destroys the frame.
#pragma once

#include "views/FileView.h"

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/sizer.h>
#include <wx/utils.h>

#include <chrono>
#include <cstdlib>

inline CFileView* NewBenchView()
{
    auto* frame = new wxFrame(nullptr, wxID_ANY, "bench", wxDefaultPosition, wxSize(900, 600));
    auto* view = new CFileView(frame, nullptr);
    frame->SetSizer(new wxBoxSizer(wxVERTICAL));
    frame->GetSizer()->Add(view, 1, wxEXPAND);
    return view;
}

// Shows the window. On an accessibility bus (bench/reader_bench.py --reader) the event loop then runs
// for two seconds, so that the toolkit has told the bus of the window and learnt what a screen reader
// listens to before anything is timed.
inline void ShowBenchWindow(wxFrame* frame)
{
    frame->Show();
    if (std::getenv("NO_AT_BRIDGE") != nullptr || std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr)
        return;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < end) {
        wxYield();
        wxMilliSleep(10);
    }
}
