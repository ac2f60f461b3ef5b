// quorvel-scan as other programs see it: its output format, its texts and its exit codes.
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace {

struct ToolRun
{
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

ToolRun RunTool(const CTempTree& scratch, const std::string& arguments, const std::string& folder = ".")
{
    const std::string out = scratch.Path("stdout");
    const std::string err = scratch.Path("stderr");
    const std::string command =
        "cd '" + folder + "' && '" + QUORVEL_SCAN_TOOL + "' " + arguments + " >'" + out + "' 2>'" + err + "'";
    const int status = std::system(command.c_str());
    ToolRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadAll(out);
    run.err = ReadAll(err);
    return run;
}

class ScanTool : public ::testing::Test
{
protected:
    std::string Quoted(const std::string& relative) const { return "'" + m_tree.Path(relative) + "'"; }

    CTempTree m_tree;
    CTempTree m_scratch;
};

TEST_F(ScanTool, PrintsGroupsOnePathALineWithAnEmptyLineAfterEach)
{
    m_tree.Write("R/a.txt", "first");
    m_tree.Write("R/b.txt", "first");
    m_tree.Write("R/sub/c.bin", "second!");
    m_tree.Write("R/sub/d.bin", "second!");
    m_tree.Write("R/sub/e.bin", "second!");
    const ToolRun run = RunTool(m_scratch, Quoted("R"));
    const std::string r = m_tree.Path("R");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, r + "/a.txt\n" + r + "/b.txt\n\n" + r + "/sub/c.bin\n" + r + "/sub/d.bin\n" + r +
                           "/sub/e.bin\n\n");
    EXPECT_EQ(run.err, "Scan completed (5 files scanned, 5 duplicates found)\n");
}

TEST_F(ScanTool, ProgressGoesToStandardErrorWithTheSummaryLast)
{
    m_tree.Write("R/sub/a.txt", "same");
    m_tree.Write("R/b.txt", "same");
    const ToolRun run = RunTool(m_scratch, "--progress " + Quoted("R"));
    const std::string r = m_tree.Path("R");
    EXPECT_EQ(run.err, "scan: (2 scanned) " + r +
                           "/sub\n"
                           "resolve: \n"
                           "resolve: 0 of 2 files - 0%\n"
                           "Scan completed (2 files scanned, 2 duplicates found)\n");
}

TEST_F(ScanTool, WarnsOfAMissingFolderAndScansTheRest)
{
    m_tree.Write("R/a.txt", "same");
    m_tree.Write("R/b.txt", "same");
    const ToolRun run = RunTool(m_scratch, Quoted("missing") + " " + Quoted("R"));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.err.find("warning: " + m_tree.Path("missing")), std::string::npos);
    EXPECT_EQ(run.out, m_tree.Path("R/a.txt") + "\n" + m_tree.Path("R/b.txt") + "\n\n");
}

TEST_F(ScanTool, WithoutAFolderPrintsItsUsageAndExitsTwo)
{
    const ToolRun run = RunTool(m_scratch, "");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("usage: quorvel-scan"), std::string::npos);
    EXPECT_TRUE(run.out.empty());
}

TEST_F(ScanTool, AnswersHelpAndVersionAndRefusesUnknownOptions)
{
    const ToolRun help = RunTool(m_scratch, "--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("usage: quorvel-scan", 0), 0u);
    EXPECT_TRUE(help.err.empty());

    const ToolRun version = RunTool(m_scratch, "--version");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "quorvel-scan " QUORVEL_VERSION "\n");

    m_tree.Write("R/a.txt", "same");
    m_tree.Write("R/b.txt", "same");
    const ToolRun unknown = RunTool(m_scratch, "--progres " + Quoted("R"));
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.out.empty()); // no scan ran
    EXPECT_NE(unknown.err.find("unknown option --progres\nusage: quorvel-scan"), std::string::npos);
}

TEST_F(ScanTool, TakesEverythingAfterTwoDashesAsAFolder)
{
    m_tree.Write("-R/a.txt", "same");
    m_tree.Write("-R/b.txt", "same");
    const ToolRun run = RunTool(m_scratch, "-- -R --help", m_tree.Root());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, m_tree.Path("-R/a.txt") + "\n" + m_tree.Path("-R/b.txt") + "\n\n");
    EXPECT_NE(run.err.find("warning: --help"), std::string::npos);
}

} // namespace
