// Starts a program or opens a document through the desktop, and can wait for the program to end.
#pragma once

#include <cstdint>
#include <string>

// The request of one launch. After a launch it holds the started process (a handle on Windows, a
// process id elsewhere) until the process has been waited for or the object goes.
struct ShellExecuteInfo
{
    static constexpr std::uint32_t kNoCloseProcess = 0x40;
    static constexpr std::uint32_t kFlagNoUi = 0x400; // the system shows no error window of its own
    static constexpr std::uint32_t kNoConsole = 0x8000;

    std::uint32_t mask = kNoCloseProcess | kFlagNoUi | kNoConsole;
    const char* verb = nullptr; // "edit", or none for the type's default action
    int show = 0;               // 5 shown, 0 hidden
    std::intptr_t process = 0;  // 0 when no process is held
};

// One object per launch, on the user-interface thread. A program (an executable file or a name on
// the search path) is started with its parameters in m_directory; any other file is handed to the
// desktop's application for its type, which gives no process to wait for.
class CShellExecute
{
public:
    CShellExecute() = default;
    CShellExecute(const CShellExecute&) = delete;
    CShellExecute& operator=(const CShellExecute&) = delete;
    // Releases a process still held without waiting for it.
    virtual ~CShellExecute();

    // True when launched and, when waiting, when the process ended within m_timeoutSeconds (0: no
    // limit); a process that outlives the limit is ended and the result is false.
    bool Run(const std::string& file, const std::string& parameters, bool wait);

    std::string m_file;
    std::string m_parameters;
    std::string m_directory = ".";
    ShellExecuteInfo m_info;
    int m_timeoutSeconds = 0;
    std::string m_errorText;
    std::string m_systemReason; // the system's words for a launch that failed, where it gave any
    bool m_show = false;
    bool m_editVerb = false;
    std::uint32_t m_exitCode = 0; // of a process waited for to its end

private:
    bool Launch();
    bool Wait();
    void Release();
};

inline constexpr const char* kLaunchFailedText = "ShellExecuteEx failed";
inline constexpr const char* kWaitTimeoutText = "WAIT_TIMEOUT interval exceeding - process terminated";
