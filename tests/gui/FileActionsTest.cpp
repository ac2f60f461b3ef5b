// The duplicates list acting on its files: the context menu, the trash under a temporary HOME, links
// made in place of copies, opening and revealing through handlers registered here, and the clipboard.
#include "engine/FileItem.h"
#include "platform/FileTypes.h"
#include "platform/FolderListing.h"
#include "resources/Commands.h"
#include "tests/gui/DialogHook.h"
#include "tests/gui/ListInput.h"
#include "tests/support/MuteBus.h"
#include "tests/support/PumpUntil.h"
#include "tests/support/ScopedState.h"
#include "tests/support/SilentClipboardOwner.h"
#include "tests/support/TempTree.h"
#include "views/ClipboardText.h"
#include "views/FileView.h"
#include "views/MessageText.h"

#include <wx/app.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/display.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/progdlg.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/tokenzr.h>
#include <wx/utils.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtk/gtk.h>
#include <iterator>
#include <poll.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Env(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// True when the file is in the temporary HOME's trash with its record of where it came from.
bool InTrash(const std::string& original)
{
    const fs::path trash = fs::path(Env("XDG_DATA_HOME")) / "Trash";
    std::error_code error;
    for (const auto& info : fs::directory_iterator(trash / "info", error)) {
        const std::string text = ReadAll(info.path().string());
        if (text.find("[Trash Info]\nPath=" + original + "\n") == std::string::npos)
            continue;
        const std::string name = info.path().stem().string(); // "a.txt.trashinfo" -> "a.txt"
        return fs::exists(trash / "files" / name);
    }
    return false;
}

// A handler for plain text, shell scripts and folders, registered as the desktop's default for
// them under the temporary XDG folders; it writes each path it is given to its record.
const std::string& HandlerRecord()
{
    static const std::string record = [] {
        const std::string home = Env("HOME");
        const std::string script = home + "/handler.sh";
        const std::string file = home + "/handled.txt";
        std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << file << "'\n";
        chmod(script.c_str(), 0755);
        fs::create_directories(Env("XDG_DATA_HOME") + "/applications");
        std::ofstream(Env("XDG_DATA_HOME") + "/applications/quorvel-test-handler.desktop")
            << "[Desktop Entry]\nType=Application\nName=Test handler\nExec=" << script << " %f\n"
            << "MimeType=text/plain;application/x-shellscript;inode/directory;\nNoDisplay=true\n";
        std::ofstream(Env("XDG_CONFIG_HOME") + "/mimeapps.list")
            << "[Default Applications]\ntext/plain=quorvel-test-handler.desktop\n"
            << "application/x-shellscript=quorvel-test-handler.desktop\n"
            << "inode/directory=quorvel-test-handler.desktop\n";
        return file;
    }();
    return record;
}

class FileActionsTest : public GuiTest
{
protected:
    void SetUp() override
    {
        m_frame = new wxFrame(nullptr, wxID_ANY, "test", wxDefaultPosition, wxSize(800, 400));
        m_view = new CFileView(m_frame, nullptr);
        m_frame->SetSizer(new wxBoxSizer(wxVERTICAL));
        m_frame->GetSizer()->Add(m_view, 1, wxEXPAND);
        m_frame->Show();
        m_frame->Layout();
        m_view->OnInitialUpdate();
        m_view->OnInitialUpdate();
    }

    void TearDown() override
    {
        DestroyNow(m_frame);
        GuiTest::TearDown();
    }

    // Files of the tree as rows; a group separator after each group.
    void AddGroup(const std::vector<std::string>& relatives)
    {
        for (const std::string& relative : relatives) {
            if (!fs::exists(m_tree.Path(relative)))
                m_tree.Write(relative, "same bytes");
            m_view->AddPastedRow(m_tree.Path(relative), 10, 0);
        }
        m_view->AddGroupSeparator();
    }

    // The progress dialog's messages go to `messages`; once `at` files are done, Cancel is clicked
    // and the count then is kept in `cancelledAt`.
    void CancelProgressAt(std::size_t at, std::vector<wxString>& messages, std::size_t& cancelledAt)
    {
        m_view->SetTrashProgressHook(
            [&messages, &cancelledAt, at](wxProgressDialog& dialog, std::size_t done) {
                messages.push_back(dialog.GetMessage());
                if (done >= at && cancelledAt == 0) {
                    cancelledAt = done;
                    wxCommandEvent cancel(wxEVT_BUTTON, wxID_CANCEL);
                    cancel.SetEventObject(&dialog);
                    dialog.GetEventHandler()->ProcessEvent(cancel); // as a click on its Cancel button
                }
            });
    }

