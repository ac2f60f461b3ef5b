// quorvel-scan: runs one scan as the main window does and prints the groups in the blank-line
// separated form that other duplicate finders read, or as JSON or CSV for scripts.
#include "engine/ScanEngine.h"
#include "platform/CommandLine.h"
#include "platform/Memory.h"
#include "platform/Path.h"
#include "platform/SavedSettings.h"
#include "resources/Resources.h"
#include "views/ScanOptionsSettings.h"
#include "views/ScanOutput.h"

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

std::atomic<CScanEngine*> s_engine{nullptr};

extern "C" void OnInterrupt(int)
{
    if (CScanEngine* engine = s_engine.load())
        engine->RequestStop();
}

class CConsoleListener final : public CMyFilesListener
{
public:
    explicit CConsoleListener(bool showProgress) : m_showProgress(showProgress) {}

    void OnScanProgress(const std::string& text) override { Show("scan: ", text); }
    void OnResolveProgress(const std::string& text) override { Show("resolve: ", text); }

    void OnScanFinished() override
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        m_finished = true;
        m_finishedChanged.notify_all();
    }

    void WaitUntilFinished()
    {
        std::unique_lock<std::mutex> hold(m_mutex);
        m_finishedChanged.wait(hold, [this] { return m_finished; });
    }

private:
    void Show(const char* prefix, const std::string& text) const
    {
        if (!m_showProgress)
            return;
        std::fputs(prefix, stderr);
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fputc('\n', stderr);
    }

    const bool m_showProgress;
    std::mutex m_mutex;
    std::condition_variable m_finishedChanged;
    bool m_finished = false;
};

// Kept in step with the manual page, quorvel-scan(1).
constexpr const char* kUsage =
    "usage: quorvel-scan [--progress] [--format text|json|csv] [-0|--null] [--exclude PATTERN]...\n"
    "                    [--min-size SIZE] [--max-size SIZE] [--no-hidden] [--saved-options]\n"
    "                    [--] FOLDER...\n"
    "       quorvel-scan --help | --version\n"
    "Finds files of equal size, equal last four path characters and identical contents;\n"
    "prints each group's paths one per line, each group followed by an empty line.\n"
    "\n"
    "  --progress  show the scan's progress texts on standard error\n"
    "  --format F  print the groups as F:\n"
    "                text  the lines above (the default)\n"
    "                json  one object: \"summary\", \"files_scanned\", \"duplicates_found\",\n"
    "                      \"group_count\" and \"groups\", each group {\"size\": bytes, \"paths\": [...]};\n"
    "                      a byte of a path that is not valid UTF-8 is written as \\udcXX\n"
    "                csv   a header line group,size,path and a line per file, quoted and\n"
    "                      ended with CRLF as RFC 4180 says; paths as raw bytes\n"
    "  -0, --null  end each path with a NUL byte instead, and each group with one more\n"
    "              (text only)\n"
    "  --exclude PATTERN\n"
    "              leave out every folder (with all it holds) and every file whose name\n"
    "              matches PATTERN (* any characters, ? one; letter case as the system\n"
    "              compares names), or the folder or file at PATTERN, an absolute path;\n"
    "              may be given again\n"
    "  --min-size SIZE, --max-size SIZE\n"
    "              leave out files smaller or larger than SIZE: a number, then a unit if\n"
    "              you like (B, KB, MB, GB of 1,000; KiB, MiB, GiB of 1,024)\n"
    "  --no-hidden leave out hidden files and folders (names that start with \".\"; on\n"
    "              Windows, those with the hidden or system attribute)\n"
    "  --saved-options\n"
    "              leave out what the window's Scan Options leave out, and what the\n"
    "              options above add\n"
    "  --help      show this text and exit\n"
    "  --version   show the version and exit\n"
    "  --          take every later argument as a folder\n";

// Standard output flushed: false, with a message, when what was asked for did not all get written.
bool Delivered(const char* what)
{
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return true;
    std::fprintf(stderr, "quorvel-scan: error: cannot write the %s: %s\n", what, std::strerror(errno));
    return false;
}

// Asked for, the usage goes to standard output with success; given after a mistake, to standard
// error with exit code 2.
int Usage(bool asked)
{
    std::fputs(kUsage, asked ? stdout : stderr);
    if (!asked)
        return 2;
    return Delivered("usage") ? 0 : 1;
}

enum class EPrinted
{
    Done,
    Interrupted,
    WriteFailed,
};

bool Write(const std::string& bytes)
{
    return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
}

ScanTotals Totals(const CScanEngine& engine)
{
    ScanTotals totals;
    totals.summary = engine.GetSummaryText();
    totals.filesScanned = static_cast<std::int64_t>(engine.GetFileCount());
    totals.groups = engine.GetGroupCount();
    totals.duplicatesFound = engine.GetResultCount() - totals.groups;
    return totals;
}

