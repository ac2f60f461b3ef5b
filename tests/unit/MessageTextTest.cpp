// Paths shortened from the middle to a box's budget, measured here in characters.
#include "views/MessageText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

int Characters(std::string_view text)
{
    int count = 0;
    for (const char c : text)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return count;
}

TEST(MessageText, ALongPathKeepsItsStartAndItsEndAroundAnEllipsisAndNeverCutsACharacter)
{
    const std::string e = kEllipsis;
    const struct
    {
        std::string path;
        int budget;
        std::string shown;
    } rows[] = {
        {"/short/path.txt", 15, "/short/path.txt"},
        {"/home/user/" + std::string(50, 'x') + "/name.txt", 21, "/home/user" + e + "x/name.txt"},
        {"/home/user/" + std::string(50, 'x') + "/name.txt", 22, "/home/user" + e + "xx/name.txt"},
        {"/\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9/\xe6\x97\xa5\xe6\x97\xa5.txt", 9,
         "/\xc3\xa9\xc3\xa9\xc3\xa9" + e + ".txt"},
        {"/\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9/\xe6\x97\xa5\xe6\x97\xa5.txt", 11,
         "/\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9" + e + "\xe6\x97\xa5.txt"},
        {"/abc", 1, e},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path + " in " + std::to_string(row.budget));
        EXPECT_EQ(ShortenPath(row.path, row.budget, Characters), row.shown);
    }
}

TEST(MessageText, ABoxNamesThePathsItHoldsShortenedThenCountsTheRest)
{
    const std::vector<std::string> paths = {"/" + std::string(30, 'a') + "/z", "/b", "/c", "/d"};
    EXPECT_EQ(NamedPathsText(paths, {10, Characters, 2}),
              "/aaa" + std::string(kEllipsis) + "aaa/z\n/b\nand 2 more");
    EXPECT_EQ(NamedPathsText({"/b"}, {10, Characters, 2}), "/b");
}

} // namespace
