// The path a file dialog answered, as the file system's bytes.
#pragma once

#include <wx/string.h>

#include <string>

// The file dialog hands a name that is not UTF-8 over in the toolkit's file-name conversion, whose
// characters U+100000 to U+1000FF stand for single bytes; only that conversion gives the bytes back.
// Any other name is plain text, converted as every other text is.
std::string DialogPath(const wxString& path);
