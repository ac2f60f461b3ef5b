// The window's rules that need no window: which file a project dialog's answer names, which stored
// toolbar layouts are used, and paths through the settings.
#include "app/ProjectPath.h"
#include "app/ToolbarLayout.h"
#include "platform/Path.h"
#include "views/SettingsText.h"

#include <gtest/gtest.h>

namespace {

TEST(ProjectPath, TheExtensionGoesOnlyToANameThatHasNoneAndNamesNothing)
{
    const std::string sep(1, platform::kPathSeparator);
    const struct
    {
        std::string chosen;
        std::string saved;
    } rows[] = {
        {sep + "a" + sep + "name", sep + "a" + sep + "name.qvlprj"},
        {sep + "a.d" + sep + "name", sep + "a.d" + sep + "name.qvlprj"}, // a dot in a folder is no extension
        {sep + "a" + sep + "name.txt", sep + "a" + sep + "name.txt"},
        {sep + "a" + sep + ".hidden", sep + "a" + sep + ".hidden.qvlprj"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.chosen);
        EXPECT_EQ(WithProjectExtension(row.chosen), row.saved);
        EXPECT_EQ(ProjectPathToOpen(row.chosen, false), row.saved);
        EXPECT_EQ(ProjectPathToOpen(row.chosen, true), row.chosen);
    }
}

TEST(ProjectPath, AnExportTakesTheChosenTypesExtensionInPlaceOfAnotherTypes)
{
    const std::string sep(1, platform::kPathSeparator);
    const struct
    {
        std::string chosen;
        const char* type;
        std::string path;
    } rows[] = {
        {"duplicates.txt", "json", "duplicates.json"}, // the dialog's first name, another type chosen
        {"list.CSV", "txt", "list.txt"},
        {"list", "csv", "list.csv"},
        {"list.mine", "json", "list.mine"}, // an extension of the user's own stays
        {"a.d" + sep + "list", "csv", "a.d" + sep + "list.csv"},
        {".json", "txt", ".json.txt"}, // a hidden name, not an extension
    };
    for (const auto& row : rows)
        EXPECT_EQ(ExportPath(row.chosen, row.type), row.path) << row.chosen;
    // A typed extension of JSON or CSV chooses the type, whatever the filter; "txt" may be the dialog's.
    EXPECT_STREQ(ExportType("name.json", "txt"), "json");
    EXPECT_STREQ(ExportType("list.CSV", "json"), "csv");
    EXPECT_STREQ(ExportType("duplicates.txt", "json"), "json");
    EXPECT_STREQ(ExportType("list.mine", "csv"), "csv");
}

TEST(ProjectPath, EveryArgumentTheToolkitKeptOrCouldNotReadNamesAProject)
{
    using List = std::vector<std::string>;
    // Kept as the toolkit keeps it in a UTF-8 locale: the text is the bytes.
    const auto utf8 = [](const List& names) {
        std::vector<ToolkitArgument> kept;
        for (const std::string& name : names)
            kept.push_back({name, name});
        return kept;
    };
    const struct
    {
        const char* what;
        List system;
        std::vector<ToolkitArgument> toolkit;
        List projects;
    } rows[] = {
        {"a name that is not UTF-8, in its place",
         {"a.qvlprj", "b\xFF.qvlprj", "c.qvlprj"},
         utf8({"a.qvlprj", "c.qvlprj"}),
         {"a.qvlprj", "b\xFF.qvlprj", "c.qvlprj"}},
        {"overlong, surrogate, cut short",
         {"\xC0\xAF", "\xED\xA0\x80", "\xE6\x97"},
         {},
         {"\xC0\xAF", "\xED\xA0\x80", "\xE6\x97"}},
        {"the toolkit's own options",
         {"--sync", "--name", "x", "caf\xC3\xA9"},
         utf8({"caf\xC3\xA9"}),
         {"caf\xC3\xA9"}},
        {"the POSIX locale, a character a byte",
         {"p\xFF\xFE.qvlprj", "caf\xC3\xA9"},
         {{"p\xC3\xBF\xC3\xBE.qvlprj", "p\xFF\xFE.qvlprj"}, {"caf\xC3\x83\xC2\xA9", "caf\xC3\xA9"}},
         {"p\xFF\xFE.qvlprj", "caf\xC3\xA9"}},
        {"lists that disagree", {"a"}, utf8({"b"}), {"b"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(ProjectArguments(row.system, row.toolkit), row.projects);
    }
}

TEST(ToolbarLayout, OnlyAWholeLayoutOfTheToolbarOnASideIsUsed)
{
    const std::string saved = "name=Toolbar;caption=;state=2106364;dir=1;layer=10;row=0;pos=0;prop=100000;"
                              "bestw=298;besth=34;minw=-1;minh=-1;maxw=-1;maxh=-1;floatx=-1;floaty=-1;"
                              "floatw=-1;floath=-1";
    EXPECT_TRUE(IsUsableToolbarLayout(saved, "Toolbar"));
    EXPECT_TRUE(IsUsableToolbarLayout("name=Toolbar;dir=4", "Toolbar"));
    // Floating, partly off the left of the screen: the manager keeps the last side it was docked to.
    EXPECT_TRUE(IsUsableToolbarLayout("name=Toolbar;state=2106365;dir=1;floatx=-40;floaty=100;floatw=306",
                                      "Toolbar"));
    const char* refused[] = {
        "name=Toolbar;dir=5", // the centre belongs to the lists
        "name=Toolbar;dir=0",
        "name=Toolbar",           // no side
        "name=Other;dir=1",       // another pane
        "name=Toolbar;dir=1;x=3", // a key the manager does not know
        "name=Toolbar;dir=1;row=-2",
        "name=Toolbar;dir=1;layer=1x",
        "name=Toolbar;dir=1;bestw=99999999999999999999",
        "name=Toolbar;dir=1;state=4294967295", // more than the manager's int holds
        "name=Toolbar;dir=1;pos",
        "=x",
        "name=Tool\\;bar;dir=1",
        "",
    };
    for (const char* layout : refused)
        EXPECT_FALSE(IsUsableToolbarLayout(layout, "Toolbar")) << layout;
}

TEST(SettingsText, AnyPathComesBackByteForByteAndUtf8IsWrittenAsItIs)
{
    const std::string rows[] = {
        "/srv/plain",
        "/srv/caf\xc3\xa9",
        "/srv/caf\xe9",
        "/\xff\xfe",
        "/cut\xc3",
        "/srv/\xf4\x80\x80\xa9", // a character that stands for a byte in the settings
        "/\xed\xa0\x80",         // an encoded surrogate is no UTF-8
        std::string("/nul\0in", 7),
    };
    for (const std::string& path : rows) {
        SCOPED_TRACE(path);
        EXPECT_EQ(UnescapeFromSettings(EscapeForSettings(path)), path);
    }
    EXPECT_EQ(EscapeForSettings("/srv/caf\xc3\xa9"), "/srv/caf\xc3\xa9");
    EXPECT_EQ(EscapeForSettings("/a\xe9"), "/a\xf4\x80\x83\xa9"); // U+1000E9
    EXPECT_EQ(UnescapeFromSettings("/a\xf4\x80\x83\xa9"), "/a\xe9");
}

} // namespace