    // Ctrl+click twice: the anchor moves to the row, whose selection is as it was.
    void SetAnchor(long row)
    {
        ClickRow(m_view, row, wxMOD_CONTROL);
        ClickRow(m_view, row, wxMOD_CONTROL);
    }

    void Command(int id)
    {
        wxCommandEvent event(wxEVT_MENU, id);
        event.SetEventObject(m_view);
        m_view->GetEventHandler()->ProcessEvent(event);
    }

    std::vector<std::string> Paths() const
    {
        std::vector<std::string> paths;
        for (std::size_t row = 0; row < m_view->Rows().RowCount(); ++row)
            paths.emplace_back(m_view->Rows().Row(row).fullPath);
        return paths;
    }

    std::uint32_t Colour(std::size_t row) const { return m_view->Rows().Row(row).backColor; }

    CTempTree m_tree;
    wxFrame* m_frame = nullptr;
    CFileView* m_view = nullptr;
};

TEST_F(FileActionsTest, TheMenuOpensOnlyOverASelectionWithItsFourCommands)
{
    AddGroup({"a.txt", "b.txt"});
    std::vector<wxString> shown;
    m_view->SetMenuPresenter([&](wxMenu& menu, const wxPoint&) {
        for (const wxMenuItem* item : menu.GetMenuItems())
            shown.push_back(item->IsSeparator() ? wxString("-")
                                                : item->GetItemLabel() + (item->IsEnabled() ? "" : " (off)") +
                                                      "|" + item->GetHelp());
    });
    wxContextMenuEvent request(wxEVT_CONTEXT_MENU, m_view->GetId(), wxDefaultPosition);
    request.SetEventObject(m_view);
    m_view->GetEventHandler()->ProcessEvent(request);
    EXPECT_TRUE(shown.empty());

    m_view->SelectRow(1);
    m_view->GetEventHandler()->ProcessEvent(request);
    EXPECT_EQ(shown,
              (std::vector<wxString>{"Delete|Delete File", "Open|Open File",
                                     "Reveal in Explorer|Reveal in Explorer", "-", "Delete All in Folder|"}));

    // The right button selects a row that is not selected before the menu; over a selection the
    // selection and its anchor stay.
    shown.clear();
    m_view->ClearSelection();
    ClickRow(m_view, 4, wxMOD_NONE, wxEVT_RIGHT_DOWN); // below the rows
    EXPECT_TRUE(shown.empty());
    ClickRow(m_view, 0, wxMOD_NONE, wxEVT_RIGHT_DOWN);
    EXPECT_EQ(m_view->GetSelectedRows(), (std::vector<std::size_t>{0}));
    EXPECT_EQ(shown.size(), 5u);
    m_view->SelectRow(1);
    ClickRow(m_view, 1, wxMOD_NONE, wxEVT_RIGHT_DOWN);
    EXPECT_EQ(m_view->GetSelectedRows(), (std::vector<std::size_t>{0, 1}));
    EXPECT_EQ(m_view->GetAnchorRow(), 0);
    EXPECT_EQ(shown.size(), 10u);
}

TEST_F(FileActionsTest, DeleteMovesTheSelectedFilesToTheTrashAndOnlyTheirRowsGo)
{
    AddGroup({"a/one.txt", "b/one.txt"});
    AddGroup({"a/two.txt", "b/two.txt", "c/two.txt"});
    AddGroup({"a/three.txt", "b/three.txt"});
    m_view->SelectRow(1);
    m_view->SelectRow(3);
    m_view->SelectRow(6);
    SetAnchor(4);
    const std::uint32_t colours[] = {Colour(0), Colour(2), Colour(4), Colour(5)};
    Command(ID_FILES_DELETE);

    for (const char* gone : {"b/one.txt", "b/two.txt", "b/three.txt"}) {
        EXPECT_FALSE(fs::exists(m_tree.Path(gone))) << gone;
        EXPECT_TRUE(InTrash(m_tree.Path(gone))) << gone;
    }
    EXPECT_EQ(Paths(), (std::vector<std::string>{m_tree.Path("a/one.txt"), m_tree.Path("a/two.txt"),
                                                 m_tree.Path("c/two.txt"), m_tree.Path("a/three.txt")}));
    for (std::size_t row = 0; row < 4; ++row)
        EXPECT_EQ(Colour(row), colours[row]) << row;
    EXPECT_EQ(m_view->SelectedRowCount(), 0u);
    EXPECT_EQ(m_view->GetAnchorRow(), 2); // its row moved up with the rows above it gone
    EXPECT_TRUE(CDialogHook::Instance().TakeShown().empty());
}

