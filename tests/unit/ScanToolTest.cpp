// quorvel-scan as other programs see it: its output format, its texts and its exit codes.
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

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

// `environment`: assignments to put before the command, each followed by a space.
ToolRun RunTool(const CTempTree& scratch, const std::string& arguments, const std::string& folder = ".",
                const std::string& environment = "")
{
    const std::string out = scratch.Path("stdout");
    const std::string err = scratch.Path("stderr");
    const std::string command = "cd '" + folder + "' && " + environment + "'" + QUORVEL_SCAN_TOOL + "' " +
                                arguments + " >'" + out + "' 2>'" + err + "'";
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

// Runs `script` in a POSIX shell in the scratch folder, with $TOOL naming the tool; its exit code.
int RunShell(const CTempTree& scratch, const std::string& script)
{
    const std::string command =
        "cd '" + scratch.Root() + "' && TOOL='" + QUORVEL_SCAN_TOOL + "' sh -c '" + script + "'";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(ScanTool, NullModeEndsEachPathWithNulAndEachGroupWithOneMore)
{
    m_tree.Write("R/a\nb.txt", "same");
    m_tree.Write("R/c.txt", "same");
    const ToolRun run = RunTool(m_scratch, "-0 " + Quoted("R"));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, m_tree.Path("R/a\nb.txt") + '\0' + m_tree.Path("R/c.txt") + '\0' + '\0');
}

// Reads the tool's JSON or CSV back with Python's own parsers and prints each group as its size and
// its paths' bytes, sorted, each ended by NUL, and the group by one more NUL.
constexpr const char* kReadBack = R"(import csv, json, sys
def paths(texts):
    return sorted(t.encode("utf-8", "surrogateescape") for t in texts)
out = sys.stdout.buffer
if sys.argv[1] == "json":
    doc = json.load(open("stdout", encoding="utf-8"))
    out.write(("%s|%d|%d|%d\n" % (doc["summary"], doc["files_scanned"], doc["duplicates_found"],
                                  doc["group_count"])).encode())
    groups = [(g["size"], paths(g["paths"])) for g in doc["groups"]]
else:
    rows = list(csv.reader(open("stdout", encoding="utf-8", errors="surrogateescape", newline=""), strict=True))
    out.write((",".join(rows[0]) + "\n").encode())
    numbers = sorted({int(r[0]) for r in rows[1:]})
    groups = [(int(next(r[1] for r in rows if r[0] == str(n))), paths(r[2] for r in rows[1:] if r[0] == str(n)))
              for n in numbers]
for size, group in groups:
    out.write(b"%d\0" % size + b"".join(p + b"\0" for p in group) + b"\0")
)";

TEST_F(ScanTool, JsonAndCsvGiveBackEveryPathsBytesToTheirParsers)
{
    // Names that are not UTF-8 (stray bytes, overlong forms and a value past U+10FFFF, an encoded
    // surrogate, a cut-short sequence), valid UTF-8 of four bytes, and what each format must quote.
    const std::vector<std::string> names = {"stray\xff\x80.txt",
                                            "over\xc0\xaf\xe0\x80\xaf\xf0\x80\x80\xaf\xf4\x90\x80\x80.txt",
                                            "sur\xed\xa0\x80.txt",
                                            "cut\xe2\x82x.txt",
                                            "\xf0\x9f\x98\x80\xc3\xa9.txt",
                                            "a,b.txt",
                                            "say \"hi\".txt",
                                            "line\nbreak.txt",
                                            "cr\rtab\t.txt",
                                            "back\\slash.txt"};
    std::vector<std::string> same;
    for (const std::string& name : names) {
        m_tree.Write("R/" + name, "same");
        same.push_back(m_tree.Path("R/" + name));
    }
    m_tree.Write("R/x.bin", "other");
    m_tree.Write("R/y.bin", "other");
    std::sort(same.begin(), same.end());
    std::string groups = "4";
    groups += '\0';
    for (const std::string& path : same)
        groups += path + '\0';
    groups += std::string("\0"
                          "5\0",
                          3) +
              m_tree.Path("R/x.bin") + '\0' + m_tree.Path("R/y.bin") + '\0' + '\0';
    m_scratch.Write("read_back.py", kReadBack);
    const std::string summary = "Scan completed (12 files scanned, 12 duplicates found)";
    const std::vector<std::pair<std::string, std::string>> formats = {{"json", summary + "|12|12|2\n"},
                                                                      {"csv", "group,size,path\n"}};
    for (const auto& [format, head] : formats) {
        SCOPED_TRACE(format);
        const ToolRun run = RunTool(m_scratch, "--format " + format + " " + Quoted("R"));
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.err, summary + "\n");
        ASSERT_EQ(RunShell(m_scratch, "python3 read_back.py " + format + " >back"), 0) << run.out;
        EXPECT_TRUE(ReadAll(m_scratch.Path("back")) == head + groups) << ReadAll(m_scratch.Path("back"));
    }
    const std::string csv = ReadAll(m_scratch.Path("stdout"));
    EXPECT_EQ(csv.rfind("group,size,path\r\n1,4,", 0), 0u);
    EXPECT_NE(csv.find(",\"" + m_tree.Path("R/say \"\"hi\"\".txt") + "\"\r\n"), std::string::npos);
}

