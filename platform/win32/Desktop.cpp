// Opening and revealing through the shell: the type's default action, and the file manager with
// the file selected.
#include "platform/Desktop.h"

#include "platform/ShellExecute.h"

namespace platform {

bool OpenWithDefaultApplication(const std::string& path, const std::string& folder, std::string& reason)
{
    CShellExecute shell;
    shell.m_show = true;
    shell.m_directory = folder;
    const bool opened = shell.Run(path, std::string(), false);
    reason = opened ? std::string() : shell.m_systemReason;
    return opened;
}

bool ShowInFileManager(const std::string& path, const std::string&)
{
    CShellExecute shell;
    shell.m_show = true;
    return shell.Run("explorer", "/select,\"" + path + "\"", false);
}

} // namespace platform