TEST_F(FileActionsTest, AFileThatCannotGoToTheTrashKeepsItsRowAndIsNamedInOneWarning)
{
    AddGroup({"a/kept.txt", "a/gone.txt", "a/fine.txt"});
    std::vector<std::string> stuck = {m_tree.Path("a/gone.txt")};
    m_tree.Remove("a/gone.txt");
    // A file system without a trash, where the machine has one apart from the temporary HOME.
    std::string shm;
    struct stat shmStatus, homeStatus;
    if (stat("/dev/shm", &shmStatus) == 0 && stat(Env("HOME").c_str(), &homeStatus) == 0 &&
        shmStatus.st_dev != homeStatus.st_dev && access("/dev/shm", W_OK) == 0) {
        shm = "/dev/shm/quorvel-test-" + std::to_string(getpid()) + ".txt";
        std::ofstream(shm) << "x";
        m_view->AddPastedRow(shm, 1, 0);
        stuck.push_back(shm);
    }
    for (long row = 1; row < m_view->GetItemCount(); ++row)
        m_view->SelectRow(row);
    Command(ID_FILES_DELETE);

    std::vector<std::string> expected = {m_tree.Path("a/kept.txt")};
    expected.insert(expected.end(), stuck.begin(), stuck.end());
    EXPECT_EQ(Paths(), expected);
    EXPECT_TRUE(InTrash(m_tree.Path("a/fine.txt")));
    EXPECT_EQ(m_view->GetSelectedRows().size(), stuck.size()); // the rows that stayed stay selected
    const std::vector<ShownDialog> shown = CDialogHook::Instance().TakeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "Quorvel");
    EXPECT_EQ(shown[0].icon, wxICON_WARNING);
    EXPECT_NE(shown[0].message.find(m_tree.Path("a/gone.txt") + ": "), wxString::npos) << shown[0].message;
    EXPECT_NE(shown[0].message.find("there is no file or folder of that name"), wxString::npos)
        << shown[0].message;
    EXPECT_EQ(shown[0].message.find("fine.txt"), wxString::npos);
    if (!shm.empty()) {
        EXPECT_TRUE(fs::exists(shm)) << "a file without a trash must never be deleted";
        EXPECT_NE(shown[0].message.find(shm + ": "), wxString::npos) << shown[0].message;
        fs::remove(shm);
    }
}

TEST_F(FileActionsTest, ALongDeleteShowsItsProgressAndCancelKeepsTheRowsNotYetMoved)
{
    std::vector<std::string> names;
    for (int i = 0; i < 400; ++i)
        names.push_back("many/" + std::to_string(i) + ".txt");
    AddGroup(names);
    m_view->SelectAllRows();
    std::vector<wxString> messages;
    std::size_t cancelledAt = 0;
    CancelProgressAt(40, messages, cancelledAt);
    Command(ID_FILES_DELETE);

    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.front(), "Moving 1 of 400 to the trash");
    ASSERT_GT(cancelledAt, 0u);
    ASSERT_LT(cancelledAt, 400u);
    // The files before the cancel went, with their rows; the others stay, listed and selected.
    EXPECT_EQ(m_view->GetItemCount(), static_cast<long>(400 - cancelledAt));
    EXPECT_EQ(m_view->SelectedRowCount(), 400 - cancelledAt);
    for (std::size_t i : {std::size_t{0}, cancelledAt - 1})
        EXPECT_TRUE(InTrash(m_tree.Path(names[i]))) << i;
    for (std::size_t i : {cancelledAt, std::size_t{399}})
        EXPECT_TRUE(fs::exists(m_tree.Path(names[i]))) << i;
    EXPECT_TRUE(CDialogHook::Instance().TakeShown().empty());
}

