// Paths are the file system's bytes; windows show them as text, replacing bytes that are not UTF-8.
#pragma once

#include <wx/strconv.h>
#include <wx/string.h>

#include <string>
#include <string_view>

wxString ToDisplay(std::string_view bytes);
std::string FromDisplay(const wxString& text);

// A name the toolkit took from the system as a file name (a dialog's answer, a drop, the folder
// tree's path) back as the file system's bytes, and the bytes as a name the toolkit can open or list.
// The toolkit holds a byte that is not UTF-8 as one of the characters U+100000 to U+1000FF, which
// only its file-name conversion turns back; every other name is plain UTF-8, whatever the locale.
std::string FromFileName(const wxString& name);
wxString ToFileName(std::string_view bytes);

// The conversion of the settings file: a byte that is not UTF-8 reads as the private-use character
// that stands for it (views/SettingsText.h), so one such byte spoils neither the file nor the other
// entries, which the toolkit's usual fallback to Latin-1 for the whole file would; writing is UTF-8.
// A character of that range written as UTF-8 reads back as itself: the toolkit's forgiving reading
// would split it into its bytes, and each save would then make the entry four times longer.
class CSettingsConv : public wxMBConv
{
public:
    std::size_t ToWChar(wchar_t* dst, std::size_t dstLen, const char* src,
                        std::size_t srcLen = wxNO_LEN) const override;
    std::size_t FromWChar(char* dst, std::size_t dstLen, const wchar_t* src,
                          std::size_t srcLen = wxNO_LEN) const override;
    std::size_t GetMBNulLen() const override { return 1; }
    wxMBConv* Clone() const override { return new CSettingsConv; }

private:
    wxMBConvStrictUTF8 m_utf8;
};
