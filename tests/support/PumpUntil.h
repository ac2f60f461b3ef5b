// Waiting in window tests: the event loop runs until a condition holds, never for a fixed time.
#pragma once

#include <wx/app.h>
#include <wx/utils.h>

#include <chrono>

// Runs the event loop until `done` holds; false when a minute passes first, which only a fault takes.
template <class Predicate> bool PumpUntil(Predicate done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        wxYield();
        wxMilliSleep(2);
    }
    return true;
}