TEST_F(FileActionsTest, ALongReplaceShowsItsProgressAndCancelLeavesTheRestWholeAndSelected)
{
    // One group of 401 copies as a scan lists them; every row but the first, the kept copy, selected.
    for (int i = 0; i <= 400; ++i)
        m_tree.Write("many/" + std::to_string(i) + ".txt", "same bytes");
    platform::CFolderListing listing;
    ASSERT_TRUE(listing.Open(m_tree.Path("many")));
    for (const platform::FolderEntry& entry : listing.Entries())
        if (entry.isFile)
            m_view->AddScannedRow(m_tree.Path("many/" + entry.name), entry.modified, entry.Stamp());
    m_view->AddGroupSeparator();
    ASSERT_EQ(m_view->GetItemCount(), 401);
    const std::string kept = Paths()[0];
    m_view->SelectRowRange(1, 400);
    std::vector<wxString> messages;
    std::size_t cancelledAt = 0;
    CancelProgressAt(40, messages, cancelledAt);
    m_view->ReplaceSelectedFiles(EFileAction::HardLink);

    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.front(), "Replacing 1 of 400");
    ASSERT_GT(cancelledAt, 0u);
    ASSERT_LT(cancelledAt, 400u);
    // The files before the Cancel became names of the kept copy and left the list; the others stay
    // whole, listed and selected.
    EXPECT_EQ(fs::hard_link_count(kept), cancelledAt + 1);
    EXPECT_EQ(m_view->GetItemCount(), static_cast<long>(401 - cancelledAt));
    EXPECT_EQ(m_view->SelectedRowCount(), 400 - cancelledAt);
    for (const std::string& path : Paths()) {
        if (path != kept) {
            EXPECT_EQ(fs::hard_link_count(path), 1u) << path;
        }
    }
    EXPECT_TRUE(CDialogHook::Instance().TakeShown().empty());
}

TEST_F(FileActionsTest, TheWarningAboutFilesOfLongNamesFitsTheScreenWithEachNameAndReasonWhole)
{
    const wxRect screen = wxDisplay(m_frame).GetClientArea(); // 1280 x 1024 under scripts/display.sh
    std::vector<std::string> paths;
    for (int i = 10; i < 35; ++i) { // 250 bytes each, none of them there
        paths.push_back(m_tree.Path("long/" + std::string(244, 'n') + std::to_string(i) + ".txt"));
        m_view->AddPastedRow(paths.back(), 10, 0);
    }
    m_view->SelectAllRows();
    Command(ID_FILES_DELETE);

    const std::vector<ShownDialog> shown = CDialogHook::Instance().TakeShown();
    ASSERT_EQ(shown.size(), 1u);
    const wxArrayString lines = wxSplit(shown[0].message, '\n', '\0');
    ASSERT_EQ(lines.size(), 23u); // what, a blank line, 20 files, how many more
    EXPECT_EQ(lines.back(), "and 5 more");
    const wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
    constexpr int kBoxMargins = 200; // the box's frame, borders, icon and buttons, generously
    int height = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(lines[i]);
        int width = 0;
        int lineHeight = 0;
        m_frame->GetTextExtent(lines[i], &width, &lineHeight, nullptr, nullptr, &font);
        EXPECT_LE(width + kBoxMargins, screen.width);
        const bool named = i >= 2 && i + 1 < lines.size();
        height += named ? 2 * lineHeight : lineHeight; // the box may wrap a reason onto a line of its own
        if (!named)
            continue;
        const std::string& path = paths[i - 2];
        const std::string line = lines[i].utf8_string();
        EXPECT_EQ(line.rfind(path.substr(0, 12), 0), 0u);
        EXPECT_NE(line.find(kEllipsis), std::string::npos);
        const std::string end = path.substr(path.size() - 12) + ": there is no file or folder of that name";
        EXPECT_EQ(line.substr(line.size() - std::min(line.size(), end.size())), end);
    }
    EXPECT_LE(height + kBoxMargins, screen.height);
}

TEST_F(FileActionsTest, DeleteAllInFolderTakesEveryRowOfTheAnchorsFolderExactly)
{
    AddGroup({"d/x.txt", "d/y.txt"});                // both copies in the folder: both go
    AddGroup({"d/sub/z.txt", "D/z.txt", "d/z.txt"}); // only the last is in the folder itself
    AddGroup({"e/w.txt", "e/v.txt"});
    m_view->SelectRow(5); // the anchor need not be selected
    SetAnchor(0);
    Command(ID_FILES_DELETE_ALL_IN_FOLDER);

    for (const char* gone : {"d/x.txt", "d/y.txt", "d/z.txt"})
        EXPECT_TRUE(InTrash(m_tree.Path(gone))) << gone;
    EXPECT_EQ(Paths(), (std::vector<std::string>{m_tree.Path("d/sub/z.txt"), m_tree.Path("D/z.txt"),
                                                 m_tree.Path("e/w.txt"), m_tree.Path("e/v.txt")}));
    EXPECT_EQ(m_view->GetSelectedRows(), (std::vector<std::size_t>{2})); // e/w.txt, still selected
    EXPECT_EQ(m_view->GetAnchorRow(), -1);
    Command(ID_FILES_DELETE_ALL_IN_FOLDER); // without an anchor: nothing
    EXPECT_EQ(m_view->GetItemCount(), 4);
}

