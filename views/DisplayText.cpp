// Conversions between the program's byte strings and the toolkit's text.
#include "views/DisplayText.h"

#include <wx/strconv.h>

wxString ToDisplay(std::string_view bytes)
{
    wxString text = wxString::FromUTF8(bytes.data(), bytes.size());
    if (!text.empty() || bytes.empty())
        return text;
    // Not UTF-8: show each byte that is not plain ASCII as a replacement character.
    for (const char c : bytes)
        text += (static_cast<unsigned char>(c) < 0x80) ? wxUniChar(c) : wxUniChar(0xFFFD);
    return text;
}

std::string FromDisplay(const wxString& text)
{
    const wxScopedCharBuffer utf8 = text.utf8_str();
    return std::string(utf8.data(), utf8.length());
}

std::size_t CSettingsConv::ToWChar(wchar_t* dst, std::size_t dstLen, const char* src,
                                   std::size_t srcLen) const
{
    return m_reading.ToWChar(dst, dstLen, src, srcLen);
}

std::size_t CSettingsConv::FromWChar(char* dst, std::size_t dstLen, const wchar_t* src,
                                     std::size_t srcLen) const
{
    return m_writing.FromWChar(dst, dstLen, src, srcLen);
}
