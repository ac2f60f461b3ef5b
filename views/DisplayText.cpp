// Conversions between the program's byte strings and the toolkit's text.
#include "views/DisplayText.h"

#include "views/SettingsText.h"

#include <wx/strconv.h>

#include <algorithm>
#include <cstring>

wxString ToDisplay(std::string_view bytes)
{
    const wxString text = wxString::FromUTF8(bytes.data(), bytes.size());
    if (!text.empty() || bytes.empty())
        return text;
    // Not UTF-8: only the bytes that are not part of a character are lost, so that in a text of many
    // paths one bad name spoils no other.
    const std::string shown = ReplaceStrayBytes(bytes);
    return wxString::FromUTF8(shown.data(), shown.size());
}

std::string FromDisplay(const wxString& text)
{
    const wxScopedCharBuffer utf8 = text.utf8_str();
    return std::string(utf8.data(), utf8.length());
}

std::string FromFileName(const wxString& name)
{
    const bool holdsBytes = std::any_of(name.begin(), name.end(), [](wxUniChar c) {
        return c.GetValue() >= 0x100000 && c.GetValue() <= 0x1000FF;
    });
    if (holdsBytes) {
        const wxCharBuffer bytes = name.mb_str(*wxConvFileName);
        if (bytes.length() > 0)
            return std::string(bytes.data(), bytes.length());
    }
    return FromDisplay(name);
}

wxString ToFileName(std::string_view bytes)
{
    const wxString text = wxString::FromUTF8(bytes.data(), bytes.size());
    if (!text.empty() || bytes.empty())
        return text;
    return wxString(bytes.data(), *wxConvFileName, bytes.size());
}

std::size_t CSettingsConv::ToWChar(wchar_t* dst, std::size_t dstLen, const char* src,
                                   std::size_t srcLen) const
{
    if (srcLen == wxNO_LEN)
        srcLen = std::strlen(src) + 1; // the NUL is converted too, as the caller then expects
    const std::string text = MarkStrayBytes(std::string_view(src, srcLen));
    return m_utf8.ToWChar(dst, dstLen, text.data(), text.size());
}

std::size_t CSettingsConv::FromWChar(char* dst, std::size_t dstLen, const wchar_t* src,
                                     std::size_t srcLen) const
{
    return m_utf8.FromWChar(dst, dstLen, src, srcLen);
}