TEST_F(FileActionsTest, OpenHandsTheAnchorsFileToItsApplicationAndNeverRunsIt)
{
    const std::string record = HandlerRecord();
    m_tree.Write("s/run.sh", "#!/bin/sh\ntouch '" + m_tree.Path("ran") + "'\n");
    chmod(m_tree.Path("s/run.sh").c_str(), 0755);
    AddGroup({"t/note.txt", "s/run.sh"});
    m_view->SelectRow(0); // Open acts on the anchor, not on the selection
    SetAnchor(1);
    fs::remove(record);
    Command(ID_FILES_OPEN);
    ASSERT_TRUE(PumpUntil([&] { return ReadAll(record) == m_tree.Path("s/run.sh") + "\n"; }))
        << ReadAll(record);
    EXPECT_FALSE(fs::exists(m_tree.Path("ran")));
}

TEST_F(FileActionsTest, OpenSaysWhenNoApplicationIsSetToOpenTheFileWithTheSystemsReason)
{
    HandlerRecord(); // text files have one
    m_tree.Write("b/blob.quorvel-none", std::string("\0\1\2\3", 4));
    AddGroup({"b/blob.quorvel-none", "b/gone.txt"});
    fs::remove(m_tree.Path("b/gone.txt"));
    const struct
    {
        long row;
        const char* reason;
    } cases[] = {{0, "No application is registered"}, {1, "No such file or directory"}};
    for (const auto& [row, reason] : cases) {
        SCOPED_TRACE(row);
        SetAnchor(row);
        Command(ID_FILES_OPEN);
        const std::vector<ShownDialog> shown = CDialogHook::Instance().TakeShown();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].caption, "Quorvel");
        const wxString path = wxString::FromUTF8(Paths()[static_cast<std::size_t>(row)]);
        EXPECT_TRUE(shown[0].message.StartsWith("No application is set to open " + path + ".\n\n"))
            << shown[0].message;
        EXPECT_NE(shown[0].message.Find(reason), wxNOT_FOUND) << shown[0].message;
    }
}

class CStandIn
{
public:
    explicit CStandIn(const char* program = QUORVEL_FILE_MANAGER_STAND_IN) : m_program(program) {}

    // Starts the stand-in (the file manager by default), one that never answers when `silent`; false
    // when it could not own its name or selection.
    bool Start(const std::string& record, bool silent = false)
    {
        int out[2];
        if (pipe(out) != 0)
            return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        char* arguments[] = {const_cast<char*>(m_program), const_cast<char*>(record.c_str()),
                             const_cast<char*>(silent ? "silent" : nullptr), nullptr};
        const bool spawned = posix_spawn(&m_pid, arguments[0], &actions, nullptr, arguments, environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        char ready[8] = "";
        const bool ok = spawned && read(out[0], ready, 5) == 5 && std::string(ready, 5) == "ready";
        close(out[0]);
        return ok;
    }
    ~CStandIn()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }

private:
    const char* m_program;
    pid_t m_pid = 0;
};

TEST_F(FileActionsTest, RevealSelectsTheFileInTheFileManagerOrOpensItsFolder)
{
    const std::string record = HandlerRecord();
    AddGroup({"r/one.txt", "q/two.txt"});
    SetAnchor(1);
    // Without a file manager on the bus the folder goes to the folders' application.
    fs::remove(record);
    Command(ID_FILES_REVEAL);
    ASSERT_TRUE(PumpUntil([&] { return ReadAll(record) == m_tree.Path("q") + "\n"; })) << ReadAll(record);

    // The file manager is asked while the window goes on; it is ended only after the test, since a
    // file manager that goes before its answer arrives counts as one that did not answer.
    CStandIn fileManager;
    const std::string shown = m_tree.Path("shown.txt");
    if (!fileManager.Start(shown))
        GTEST_SKIP() << "no private session bus (dbus-daemon) to run a file manager on";
    Command(ID_FILES_REVEAL);
    EXPECT_TRUE(PumpUntil([&] { return !ReadAll(shown).empty(); }));
    EXPECT_EQ(ReadAll(shown), "file://" + m_tree.Path("q/two.txt") + "\n");
}

