// Command ids, their prompts and tooltips, and the tables the main window's menu, toolbar and
// keyboard are built from.
#pragma once

#include <wx/defs.h>

#include <cstddef>

// The toolkit takes ids below 32767 only. The program's own commands keep their long-standing numbers
// from 32773 up in their low bits and move below that line; the framework's standard commands take the
// toolkit's standard ids, and the four it has none for get numbers after the program's own.
constexpr int CommandId(int commandNumber)
{
    return 0x6000 | (commandNumber & 0x1FFF);
}

enum ECommand : int
{
    ID_SCAN_FOLDERS = CommandId(32773),
    ID_PROJECT_OPEN = CommandId(32779),
    ID_PROJECT_SAVE = CommandId(32780),
    ID_STOP_THREAD = CommandId(32781),
    ID_WEB_PAGE = CommandId(32782),
    ID_ADD_FOLDER = CommandId(32784),
    ID_DELETE_FOLDER = CommandId(32785),
    // The duplicates list's context menu.
    ID_FILES_DELETE = CommandId(32776),
    ID_FILES_OPEN = CommandId(32777),
    ID_FILES_REVEAL = CommandId(32778),
    ID_FILES_DELETE_ALL_IN_FOLDER = CommandId(32783),
    ID_APP_EXIT = wxID_EXIT,
    ID_EDIT_CUT = wxID_CUT,
    ID_EDIT_COPY = wxID_COPY,
    ID_EDIT_PASTE = wxID_PASTE,
    ID_EDIT_UNDO = wxID_UNDO,
    ID_APP_ABOUT = wxID_ABOUT,
    ID_NEXT_PANE = CommandId(32800),
    ID_PREV_PANE = CommandId(32801),
    ID_VIEW_TOOLBAR = CommandId(32802), // also the toolbar's window id
    ID_VIEW_STATUS_BAR = CommandId(32803),
    // Cleanup by rule, at the end of the Edit menu.
    ID_SELECT_KEEP_FIRST = CommandId(32804),
    ID_SELECT_KEEP_OLDEST = CommandId(32805),
    ID_SELECT_KEEP_NEWEST = CommandId(32806),
    ID_SELECT_KEEP_SHORTEST_PATH = CommandId(32807),
    ID_SELECT_KEEP_IN_FOLDER = CommandId(32808),
    ID_CLEAR_SELECTION = CommandId(32809),
    ID_SELECT_DUPLICATES = CommandId(32810), // the submenu itself
    ID_SELECT_KEEP_UNDER_FOLDER = CommandId(32811),
    ID_PROJECT_EXPORT = CommandId(32812),
    // Replacing the selected copies while keeping every path, at the very end of the Edit menu.
    ID_EDIT_REPLACE_LINKS = CommandId(32813),
    ID_EDIT_REPLACE_CLONES = CommandId(32814),
    ID_SCAN_OPTIONS = CommandId(32815), // what scans leave out, at the end of the Project menu
};

// The window messages that carry a scan's news to the window.
inline constexpr int WM_SCAN_FINISHED = 0x405;
inline constexpr int WM_RESOLVE_PROGRESS = 0x406;
inline constexpr int WM_SCAN_PROGRESS = 0x407;

inline constexpr const char* kFrameCaption = "Pellucan";
inline constexpr const char* kIdleText = "Ready";
inline constexpr const char* kScanningText = "Execution ..."; // the message pane while a scan runs
inline constexpr const char* kWebPageAddress = "https://quorvel.example.org/";
inline constexpr const char* kProjectFilter = "Varnosk Files (*.qvlprj)|*.qvlprj|All Files (*.*)|*.*";
inline constexpr const char* kProjectDefaultName = "1.qvlprj";
// The types Export Duplicates offers, in the order of the formats it writes: text, JSON, CSV.
inline constexpr const char* kExportFilter =
    "Text Files (*.txt)|*.txt|JSON Files (*.json)|*.json|CSV Files (*.csv)|*.csv";
inline constexpr const char* kExportDefaultName = "duplicates.txt";

struct CommandText
{
    int id;
    const char* prompt;  // shown in the status line while the item is highlighted
    const char* tooltip; // shown over the toolbar button
};