TEST_F(ScanTool, RefusesAnUnknownFormatAndNulOutsideTheTextFormat)
{
    m_tree.Write("R/a.txt", "same");
    m_tree.Write("R/b.txt", "same");
    for (const std::string arguments :
         {"--format xml", "--format=", "-0 --format json", "--format=csv --null"}) {
        SCOPED_TRACE(arguments);
        const ToolRun run = RunTool(m_scratch, arguments + " " + Quoted("R"));
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.out.empty());
        EXPECT_NE(run.err.find("\nusage: quorvel-scan"), std::string::npos);
    }
    EXPECT_EQ(RunTool(m_scratch, "--format=text " + Quoted("R")).out, RunTool(m_scratch, Quoted("R")).out);
}

TEST_F(ScanTool, AFailedWriteIsAnErrorNotASuccess)
{
    for (int i = 0; i < 200; ++i)
        m_tree.Write("R/" + std::to_string(i % 100) + "/" + std::to_string(i) + ".txt",
                     std::to_string(i % 100));
    RunShell(m_scratch, "\"$TOOL\" " + m_tree.Path("R") + " >/dev/full 2>err; echo $? >code");
    EXPECT_EQ(ReadAll(m_scratch.Path("code")), "1\n");
    const std::string err = ReadAll(m_scratch.Path("err"));
    EXPECT_EQ(err.rfind("quorvel-scan: error: cannot write the results: ", 0), 0u) << err;
    EXPECT_EQ(err.find("Scan completed"), std::string::npos);
}

TEST_F(ScanTool, HelpAndVersionThatCannotBeWrittenAreErrors)
{
    for (const std::string option : {"--help", "--version"}) {
        SCOPED_TRACE(option);
        RunShell(m_scratch, "\"$TOOL\" " + option + " >/dev/full 2>err; echo $? >code");
        EXPECT_EQ(ReadAll(m_scratch.Path("code")), "1\n");
        const std::string err = ReadAll(m_scratch.Path("err"));
        EXPECT_EQ(err.rfind("quorvel-scan: error: cannot write the ", 0), 0u) << err;
    }
}

TEST_F(ScanTool, PathsHoldingNewlinesGetOneWarningThatSuggestsNul)
{
    m_tree.Write("R/a\nb.txt", "same");
    m_tree.Write("R/c\nd.txt", "same");
    m_tree.Write("R/e\nf.bin", "other");
    m_tree.Write("R/g.bin", "other");
    const ToolRun lines = RunTool(m_scratch, Quoted("R"));
    EXPECT_EQ(lines.exitCode, 0);
    EXPECT_EQ(lines.err, "quorvel-scan: warning: some paths hold a newline, so their lines are ambiguous; "
                         "-0 ends each path with a NUL byte instead\n"
                         "Scan completed (4 files scanned, 4 duplicates found)\n");
    const ToolRun nul = RunTool(m_scratch, "-0 " + Quoted("R"));
    EXPECT_EQ(nul.err, "Scan completed (4 files scanned, 4 duplicates found)\n");
}

