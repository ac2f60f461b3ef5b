// The program started with a project file, as a file manager starts it: the project's folders are in
// the list that the window's own scan walks.
#include "tests/support/TempTree.h"

#include <wx/filefn.h>
#include <wx/gdicmn.h>
#include <wx/image.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Starts the program with the project `name`, which lists two folders of one duplicate pair, in the
// environment `locale` sets up.
void ExpectProjectFillsTheList(const std::string& locale, const std::string& name)
{
    CTempTree tree;
    tree.Write("one/a.txt", "same bytes");
    tree.Write("two/b.txt", "same bytes");
    tree.MakeFolder("empty");
    tree.MakeFolder("config");
    tree.Write(name, tree.Path("one") + "\r\n" + tree.Path("two") + "\r\n");

    // The smoke scan adds an empty folder and scans: whatever it finds came from the project.
    const std::string command = locale + " XDG_CONFIG_HOME='" + tree.Path("config") +
                                "' QUORVEL_SMOKE_SCAN='" + tree.Path("empty") + "' QUORVEL_SMOKE_REPORT='" +
                                tree.Path("report") + "' timeout 60 '" QUORVEL_APP "' '" + tree.Path(name) +
                                "' </dev/null";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
    std::ifstream in(tree.Path("report"));
    std::ostringstream report;
    report << in.rdbuf();
    EXPECT_EQ(report.str(),
              "Pellucan\nReady\nScan completed (2 files scanned, 2 duplicates found)\n2 rows\n");
}

TEST(CommandLine, AtTwiceTheScaleTheNewWindowFitsTheScreen)
{
    CTempTree tree;
    tree.MakeFolder("config");
    // The picture is as large as the window in the desktop's units, of which the screen holds half.
    const std::string command = "XDG_CONFIG_HOME='" + tree.Path("config") +
                                "' GDK_SCALE=2 QUORVEL_SCREENSHOT='" + tree.Path("window.bmp") +
                                "' timeout 120 '" QUORVEL_APP "' </dev/null";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
    wxImage window;
    ASSERT_TRUE(window.LoadFile(tree.Path("window.bmp"), wxBITMAP_TYPE_BMP));
    const wxRect screen = wxGetClientDisplayRect();
    EXPECT_LE(2 * window.GetWidth(), screen.GetWidth());
    EXPECT_LE(2 * window.GetHeight(), screen.GetHeight());
}

TEST(CommandLine, TheWindowAppearsWhereTheVirtualFileSystemsBusNeverAnswers)
{
    CTempTree tree;
    tree.MakeFolder("config");
    // A bus that takes every connection and never answers: the socket listens and accepts nothing.
    const int bus = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = tree.Path("bus");
    ASSERT_LT(path.size(), sizeof address.sun_path);
    path.copy(address.sun_path, path.size());
    ASSERT_EQ(bind(bus, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(bus, 16), 0);
    // The accessibility bridge would wait on that bus too; only the file system is asked about here.
    const std::string command = "NO_AT_BRIDGE=1 DBUS_SESSION_BUS_ADDRESS='unix:path=" + path +
                                "' GIO_MODULE_DIR='" QUORVEL_BUS_VFS_DIR "' XDG_CONFIG_HOME='" +
                                tree.Path("config") + "' QUORVEL_SCREENSHOT='" + tree.Path("window.bmp") +
                                "' timeout 60 '" QUORVEL_APP "' </dev/null";
    const int status = std::system(command.c_str());
    close(bus);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
    EXPECT_TRUE(wxFileExists(tree.Path("window.bmp")));
}

TEST(CommandLine, TheSettingsGoToTheirFolderWhateverItsNameAndTheLocale)
{
    CTempTree tree;
    for (const std::string folder : {"caf\xC3\xA9", "p\xFF"}) {
        SCOPED_TRACE(folder);
        const std::string command = "env -u LANG -u LC_ALL XDG_CONFIG_HOME='" + tree.Path(folder) +
                                    "' QUORVEL_SCREENSHOT='" + tree.Path("window.bmp") +
                                    "' timeout 60 '" QUORVEL_APP "' </dev/null";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
        EXPECT_TRUE(std::filesystem::is_regular_file(tree.Path(folder + "/Quorvel.conf")));
    }
}

TEST(CommandLine, AProjectNamedOnTheCommandLineFillsTheFolderList)
{
    // Any name the file system allows, UTF-8 or not, in any locale: the one of this run, none at all
    // (as a minimal system starts programs), and the POSIX one asked for by name.
    for (const std::string locale : {"env", "env -u LANG -u LC_ALL", "env LC_ALL=C"}) {
        for (const std::string name : {"p.qvlprj", "p\xFF\xFE.qvlprj", "caf\xC3\xA9.qvlprj"}) {
            SCOPED_TRACE(locale + " " + name);
            ExpectProjectFillsTheList(locale, name);
        }
    }
}

} // namespace
