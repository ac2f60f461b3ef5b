// Paths are the file system's bytes; windows show them as text, replacing bytes that are not UTF-8.
#pragma once

#include <wx/string.h>

#include <string>
#include <string_view>

wxString ToDisplay(std::string_view bytes);
std::string FromDisplay(const wxString& text);
