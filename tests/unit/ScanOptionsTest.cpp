// What a scan leaves out, as typed and as saved: name patterns under each system's rule of letter
// case, sizes with their units, entries that are neither names nor absolute paths, and the settings
// text quorvel-scan reads without the toolkit.
#include "engine/ScanOptions.h"

#include "engine/NamePattern.h"
#include "platform/NameRules.h"
#include "platform/SavedSettings.h"
#include "tests/support/TempTree.h"
#include "views/ScanOptionsSettings.h"

#include <gtest/gtest.h>

namespace {

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

TEST(ScanOptions, NamePatternsMatchWholeNamesWithLetterCaseAsTheSystemComparesIt)
{
    const struct
    {
        const char* pattern;
        const char* name;
        bool posix;
        bool windows;
    } rows[] = {
        {".git", ".git", true, true},
        {".git", ".GIT", false, true},
        {".git", ".gitignore", false, false},
        {"*.photoslibrary", "Summer 2024.photoslibrary", true, true},
        {"*.tmp", ".tmp", true, true},
        {"*.tmp", "a.tmp.txt", false, false},
        {"Thumbs.db", "thumbs.db", false, true},
        {"?.txt", "\xC3\xA9.txt", true, true}, // one character of two bytes
        {"??.txt", "\xC3\xA9.txt", false, false},
        {"?", "\xFF", true, true}, // a byte that begins no character counts alone
        {"a*b*c", "aXXbYbZc", true, true},
        {"a*b*c", "aXXbYbZ", false, false},
        {"*a*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false, false},
        {"[ab]", "a", false, false}, // only * and ? are wildcards
        {"[ab]", "[ab]", true, true},
        {"\xC3\x89*",
         "\xC3\xA9"
         "clair",
         false, true}, // letter case beyond ASCII
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.pattern) + " ~ " + row.name);
        EXPECT_EQ(MatchesName(platform::NameKey(row.pattern), platform::NameKey(row.name)),
                  kWindows ? row.windows : row.posix);
    }
}

