// The shell's own launch, with the process handle kept for waiting, reading the exit code and ending it.
#include "platform/ShellExecute.h"

#include "platform/SystemError.h"
#include "platform/win32/Wide.h"

#include <windows.h>

#include <shellapi.h>

using platform::Widen;

CShellExecute::~CShellExecute()
{
    Release();
}

bool CShellExecute::Run(const std::string& file, const std::string& parameters, bool wait)
{
    m_file = file;
    m_parameters = parameters;
    m_info.verb = m_editVerb ? "edit" : nullptr;
    m_info.show = m_show ? SW_SHOW : SW_HIDE;
    if (!Launch()) {
        m_errorText = kLaunchFailedText;
        return false;
    }
    return !wait || Wait();
}

bool CShellExecute::Launch()
{
    Release();
    const std::wstring file = Widen(m_file);
    const std::wstring parameters = Widen(m_parameters);
    const std::wstring directory = Widen(m_directory);
    SHELLEXECUTEINFOW request{};
    request.cbSize = sizeof request;
    request.fMask = m_info.mask;
    request.lpVerb = m_info.verb != nullptr ? L"edit" : nullptr;
    request.lpFile = file.c_str();
    request.lpParameters = parameters.c_str();
    request.lpDirectory = directory.c_str();
    request.nShow = m_info.show;
    if (!ShellExecuteExW(&request)) {
        m_systemReason = platform::LastErrorText();
        return false;
    }
    m_info.process = reinterpret_cast<std::intptr_t>(request.hProcess);
    return true;
}

bool CShellExecute::Wait()
{
    HANDLE process = reinterpret_cast<HANDLE>(m_info.process);
    if (process == nullptr)
        return true; // the shell handed the file to a program already running
    const DWORD limit = m_timeoutSeconds == 0 ? INFINITE : static_cast<DWORD>(m_timeoutSeconds) * 1000;
    if (WaitForSingleObject(process, limit) == WAIT_TIMEOUT) {
        if (TerminateProcess(process, 1))
            m_errorText = kWaitTimeoutText;
        return false; // released with the object
    }
    DWORD code = 0;
    if (GetExitCodeProcess(process, &code))
        m_exitCode = code;
    Release();
    return true;
}

void CShellExecute::Release()
{
    if (m_info.process != 0)
        CloseHandle(reinterpret_cast<HANDLE>(m_info.process));
    m_info.process = 0;
}