inline constexpr CommandText kCommandTexts[] = {
    {ID_APP_EXIT, "Quit the application; prompts to save documents", "Exit"},
    {ID_EDIT_CUT, "Cut the selection and put it on the Clipboard", "Cut"},
    {ID_EDIT_COPY, "Copy the selection and put it on the Clipboard", "Copy"},
    {ID_EDIT_PASTE, "Insert Clipboard contents", "Paste"},
    {ID_VIEW_TOOLBAR, "Show or hide the toolbar", "Toggle ToolBar"},
    {ID_VIEW_STATUS_BAR, "Show or hide the status bar", "Toggle StatusBar"},
    {ID_ADD_FOLDER, "Add folder to scan", "Add Folder"},
    {ID_DELETE_FOLDER, "Delete folder", "Delete Folder"},
    {ID_SCAN_FOLDERS, "Start scanning the listed folders", "Scan Folders"},
    {ID_STOP_THREAD, "Stop scanning the listed folders", "Stop Scan"},
    {ID_PROJECT_OPEN, "Open project as file", "Open as File"},
    {ID_PROJECT_SAVE, "Save project as file", "Save as File"},
    {ID_APP_ABOUT, "Display program information, version number and copyright", "About"},
    {ID_WEB_PAGE, "Visit Quorvel web page", "Web Page"},
    {ID_NEXT_PANE, "Switch to the next window pane", "Next Pane"},
    {ID_PREV_PANE, "Switch back to the previous window pane", "Previous Pane"},
    {ID_EDIT_UNDO, "Undo the last action", "Undo"},
    {ID_FILES_DELETE, "Delete File", "Delete File"},
    {ID_FILES_OPEN, "Open File", "Open File"},
    {ID_FILES_REVEAL, "Reveal in Explorer", "Reveal in Explorer"},
    {ID_SELECT_KEEP_FIRST, "Select every file of each group except the first in the list", "Keep the First"},
    {ID_SELECT_KEEP_OLDEST, "Select every file of each group except the one modified longest ago",
     "Keep the Oldest"},
    {ID_SELECT_KEEP_NEWEST, "Select every file of each group except the one modified last",
     "Keep the Newest"},
    {ID_SELECT_KEEP_SHORTEST_PATH, "Select every file of each group except the one with the shortest path",
     "Keep the Shortest Path"},
    {ID_SELECT_KEEP_IN_FOLDER,
     "Select the copies outside the current row's folder in every group that has a copy there",
     "Keep Those in the Current Row's Folder"},
    {ID_SELECT_KEEP_UNDER_FOLDER,
     "Choose a folder, then select the copies outside it in every group that has a copy at or under it",
     "Keep Those Under a Folder"},
    {ID_CLEAR_SELECTION, "Select no file of the duplicates list", "Clear Selection"},
    {ID_PROJECT_EXPORT, "Save the groups of the duplicates list as text, JSON or CSV", "Export Duplicates"},
    {ID_EDIT_REPLACE_LINKS, "Replace each selected file with a hard link to the copy its group keeps",
     "Replace with Hard Links"},
    {ID_EDIT_REPLACE_CLONES, "Replace each selected file with a clone of the copy its group keeps",
     "Replace with Clones"},
    {ID_SCAN_OPTIONS, "Choose the folders, files and sizes that scans leave out", "Scan Options"},
};

// The texts of a command; null for an unknown id.
const CommandText* FindCommandText(int id);

struct MenuTable;

// Menu 128: a drop-down menu per title; id 0 is a separator.
struct MenuEntry
{
    int id;
    const char* label;
    bool checkable;
    const MenuTable* submenu = nullptr; // the items of a submenu entry
};

struct MenuTable
{
    const char* title;
    const MenuEntry* entries;
    std::size_t count;
};

extern const MenuTable kMainMenu[5];

// Menu 130: the duplicates list's context menu, one popup.
extern const MenuTable kFilesMenu;

// Toolbar 128: 0 is a separator; the pictures of bitmap 134 are in the order of the buttons.
inline constexpr int kToolbarButtons[] = {
    ID_ADD_FOLDER, ID_DELETE_FOLDER, 0, ID_SCAN_FOLDERS, ID_STOP_THREAD, 0, ID_EDIT_CUT,
    ID_EDIT_COPY,  ID_EDIT_PASTE,    0, ID_APP_ABOUT};

// Accelerator table 128: the keys of the commands.
struct KeyBinding
{
    int modifiers; // a combination of kCtrl, kShift, kAlt
    int key;       // a character, or one of the key codes below
    int id;
};

inline constexpr int kCtrl = 1;
inline constexpr int kShift = 2;
inline constexpr int kAlt = 4;
inline constexpr int kKeyDelete = -1;
inline constexpr int kKeyInsert = -2;
inline constexpr int kKeyF6 = -3;
inline constexpr int kKeyBackspace = -4;

inline constexpr KeyBinding kAccelerators[] = {
    {kCtrl, 'X', ID_EDIT_CUT},          {kShift, kKeyDelete, ID_EDIT_CUT},
    {kCtrl, 'C', ID_EDIT_COPY},         {kCtrl, kKeyInsert, ID_EDIT_COPY},
    {kCtrl, 'V', ID_EDIT_PASTE},        {kShift, kKeyInsert, ID_EDIT_PASTE},
    {0, kKeyF6, ID_NEXT_PANE},          {kShift, kKeyF6, ID_PREV_PANE},
    {kCtrl, 'Z', ID_EDIT_UNDO},         {kAlt, kKeyBackspace, ID_EDIT_UNDO},
    {kCtrl, 'D', ID_SELECT_KEEP_FIRST},
};