TEST(ScanOptions, SizesTakeUnitsOfAThousandAndOfTenTwentyFourAndNameWhatIsWrong)
{
    const struct
    {
        const char* text;
        std::int64_t bytes; // -1: no bound
        const char* problem;
    } rows[] = {
        {"", -1, ""},
        {"  ", -1, ""},
        {"0", 0, ""},
        {"10", 10, ""},
        {" 7 B ", 7, ""},
        {"1 KB", 1000, ""},
        {"1kb", 1000, ""},
        {"1.5 MB", 1500000, ""},
        {".5 GB", 500000000, ""},
        {"2 KiB", 2048, ""},
        {"1.25 KiB", 1280, ""},
        {"3 GiB", 3LL << 30, ""},
        {"12 XB", 0, "\"12 XB\" is not a size"},
        {"-1", 0, "\"-1\" is not a size"},
        {"1.", 0, "\"1.\" is not a size"},
        {"MB", 0, "\"MB\" is not a size"},
        {"9999999999 GB", 0, "\"9999999999 GB\" is too large a size"},
        {"99999999999999999999", 0, "\"99999999999999999999\" is too large a size"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        std::optional<std::int64_t> bytes = 12345;
        const std::string problem = ReadSize(row.text, bytes);
        EXPECT_EQ(problem.substr(0, std::string(row.problem).size()), row.problem);
        if (*row.problem == '\0') {
            EXPECT_EQ(bytes.value_or(-1), row.bytes);
        }
    }
}

TEST(ScanOptions, TypedOptionsAreReadWholeOrRefusedWithTheFieldAtFault)
{
    using EField = ScanOptionsProblem::EField;
    const std::string absolute = kWindows ? "C:\\Photos\\cache" : "/photos/cache";
    ScanOptionsText text;
    text.folders = "  .git \n\n node_modules\n" + absolute + "\n";
    text.files = "*.tmp\r\n";
    text.smallest = "1 KB";
    text.largest = "2 GiB";
    ScanOptions options;
    ASSERT_FALSE(ReadScanOptions(text, options)) << ReadScanOptions(text, options).text;
    EXPECT_EQ(options.folders, (std::vector<std::string>{".git", "node_modules", absolute}));
    EXPECT_EQ(options.files, (std::vector<std::string>{"*.tmp"}));
    EXPECT_EQ(options.smallest, 1000);
    EXPECT_EQ(options.largest, 2LL << 30);

    const struct
    {
        ScanOptionsText text;
        EField field;
        const char* problem;
    } refused[] = {
        {{"photos/cache", "", "", "", false}, EField::Folders, "\"photos/cache\" is neither a name nor"},
        {{"", ".git\nsub/Thumbs.db", "", "", false}, EField::Files, "\"sub/Thumbs.db\" is neither"},
        {{"", "", "ten", "", false}, EField::Smallest, "\"ten\" is not a size"},
        {{"", "", "", "1 XB", false}, EField::Largest, "\"1 XB\" is not a size"},
        {{"", "", "", "0", false}, EField::Largest, "The largest size must be at least 1 byte"},
        {{"", "", "2 MB", "1 MB", false},
         EField::Smallest,
         "The smallest size (2 MB) is above the largest (1 MB)"},
    };
    for (const auto& row : refused) {
        SCOPED_TRACE(row.problem);
        ScanOptions kept = options;
        const ScanOptionsProblem problem = ReadScanOptions(row.text, kept);
        EXPECT_EQ(problem.field, row.field);
        EXPECT_EQ(problem.text.substr(0, std::string(row.problem).size()), row.problem);
        EXPECT_EQ(kept.folders, options.folders); // left as it was
    }
}

TEST(ScanOptions, ARootIsLeftOutAtOrUnderAPlaceOrByItsOwnName)
{
    CTempTree tree;
    tree.MakeFolder("keep/node_modules");
    tree.MakeFolder("gone/inside");
    tree.MakeFolder("gone2");
    ScanOptions options;
    options.folders = {"node_modules", tree.Path("gone")};
    const CLeaveOut leaveOut(options);
    EXPECT_TRUE(leaveOut.Root(tree.Path("gone")));
    EXPECT_TRUE(leaveOut.Root(tree.Path("gone/inside")));
    EXPECT_FALSE(leaveOut.Root(tree.Path("gone2"))); // a longer name is another folder
    EXPECT_TRUE(leaveOut.Root(tree.Path("keep/node_modules")));
    EXPECT_FALSE(leaveOut.Root(tree.Path("keep")));
}

TEST(ScanOptions, SavedOptionsReadBackFromTheSettingsTextAsTheToolkitWritesIt)
{
    // Groups, quoting of a leading space, escapes, and entries in the order of their numbers.
    const std::string text =
        "[MainFrame]\nWidth=800\n[ScanOptions]\nFolder10=last\nFolder2 = \" spaced\"\n"
        "File0=a\\\\b\\\"c\\\"\n; a comment\nSmallestSize=1 KB\nHidden=1\n[Folders]\nFolder0=/x\n";
    const platform::SettingValues values = platform::ParseSettingsGroup(text, kScanOptionsGroup);
    const ScanOptionsText options = ScanOptionsFromSettings(values);
    EXPECT_EQ(options.folders, " spaced\nlast");
    EXPECT_EQ(options.files, "a\\b\"c\"");
    EXPECT_EQ(options.smallest, "1 KB");
    EXPECT_TRUE(options.leaveOutHidden);

    // What the window saves comes back the same, a byte that is not UTF-8 included.
    ScanOptionsText saved;
    saved.folders = ".git\nstray\xFF";
    saved.files = "*.tmp";
    saved.largest = "2 GiB";
    const ScanOptionsText back = ScanOptionsFromSettings(ScanOptionsToSettings(saved));
    EXPECT_EQ(back.folders, saved.folders);
    EXPECT_EQ(back.files, saved.files);
    EXPECT_EQ(back.largest, saved.largest);
    EXPECT_FALSE(back.leaveOutHidden);
}

} // namespace
