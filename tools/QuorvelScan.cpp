// quorvel-scan: runs one scan as the main window does and prints the groups in the blank-line
// separated form that other duplicate finders read.
#include "engine/ScanEngine.h"
#include "platform/Memory.h"
#include "platform/Path.h"

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
    "usage: quorvel-scan [--progress] [-0|--null] [--] FOLDER...\n"
    "       quorvel-scan --help | --version\n"
    "Finds files of equal size, equal last four path characters and identical contents;\n"
    "prints each group's paths one per line, each group followed by an empty line.\n"
    "\n"
    "  --progress  show the scan's progress texts on standard error\n"
    "  -0, --null  end each path with a NUL byte instead, and each group with one more\n"
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

// Each path ends with `end`, and each group with one more `end`: a newline, or NUL where names may
// hold newlines. Every write and the final flush are checked, so a full disk or a closed pipe is
// never reported as success; an interrupt stops the printing at the next path.
EPrinted PrintResults(CScanEngine& engine, char end)
{
    std::vector<char> buffer(1 << 16);
    std::setvbuf(stdout, buffer.data(), _IOFBF, buffer.size());
    const std::int32_t count = engine.GetResultCount();
    EPrinted printed = EPrinted::Done;
    bool ambiguous = false; // a path holds the line end, so the lines no longer tell the paths apart
    for (std::int32_t i = 0; i < count && printed == EPrinted::Done; ++i) {
        if (engine.IsStopped()) {
            printed = EPrinted::Interrupted;
            break;
        }
        const FileItem item = engine.GetResult(i);
        ambiguous = ambiguous || item.path.find(end) != std::string::npos;
        if (!item.IsSeparator() &&
            std::fwrite(item.path.data(), 1, item.path.size(), stdout) != item.path.size())
            printed = EPrinted::WriteFailed;
        if (std::fputc(end, stdout) == EOF)
            printed = EPrinted::WriteFailed;
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        printed = printed == EPrinted::Interrupted ? printed : EPrinted::WriteFailed;
    const int error = errno;
    std::setvbuf(stdout, nullptr, _IOFBF, BUFSIZ);
    // Where the handler is not set to restart calls, the interrupt itself cuts the write short.
    if (printed == EPrinted::WriteFailed && engine.IsStopped())
        printed = EPrinted::Interrupted;
    if (printed == EPrinted::WriteFailed)
        std::fprintf(stderr, "quorvel-scan: error: cannot write the results: %s\n", std::strerror(error));
    else if (ambiguous)
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
int Report(CScanEngine& engine, char end)
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
        printed = engine.IsStopped() ? EPrinted::Interrupted : PrintResults(engine, end);
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

} // namespace

int main(int argc, char** argv)
{
    platform::ShareOneHeap(); // before the first thread starts
    bool showProgress = false;
    bool optionsEnded = false;
    char end = '\n';
    std::vector<std::string> folders;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-')
            folders.push_back(argument);
        else if (argument == "--")
            optionsEnded = true;
        else if (argument == "--progress")
            showProgress = true;
        else if (argument == "-0" || argument == "--null")
            end = '\0';
        else if (argument == "--help" || argument == "-h")
            return Usage(true);
        else if (argument == "--version") {
            std::puts("quorvel-scan " QUORVEL_VERSION);
            return Delivered("version") ? 0 : 1;
        } else {
            std::fprintf(stderr, "quorvel-scan: unknown option %s\n", argument.c_str());
            return Usage(false);
        }
    }
    if (folders.empty())
        return Usage(false);

    CConsoleListener listener(showProgress);
    CScanEngine engine;
    engine.AddListener(&listener);
    for (const std::string& folder : folders) {
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
    const int code = Report(engine, end);
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    s_engine.store(nullptr);
    return code;
}