// Every write and the final flush are checked, so a full disk or a closed pipe is never reported
// as success; an interrupt stops the printing at the next path.
EPrinted PrintResults(CScanEngine& engine, CScanOutput& output)
{
    std::vector<char> buffer(1 << 16);
    std::setvbuf(stdout, buffer.data(), _IOFBF, buffer.size());
    const std::int32_t count = engine.GetResultCount();
    EPrinted printed = Write(output.Head(Totals(engine))) ? EPrinted::Done : EPrinted::WriteFailed;
    std::string piece;
    for (std::int32_t i = 0; i < count && printed == EPrinted::Done; ++i) {
        if (engine.IsStopped()) {
            printed = EPrinted::Interrupted;
            break;
        }
        piece.clear();
        output.Append(engine.GetResult(i), piece);
        if (!Write(piece))
            printed = EPrinted::WriteFailed;
    }
    if (printed == EPrinted::Done && !Write(output.Tail()))
        printed = EPrinted::WriteFailed;
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        printed = printed == EPrinted::Interrupted ? printed : EPrinted::WriteFailed;
    const int error = errno;
    std::setvbuf(stdout, nullptr, _IOFBF, BUFSIZ);
    // Where the handler is not set to restart calls, the interrupt itself cuts the write short.
    if (printed == EPrinted::WriteFailed && engine.IsStopped())
        printed = EPrinted::Interrupted;
    if (printed == EPrinted::WriteFailed)
        std::fprintf(stderr, "quorvel-scan: error: cannot write the results: %s\n", std::strerror(error));
    else if (output.IsAmbiguous())
        std::fputs("quorvel-scan: warning: some paths hold a newline, so their lines are ambiguous; -0 ends "
                   "each path with a NUL byte instead\n",
                   stderr);
    return printed;
}

void PrintWarnings(const CScanEngine& engine)
{
    for (const ScanWarning& warning : engine.GetWarnings()) {
        switch (warning.kind) {
        case ScanWarning::EKind::UnreadableFile:
            std::fprintf(stderr, "quorvel-scan: warning: cannot read %s; it is in no group\n",
                         warning.path.c_str());
            break;
        case ScanWarning::EKind::UnusableRoot:
            std::fprintf(stderr,
                         "quorvel-scan: warning: cannot tell which folder \"%s\" is (the current folder "
                         "may have been removed); scanning without it\n",
                         warning.path.c_str());
            break;
        }
    }
}

// Prints what the finished scan found; the exit code.
int Report(CScanEngine& engine, CScanOutput& output)
{
    EPrinted printed = EPrinted::Done;
    std::string summary;
    {
        const std::lock_guard<CScanEngine> hold(engine);
        PrintWarnings(engine);
        if (engine.HasFailed()) {
            std::fprintf(stderr, "quorvel-scan: error: %s\n", engine.GetFailureText().c_str());
            return 1;
        }
        printed = engine.IsStopped() ? EPrinted::Interrupted : PrintResults(engine, output);
        summary = engine.GetSummaryText();
    }
    if (printed == EPrinted::Interrupted) {
        std::fputs("Scan was interrupted\n", stderr);
        return 130;
    }
    if (printed == EPrinted::WriteFailed)
        return 1;
    std::fprintf(stderr, "%s\n", summary.c_str());
    return 0;
}

struct Options
{
    bool showProgress = false;
    char end = '\n';
    EOutputFormat format = EOutputFormat::Text;
    std::vector<std::string> folders;
    ScanOptions leaveOut;
    bool savedOptions = false;
};

constexpr int kGoOn = -1;

// A value that cannot be used: one line that names it, and exit code 2.
int BadValue(const std::string& option, const std::string& problem)
{
    std::fprintf(stderr, "quorvel-scan: %s: %s\n", option.c_str(), problem.c_str());
    return 2;
}

// The value of an option given as "--name VALUE" or "--name=VALUE"; false when there is none.
bool OptionValue(int argc, char** argv, int& i, const std::string& name, std::string& value)
{
    const std::string argument = argv[i];
    if (argument.size() > name.size() && argument[name.size()] == '=') {
        value = argument.substr(name.size() + 1);
        return true;
    }
    if (i + 1 >= argc)
        return false;
    value = argv[++i];
    return true;
}

bool IsOption(const std::string& argument, const std::string& name)
{
    return argument == name || argument.rfind(name + "=", 0) == 0;
}

// --exclude, --min-size, --max-size and --no-hidden: kGoOn, or the exit code of a bad value.
int ReadLeaveOutOption(int argc, char** argv, int& i, ScanOptions& leaveOut)
{
    const std::string argument = argv[i];
    if (argument == "--no-hidden") {
        leaveOut.leaveOutHidden = true;
        return kGoOn;
    }
    const std::string name = argument.substr(0, argument.find('='));
    std::string value;
    if (!OptionValue(argc, argv, i, name, value) || value.empty())
        return BadValue(name, name == "--exclude" ? "a name pattern or an absolute path must follow"
                                                  : "a size must follow");
    if (name == "--exclude") {
        if (const std::string problem = CheckEntry(value); !problem.empty())
            return BadValue(name, problem);
        leaveOut.folders.push_back(value);
        leaveOut.files.push_back(value);
        return kGoOn;
    }
    std::optional<std::int64_t>& bound = name == "--min-size" ? leaveOut.smallest : leaveOut.largest;
    if (const std::string problem = ReadSize(value, bound); !problem.empty())
        return BadValue(name, problem);
    if (name == "--max-size" && *bound == 0)
        return BadValue(name, "\"" + value + "\" is below 1 byte: empty files are never compared");
    return kGoOn;
}

