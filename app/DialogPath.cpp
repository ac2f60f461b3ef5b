// Only names the toolkit could not hold as text carry the characters that stand for bytes.
#include "app/DialogPath.h"

#include "views/DisplayText.h"

#include <wx/strconv.h>

#include <algorithm>

std::string DialogPath(const wxString& path)
{
    const bool holdsBytes = std::any_of(path.begin(), path.end(), [](wxUniChar c) {
        return c.GetValue() >= 0x100000 && c.GetValue() <= 0x1000FF;
    });
    if (holdsBytes) {
        const wxCharBuffer bytes = path.mb_str(*wxConvFileName);
        if (bytes.length() > 0)
            return std::string(bytes.data(), bytes.length());
    }
    return FromDisplay(path);
}
