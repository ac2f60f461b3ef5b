// The folder list window: rows mirror the model, odd rows striped, folders dropped from the desktop
// added in drop order.
#include "views/FolderView.h"

#include "platform/Path.h"
#include "views/DisplayText.h"
#include "views/MessageBoxes.h"

#include <wx/config.h>
#include <wx/dnd.h>

namespace {

const wxColour kStripe(239, 239, 239);

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
      m_config(config)
{}

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

void CFolderView::InsertRow(const std::string& path)
{
    const long row = InsertItem(GetItemCount(), ToDisplay(path));
    Restripe(row);
}

void CFolderView::Restripe(long from)
{
    for (long row = from; row < GetItemCount(); ++row)
        SetItemBackgroundColour(row, row % 2 == 1 ? kStripe : GetBackgroundColour());
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
    const EProjectResult result = ReadProjectFile(
        path,
        [this](std::string& line) {
            if (platform::IsFolder(line))
                AppendFolder(line);
        },
        [this] { DeleteSelectedFolders(); });
    if (result == EProjectResult::ReadError || (result == EProjectResult::CannotOpen && sayCannotOpen))
        ShowProjectReadError(this, ToDisplay(path));
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
        std::string path = FromDisplay(file);
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
                        ToDisplay(m_folders.Entries()[i]));
    m_config->Flush();
}

void CFolderView::LoadFolderList()
{
    // Looking into a group that is not there would create it in a settings file.
    if (m_config == nullptr || !m_config->HasGroup("/Folders"))
        return;
    for (int i = 0;; ++i) {
        wxString value;
        if (!m_config->Read(wxString::Format("/Folders/Folder%d", i), &value) || value.empty())
            break;
        std::string path = FromDisplay(value);
        AppendFolder(path);
    }
}