// The window's saved options, and those of the command line added to them: patterns and paths
// join the saved ones, a size given here replaces the saved one. kGoOn, or the exit code.
int AddSavedOptions(ScanOptions& leaveOut)
{
    platform::SettingValues values;
    std::string error;
    if (!platform::ReadSavedGroup(kVendorName, kAppName, kScanOptionsGroup, values, error)) {
        std::fprintf(stderr, "quorvel-scan: --saved-options: cannot read the saved options: %s\n",
                     error.c_str());
        return 1;
    }
    ScanOptions saved;
    if (const ScanOptionsProblem problem = ReadScanOptions(ScanOptionsFromSettings(values), saved))
        return BadValue("--saved-options", "the saved options do not hold: " + problem.text);
    saved.folders.insert(saved.folders.end(), leaveOut.folders.begin(), leaveOut.folders.end());
    saved.files.insert(saved.files.end(), leaveOut.files.begin(), leaveOut.files.end());
    if (leaveOut.smallest)
        saved.smallest = leaveOut.smallest;
    if (leaveOut.largest)
        saved.largest = leaveOut.largest;
    saved.leaveOutHidden = saved.leaveOutHidden || leaveOut.leaveOutHidden;
    leaveOut = std::move(saved);
    return kGoOn;
}

// Reads the command line into `options`; kGoOn, or the exit code when there is nothing to scan.
int ReadArguments(int argc, char** argv, Options& options)
{
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-')
            options.folders.push_back(argument);
        else if (argument == "--")
            optionsEnded = true;
        else if (argument == "--progress")
            options.showProgress = true;
        else if (argument == "--saved-options")
            options.savedOptions = true;
        else if (IsOption(argument, "--exclude") || IsOption(argument, "--min-size") ||
                 IsOption(argument, "--max-size") || argument == "--no-hidden") {
            if (const int code = ReadLeaveOutOption(argc, argv, i, options.leaveOut); code != kGoOn)
                return code;
        } else if (argument == "-0" || argument == "--null")
            options.end = '\0';
        else if (argument == "--format" || argument.rfind("--format=", 0) == 0) {
            const char* name = argument.size() > 8 ? argv[i] + 9 : i + 1 < argc ? argv[++i] : "";
            if (!ParseOutputFormat(name, options.format)) {
                std::fputs("quorvel-scan: --format takes text, json or csv\n", stderr);
                return Usage(false);
            }
        } else if (argument == "--help" || argument == "-h")
            return Usage(true);
        else if (argument == "--version") {
            std::puts("quorvel-scan " QUORVEL_VERSION);
            return Delivered("version") ? 0 : 1;
        } else {
            std::fprintf(stderr, "quorvel-scan: unknown option %s\n", argument.c_str());
            return Usage(false);
        }
    }
    // JSON and CSV quote what they must, so only the lines of the text format need another end.
    if (options.end != '\n' && options.format != EOutputFormat::Text) {
        std::fputs("quorvel-scan: -0 applies to the text format only\n", stderr);
        return Usage(false);
    }
    if (options.folders.empty())
        return Usage(false);
    if (options.savedOptions)
        if (const int code = AddSavedOptions(options.leaveOut); code != kGoOn)
            return code;
    const ScanOptions& leaveOut = options.leaveOut;
    if (leaveOut.smallest && leaveOut.largest && *leaveOut.smallest > *leaveOut.largest)
        return BadValue("--min-size", "the smallest size (" + std::to_string(*leaveOut.smallest) +
                                          " bytes) is above the largest (" +
                                          std::to_string(*leaveOut.largest) + " bytes)");
    return kGoOn;
}

} // namespace

int main(int argc, char** argv)
{
    platform::ShareOneHeap(); // before the first thread starts
    Options options;
    if (const int code = ReadArguments(argc, argv, options); code != kGoOn)
        return code;

    CConsoleListener listener(options.showProgress);
    CScanEngine engine;
    engine.AddListener(&listener);
    engine.SetOptions(options.leaveOut);
    for (const std::string& folder : options.folders) {
        if (platform::IsFolder(folder))
            engine.AddFolder(folder);
        else
            std::fprintf(stderr, "quorvel-scan: warning: %s is not a folder; scanning without it\n",
                         folder.c_str());
    }

    s_engine.store(&engine);
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    std::thread worker(ScanThreadProc, &engine);
    listener.WaitUntilFinished();
    worker.join();
    // The handler stays until the end: an interrupt while the results are printed stops the printing.
    if (options.format != EOutputFormat::Text)
        platform::WriteStandardOutputAsIs(); // CSV's CR LF, not CR CR LF
    CScanOutput output(options.format, options.end);
    const int code = Report(engine, output);
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    s_engine.store(nullptr);
    return code;
}