TEST_F(ScanTool, InterruptWhilePrintingStopsThePrintingAndSaysSo)
{
    // More than a pipe and the tool's buffer hold: the tool is still printing when it is interrupted.
    const std::string name(180, 'n');
    for (int i = 0; i < 3000; ++i)
        m_tree.Write("R/" + std::to_string(i % 1500) + name + std::to_string(i / 1500) + ".txt",
                     std::to_string(i % 1500));
    const ToolRun full = RunTool(m_scratch, Quoted("R"));
    RunShell(m_scratch, "mkfifo out; \"$TOOL\" " + m_tree.Path("R") +
                            " >out 2>err & exec 3<out; head -c 1 <&3 >/dev/null; "
                            "kill -INT $!; cat <&3 >rest; wait $!; echo $? >code");
    EXPECT_EQ(ReadAll(m_scratch.Path("code")), "130\n");
    EXPECT_EQ(ReadAll(m_scratch.Path("err")), "Scan was interrupted\n");
    EXPECT_LT(ReadAll(m_scratch.Path("rest")).size(), full.out.size() / 2);
}

TEST_F(ScanTool, FewDescriptorsLoseNoCopy)
{
    // A crowded run whose files are kept open between reads, and many small runs.
    for (int i = 0; i < 80; ++i)
        m_tree.Write("R/big/" + std::to_string(i) + ".bin",
                     PatternBytes(70000, static_cast<unsigned>(i % 40)));
    for (int i = 0; i < 200; ++i)
        m_tree.Write("R/small/" + std::to_string(i) + ".txt", std::to_string(i % 100));
    const ToolRun full = RunTool(m_scratch, Quoted("R"));
    ASSERT_EQ(full.err, "Scan completed (280 files scanned, 280 duplicates found)\n");
    for (const int limit : {64, 40, 16}) {
        SCOPED_TRACE(limit);
        RunShell(m_scratch, "ulimit -n " + std::to_string(limit) + " && \"$TOOL\" " + m_tree.Path("R") +
                                " >limited 2>&1");
        EXPECT_EQ(ReadAll(m_scratch.Path("limited")), full.out + full.err);
    }
}

TEST_F(ScanTool, FilesDeeperThanThePathLimitAreComparedAndUnreadableFilesAreNamed)
{
    // Folders of 200 bytes, 25 deep: paths of about 5,000 bytes, longer than the system takes at once.
    const std::string name(200, 'd');
    int folder = open(m_tree.Root().c_str(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; i < 25; ++i) {
        ASSERT_EQ(mkdirat(folder, name.c_str(), 0700), 0);
        const int next = openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY);
        close(folder);
        folder = next;
    }
    for (const char* file : {"a.bin", "b.bin", "c.dat", "d.dat"}) {
        const int fd = openat(folder, file, O_WRONLY | O_CREAT, 0600);
        ASSERT_EQ(write(fd, file[2] == 'b' ? "same" : "x", file[2] == 'b' ? 4 : 1), file[2] == 'b' ? 4 : 1);
        close(fd);
    }
    ASSERT_EQ(fchmodat(folder, "d.dat", 0, 0), 0);
    close(folder);
    std::string deep = m_tree.Root();
    for (int i = 0; i < 25; ++i)
        deep += "/" + name;
    const ToolRun run = RunTool(m_scratch, Quoted(""));
    std::string expected; // groups come in order of size
    if (geteuid() == 0)   // the superuser reads anything
        expected = deep + "/c.dat\n" + deep + "/d.dat\n\n";
    else
        EXPECT_NE(run.err.find("quorvel-scan: warning: cannot read " + deep + "/d.dat"), std::string::npos);
    expected += deep + "/a.bin\n" + deep + "/b.bin\n\n";
    EXPECT_TRUE(run.out == expected) << "the deep files are not grouped as expected";
    EXPECT_EQ(RunShell(m_scratch, "rm -rf " + m_tree.Root() + "/" + name), 0);
}

TEST_F(ScanTool, AFolderThatCannotBeMadeAbsoluteIsSkippedWithAWarning)
{
    RunShell(m_scratch, "mkdir gone && cd gone && rmdir ../gone && \"$TOOL\" . >../out 2>&1; "
                        "echo $? >>../out");
    EXPECT_EQ(ReadAll(m_scratch.Path("out")),
              "quorvel-scan: warning: cannot tell which folder \".\" is (the current folder may have been "
              "removed); scanning without it\n"
              "Scan completed (0 files scanned, 0 duplicates found)\n0\n");
}

