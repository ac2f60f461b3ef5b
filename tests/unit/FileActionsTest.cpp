// The file actions' rules without a window: the clipboard's lines, rows of one folder, the warning
// about files that stayed, the facts of a pasted name, and launching and waiting for programs.
#include "views/FileActions.h"

#include "platform/EntryFacts.h"
#include "platform/Path.h"
#include "platform/ShellExecute.h"
#include "tests/support/TempTree.h"
#include "views/ClipboardText.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

const bool kWindows = platform::kPathSeparator == '\\';

TEST(ClipboardText, PathsJoinWithCrLfAndAnyLineEndsSplitWithoutTrimming)
{
    EXPECT_EQ(JoinClipboardPaths({"/a/one"}), "/a/one");
    EXPECT_EQ(JoinClipboardPaths({"/p1", "/p2", "/p3"}), "/p1\r\n/p2\r\n/p3");
    EXPECT_EQ(JoinClipboardPaths({}), "");

    const struct
    {
        std::string text;
        std::vector<std::string> lines;
    } rows[] = {
        {"/p1\r\n/p2\r\n/p3", {"/p1", "/p2", "/p3"}},
        {"\n\n/a\n\r\r\n/b\r\n", {"/a", "/b"}},
        {"/a \n /b", {"/a ", " /b"}},
        {"\r\n", {}},
        {"", {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(SplitClipboardLines(row.text), row.lines);
    }
}

TEST(ClipboardText, ALineHoldingNulIsSkipped)
{
    // No path holds NUL: the system would take only the part before it, another file.
    EXPECT_EQ(SplitClipboardLines(std::string("/a\0/b\n/c\r\n\0\r\n/d\0", 16)),
              (std::vector<std::string>{"/c"}));
}

TEST(FileActions, RowsInFolderMatchTheLocationExactlyFromLastToFirst)
{
    const std::string s(1, platform::kPathSeparator);
    CDuplicateRows rows;
    for (const std::string& path : {s + "d" + s + "a.txt", s + "d" + s + "sub" + s + "b.txt",
                                    s + "D" + s + "c.txt", s + "dd" + s + "e.txt", s + "d" + s + "f.txt"})
        rows.AddFileRow(path, 1, 0);
    EXPECT_EQ(RowsInFolder(rows, s + "d"), (std::vector<std::size_t>{4, 0}));
    EXPECT_EQ(RowsInFolder(rows, s + "d" + s + "sub"), (std::vector<std::size_t>{1}));
    EXPECT_TRUE(RowsInFolder(rows, s + "x").empty());
}

TEST(FileActions, TheWarningNamesTwentyFilesWithTheirReasonsThenCountsTheRest)
{
    std::vector<TrashFailure> failures{{"/only.txt", "Permission denied"}};
    EXPECT_EQ(
        TrashFailureText(failures, "trash"),
        "This file could not be moved to the trash and stays in the list:\n\n/only.txt: Permission denied");
    for (int i = 1; i < 25; ++i)
        failures.push_back({"/f" + std::to_string(i), "gone"});
    const std::string text = TrashFailureText(failures, "Recycle Bin");
    EXPECT_NE(text.find("These files could not be moved to the Recycle Bin"), std::string::npos);
    EXPECT_NE(text.find("\n/f19: gone\nand 5 more"), std::string::npos);
    EXPECT_EQ(text.find("/f20"), std::string::npos);
}

TEST(EntryFacts, ANameMustMatchExactlyAndAFolderHasNoSize)
{
    CTempTree tree;
    tree.Write("x.txt", "12345");
    tree.MakeFolder("sub");
    platform::EntryFacts facts;
    ASSERT_TRUE(platform::LookUpEntry(tree.Path("x.txt"), facts));
    EXPECT_FALSE(facts.isFolder);
    EXPECT_EQ(facts.size, 5);
    EXPECT_GT(facts.modified, 0);
    ASSERT_TRUE(platform::LookUpEntry(tree.Path("sub"), facts));
    EXPECT_TRUE(facts.isFolder);
    EXPECT_EQ(facts.size, 0);
    // Some systems drop a trailing space or dot from a name; a pasted line names what it says.
    EXPECT_FALSE(platform::LookUpEntry(tree.Path("x.txt "), facts));
    EXPECT_FALSE(platform::LookUpEntry(tree.Path("x.txt."), facts));
    EXPECT_FALSE(platform::LookUpEntry(tree.Path("missing"), facts));
    EXPECT_FALSE(platform::LookUpEntry("", facts));
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A shell and the parameters that make it run `command`.
std::pair<std::string, std::string> Shell(const std::string& command)
{
    return kWindows ? std::pair<std::string, std::string>{"cmd", "/c " + command}
                    : std::pair<std::string, std::string>{"sh", "-c '" + command + "'"};
}

TEST(ShellExecute, AProgramRunsInItsFolderAndItsExitCodeIsKept)
{
    CTempTree tree;
    tree.MakeFolder("work");
    CShellExecute shell;
    shell.m_directory = tree.Path("work");
    const auto [program, parameters] = Shell("echo here> out.txt && exit 7");
    ASSERT_TRUE(shell.Run(program, parameters, true)) << shell.m_errorText;
    EXPECT_EQ(shell.m_exitCode, 7u);
    EXPECT_EQ(shell.m_info.process, 0);
    EXPECT_NE(ReadAll(tree.Path("work/out.txt")).find("here"), std::string::npos);

    CShellExecute missing;
    EXPECT_FALSE(missing.Run(tree.Path("no-such-program"), "", true));
    EXPECT_EQ(missing.m_errorText, "ShellExecuteEx failed");
}

TEST(ShellExecute, AProcessThatOutlivesItsTimeoutIsEnded)
{
    CTempTree tree;
    CShellExecute shell;
    shell.m_timeoutSeconds = 1;
    shell.m_directory = tree.Root();
    // Started directly, not through a shell, so that ending it leaves no child of its own behind.
    // The timeout text is set only when the process was really ended.
    EXPECT_FALSE(kWindows ? shell.Run("ping", "-n 120 127.0.0.1", true) : shell.Run("sleep", "120", true));
    EXPECT_EQ(shell.m_errorText, "WAIT_TIMEOUT interval exceeding - process terminated");
    EXPECT_NE(shell.m_info.process, 0); // released with the object
}

} // namespace
