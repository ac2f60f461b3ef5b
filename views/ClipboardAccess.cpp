// The clipboard is held open only for one read or one write.
#include "views/ClipboardAccess.h"

#include "views/DisplayText.h"

#include <wx/clipbrd.h>
#include <wx/dataobj.h>

bool ClipboardAccess::PutText(const std::string& text)
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