TEST_F(FileActionsTest, RevealLeavesTheWindowFreeWhileTheFileManagerNeverAnswersThenOpensTheFolder)
{
    const std::string record = HandlerRecord();
    AddGroup({"r/one.txt", "q/two.txt"});
    SetAnchor(1);
    CStandIn fileManager;
    const std::string shown = m_tree.Path("shown.txt");
    if (!fileManager.Start(shown, true))
        GTEST_SKIP() << "no private session bus (dbus-daemon) to run a file manager on";
    fs::remove(record);
    Command(ID_FILES_REVEAL);
    // The command has returned before the file manager was even asked: the call waits on the event
    // loop, which goes on while the file manager holds it, until the deadline opens the folder.
    EXPECT_EQ(ReadAll(shown), "");
    ASSERT_TRUE(PumpUntil([&] { return ReadAll(shown) == "file://" + m_tree.Path("q/two.txt") + "\n"; }));
    ASSERT_TRUE(PumpUntil([&] { return ReadAll(record) == m_tree.Path("q") + "\n"; })) << ReadAll(record);
}

TEST_F(FileActionsTest, RevealReturnsAtOnceWhenTheBusTakesConnectionsButNeverAnswers)
{
    AddGroup({"r/one.txt"});
    SetAnchor(0);
    const CMuteBus bus(m_tree.Path("stopped-bus"));
    ASSERT_TRUE(bus.IsListening());
    const CScopedEnvironment address("DBUS_SESSION_BUS_ADDRESS", bus.Address());
    Command(ID_FILES_REVEAL); // it used to wait here for good
    bool idled = false;
    wxTheApp->CallAfter([&] { idled = true; });
    EXPECT_TRUE(PumpUntil([&] { return idled; }));
}

// The clipboard belongs to the display, which the test programs share when CTest runs them side by
// side: a test that uses it holds this lease for its whole run, and leaves the clipboard empty so
// that what it put there is released before the program ends.
class ClipboardLease
{
public:
    ClipboardLease()
    {
        const char* display = std::getenv("DISPLAY");
        const std::string path = "/tmp/quorvel-clipboard-" + std::string(display ? display : "") + ".lock";
        m_fd = open(path.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0666);
        if (m_fd >= 0)
            flock(m_fd, LOCK_EX);
    }
    ~ClipboardLease()
    {
        if (wxTheClipboard->Open()) {
            wxTheClipboard->Clear();
            wxTheClipboard->Close();
        }
        gtk_clipboard_clear(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD)); // where Copy puts its text
        if (m_fd >= 0)
            close(m_fd);
    }
    ClipboardLease(const ClipboardLease&) = delete;
    ClipboardLease& operator=(const ClipboardLease&) = delete;

private:
    int m_fd = -1;
};

std::string ClipboardText()
{
    wxTextDataObject data;
    if (!wxTheClipboard->Open())
        return "(not open)";
    const bool got = wxTheClipboard->GetData(data);
    wxTheClipboard->Close();
    return got ? data.GetText().utf8_string() : "(none)";
}

void PutOnClipboard(wxDataObject* data)
{
    ASSERT_TRUE(wxTheClipboard->Open());
    wxTheClipboard->SetData(data);
    wxTheClipboard->Close();
}

TEST_F(FileActionsTest, CopyPutsTheSelectedPathsAndPasteTakesEveryLineNamingSomething)
{
    const ClipboardLease lease;
    AddGroup({"p/one.txt", "p/two.txt", "p/three.txt"});
    PutOnClipboard(new wxTextDataObject("keep"));
    EXPECT_FALSE(m_view->CopySelection());
    EXPECT_EQ(ClipboardText(), "keep");
    m_view->SelectRow(0);
    ASSERT_TRUE(m_view->CopySelection());
    EXPECT_EQ(ClipboardText(), m_tree.Path("p/one.txt"));
    m_view->SelectRow(2);
    ASSERT_TRUE(m_view->CopySelection());
    EXPECT_EQ(ClipboardText(), m_tree.Path("p/one.txt") + "\r\n" + m_tree.Path("p/three.txt"));

    m_tree.MakeFolder("p/folder");
    const std::string one = m_tree.Path("p/one.txt");
    PutOnClipboard(new wxTextDataObject(wxString::FromUTF8("\n" + one + "\n\n" + m_tree.Path("p/folder") +
                                                           "\r" + m_tree.Path("missing") + "\r\n" + one +
                                                           " \n" + one + "\r\n")));
    const int colourIndex = m_view->Rows().ColorIndex();
    m_view->PasteFiles();
    ASSERT_EQ(Paths(), (std::vector<std::string>{one, m_tree.Path("p/two.txt"), m_tree.Path("p/three.txt"),
                                                 one, m_tree.Path("p/folder"), one}));
    EXPECT_EQ(m_view->GetSelectedRows(), (std::vector<std::size_t>{0, 2})); // the added rows come unselected
    EXPECT_EQ(m_view->Rows().ColorIndex(), colourIndex);
    for (std::size_t row = 3; row < 6; ++row)
        EXPECT_EQ(Colour(row), GroupColors[colourIndex]) << row;
    EXPECT_EQ(m_view->Rows().CellText(3, EColumn::Size), "10");
    EXPECT_EQ(m_view->Rows().CellText(4, EColumn::Size), "0");
    EXPECT_EQ(m_view->Rows().CellText(4, EColumn::Type), platform::FolderTypeName());
    EXPECT_FALSE(platform::FolderTypeName().empty());
}