TEST_F(ScanTool, OptionsLeaveOutWhatTheyNameAndABadValueIsNamedWithExitCodeTwo)
{
    m_tree.Write("R/a/x.txt", "same");
    m_tree.Write("R/b/x.txt", "same");
    m_tree.Write("R/node_modules/x.txt", "same");
    m_tree.Write("R/.cache/x.txt", "same");
    m_tree.Write("R/a/big.tmp", "larger bytes");
    m_tree.Write("R/b/big.tmp", "larger bytes");
    const std::string r = m_tree.Path("R");
    const ToolRun left = RunTool(
        m_scratch, "--exclude node_modules --exclude='*.tmp' --no-hidden --max-size 1KiB " + Quoted("R"));
    EXPECT_EQ(left.exitCode, 0);
    EXPECT_EQ(left.out, r + "/a/x.txt\n" + r + "/b/x.txt\n\n");
    EXPECT_EQ(left.err, "Scan completed (2 files scanned, 2 duplicates found)\n");

    const struct
    {
        const char* before; // the folder's argument
        const char* after;
        const char* message;
    } bad[] = {
        {"--min-size 12XB", "",
         "--min-size: \"12XB\" is not a size: give a number, then a unit if you like (B, KB, "
         "MB, GB, KiB, MiB or GiB)"},
        {"--max-size=0", "", "--max-size: \"0\" is below 1 byte: empty files are never compared"},
        {"--exclude sub/x", "",
         "--exclude: \"sub/x\" is neither a name nor an absolute path: a name holds no \"/\""},
        {"--min-size 2KB --max-size 1KB", "",
         "--min-size: the smallest size (2000 bytes) is above the largest (1000 bytes)"},
        {"", "--exclude", "--exclude: a name pattern or an absolute path must follow"},
    };
    for (const auto& row : bad) {
        SCOPED_TRACE(row.message);
        const ToolRun run = RunTool(m_scratch, std::string(row.before) + " " + Quoted("R") + " " + row.after);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.err, std::string("quorvel-scan: ") + row.message + "\n");
        EXPECT_EQ(run.out, "");
    }
}

TEST_F(ScanTool, SavedOptionsAreTheWindowsOnesWithTheCommandLinesAdded)
{
    m_tree.Write("R/a/x.txt", "same");
    m_tree.Write("R/b/x.txt", "same");
    m_tree.Write("R/build\\out/x.txt", "same");
    m_tree.Write("R/a/y.log", "more");
    m_tree.Write("R/b/y.log", "more");
    // As the settings file holds them: a backslash escaped, other groups around.
    m_scratch.Write("config/Quorvel.conf", "[MainFrame]\nWidth=640\n[ScanOptions]\nFolder0=build\\\\out\n"
                                           "Hidden=0\n[Folders]\nFolder0=/elsewhere\n");
    const std::string config = "XDG_CONFIG_HOME='" + m_scratch.Path("config") + "' ";
    const std::string r = m_tree.Path("R");
    const ToolRun saved = RunTool(m_scratch, "--saved-options --exclude '*.log' " + Quoted("R"), ".", config);
    EXPECT_EQ(saved.exitCode, 0);
    EXPECT_EQ(saved.out, r + "/a/x.txt\n" + r + "/b/x.txt\n\n");

    // Options saved by hand that cannot be used are named, and nothing is scanned.
    m_scratch.Write("config/Quorvel.conf", "[ScanOptions]\nSmallestSize=lots\n");
    const ToolRun broken = RunTool(m_scratch, "--saved-options " + Quoted("R"), ".", config);
    EXPECT_EQ(broken.exitCode, 2);
    EXPECT_EQ(broken.err,
              "quorvel-scan: --saved-options: the saved options do not hold: \"lots\" is not a size: "
              "give a number, then a unit if you like (B, KB, MB, GB, KiB, MiB or GiB)\n");
    EXPECT_EQ(broken.out, "");
}

} // namespace
