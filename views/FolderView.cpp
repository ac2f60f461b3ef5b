// The folder list window: rows mirror the model, odd rows striped, folders dropped from the desktop
// added in drop order.
#include "views/FolderView.h"

#include "platform/Path.h"
#include "views/DisplayText.h"
#include "views/ListReaders.h"
#include "views/MessageBoxes.h"
#include "views/SettingsText.h"
#include "views/ThemeColors.h"

#include <wx/config.h>
#include <wx/dnd.h>

#include <algorithm>
#include <utility>

namespace {

class CFolderDropTarget : public wxFileDropTarget
{
public:
    explicit CFolderDropTarget(CFolderView* view) : m_view(view) {}

    bool OnDropFiles(wxCoord, wxCoord, const wxArrayString& files) override
    {
        m_view->AddDroppedFiles(files);
        return true;
    }

private:
    CFolderView* m_view;
};

} // namespace

CFolderView::CFolderView(wxWindow* parent, wxConfigBase* config)
    : wxListView(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                 wxLC_REPORT | wxLC_HRULES | wxLC_VRULES | wxBORDER_SUNKEN),
      m_config(config), m_reader(std::make_unique<CFolderViewReader>(*this))
{
    Bind(wxEVT_SYS_COLOUR_CHANGED, [this](wxSysColourChangedEvent& event) {
        Restripe(0);
        event.Skip();
    });
}

CFolderView::~CFolderView()
{
    if (m_setUp) {
        SaveFolderList();
        SetDropTarget(nullptr);
    }
}

void CFolderView::OnInitialUpdate()
{
    if (!m_initialUpdateSeen) {
        m_initialUpdateSeen = true;
        return;
    }
    SetUpList();
}

void CFolderView::SetUpList()
{
    const int width = GetClientSize().GetWidth();
    InsertColumn(0, "Folders", wxLIST_FORMAT_LEFT, width > 0 ? width : 100);
    m_setUp = true;
    LoadFolderList();
    SetDropTarget(new CFolderDropTarget(this));
    // The generic list draws its rows in a child window: the tip goes on every part of the list.
    const wxString tip = "Drop folder here to add to project";
    SetToolTip(tip);
    for (wxWindow* child : GetChildren())
        child->SetToolTip(tip);
}

void CFolderView::AppendFolder(std::string& path)
{
    if (!m_folders.Append(path)) {
        ShowOverlapMessage(this, ToDisplay(path));
        return;
    }
    InsertRow(path);
}

void CFolderView::AppendFolders(std::vector<std::string> paths)
{
    const std::size_t before = m_folders.Entries().size();
    const std::vector<std::string> refused = m_folders.AppendAll(std::move(paths));
    Freeze();
    for (std::size_t i = before; i < m_folders.Entries().size(); ++i)
        InsertRow(m_folders.Entries()[i]);
    Thaw();
    if (refused.empty())
        return;
    ShowOverlapMessage(this, refused);
}

void CFolderView::InsertRow(const std::string& path)
{
    const long row = InsertItem(GetItemCount(), ToDisplay(path));
    Restripe(row);
}

void CFolderView::Restripe(long from)
{
    // The stripe follows the theme, so that the theme's text reads on it, light or dark.
    const wxColour background = GetBackgroundColour();
    const wxColour stripe(StripeColor(background.GetRGB(), GetForegroundColour().GetRGB()));
    for (long row = from; row < GetItemCount(); ++row)
        SetItemBackgroundColour(row, row % 2 == 1 ? stripe : background);
}

void CFolderView::DeleteSelectedFolders()
{
    std::vector<std::size_t> selected;
    for (long row = GetFirstSelected(); row != -1; row = GetNextSelected(row))
        selected.push_back(static_cast<std::size_t>(row));
    if (selected.empty())
        return;
    m_folders.Remove(selected);
    for (auto row = selected.rbegin(); row != selected.rend(); ++row)
        DeleteItem(static_cast<long>(*row));
    Restripe(static_cast<long>(selected.front()));
}

bool CFolderView::HasSelection() const
{
    return GetSelectedItemCount() > 0;
}

void CFolderView::GetFolders(std::vector<std::string>& folders) const
{
    folders.insert(folders.end(), m_folders.Entries().begin(), m_folders.Entries().end());
}

bool CFolderView::OpenProject(const std::string& path, bool sayCannotOpen)
{
    // The selected entries go only once the file is open: a file that cannot be opened changes nothing.
    std::vector<std::string> folders;
    std::string reason;
    const EProjectResult result = ReadProjectFile(
        path,
        [&folders](std::string& line) {
            if (line.find('\0') == std::string::npos && platform::IsFolder(line))
                folders.push_back(std::move(line));
        },
        [this] { DeleteSelectedFolders(); }, &reason);
    AppendFolders(std::move(folders));
    if (result == EProjectResult::ReadError || (result == EProjectResult::CannotOpen && sayCannotOpen))
        ShowProjectReadError(this, ToDisplay(path), ToDisplay(reason));
    else if (result == EProjectResult::TooLarge)
        ShowProjectTooLarge(this, ToDisplay(path));
    return result == EProjectResult::Done;
}

bool CFolderView::SaveProject(const std::string& path)
{
    std::vector<std::string> folders;
    GetFolders(folders);
    const EProjectResult result = WriteProjectFile(path, folders);
    if (result == EProjectResult::WriteError)
        ShowProjectWriteError(this, ToDisplay(path));
    return result == EProjectResult::Done;
}

void CFolderView::AddDroppedFiles(const wxArrayString& files)
{
    for (const wxString& file : files) {
        std::string path = FromFileName(file);
        if (platform::IsFolder(path))
            AppendFolder(path);
    }
}

void CFolderView::SaveFolderList()
{
    if (m_config == nullptr)
        return;
    m_config->DeleteGroup("/Folders");
    for (std::size_t i = 0; i < m_folders.Entries().size(); ++i)
        m_config->Write(wxString::Format("/Folders/Folder%d", static_cast<int>(i)),
                        wxString::FromUTF8(EscapeForSettings(m_folders.Entries()[i])));
    m_config->Flush();
}

void CFolderView::LoadFolderList()
{
    // Looking into a group that is not there would create it in a settings file.
    if (m_config == nullptr || !m_config->HasGroup("/Folders"))
        return;
    std::vector<std::pair<unsigned long, wxString>> numbered;
    {
        wxConfigPathChanger inFolders(m_config, "/Folders/");
        wxString name;
        long cookie = 0;
        for (bool more = m_config->GetFirstEntry(name, cookie); more;
             more = m_config->GetNextEntry(name, cookie)) {
            unsigned long number = 0;
            const wxString digits = name.Mid(6);
            if (!name.StartsWith("Folder") || digits.empty() || digits.length() > 9 ||
                digits.find_first_not_of("0123456789") != wxString::npos || !digits.ToULong(&number))
                continue;
            wxString value;
            if (m_config->Read(name, &value) && !value.empty())
                numbered.emplace_back(number, value);
        }
    }
    std::stable_sort(numbered.begin(), numbered.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> paths;
    for (const auto& entry : numbered)
        paths.push_back(UnescapeFromSettings(FromDisplay(entry.second)));
    AppendFolders(std::move(paths));
}