TEST_F(FileActionsTest, APathThatIsNotUtf8LosesOnlyItsOwnBadBytesInCopyAndTheTrashWarning)
{
    const ClipboardLease lease;
    const std::vector<std::string> names = {"u/\xff\xfe.txt", "u/caf\xc3\xa9.txt", "u/\xe6\x97\xa5.txt"};
    for (const std::string& name : names)
        m_view->AddPastedRow(m_tree.Path(name), 10, 0); // none of them exists
    PressKey(m_view, 'A', wxMOD_CONTROL);
    ASSERT_TRUE(m_view->CopySelection());
    const std::string u = m_tree.Path("u/");
    EXPECT_EQ(ClipboardText(),
              u + "\xef\xbf\xbd\xef\xbf\xbd.txt\r\n" + u + "caf\xc3\xa9.txt\r\n" + u + "\xe6\x97\xa5.txt");

    Command(ID_FILES_DELETE);
    const std::vector<ShownDialog> shown = CDialogHook::Instance().TakeShown();
    ASSERT_EQ(shown.size(), 1u);
    const std::string message = shown[0].message.utf8_string();
    for (const char* name : {"\xef\xbf\xbd\xef\xbf\xbd.txt: ", "caf\xc3\xa9.txt: ", "\xe6\x97\xa5.txt: "})
        EXPECT_NE(message.find(u + name), std::string::npos) << message;
}

TEST_F(FileActionsTest, CutRemovesRowsAndPasteBringsThemBackAsDoesAFileManagersList)
{
    const ClipboardLease lease;
    AddGroup({"c/one.txt", "c/two.txt"});
    AddGroup({"c/three.txt", "c/four.txt"});
    m_view->SelectRow(0);
    m_view->SelectRow(3);
    EXPECT_TRUE(m_view->CutSelection());
    EXPECT_EQ(Paths(), (std::vector<std::string>{m_tree.Path("c/two.txt"), m_tree.Path("c/three.txt")}));
    EXPECT_TRUE(fs::exists(m_tree.Path("c/one.txt")));
    m_view->PasteFiles();
    EXPECT_EQ(Paths(), (std::vector<std::string>{m_tree.Path("c/two.txt"), m_tree.Path("c/three.txt"),
                                                 m_tree.Path("c/one.txt"), m_tree.Path("c/four.txt")}));
    EXPECT_EQ(Colour(2), GroupColors[m_view->Rows().ColorIndex()]);
    EXPECT_FALSE(m_view->CutSelection()); // nothing selected

    auto* files = new wxFileDataObject;
    files->AddFile(wxString::FromUTF8(m_tree.Path("c/two.txt")));
    files->AddFile(wxString::FromUTF8(m_tree.Path("c/one.txt")));
    PutOnClipboard(files);
    m_view->PasteFiles();
    ASSERT_EQ(m_view->GetItemCount(), 6);
    EXPECT_EQ(Paths()[4], m_tree.Path("c/two.txt"));
    EXPECT_EQ(Paths()[5], m_tree.Path("c/one.txt"));

    PressKey(m_view, 'A', wxMOD_CONTROL);
    EXPECT_EQ(m_view->GetSelectedRows().size(), 6u);
    EXPECT_TRUE(m_view->CutSelection());
    EXPECT_EQ(m_view->GetItemCount(), 0);
    EXPECT_EQ(SplitClipboardLines(ClipboardText()).size(), 6u);
}

TEST_F(FileActionsTest, CopiedPathsAreHandedToTheClipboardManagerWhenTheProgramEnds)
{
    const ClipboardLease lease;
    m_tree.Write("k/a.txt", "same");
    m_tree.Write("k/b.txt", "same");
    CStandIn manager(QUORVEL_CLIPBOARD_MANAGER_STAND_IN);
    const std::string kept = m_tree.Path("kept.txt");
    ASSERT_TRUE(manager.Start(kept)) << "no clipboard manager could start on this display";
    // The program deletes the first row's file, copies the next row, pastes and ends by itself.
    const std::string command = "QUORVEL_SMOKE_SCAN='" + m_tree.Path("k") + "' QUORVEL_SMOKE_REPORT='" +
                                m_tree.Path("report") +
                                "' QUORVEL_SMOKE_DELETE=1 timeout 120 '" QUORVEL_APP "' </dev/null";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
    const std::string report = ReadAll(m_tree.Path("report"));
    const bool deletedA = report.find("deleted " + m_tree.Path("k/a.txt") + "\n") != std::string::npos;
    EXPECT_EQ(ReadAll(kept), m_tree.Path(deletedA ? "k/b.txt" : "k/a.txt")) << report;
}

