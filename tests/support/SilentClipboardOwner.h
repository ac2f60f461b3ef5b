// Another program on the display that takes the clipboard and then never answers a request for it.
#pragma once

struct _XDisplay;

class CSilentClipboardOwner
{
public:
    // Takes the clipboard through a connection of its own, which nothing ever reads.
    CSilentClipboardOwner();
    // Closing the connection gives the clipboard up.
    ~CSilentClipboardOwner();
    CSilentClipboardOwner(const CSilentClipboardOwner&) = delete;
    CSilentClipboardOwner& operator=(const CSilentClipboardOwner&) = delete;

    bool Owns() const { return m_owns; }

private:
    _XDisplay* m_display;
    bool m_owns = false;
};
