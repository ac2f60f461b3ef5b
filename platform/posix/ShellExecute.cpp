// Programs are started with posix_spawn in the working folder and waited for with a deadline;
// documents go to the desktop's application for their type.
#include "platform/ShellExecute.h"

#include "platform/Desktop.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <glib.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

namespace {

bool Exists(const std::string& path)
{
    struct stat status;
    return stat(path.c_str(), &status) == 0;
}

bool IsExecutableFile(const std::string& path)
{
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string InFolder(const std::string& folder, const std::string& file)
{
    return file.empty() || file[0] == '/' || folder.empty() ? file : folder + "/" + file;
}

std::string FindOnSearchPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        std::size_t end = folders.find(':', start);
        if (end == std::string::npos)
            end = folders.size();
        const std::string candidate = InFolder(folders.substr(start, end - start), name);
        if (end > start && IsExecutableFile(candidate))
            return candidate;
        start = end + 1;
    }
    return std::string();
}

// The program a launch starts, or empty when the file is a document (or nothing at all).
std::string ProgramFor(const std::string& file, const std::string& folder)
{
    const std::string local = InFolder(folder, file);
    if (IsExecutableFile(local))
        return local;
    if (file.find('/') == std::string::npos && !Exists(local))
        return FindOnSearchPath(file);
    return std::string();
}

std::uint32_t ExitCode(int status)
{
    if (WIFEXITED(status))
        return static_cast<std::uint32_t>(WEXITSTATUS(status));
    return WIFSIGNALED(status) ? 128u + static_cast<std::uint32_t>(WTERMSIG(status)) : 1u;
}

bool WaitForever(pid_t pid, int& status)
{
    while (waitpid(pid, &status, 0) == -1)
        if (errno != EINTR)
            return false;
    return true;
}

// False when the process is still running at the deadline. Waits on a process descriptor where the
// kernel has them, and otherwise looks again every few milliseconds.
bool WaitUntil(pid_t pid, std::chrono::steady_clock::time_point deadline, int& status)
{
    const int descriptor = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    for (;;) {
        const pid_t ended = waitpid(pid, &status, WNOHANG);
        if (ended == pid || (ended == -1 && errno != EINTR))
            break;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            if (descriptor >= 0)
                close(descriptor);
            return false;
        }
        if (descriptor >= 0) {
            pollfd item{descriptor, POLLIN, 0};
            poll(&item, 1, static_cast<int>(std::min<long long>(left.count(), 60000)));
        } else {
            std::this_thread::sleep_for(std::min(left, std::chrono::milliseconds(5)));
        }
    }
    if (descriptor >= 0)
        close(descriptor);
    return true;
}

} // namespace

CShellExecute::~CShellExecute()
{
    Release();
}

bool CShellExecute::Run(const std::string& file, const std::string& parameters, bool wait)
{
    m_file = file;
    m_parameters = parameters;
    m_info.verb = m_editVerb ? "edit" : nullptr; // no such verb here: the default application edits
    m_info.show = m_show ? 5 : 0;                // programs show their own windows
    if (!Launch()) {
        m_errorText = kLaunchFailedText;
        return false;
    }
    return !wait || Wait();
}

bool CShellExecute::Launch()
{
    Release();
    const std::string program = ProgramFor(m_file, m_directory);
    if (program.empty())
        return Exists(InFolder(m_directory, m_file)) &&
               platform::OpenWithDefaultApplication(InFolder(m_directory, m_file), m_directory,
                                                    m_systemReason);

    // Parameters are one text, split as a shell would split it (quotes group words).
    gchar** words = nullptr;
    int count = 0;
    if (!m_parameters.empty() && !g_shell_parse_argv(m_parameters.c_str(), &count, &words, nullptr))
        return false;
    std::vector<char*> arguments{const_cast<char*>(program.c_str())};
    for (int i = 0; i < count; ++i)
        arguments.push_back(words[i]);
    arguments.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!m_directory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, m_directory.c_str());
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, program.c_str(), &actions, nullptr, arguments.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    g_strfreev(words);
    if (failed != 0)
        return false;
    m_info.process = pid;
    return true;
}

bool CShellExecute::Wait()
{
    const auto pid = static_cast<pid_t>(m_info.process);
    if (pid == 0)
        return true; // a document: its application is not ours to wait for
    int status = 0;
    if (m_timeoutSeconds == 0) {
        if (WaitForever(pid, status))
            m_exitCode = ExitCode(status);
        m_info.process = 0;
        return true;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(m_timeoutSeconds);
    if (!WaitUntil(pid, deadline, status)) {
        if (kill(pid, SIGKILL) == 0)
            m_errorText = kWaitTimeoutText;
        return false; // released with the object
    }
    m_exitCode = ExitCode(status);
    m_info.process = 0;
    return true;
}

void CShellExecute::Release()
{
    const auto pid = static_cast<pid_t>(std::exchange(m_info.process, 0));
    if (pid == 0)
        return;
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == 0) {
        // Still running: someone must collect it when it ends, or it stays behind as a zombie.
        std::thread([pid] {
            int ended = 0;
            WaitForever(pid, ended);
        }).detach();
    }
}
