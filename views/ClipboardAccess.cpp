// The clipboard is held open only for one read or one write. Under GTK the toolkit's clipboard waits
// for the owner's answer with no limit but the desktop's own (half a minute a request, and a read
// makes several), so reading goes to GTK directly there, with a deadline. Writing goes to GTK directly
// too: the toolkit would widen the text to four bytes a character and narrow it again for every
// request, which for a million paths froze the window for seconds; GTK hands out the UTF-8 as it is.
#include "views/ClipboardAccess.h"

#include "views/DisplayText.h"

#include <wx/clipbrd.h>
#include <wx/dataobj.h>

#ifdef __WXGTK__
#include <gtk/gtk.h>
#include <iterator>
#include <utility>

namespace {

// One request to the clipboard's owner. The answer may come after the reader has given up, so the
// reader and the answer each hold a reference and the last one frees it.
struct ClipboardRead
{
    int references = 2;
    bool answered = false;
    bool timedOut = false;
    bool got = false;
    std::string text;
    std::vector<std::string> paths;
};

bool s_reading = false; // a read waiting: a paste asked for meanwhile gets nothing

void Release(ClipboardRead* read)
{
    if (--read->references == 0)
        delete read;
}

void OnText(GtkClipboard*, const gchar* text, gpointer data)
{
    auto* read = static_cast<ClipboardRead*>(data);
    if (text != nullptr) {
        read->text = text;
        read->got = true;
    }
    read->answered = true;
    Release(read);
}

void OnUris(GtkClipboard*, gchar** uris, gpointer data)
{
    auto* read = static_cast<ClipboardRead*>(data);
    for (gchar** uri = uris; uri != nullptr && *uri != nullptr; ++uri) {
        // The file name's own bytes, whatever their encoding.
        gchar* path = g_filename_from_uri(*uri, nullptr, nullptr);
        if (path != nullptr)
            read->paths.emplace_back(path);
        g_free(path);
    }
    read->got = !read->paths.empty();
    read->answered = true;
    Release(read);
}

gboolean OnDeadline(gpointer data)
{
    static_cast<ClipboardRead*>(data)->timedOut = true;
    return G_SOURCE_REMOVE;
}

// Starts the request and runs the event loop until the answer or the deadline; false when there was
// no answer in time, and then the reader's reference is given up.
bool WaitForAnswer(ClipboardRead* read, void (*request)(GtkClipboard*, ClipboardRead*))
{
    s_reading = true;
    request(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), read);
    const guint deadline = g_timeout_add(ClipboardAccess::kReadDeadlineMs, OnDeadline, read);
    while (!read->answered && !read->timedOut)
        g_main_context_iteration(nullptr, TRUE);
    if (!read->timedOut)
        g_source_remove(deadline);
    s_reading = false;
    return read->answered;
}

void RequestText(GtkClipboard* clipboard, ClipboardRead* read)
{
    gtk_clipboard_request_text(clipboard, OnText, read);
}

void RequestUris(GtkClipboard* clipboard, ClipboardRead* read)
{
    gtk_clipboard_request_uris(clipboard, OnUris, read);
}

// Asks once and waits for the answer; `take` copies what came. An owner that did not answer in time
// is not asked again by the same paste.
template <class Take>
bool ReadOnce(bool& unanswered, void (*request)(GtkClipboard*, ClipboardRead*), Take take)
{
    if (unanswered || s_reading)
        return false;
    auto* read = new ClipboardRead;
    unanswered = !WaitForAnswer(read, request);
    const bool got = !unanswered && read->got;
    if (got)
        take(*read);
    Release(read);
    return got;
}

void OnTextRequested(GtkClipboard*, GtkSelectionData* selection, guint, gpointer offered)
{
    const auto* text = static_cast<const std::string*>(offered);
    gtk_selection_data_set_text(selection, text->data(), static_cast<gint>(text->size()));
}

void OnOfferEnded(GtkClipboard*, gpointer offered)
{
    delete static_cast<std::string*>(offered);
}

} // namespace

bool ClipboardAccess::PutText(std::string text)
{
    if (text.size() > static_cast<std::size_t>(G_MAXINT))
        return false;
    // The two forms the toolkit's own text offered: UTF-8, and Latin-1 for programs that ask only
    // for that, which GTK makes on request.
    static const GtkTargetEntry targets[] = {{const_cast<gchar*>("UTF8_STRING"), 0, 0},
                                             {const_cast<gchar*>("STRING"), 0, 0}};
    auto* offered = new std::string(std::move(text));
    if (gtk_clipboard_set_with_data(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), targets, std::size(targets),
                                    OnTextRequested, OnOfferEnded, offered))
        return true;
    delete offered;
    return false;
}

bool ClipboardAccess::GetText(std::string& text)
{
    return ReadOnce(m_unanswered, RequestText, [&text](const ClipboardRead& read) { text = read.text; });
}

bool ClipboardAccess::GetFiles(std::vector<std::string>& paths)
{
    return ReadOnce(m_unanswered, RequestUris, [&paths](const ClipboardRead& read) {
        paths.insert(paths.end(), read.paths.begin(), read.paths.end());
    });
}
#else
bool ClipboardAccess::PutText(std::string text)
{
    if (!wxTheClipboard->Open())
        return false;
    const bool put = wxTheClipboard->SetData(new wxTextDataObject(ToDisplay(text)));
    wxTheClipboard->Close();
    return put;
}

bool ClipboardAccess::GetText(std::string& text)
{
    // Only asking for the data tells: a format said to be there can still fail to arrive.
    if (!wxTheClipboard->Open())
        return false;
    wxTextDataObject data;
    const bool got = wxTheClipboard->GetData(data);
    wxTheClipboard->Close();
    if (got)
        text = FromDisplay(data.GetText());
    return got;
}

bool ClipboardAccess::GetFiles(std::vector<std::string>& paths)
{
    if (!wxTheClipboard->Open())
        return false;
    wxFileDataObject data;
    const bool got = wxTheClipboard->GetData(data);
    wxTheClipboard->Close();
    if (!got)
        return false;
    for (const wxString& name : data.GetFilenames())
        paths.push_back(FromDisplay(name));
    return !paths.empty();
}
#endif