// The program, started on its own with `settings` added to this process's environment; it is ended
// with the test if it is still running then.
class CProgram
{
public:
    explicit CProgram(const std::vector<std::string>& settings)
    {
        std::vector<char*> arguments{const_cast<char*>("env")};
        for (const std::string& setting : settings)
            arguments.push_back(const_cast<char*>(setting.c_str()));
        arguments.push_back(const_cast<char*>(QUORVEL_APP));
        arguments.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        if (posix_spawnp(&m_pid, "env", &actions, nullptr, arguments.data(), environ) != 0)
            m_pid = 0;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~CProgram()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }

    bool Started() const { return m_pid > 0; }
    bool Running() const { return m_pid > 0 && waitpid(m_pid, nullptr, WNOHANG) == 0; }

    // Waits for the program's end, at most `limit`; true when it ended, with its exit status, in time.
    bool EndsWithin(std::chrono::milliseconds limit, int& status)
    {
        const int process = static_cast<int>(syscall(SYS_pidfd_open, m_pid, 0));
        if (process < 0)
            return false;
        pollfd ended{process, POLLIN, 0};
        const bool inTime = poll(&ended, 1, static_cast<int>(limit.count())) == 1;
        close(process);
        if (!inTime || waitpid(m_pid, &status, 0) != m_pid)
            return false;
        m_pid = 0;
        return true;
    }

private:
    pid_t m_pid = 0;
};

TEST_F(FileActionsTest, TheProgramEndsSoonAfterItsWindowClosesWhenNeitherTheBusNorTheClipboardManagerAnswer)
{
    const ClipboardLease lease;
    HandlerRecord(); // Open finds an application, and so has no box to show
    m_tree.Write("k/a.txt", "same");
    m_tree.Write("k/b.txt", "same");
    CStandIn manager(QUORVEL_CLIPBOARD_MANAGER_STAND_IN);
    ASSERT_TRUE(manager.Start(m_tree.Path("kept.txt"), true)) << "no clipboard manager could start";
    const CMuteBus bus(m_tree.Path("bus"));
    ASSERT_TRUE(bus.IsListening());
    // The program opens and reveals the first row's file, deletes it, copies a row and closes its
    // window right after writing the last line of its report.
    const std::string report = m_tree.Path("report");
    CProgram program({"DBUS_SESSION_BUS_ADDRESS=" + bus.Address(), "QUORVEL_SMOKE_SCAN=" + m_tree.Path("k"),
                      "QUORVEL_SMOKE_REPORT=" + report, "QUORVEL_SMOKE_OPEN=1", "QUORVEL_SMOKE_DELETE=1"});
    ASSERT_TRUE(program.Started());
    ASSERT_TRUE(PumpUntil([&] {
        return ReadAll(report).find("after the rule's Delete\n") != std::string::npos || !program.Running();
    }));
    EXPECT_NE(ReadAll(report).find("opened and revealed " + m_tree.Path("k/")), std::string::npos)
        << ReadAll(report);
    int status = 0;
    ASSERT_TRUE(program.EndsWithin(std::chrono::seconds(2), status)) << "still running 2 s after it closed";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(FileActionsTest, PasteGivesUpOnAClipboardOwnerThatNeverAnswersAndTheWindowGoesOn)
{
    const ClipboardLease lease;
    AddGroup({"s/one.txt", "s/two.txt"});
    {
        const CSilentClipboardOwner owner;
        ASSERT_TRUE(owner.Owns());
        bool handled = false;
        wxTheApp->CallAfter([&] { handled = true; });
        const int rows = m_view->GetItemCount();
        m_view->PasteFiles();
        EXPECT_TRUE(handled) << "the event loop ran while the paste waited";
        EXPECT_EQ(m_view->GetItemCount(), rows);
    }
    // Once the owner has gone, the next paste reads the clipboard as before.
    PutOnClipboard(new wxTextDataObject(wxString::FromUTF8(m_tree.Path("s/one.txt"))));
    m_view->PasteFiles();
    EXPECT_EQ(Paths().back(), m_tree.Path("s/one.txt"));
}

} // namespace
