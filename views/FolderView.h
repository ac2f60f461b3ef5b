// The upper pane: the folders a scan will walk, one per row, in the order they were added.
#pragma once

#include "views/FolderList.h"

#include <wx/listctrl.h>

#include <memory>
#include <string>
#include <vector>

class CFolderViewReader;
class wxConfigBase;

class CFolderView : public wxListView
{
public:
    // `config` holds the saved list; the view reads it at set-up and writes it when destroyed.
    CFolderView(wxWindow* parent, wxConfigBase* config);
    ~CFolderView() override;

    // The frame calls this twice while it is created; the second call sets the list up.
    void OnInitialUpdate();

    // Adds the folder unless it overlaps a listed one, which is said in a message box; `path` loses
    // its trailing separators when it is compared with an entry.
    void AppendFolder(std::string& path);
    // The same for many folders, as a load from the settings or a project file: the refused ones
    // are named in one message (the first twenty, then how many more).
    void AppendFolders(std::vector<std::string> paths);
    void DeleteSelectedFolders();
    bool IsEmpty() const { return m_folders.IsEmpty(); }
    bool HasSelection() const;
    void GetFolders(std::vector<std::string>& folders) const;

    // False when the file cannot be opened or created, or when reading or writing fails (said in a
    // message box); what was added or written before the failure stays. A file that cannot be opened
    // is said only with `sayCannotOpen`: the Open dialog has already made sure the file exists, a
    // name from the command line has not. A line naming no existing folder (or holding a NUL byte,
    // which no path can) is passed over.
    bool OpenProject(const std::string& path, bool sayCannotOpen = false);
    bool SaveProject(const std::string& path);

    // The list is kept under "Folders" as Folder0, Folder1, ...; reading takes every FolderN there,
    // in order of N, so a gap in a hand-edited file loses nothing.
    void SaveFolderList();
    void LoadFolderList();

    void AddDroppedFiles(const wxArrayString& files);

private:
    void SetUpList();
    void InsertRow(const std::string& path);
    void Restripe(long from);

    CFolderList m_folders;
    wxConfigBase* m_config;
    bool m_initialUpdateSeen = false;
    bool m_setUp = false;
    std::unique_ptr<CFolderViewReader> m_reader; // what a screen reader is told of the rows
};
