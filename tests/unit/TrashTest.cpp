// The trash as the desktop's trash reads it back: one entry and one record for every file moved.
#include "platform/Trash.h"

#include "tests/support/LoopImage.h"
#include "tests/support/ScopedState.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Unescape(const std::string& text)
{
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            bytes += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            bytes += text[i];
        }
    }
    return bytes;
}

TEST(Trash, EveryFileOfOneNameGetsAnEntryOfItsOwnAndNoEntryIsReplaced)
{
    CTempTree tree;
    const CScopedEnvironment home("HOME", tree.Path("home"));
    const CScopedEnvironment data("XDG_DATA_HOME", tree.Path("home/data"));
    const fs::path trash = tree.Path("home/data/Trash");
    tree.Write("home/data/Trash/files/same.txt", "an entry whose record was lost");

    std::map<std::string, std::string> moved; // original path -> its bytes
    for (int i = 0; i < 40; ++i)
        moved[tree.Path("copies/" + std::to_string(i) + "/same.txt")] = "copy " + std::to_string(i);
    moved[tree.Path("odd/a b%\xC3\xA9\xFF.tar.gz")] = "odd name";
    for (const auto& [path, bytes] : moved) {
        tree.Write(path.substr(tree.Root().size() + 1), bytes);
        std::string reason;
        ASSERT_TRUE(platform::MoveToTrash(path, reason)) << path << ": " << reason;
        EXPECT_FALSE(fs::exists(path)) << path;
    }

    const std::regex record(
        "\\[Trash Info\\]\nPath=([^\n]*)\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n");
    std::map<std::string, std::string> found;
    for (const auto& info : fs::directory_iterator(trash / "info")) {
        const std::string text = ReadAll(info.path());
        std::smatch match;
        ASSERT_TRUE(std::regex_match(text, match, record)) << text;
        EXPECT_EQ(match[1].str().find_first_of(" \xFF"), std::string::npos) << "Path= is escaped";
        const fs::path entry = trash / "files" / info.path().stem();
        found[Unescape(match[1].str())] = ReadAll(entry);
    }
    EXPECT_EQ(found, moved);
    EXPECT_EQ(ReadAll(trash / "files/same.txt"), "an entry whose record was lost");
}

TEST(Trash, AVolumesTrashWhoseFilesOrInfoIsALinkIsRefusedAndNothingLandsWhereTheLinkLeads)
{
    // On a volume of its own (an ext4 image, loop-mounted), so that the top folder's trash is used.
    CLoopImage image("ext4");
    if (!image.Mounted())
        GTEST_SKIP() << image.Reason();
    CTempTree tree;
    const CScopedEnvironment home("HOME", tree.Path("home"));
    const CScopedEnvironment data("XDG_DATA_HOME", tree.Path("home/data"));
    tree.MakeFolder("outside");
    fs::create_directory(image.Path("elsewhere"));
    const std::string trash = image.Path(".Trash-" + std::to_string(geteuid()));
    const struct
    {
        const char* linked;
        std::string target;
    } rows[] = {{"info", tree.Path("outside")}, {"files", image.Path("elsewhere")}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.linked);
        fs::remove_all(trash);
        fs::create_directory(trash);
        fs::permissions(trash, fs::perms::owner_all, fs::perm_options::replace);
        fs::create_directory_symlink(row.target, trash + "/" + row.linked);
        image.Write("evil name.txt", "bytes");
        std::string reason;
        EXPECT_FALSE(platform::MoveToTrash(image.Path("evil name.txt"), reason));
        EXPECT_NE(reason.find("no trash can be made"), std::string::npos) << reason;
        EXPECT_TRUE(fs::exists(image.Path("evil name.txt")));
        EXPECT_TRUE(fs::is_empty(row.target));
    }
    fs::remove_all(trash); // a trash of its own making is used
    std::string reason;
    EXPECT_TRUE(platform::MoveToTrash(image.Path("evil name.txt"), reason)) << reason;
    EXPECT_TRUE(fs::exists(trash + "/info/evil name.txt.trashinfo"));
}

} // namespace
