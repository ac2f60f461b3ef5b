// The clipboard for one transfer of the duplicates list, through the toolkit's clipboard.
#pragma once

#include <string>
#include <vector>

class wxWindow;

class ClipboardAccess
{
public:
    // `owner` is the window the transfer is made for; it may be null.
    explicit ClipboardAccess(wxWindow* owner) : m_owner(owner) {}

    // Replaces the clipboard's contents with the text, which must be valid UTF-8, in the desktop's
    // Unicode text form and its plain text form. The clipboard keeps the text until another owner
    // takes the clipboard.
    bool PutText(std::string text);
    // The clipboard's text, when it holds one; UTF-8 with any character the desktop gave.
    bool GetText(std::string& text);
    // The files of a file list copied in a file manager, when the clipboard holds one.
    bool GetFiles(std::vector<std::string>& paths);

    // How long a read waits for the program that owns the clipboard. The event loop runs meanwhile;
    // an owner that has not answered by then is not asked again through this object.
    static constexpr unsigned kReadDeadlineMs = 2000;

private:
    wxWindow* m_owner;         // the toolkit's one clipboard needs no owner; kept for the reader
    bool m_unanswered = false; // a read ran out of time: the owner does not answer
};
