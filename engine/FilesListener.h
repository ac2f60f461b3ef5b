// What a scan tells its owner. Called on the worker thread; the two progress calls come while the
// engine's lock is held, so an implementation may only hand the text on to another thread and must
// neither wait for that thread nor call the engine's Lock.
#pragma once

#include <string>

class CMyFilesListener
{
public:
    // After each subfolder has been walked: "(%d scanned) %s".
    virtual void OnScanProgress(const std::string& text) = 0;
    // Once with an empty text when resolving begins, then "%d of %d files - %d%%" before each run.
    virtual void OnResolveProgress(const std::string& text) = 0;
    // Exactly once per scan, as the worker's last act, after the lock is released.
    virtual void OnScanFinished() = 0;

protected:
    ~CMyFilesListener() = default; // the engine never owns or deletes a listener
};
