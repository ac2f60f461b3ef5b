// The menu table of the main window.
#include "resources/Commands.h"

#include <iterator>

namespace {

constexpr MenuEntry kFileMenu[] = {{ID_APP_EXIT, "E&xit", false}};
constexpr MenuEntry kSelectMenuEntries[] = {
    {ID_SELECT_KEEP_FIRST, "Keep the &First of Each Group\tCtrl+D", false},
    {ID_SELECT_KEEP_OLDEST, "Keep the &Oldest", false},
    {ID_SELECT_KEEP_NEWEST, "Keep the &Newest", false},
    {ID_SELECT_KEEP_SHORTEST_PATH, "Keep the &Shortest Path", false},
    {ID_SELECT_KEEP_IN_FOLDER, "Keep Those in the &Current Row's Folder", false},
    {0, nullptr, false},
    {ID_SELECT_KEEP_UNDER_FOLDER, "Keep Those &Under a Folder...", false},
};
constexpr MenuTable kSelectMenu = {"Select Duplicates", kSelectMenuEntries, std::size(kSelectMenuEntries)};

constexpr MenuEntry kEditMenu[] = {
    {ID_EDIT_CUT, "Cu&t\tCtrl+X", false},
    {ID_EDIT_COPY, "&Copy\tCtrl+C", false},
    {ID_EDIT_PASTE, "&Paste\tCtrl+V", false},
    {0, nullptr, false},
    {ID_SELECT_DUPLICATES, "Select &Duplicates", false, &kSelectMenu},
    {ID_CLEAR_SELECTION, "C&lear Selection", false},
    {0, nullptr, false},
    {ID_EDIT_REPLACE_LINKS, "&Replace with Hard Links", false},
    {ID_EDIT_REPLACE_CLONES, "Replace with Cl&ones", false},
};
constexpr MenuEntry kViewMenu[] = {{ID_VIEW_TOOLBAR, "&Toolbar", true},
                                   {ID_VIEW_STATUS_BAR, "&Status Bar", true}};
constexpr MenuEntry kProjectMenu[] = {
    {ID_ADD_FOLDER, "&Add Folder", false},
    {ID_DELETE_FOLDER, "&Delete Folder", false},
    {0, nullptr, false},
    {ID_SCAN_FOLDERS, "Scan &Folders", false},
    {ID_STOP_THREAD, "Stop &Thread", false},
    {0, nullptr, false},
    {ID_PROJECT_OPEN, "&Open", false},
    {ID_PROJECT_SAVE, "&Save", false},
    {0, nullptr, false},
    {ID_PROJECT_EXPORT, "&Export Duplicates...", false},
    {ID_SCAN_OPTIONS, "Scan O&ptions...", false},
};
constexpr MenuEntry kHelpMenu[] = {
    {ID_APP_ABOUT, "&About Quorvel...", false}, {0, nullptr, false}, {ID_WEB_PAGE, "&Web Page", false}};

constexpr MenuEntry kFilesMenuEntries[] = {
    {ID_FILES_DELETE, "Delete", false},
    {ID_FILES_OPEN, "Open", false},
    {ID_FILES_REVEAL, "Reveal in Explorer", false},
    {0, nullptr, false},
    {ID_FILES_DELETE_ALL_IN_FOLDER, "Delete All in Folder", false},
};

} // namespace

const MenuTable kFilesMenu = {"Files", kFilesMenuEntries, std::size(kFilesMenuEntries)};

const MenuTable kMainMenu[5] = {
    {"&File", kFileMenu, std::size(kFileMenu)}, {"&Edit", kEditMenu, std::size(kEditMenu)},
    {"&View", kViewMenu, std::size(kViewMenu)}, {"&Project", kProjectMenu, std::size(kProjectMenu)},
    {"&Help", kHelpMenu, std::size(kHelpMenu)},
};

const CommandText* FindCommandText(int id)
{
    for (const CommandText& text : kCommandTexts)
        if (text.id == id)
            return &text;
    return nullptr;
}
